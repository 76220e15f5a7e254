#include "app/extract_program_fixture.h"

#include "settings/isolated_settings.h"
#include "settings/settings_store.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {

namespace fs = std::filesystem;

void ExtractProgramTest::SetUp() {
  ASSERT_FALSE(temp_.path().empty());
  fs::create_directories(work());
  fs::create_directories(config());
  fs::create_directories(temp_.path() / "tmp");
}

ProcessResult ExtractProgramTest::Run(const std::vector<std::string>& args,
                                      const std::string& input) const {
  ProcessRequest request;
  request.argv = {TESSALY_EXTRACT_BIN};
  request.argv.insert(request.argv.end(), args.begin(), args.end());
  request.input = input;
  request.workDir = work();
  request.environment = IsolatedEnvironment(temp_.path());
  return RunProcess(request);
}

fs::path ExtractProgramTest::MakeZip(const std::string& name,
                                     const std::map<std::string, std::string>& files) const {
  std::vector<ZipTestEntry> entries;
  for (const auto& [path, content] : files) entries.push_back({path, content, true});
  const fs::path archive = work() / name;
  WriteZip(archive.string(), entries);
  return archive;
}

std::string ExtractProgramTest::StoredSetting(const std::string& section,
                                              const std::string& key) const {
  const ScopedEnv home("XDG_CONFIG_HOME", config().string());
  return ApplicationSettings().GetSetting(section, key, "<missing>");
}

}  // namespace tessaly::testing
