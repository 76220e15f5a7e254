// Garbled (password) ARJ archives through the driver with the installed utility: the
// password box for each archive that needs one, the "-g" switch in that archive's
// line only, and how right, wrong, missing and unwritable passwords end the job.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/arj_fixture.h"
#include "support/job_texts.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kArjCorpus = fs::path(TESSALY_CORPUS_DIR) / "arj";

std::string PasswordPrompt(const std::string& name) {
  return "The file " + name +
         " is encrypted with a password. Please enter the password below to extract.";
}

// The "file" and "dir" rows of expected.tsv for archive and password, as TreeOf lists
// them, each file with its size.
std::vector<std::string> ExpectedTree(const std::string& archive, const std::string& password) {
  std::ifstream table(kArjCorpus / "expected.tsv");
  std::vector<std::string> tree;
  for (std::string line; std::getline(table, line);) {
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
    if (f.size() != 7 || f[0] != archive || f[1] != password) continue;
    if (f[3] == "dir") tree.push_back(f[4] + "/");
    if (f[3] == "file") tree.push_back(f[4] + " " + f[5]);
  }
  std::sort(tree.begin(), tree.end());
  return tree;
}

class ArjPasswordTest : public ArjTest {
 protected:
  void ExtractInto(const std::vector<std::string>& archives) {
    fs::create_directories(PathOf("out"));
    session.Form1.Combo1.text = PathOf("out");
    Select(archives);
    Extract();
  }
  std::vector<std::string> OutTreeWithSizes() const {
    std::vector<std::string> tree;
    for (const std::string& entry : TreeOf(PathOf("out"))) {
      tree.push_back(entry.back() == '/'
                         ? entry
                         : entry + " " + std::to_string(fs::file_size(PathOf("out/" + entry))));
    }
    std::sort(tree.begin(), tree.end());
    return tree;
  }
  std::string ExtractLine(const std::string& options, const std::string& archive) const {
    return "\"" + std::string(kArj) + "\" x -v -y " + options + "\"" + archive + "\" \"" +
           PathOf("out") + "/\"";
  }
};

TEST_F(ArjPasswordTest, OnlyTheGarbledArchiveIsAskedForAndGetsTheSwitch) {
  const std::string plain = MakeArj(PathOf("plain.arj"), {{"open.txt", "open"}});
  const std::string locked =
      MakeArj(PathOf("locked one.arj"), {{"secret.txt", "secret"}, {"d/deep.txt", "deep"}},
              {"-gsesame; $x"});
  dialogs.inputAnswers = {"sesame; $x"};
  ExtractInto({plain, locked});

  ASSERT_EQ(dialogs.inputs.size(), 1u);
  EXPECT_EQ(dialogs.inputs[0].prompt, PasswordPrompt("locked one.arj"));
  EXPECT_EQ(dialogs.inputs[0].title, "Enter Password");
  EXPECT_EQ(dialogs.inputs[0].defaultText, "");
  EXPECT_EQ(host.starts.back().batch,
            Batch({ExtractLine("", plain), ExtractLine("\"-gsesame; $x\" ", locked)}));
  EXPECT_EQ(TreeOf(PathOf("out")),
            (std::vector<std::string>{"d/", "d/deep.txt", "open.txt", "secret.txt"}));
  EXPECT_EQ(ReadFileText(PathOf("out/secret.txt")), "secret");
  EXPECT_EQ(session.Form4Window.lblarc, kFinished);
  EXPECT_EQ(session.job.ExtractResult, 0);
  EXPECT_FALSE(fs::exists(Scratch() + "Tessaly.bat")) << "the batch held the password";
}

TEST_F(ArjPasswordTest, AWrongPasswordIsReportedAsNotFinished) {
  const std::string locked = MakeArj(PathOf("locked.arj"), {{"secret.txt", "secret"}}, {"-gright"});
  dialogs.inputAnswers = {"wrong"};
  ExtractInto({locked});

  EXPECT_EQ(session.Form4Window.lblarc, kNotFinished);
  EXPECT_EQ(session.job.ExtractResult, 1);
  EXPECT_TRUE(session.Form4Window.Command1Visible);
  EXPECT_TRUE(dialogs.messages.empty()) << "the utility's own complaint is its only report";
  EXPECT_FALSE(fs::exists(PathOf("out/secret.txt")) &&
               ReadFileText(PathOf("out/secret.txt")) == "secret");
  EXPECT_FALSE(fs::exists(Scratch() + "Tessaly.bat"));
}

TEST_F(ArjPasswordTest, NoPasswordOrOneTheBatchCannotHoldRunsNothing) {
  const std::string locked = MakeArj(PathOf("locked.arj"), {{"secret.txt", "secret"}}, {"-gpw"});
  const std::string refusal =
      "Tessaly cannot hand this password to the arj utility: a password that contains a double "
      "quotation mark or a line break cannot be written into the batch file.";
  struct Case {
    std::string answer;
    std::string text;
    MsgIcon icon;
  };
  for (const Case& c : {Case{"", "No password supplied. Aborting.", MsgIcon::Critical},
                        Case{"say \"pw\"", refusal, MsgIcon::Exclamation},
                        Case{"pw\nx", refusal, MsgIcon::Exclamation}}) {
    dialogs.messages.clear();
    host.starts.clear();
    dialogs.inputAnswers = {c.answer};
    ExtractInto({locked});

    ASSERT_EQ(dialogs.messages.size(), 1u) << c.answer;
    EXPECT_EQ(dialogs.messages[0].text, c.text);
    EXPECT_EQ(dialogs.messages[0].icon, c.icon);
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OK);
    EXPECT_EQ(dialogs.messages[0].title, "Oops!");
    EXPECT_EQ(host.starts.size(), 1u) << "only the probe ran";
    EXPECT_EQ(session.Form4Window.lblarc, kNotFinished);
    EXPECT_EQ(session.job.ExtractResult, 1);
    EXPECT_TRUE(session.Form4Window.Command1Visible);
    EXPECT_EQ(session.Form4Window.pb2Value, session.Form4Window.pb2Max);
    EXPECT_TRUE(TreeOf(PathOf("out")).empty());
    EXPECT_FALSE(fs::exists(Scratch() + "Tessaly.bat"));
  }
}

class ArjCorpusPasswordTest : public ArjPasswordTest {
 protected:
  void SetUp() override {
    ArjPasswordTest::SetUp();
    if (!IsSkipped() && !fs::exists(kArjCorpus)) GTEST_SKIP() << "no corpus at " << kArjCorpus;
  }
  std::string Corpus(const std::string& name) const { return (kArjCorpus / name).string(); }
};

TEST_F(ArjCorpusPasswordTest, TheCorpusGarbledArchivesOpenWithTheirPasswords) {
  for (const auto& [archive, password] :
       std::vector<std::pair<std::string, std::string>>{{"Arj.encrypted.arj", "test"},
                                                        {"license_crypted.arj", "secret"},
                                                        {"test_encrypted.arj", "ark"}}) {
    fs::remove_all(PathOf("out"));
    dialogs.inputs.clear();
    dialogs.inputAnswers = {password};
    ExtractInto({Corpus(archive)});

    ASSERT_EQ(dialogs.inputs.size(), 1u) << archive;
    EXPECT_EQ(dialogs.inputs[0].prompt, PasswordPrompt(archive));
    EXPECT_EQ(session.Form4Window.lblarc, kFinished) << archive;
    EXPECT_EQ(OutTreeWithSizes(), ExpectedTree(archive, password)) << archive;
  }
}

TEST_F(ArjCorpusPasswordTest, AWrongPasswordAndABadChecksumEndAsNotFinished) {
  dialogs.inputAnswers = {"not-test"};
  ExtractInto({Corpus("Arj.encrypted.arj")});
  EXPECT_EQ(session.Form4Window.lblarc, kNotFinished);

  fs::remove_all(PathOf("out"));
  ExtractInto({Corpus("wrongcrc32.arj")});
  EXPECT_EQ(session.Form4Window.lblarc, kNotFinished);
  EXPECT_EQ(session.job.ExtractResult, 1);
  EXPECT_EQ(dialogs.inputs.size(), 1u) << "a plain archive asks for no password";
}

}  // namespace
}  // namespace tessaly::testing
