// Where the programs find tessaly-batch: beside themselves in the build folder, in
// ../libexec/tessaly/ once installed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/process_spawn.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

struct HelperCase {
  const char* name;
  std::vector<std::string> files;    // made under the root, relative to it
  std::vector<std::string> folders;  // likewise
  const char* expected;              // relative to the root
};

const HelperCase kCases[] = {
    {"build folder", {"bin/tessaly-batch"}, {}, "bin/tessaly-batch"},
    {"install", {"libexec/tessaly/tessaly-batch"}, {}, "libexec/tessaly/tessaly-batch"},
    {"both: beside wins",
     {"bin/tessaly-batch", "libexec/tessaly/tessaly-batch"},
     {},
     "bin/tessaly-batch"},
    {"a folder beside is no program",
     {"libexec/tessaly/tessaly-batch"},
     {"bin/tessaly-batch"},
     "libexec/tessaly/tessaly-batch"},
    {"neither: the path beside", {}, {}, "bin/tessaly-batch"},
};

TEST(HelperProgramTest, FoundBesideTheProgramThenInLibexec) {
  for (const HelperCase& row : kCases) {
    SCOPED_TRACE(row.name);
    TempFolder root;
    fs::create_directories(root.path() / "bin");
    for (const std::string& file : row.files) {
      fs::create_directories((root.path() / file).parent_path());
      WriteFileText(root.path() / file, "#!/bin/sh\n");
    }
    for (const std::string& folder : row.folders) fs::create_directories(root.path() / folder);
    EXPECT_EQ(HelperProgramFor((root.path() / "bin").string(), "tessaly-batch"),
              (root.path() / row.expected).string());
  }
}

}  // namespace
}  // namespace tessaly::testing
