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

TEST(HelperProgramTest, FoundBesideTheProgramThenInLibexec) {
  const std::string beside = "bin/tessaly-batch";
  const std::string installed = "libexec/tessaly/tessaly-batch";
  const struct {
    const char* name;
    std::vector<std::string> files;  // made under the root; a name ending in "/" is a folder
    std::string expected;            // relative to the root
  } kCases[] = {
      {"build folder", {beside}, beside},
      {"install", {installed}, installed},
      {"both: beside wins", {beside, installed}, beside},
      {"a folder beside is no program", {installed, beside + "/"}, installed},
      {"neither: the path beside", {}, beside},
  };
  for (const auto& row : kCases) {
    SCOPED_TRACE(row.name);
    TempFolder root;
    fs::create_directories(root.path() / "bin");
    for (const std::string& file : row.files) {
      if (file.ends_with('/')) {
        fs::create_directories(root.path() / file);
      } else {
        WriteFileText(root.path() / file, "#!/bin/sh\n");
      }
    }
    EXPECT_EQ(HelperProgramFor((root.path() / "bin").string(), "tessaly-batch"),
              (root.path() / row.expected).string());
  }
}

}  // namespace
}  // namespace tessaly::testing
