// What a selection is: the command line's tokens and the mixed-type refusal of archives the
// content probe finds behind their stubs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/selection.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

class SelectionTest : public EngineTest {
 protected:
  SelectionTest() { WriteZip(PathOf("a.zip"), {{"a.txt", "alpha"}}); }
};

TEST_F(SelectionTest, OnlyTheFirstHundredTokensAreUsed) {
  SetSetting("zip options", "auto overwrite", "1");
  fs::create_directory(PathOf("out"));
  session.mainWindow.destinationBox.text = PathOf("out");
  std::string line;
  for (int i = 0; i < 100; ++i) line += PathOf("a.zip") + " ";
  for (int i = 0; i < 50; ++i) line += PathOf("notes.txt") + " ";
  ParseCommandLine(session, line);
  EXPECT_TRUE(dialogs.messages.empty()) << "token 101 was looked at";
  EXPECT_EQ(session.job.selectedCount, 100);
  EXPECT_EQ(ReadFileText(PathOf("out/a.txt")), "alpha");
}

// What a library opens behind a stub is its type: a ZIP and a RAR are two.
using RarAceProbeTest = EngineTest;

TEST_F(RarAceProbeTest, SelfExtractingZipAndRarTogetherAreMixedTypes) {
  WriteZip(PathOf("inner.zip"), {{"z.txt", "z"}});
  WriteFileText(PathOf("zip.exe"), SfxStub() + ReadFileText(PathOf("inner.zip")));
  RarOptions options;
  options.sfxPrefix = SfxStub();
  WriteRar(PathOf("rar.exe"), {{"r.txt", "r"}}, options);
  session.mainWindow.destinationBox.text = PathOf("");
  Select({PathOf("zip.exe"), PathOf("rar.exe")});
  Extract();
  EXPECT_EQ(MessageTexts(),
            std::vector<std::string>{"You have included more than one archive type in your file "
                                     "selection. Please select only files of the same archive "
                                     "type."});
  EXPECT_EQ(dialogs.statusShown, 0);
}

}  // namespace
}  // namespace tessaly::testing
