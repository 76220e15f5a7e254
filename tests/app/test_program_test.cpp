// tessaly-extract -t: each archive's summary, nothing left in the working folder, and
// exit 1 as soon as one archive is damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/extract_program_fixture.h"
#include "support/ace_writer.h"
#include "support/files.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

using TestProgram = ExtractProgramTest;

TEST_F(TestProgram, SaysPerArchiveWhetherEveryEntryIsIntact) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& work)> write;
    int exitStatus;
    std::string out;
  };
  const Case cases[] = {
      {"zip with a password",
       [](const fs::path& work) {
         WriteZip((work / "t.zip").string(), {{"a.txt", "alpha"}, {"d/b.txt", "beta", true, "pw"}});
       },
       0, "t.zip: all 2 files are intact.\n"},
      {"zip damaged",
       [](const fs::path& work) {
         WriteZip((work / "t.zip").string(), {{"a.txt", "alpha"}, {"b.txt", "damaged data"}});
         DamageBytes((work / "t.zip").string(), "damaged data");
       },
       1, "t.zip: damaged or unreadable:\n  b.txt: its data is damaged.\n"},
      {"rar",
       [](const fs::path& work) {
         WriteRar((work / "t.rar").string(), {{"a.txt", "x"}});
       },
       0, "t.rar: all 1 files are intact.\n"},
      {"rar damaged",
       [](const fs::path& work) {
         RarTestEntry bad{"b.txt", "bad"};
         bad.wrongCrc = true;
         WriteRar((work / "t.rar").string(), {{"a.txt", "x"}, bad});
       },
       1,
       "t.rar: damaged or unreadable:\n  b.txt: its data is damaged.\n  Tessaly encountered a CRC "
       "error while processing "
       "\"t.rar\". Operation aborted.\n"},
      {"ace",
       [](const fs::path& work) {
         WriteAce((work / "t.ace").string(), {{"a.txt", "ace data"}, {"b.txt", "more"}});
       },
       0, "t.ace: all 2 files are intact.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(work());
    fs::create_directories(work());
    c.write(work());
    const std::string archive = fs::directory_iterator(work())->path().filename().string();
    // A test keeps nothing, whatever the choice says.
    const ProcessResult result = Run({"-t", "--keep-broken", "-p", "pw", archive});
    EXPECT_EQ(result.exitStatus, c.exitStatus) << result.err;
    EXPECT_EQ(result.out.rfind(c.out, 0), 0u) << result.out;
    EXPECT_EQ(TreeOf(work()).size(), 1u);
  }
}

}  // namespace
}  // namespace tessaly::testing
