// The reader's confinement holds: the probe program puts it up and tries to break out.
#include <gtest/gtest.h>

#include "app/process_runner.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

TEST(Confinement, WritesOutsideReadsOutsideProgramsSocketsAndMemoryBombsAreStopped) {
  const TempFolder root;
  for (const char* folder : {"archives", "destination", "outside"}) {
    std::filesystem::create_directories(root.path() / folder);
  }
  WriteFileText(root.path() / "archives" / "archive", "bytes");
  WriteFileText(root.path() / "outside" / "secret", "the user's");
  ProcessRequest request;
  request.argv = {std::string(TESSALY_CONFINEMENT_PROBE_BIN), (root.path() / "archives").string(),
                  (root.path() / "destination").string(), (root.path() / "outside").string()};
  const ProcessResult run = RunProcess(request);
  EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
  EXPECT_EQ(run.out.find("WRONG"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("allocate 4 GiB: as expected"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace tessaly::testing
