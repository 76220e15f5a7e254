// Jobs through the driver on archives past the 16-bit entry count, on files that are
// no usable archive, on destinations that cannot take files and on names that try to
// leave the destination: each ends with the message the user is meant to see.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/engine_fixture.h"
#include "support/odd_zip_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const std::string kFinished =
    "Tessaly has finished extracting the files. Press \"OK\" to return to the program, or "
    "\"Explore\" to open an Explorer window in the folder to which the files were extracted.";
const std::string kNotFinished = "Tessaly did not finish extracting the files.";

class BadInputTest : public EngineTest {
 protected:
  BadInputTest() : out_(PathOf("out")) { session.Form1.Combo1.text = out_; }
  std::string Out(const std::string& name) const { return out_ + "/" + name; }

  static std::string NotSupported(const std::string& path) {
    return "The file \"" + path +
           "\" is either not a supported archive type or is corrupted. If this is an Arj type "
           "archive, Tessaly requires the DOS Arj utility to process it. You must specify the "
           "location of \"arj.exe\" in the \"Options\" dialog. If this file is part of an Ace, "
           "Rar, or Arj set, you must select the first file in the set (i.e. \"MyFile.rar\") "
           "to process the set.";
  }
  void ExpectOneMessage(const std::string& text, MsgIcon icon, const std::string& title) {
    ASSERT_EQ(dialogs.messages.size(), 1u) << ::testing::PrintToString(MessageTexts());
    EXPECT_EQ(dialogs.messages[0].text, text);
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OK);
    EXPECT_EQ(dialogs.messages[0].icon, icon);
    EXPECT_EQ(dialogs.messages[0].title, title);
  }
  // The library's failure as the ZIP backend reports it for the only archive of a job.
  void ExpectCorrupted(const std::string& archive) {
    ExpectOneMessage("An error was encountered while processing \"" + archive +
                         "\". The file is probably corrupted.",
                     MsgIcon::Critical, "Error");
    EXPECT_EQ(session.Form4Window.lblarc, kNotFinished);
    EXPECT_FALSE(session.Form4Window.Command2Visible);
  }
  void ExpectNoJobStarted() {
    EXPECT_EQ(dialogs.statusShown, 0);
    EXPECT_TRUE(status.snapshots.empty());
  }

  std::string out_;
};

TEST_F(BadInputTest, SlowMoreThan65535EntriesAllArriveAndFillTheBar) {
  constexpr int kCount = 65536 + 64;
  WriteManyEntriesZip(PathOf("many.zip"), kCount);
  ASSERT_FALSE(HasFailure());
  fs::create_directory(out_);
  Select({PathOf("many.zip")});
  Extract();

  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  const Form4& form = session.Form4Window;
  EXPECT_EQ(form.lblarc, kFinished);
  EXPECT_EQ(form.pb2Max, kCount);
  EXPECT_EQ(form.pb2Value, kCount);
  EXPECT_EQ(session.job.ProgressCount, kCount);
  EXPECT_TRUE(status.SawLblarc("Processing archive: " + PathOf("many.zip")));
  const std::vector<std::string> lines = status.Lblmsgs();
  ASSERT_EQ(lines.size(), static_cast<size_t>(kCount));
  EXPECT_EQ(lines.front(), "Extracting file: " + Out(ManyEntriesName(0)) + "  ");
  EXPECT_EQ(lines.back(), "Extracting file: " + Out(ManyEntriesName(kCount - 1)) + "  ");

  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(out_)) {
    if (entry.is_regular_file()) ++files;
  }
  EXPECT_EQ(files, static_cast<size_t>(kCount));
  for (const int n : {0, 65535, 65536, kCount - 1}) {
    EXPECT_EQ(ReadFile(Out(ManyEntriesName(n))), std::to_string(n) + "\n");
  }
}

TEST_F(BadInputTest, FilesThatAreNoArchiveAreRefusedBeforeAnyJob) {
  WriteFile(PathOf("notes.zip"), "just some text, no archive\n");
  WriteZip(PathOf("whole.zip"), {{"a.txt", std::string(3000, 'a'), true}});
  const std::string whole = ReadFile(PathOf("whole.zip"));
  WriteFile(PathOf("truncated.zip"), whole.substr(0, whole.size() - 10));
  fs::create_directory(PathOf("folder.zip"));

  for (const std::string name : {"missing.zip", "notes.zip", "truncated.zip", "folder.zip"}) {
    SCOPED_TRACE(name);
    dialogs.messages.clear();
    Select({PathOf(name)});
    Extract();
    ExpectOneMessage(NotSupported(PathOf(name)), MsgIcon::Critical, "Oops!");
    ExpectNoJobStarted();
    EXPECT_FALSE(fs::exists(out_));
  }
}

TEST_F(BadInputTest, AnUnreadableArchiveIsRefused) {
  WriteZip(PathOf("locked.zip"), {{"a.txt", "a"}});
  fs::permissions(PathOf("locked.zip"), fs::perms::none);
  if (access(PathOf("locked.zip").c_str(), R_OK) == 0) {
    GTEST_SKIP() << "running as root: an unreadable file cannot be made";
  }
  Select({PathOf("locked.zip")});
  Extract();
  fs::permissions(PathOf("locked.zip"), fs::perms::owner_read | fs::perms::owner_write);
  ExpectOneMessage(NotSupported(PathOf("locked.zip")), MsgIcon::Critical, "Oops!");
  ExpectNoJobStarted();
}

TEST_F(BadInputTest, DamagedDataIsReportedAndKeepsWhatWasThere) {
  WriteZip(PathOf("badcrc.zip"), {{"a.txt", "stored text of a"}, {"b.txt", "bee"}});
  DamageBytes(PathOf("badcrc.zip"), "stored text of a");
  fs::create_directory(out_);
  WriteFile(Out("kept.txt"), "was here before");
  Select({PathOf("badcrc.zip")});
  Extract();
  ExpectCorrupted(PathOf("badcrc.zip"));
  EXPECT_EQ(ReadFile(Out("b.txt")), "bee") << "the rest of the archive still comes out";
  EXPECT_EQ(ReadFile(Out("kept.txt")), "was here before");
}

TEST_F(BadInputTest, ADestinationThatIsAFileCannotBeCreated) {
  WriteZip(PathOf("a.zip"), {{"a.txt", "a"}});
  WriteFile(out_, "a file where the folder should be");
  Select({PathOf("a.zip")});
  dialogs.messageAnswers = {MsgAnswer::Yes};
  Extract();
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].text,
            "The folder \"" + out_ + "\" does not exist. Would you like it to be created?");
  EXPECT_EQ(dialogs.messages[1].text,
            "Could not create the folder \"" + out_ +
                "\". Please use a valid drive letter and remember that the following characters "
                "are not allowed in a folder name: \\ / : * ? \" < > |");
  EXPECT_EQ(dialogs.messages[1].icon, MsgIcon::Exclamation);
  EXPECT_EQ(dialogs.messages[1].title, "Oops!");
  ExpectNoJobStarted();
  EXPECT_EQ(ReadFile(out_), "a file where the folder should be");
}

TEST_F(BadInputTest, AFolderWithoutWritePermissionGetsNothing) {
  WriteZip(PathOf("a.zip"), {{"a.txt", "a"}});
  fs::create_directory(out_);
  fs::permissions(out_, fs::perms::owner_read | fs::perms::owner_exec);
  if (access(out_.c_str(), W_OK) == 0) {
    fs::permissions(out_, fs::perms::owner_all);
    GTEST_SKIP() << "running as root: permissions do not stop writes";
  }
  Select({PathOf("a.zip")});
  Extract();
  fs::permissions(out_, fs::perms::owner_all);
  ExpectCorrupted(PathOf("a.zip"));
  EXPECT_TRUE(fs::is_empty(out_));
}

TEST_F(BadInputTest, NamesAndLinksLeadingOutAreKeptInsideOrRefused) {
  using Kind = OddEntry::Kind;
  WriteOddZip(PathOf("slip.zip"), {{"../up.txt", "up"},
                                   {"/abs.txt", "abs"},
                                   {"link", "../outside", Kind::Symlink},
                                   {"link/through.txt", "through"},
                                   {"inner", "ok.txt", Kind::Symlink},
                                   {"ok.txt", "ok"}});
  fs::create_directory(PathOf("outside"));
  fs::create_directory(out_);
  Select({PathOf("slip.zip")});
  Extract();
  ExpectCorrupted(PathOf("slip.zip"));
  EXPECT_TRUE(fs::is_empty(PathOf("outside")));
  EXPECT_FALSE(fs::exists(PathOf("up.txt")));
  EXPECT_FALSE(fs::exists("/abs.txt") && ReadFile("/abs.txt") == "abs");
  EXPECT_EQ(ReadFile(Out("up.txt")), "up");
  EXPECT_EQ(ReadFile(Out("abs.txt")), "abs");
  EXPECT_FALSE(fs::is_symlink(Out("link")));
  EXPECT_EQ(fs::read_symlink(Out("inner")), "ok.txt") << "a link that stays inside is made";
  EXPECT_EQ(ReadFile(Out("ok.txt")), "ok");
  // Every entry that was handled shows its line; the refused link shows none.
  const std::vector<std::string> lines = status.Lblmsgs();
  EXPECT_EQ(lines.front(), "Extracting file: " + Out("up.txt") + "  ");
  for (const std::string& line : lines) EXPECT_EQ(line.find(Out("link") + "  "), std::string::npos);
}

}  // namespace
}  // namespace tessaly::testing
