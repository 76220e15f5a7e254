// Extracts one RAR archive (and the rest of its volume set) into a folder with
// node-unrar-js, the peer of bench/rar_extract.sh. Usage: node unrar_js_extract.js
// MODULE_DIR ARCHIVE DEST [PASSWORD]
const path = require("path");
const [moduleDir, archive, dest, password] = process.argv.slice(2);
const { createExtractorFromFile } = require(path.resolve(moduleDir, "node-unrar-js"));

(async () => {
  const extractor = await createExtractorFromFile({ filepath: archive, targetPath: dest, password });
  for (const entry of extractor.extract().files) void entry;
})().catch((error) => {
  console.error(error.message || error);
  process.exit(1);
});
