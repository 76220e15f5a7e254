// The extraction driver end to end: refusals before any backend runs, the
// destination questions and the confirmation, Extract Selected through every backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "engine/arj_fixture.h"
#include "inspect/archive_listings.h"
#include "support/ace_writer.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

void ExpectMessage(const RecordedMessage& m, const std::string& text, MsgButtons buttons,
                   MsgIcon icon, const std::string& title, int defaultButton = 1) {
  EXPECT_EQ(m.text, text);
  EXPECT_EQ(m.buttons, buttons);
  EXPECT_EQ(m.icon, icon);
  EXPECT_EQ(m.title, title);
  EXPECT_EQ(m.defaultButton, defaultButton);
}

class DriverTest : public EngineTest {
 protected:
  DriverTest() { WriteZip(PathOf("a.zip"), {{"a.txt", "alpha"}}); }
  // The job ended before the Status window opened.
  void ExpectRefusedEarly() {
    EXPECT_EQ(dialogs.statusShown, 0);
    EXPECT_EQ(mainWindow.Count("ListFolder"), 0);
    EXPECT_EQ(mainWindow.Count("UpdateSelectionState"), 1);
    EXPECT_FALSE(mainWindow.busy);
    EXPECT_TRUE(mainWindow.enabled);
  }
};

// No ends the job before the Status window; Yes extracts.
TEST_F(DriverTest, EmptyOrMissingDestinationIsAskedAboutFirst) {
  const struct {
    const char* label;
    std::string box;
    std::string question;
    MsgIcon icon;
    int defaultButton;
    int focused;  // whether No puts the focus in the destination box
    std::string extractedTo;
  } kCases[] = {
      {"empty", "",
       "You have not specified a destination folder. If you choose to continue, all files will "
       "be extracted to the current folder, which is \"" +
           WorkDir() + "\". Do you wish to continue?",
       MsgIcon::Exclamation, 2, 1, WorkDir()},
      {"missing", PathOf("new out"),
       "The folder \"" + PathOf("new out") + "\" does not exist. Would you like it to be created?",
       MsgIcon::None, 1, 0, PathOf("new out")},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    dialogs.messages.clear();
    mainWindow.calls.clear();
    session.mainWindow.destinationBox.text = c.box;
    Select({PathOf("a.zip")});
    dialogs.messageAnswers = {MsgAnswer::No};
    Extract();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    ExpectMessage(dialogs.messages[0], c.question, MsgButtons::YesNo, c.icon, "Oops!",
                  c.defaultButton);
    EXPECT_EQ(mainWindow.Count("FocusCombo1"), c.focused);
    EXPECT_FALSE(fs::exists(c.extractedTo + "/a.txt"));
    ExpectRefusedEarly();

    Select({PathOf("a.zip")});
    dialogs.messageAnswers = {MsgAnswer::Yes};
    Extract();
    EXPECT_EQ(ReadFileText(c.extractedTo + "/a.txt"), "alpha");
    session.status.CancelButtonClicked(session);  // OK closes the finished job
    dialogs.statusShown = 0;
  }
}

TEST_F(DriverTest, OnlyGoRunsTheJobAndOnlyGoSavesAnUntickedBox) {
  SetSetting("General", "Show confirmation", "1");
  session.mainWindow.destinationBox.text = PathOf("out");
  fs::create_directory(PathOf("out"));
  Select({PathOf("a.zip")});

  dialogs.confirmAnswers = {ConfirmAnswer::CancelUntick};
  Extract();
  ASSERT_EQ(dialogs.confirmations.size(), 1u);
  EXPECT_EQ(dialogs.confirmations[0],
            "You have chosen to extract the contents of the selected archive(s) to the "
            "folder:\n\n" +
                PathOf("out"));
  EXPECT_FALSE(dialogs.confirmNewDestinationVisible[0]);
  EXPECT_TRUE(session.job.confirmCancelled);
  EXPECT_EQ(dialogs.statusShown, 0);
  EXPECT_FALSE(fs::exists(PathOf("out/a.txt")));
  EXPECT_EQ(GetSetting("General", "Show confirmation"), "1");

  Select({PathOf("a.zip")});
  dialogs.confirmAnswers = {ConfirmAnswer::Close};
  Extract();
  EXPECT_EQ(dialogs.statusShown, 0) << "closing the dialog is no Go";
  EXPECT_FALSE(session.job.confirmFromDriver);

  Select({PathOf("a.zip")});
  dialogs.confirmAnswers = {ConfirmAnswer::GoUntick};
  Extract();
  EXPECT_FALSE(session.job.confirmFromDriver);
  EXPECT_EQ(GetSetting("General", "Show confirmation"), "0");
  EXPECT_EQ(ReadFileText(PathOf("out/a.txt")), "alpha");

  Select({PathOf("a.zip")});
  dialogs.fileExistsAnswers = {"All"};
  Extract();
  EXPECT_EQ(dialogs.confirmations.size(), 3u) << "no confirmation after Go with the box unticked";
}

// Each file below root as "path=content", each folder as "path/".
std::set<std::string> ContentsTree(const fs::path& root) {
  std::set<std::string> tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string path = fs::relative(item.path(), root).string();
    tree.insert(item.is_directory() ? path + "/" : path + "=" + ReadFileText(item.path()));
  }
  return tree;
}

// Extract Selected of the contents window, for every type it lists: the entries chosen by
// the stored names the listing gives, and nothing else, land where a whole extraction would
// put them; a chosen folder brings what is under it.
using SelectedEntriesTest = ArjTest;

TEST_F(SelectedEntriesTest, WritesTheSelectedEntriesAloneForEveryType) {
  const StoredFiles files = {
      {"a.txt", "alpha"}, {"sub/b.txt", "beta"}, {"sub/c.txt", "gamma"}, {"d.txt", "delta"}};
  std::vector<RarTestEntry> rar;
  std::vector<AceTestEntry> ace;
  StoredFiles dos;  // "\\" separated, as the DOS formats store names
  for (const auto& [name, data] : files) {
    WriteFileText(PathOf("tree/" + name), data);
    rar.push_back({name, data});
    ace.push_back({name, data});
    dos.emplace_back(name, data);
    std::replace(dos.back().first.begin(), dos.back().first.end(), '/', '\\');
  }
  AceOptions solidAce;
  solidAce.solid = true;
  const struct {
    const char* archive;
    std::vector<std::string> tool;  // makes the archive of the tree; none: written here
    bool folder;                    // "sub/" is selected, else "a.txt" and "sub/b.txt"
  } cases[] = {
      {"t.zip", {"zip", "-rq"}, false},
      {"f.zip", {"zip", "-rq"}, true},
      {"t.rar", {}, false},
      {"t.ace", {}, false},
      {"t.arj", {}, false},
      {"t.7z", {"7z", "a", "-bd"}, false},
      {"t.tar.gz", {"bsdtar", "-czf"}, false},
      {"t.cpio", {"bsdtar", "--format=newc", "-cf"}, false},
      {"t.iso", {"bsdtar", "--format=iso9660", "-cf"}, false},
      {"t.xar", {"bsdtar", "--format=xar", "-cf"}, true},
      {"t.cab", {}, false},
      {"t.lzh", {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string archive = PathOf(c.archive);
    const fs::path extension = fs::path(archive).extension();
    std::vector<std::string> tool = c.tool;
    tool.insert(tool.end(), {archive, "a.txt", "sub", "d.txt"});
    EXPECT_TRUE(c.tool.empty() || RunTool(tool, PathOf("tree")) == 0);
    if (extension == ".rar") WriteRar(archive, rar);
    if (extension == ".ace") WriteAce(archive, ace, solidAce);
    if (extension == ".arj") MakeArj(archive, {files.begin(), files.end()});
    if (extension == ".cab") WriteFileText(archive, CabArchive(dos));
    if (extension == ".lzh") WriteFileText(archive, LhaArchive(dos));
    // Probed as the main window opens contents: by the selection's own string.
    Select({archive});
    const std::string type = ProbeArchiveForContents(session, session.job.selectedFiles.front());
    ASSERT_EQ(ListArchive(session, type, archive), ListingResult::Listed);
    // The names come from the listing, as the contents window takes them.
    const std::set<std::string> wanted =
        c.folder ? std::set<std::string>{"sub/"} : std::set<std::string>{"a.txt", "sub/b.txt"};
    session.job.selectedEntryNames.clear();
    for (const ContentsRow& row : session.contents.rows) {
      if (wanted.count(row.storedName) != 0)
        session.job.selectedEntryNames.push_back(row.storedName);
    }
    EXPECT_EQ(session.job.selectedEntryNames.size(), wanted.size());
    session.job.selectedEntriesMode = true;
    fs::remove_all(PathOf("out"));
    ExtractInto({archive});
    const std::set<std::string> written =
        c.folder ? std::set<std::string>{"sub/", "sub/b.txt=beta", "sub/c.txt=gamma"}
                 : std::set<std::string>{"a.txt=alpha", "sub/", "sub/b.txt=beta"};
    EXPECT_EQ(ContentsTree(PathOf("out")), written);
    EXPECT_EQ(session.status.archiveLabel, kFinished) << ::testing::PrintToString(MessageTexts());
    dialogs.messages.clear();
  }
}

// A job sent to the background tells how it ended, with its archive or their count; a
// job the user watched tells nothing.
TEST_F(DriverTest, AJobInTheBackgroundTellsTheDesktopHowItEnded) {
  WriteZip(PathOf("b.zip"), {{"b.txt", "bravo"}});
  WriteZip(PathOf("bad.zip"), {{"c.txt", "charlie"}});
  DamageBytes(PathOf("bad.zip"), "charlie");
  const std::string finished = "Tessaly has finished extracting the files.";
  const struct {
    const char* label;
    std::vector<std::string> archives;
    bool background, cancel;
    std::vector<std::string> told;
  } kCases[] = {
      {"finished", {"b.zip"}, true, false, {"Tessaly: " + finished + "\nb.zip"}},
      {"watched", {"b.zip"}, false, false, {}},
      {"failed",
       {"bad.zip", "b.zip"},
       true,
       false,
       {"Tessaly: Tessaly did not finish extracting the files.\n2 archives"}},
      {"cancelled",
       {"b.zip"},
       true,
       true,
       {"Tessaly: Tessaly stopped extracting the files: the job was cancelled.\nb.zip"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    mainWindow.calls.clear();
    session.mainWindow.destinationBox.text = PathOf(c.label);
    fs::create_directories(PathOf(c.label));
    if (c.label == std::string("failed")) dialogs.messageAnswers = {MsgAnswer::OK};
    pump.meanwhile = [&] {
      if (!session.status.loaded || session.status.cancelButtonCaption != "Cancel") return;
      if (c.background) session.status.BackgroundButtonClicked(session);
      if (c.cancel) session.status.CancelButtonClicked(session);
    };
    std::vector<std::string> paths;
    for (const std::string& archive : c.archives) paths.push_back(PathOf(archive));
    Select(paths);
    Extract();
    pump.meanwhile = nullptr;
    std::vector<std::string> told;
    for (const std::string& call : mainWindow.calls) {
      if (call.rfind("TellJobEnded", 0) == 0) told.push_back(call.substr(13, call.size() - 14));
    }
    EXPECT_EQ(told, c.told);
    session.status.CancelButtonClicked(session);  // OK closes the ended job
  }
}

}  // namespace
}  // namespace tessaly::testing
