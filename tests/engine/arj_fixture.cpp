#include "engine/arj_fixture.h"

#include <filesystem>

#include "app/process_runner.h"
#include "settings/settings_vars.h"

namespace tessaly::testing {

namespace fs = std::filesystem;

constexpr int kMissingProgramError = 53;

std::optional<ProcessId> RecordingConsoleHost::Start(const std::vector<std::string>& argv,
                                                     int windowStyle, int& errorNumber) {
  const bool hasBatch = !argv.empty() && fs::is_regular_file(argv.back());
  batches.push_back(hasBatch ? ReadFileText(argv.back()) : "");
  if (failFromStart != 0 && batches.size() >= failFromStart) {
    errorNumber = kMissingProgramError;
    return std::nullopt;
  }
  return real_.Start(argv, windowStyle, errorNumber);
}

ArjTest::ArjTest() {
  session.programs.host = &host;
  session.programs.batchRunner = TESSALY_BATCH_BIN;
  SetSetting("Utility Locations", "arj", kArj);
  SetSetting("General", "Hide Output", "1");
  SetSetting("General", "Close extract window", "1");
  SetSetting("arj options", "auto overwrite", "1");
}

void ArjTest::SetUp() {
  if (!fs::exists(kArj)) GTEST_SKIP() << "the ARJ utility is not installed at " << kArj;
}

int ArjTest::RunArj(const std::vector<std::string>& args, const std::string& folder) {
  ProcessRequest request;
  request.argv = {kArj};
  request.argv.insert(request.argv.end(), args.begin(), args.end());
  request.workDir = folder;
  const ProcessResult run = RunProcess(request);
  EXPECT_EQ(run.signal, 0);
  return run.exitStatus;
}

std::string ArjTest::MakeArj(const std::string& archive,
                             const std::map<std::string, std::string>& files,
                             const std::vector<std::string>& switches) {
  const fs::path staging = PathOf("staging-" + fs::path(archive).filename().string());
  for (const auto& [name, content] : files) {
    fs::create_directories((staging / name).parent_path());
    WriteFileText(staging / name, content);
  }
  std::vector<std::string> args = {"a", "-r", "-y"};
  args.insert(args.end(), switches.begin(), switches.end());
  args.push_back(fs::absolute(archive).string());
  args.push_back("*");
  EXPECT_EQ(RunArj(args, staging.string()), 0) << archive;
  fs::remove_all(staging);
  return archive;
}

std::string ArjTest::Scratch() const {
  SettingsVars vars;
  return GetTempFolder(vars);
}

std::string ArjTest::Batch(const std::vector<std::string>& lines) {
  std::string text = "@echo off\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

void ArjTest::ExtractInto(const std::vector<std::string>& archives) {
  fs::create_directories(PathOf("out"));
  session.mainWindow.destinationBox.text = PathOf("out");
  Select(archives);
  Extract();
}

}  // namespace tessaly::testing
