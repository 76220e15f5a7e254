#include "app/extract_program_fixture.h"

#include <cstdlib>
#include <optional>

#include "settings/reg_settings.h"

namespace tessaly::testing {

namespace fs = std::filesystem;

void ExtractProgramTest::SetUp() {
  ASSERT_FALSE(temp_.path().empty());
  fs::create_directories(work());
  fs::create_directories(config());
  fs::create_directories(temp_.path() / "tmp");
  fs::create_directories(temp_.path() / "sources");
}

ProcessResult ExtractProgramTest::Run(const std::vector<std::string>& args,
                                      const std::string& input) const {
  ProcessRequest request;
  request.argv = {TESSALY_EXTRACT_BIN};
  request.argv.insert(request.argv.end(), args.begin(), args.end());
  request.input = input;
  request.workDir = work();
  request.environment = {{"XDG_CONFIG_HOME", config().string()},
                         {"TMPDIR", (temp_.path() / "tmp").string()},
                         {"HOME", temp_.path().string()}};
  return RunProcess(request);
}

fs::path ExtractProgramTest::MakeZip(const std::string& name,
                                     const std::map<std::string, std::string>& files,
                                     const std::string& password) const {
  const fs::path sources = temp_.path() / "sources" / name;
  fs::remove_all(sources);
  ProcessRequest zip;
  zip.argv = {"/usr/bin/zip", "-q", "-X"};
  if (!password.empty()) {
    zip.argv.push_back("-P");
    zip.argv.push_back(password);
  }
  const fs::path archive = work() / name;
  zip.argv.push_back(archive.string());
  for (const auto& [path, content] : files) {
    WriteFileText(sources / path, content);
    zip.argv.push_back(path);
  }
  zip.workDir = sources;
  const ProcessResult made = RunProcess(zip);
  EXPECT_EQ(made.exitStatus, 0) << made.err;
  return archive;
}

std::string ExtractProgramTest::StoredSetting(const std::string& section,
                                              const std::string& key) const {
  const char* previous = std::getenv("XDG_CONFIG_HOME");
  const std::optional<std::string> saved =
      previous ? std::optional<std::string>(previous) : std::nullopt;
  setenv("XDG_CONFIG_HOME", config().c_str(), 1);
  const std::string value = ApplicationSettings().GetSetting(section, key, "<missing>");
  if (saved) {
    setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
  return value;
}

size_t Occurrences(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace tessaly::testing
