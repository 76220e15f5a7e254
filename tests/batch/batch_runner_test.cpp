// The tessaly-batch program on batch files written here: nothing goes through a shell,
// and the exit status is the first failing command's.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/process_runner.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

class BatchRunnerTest : public ::testing::Test {
 protected:
  ProcessResult RunBatchText(const std::string& text) {
    WriteFileText(temp_.path() / "Tessaly.bat", text);
    ProcessRequest request;
    request.argv = {TESSALY_BATCH_BIN, (temp_.path() / "Tessaly.bat").string()};
    request.workDir = temp_.path();
    return RunProcess(request);
  }
  fs::path PathOf(const std::string& name) const { return temp_.path() / name; }

 private:
  TempFolder temp_;
};

TEST_F(BatchRunnerTest, EveryLineRunsInOrderAndTheFirstFailureIsTheResult) {
  EXPECT_EQ(RunBatchText("/usr/bin/printf one\r\n/usr/bin/printf two\r\n").exitStatus, 0);
  const ProcessResult failedFirst =
      RunBatchText("/bin/false\r\n/usr/bin/printf one\r\n/usr/bin/test 1 -eq 2\r\n");
  EXPECT_EQ(failedFirst.exitStatus, 1) << "a later success does not hide the failure";
  EXPECT_EQ(failedFirst.out, "one");
  const ProcessResult failedLast =
      RunBatchText("/usr/bin/printf one\r\n/bin/sh -c \"exit 3\"\r\n/bin/false\r\n");
  EXPECT_EQ(failedLast.exitStatus, 3) << "the first failure's own status";
}

TEST_F(BatchRunnerTest, AProgramThatCannotStartIs127AndTheBatchGoesOn) {
  WriteFileText(PathOf("notes.txt"), "not a program");
  const ProcessResult missing = RunBatchText("\"" + PathOf("no such arj").string() + "\" x\r\n");
  EXPECT_EQ(missing.exitStatus, 127);
  EXPECT_NE(missing.err.find("no such file"), std::string::npos) << missing.err;

  const ProcessResult notExecutable =
      RunBatchText("\"" + PathOf("notes.txt").string() + "\" x\r\n/usr/bin/printf after\r\n");
  EXPECT_EQ(notExecutable.exitStatus, 127);
  EXPECT_NE(notExecutable.err.find("permission denied"), std::string::npos) << notExecutable.err;
  EXPECT_EQ(notExecutable.out, "after");

  // A bare name is not looked up on PATH: only what the line names runs.
  EXPECT_EQ(RunBatchText("printf x\r\n").exitStatus, 127);
}

TEST_F(BatchRunnerTest, AnUnreadableOrMalformedFileRunsNothing) {
  ProcessRequest request;
  request.argv = {TESSALY_BATCH_BIN, PathOf("absent.bat").string()};
  EXPECT_EQ(RunProcess(request).exitStatus, 2);
  const ProcessResult malformed = RunBatchText("/usr/bin/printf ran\r\n/usr/bin/printf \"x\r\n");
  EXPECT_EQ(malformed.exitStatus, 2);
  EXPECT_EQ(malformed.out, "");
  EXPECT_NE(malformed.err.find("line 2: a double quote is not closed"), std::string::npos);
}

}  // namespace
}  // namespace tessaly::testing
