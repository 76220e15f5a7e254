// Garbled (password) ARJ archives through the driver with the installed utility: the
// password box for each archive that needs one, the "-g" switch in that archive's
// line only, and how right, missing and unwritable passwords end the job. The corpus
// tests open the corpus's garbled archives and try a wrong password.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/arj_fixture.h"
#include "support/job_texts.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

using ArjPasswordTest = ArjTest;

TEST_F(ArjPasswordTest, OnlyTheGarbledArchiveIsAskedForAndGetsTheSwitch) {
  const std::string plain = MakeArj(PathOf("plain.arj"), {{"open.txt", "open"}});
  const std::string locked =
      MakeArj(PathOf("locked one.arj"), {{"secret.txt", "secret"}, {"d/deep.txt", "deep"}},
              {"-gsesame; $x"});
  dialogs.inputAnswers = {"sesame; $x"};
  ExtractInto({plain, locked});

  ASSERT_EQ(dialogs.inputs.size(), 1u);
  EXPECT_EQ(dialogs.inputs[0].prompt,
            "The file locked one.arj is encrypted with a password. Please enter the password "
            "below to extract.");
  EXPECT_EQ(dialogs.inputs[0].title, "Enter Password");
  const std::string out = PathOf("out") + "/";
  const std::string batch = host.starts.back().batch;
  EXPECT_EQ(batch,
            Batch({ExtractLine(plain, StagingFolder(batch, out, 1)),
                   ExtractLine(locked, StagingFolder(batch, out, 2), "-y \"-gsesame; $x\" ")}));
  EXPECT_EQ(TreeOf(PathOf("out")),
            (std::vector<std::string>{"d/", "d/deep.txt", "open.txt", "secret.txt"}));
  EXPECT_EQ(ReadFileText(PathOf("out/secret.txt")), "secret");
  EXPECT_EQ(session.status.archiveLabel, kFinished);
  EXPECT_FALSE(fs::exists(Scratch() + "Tessaly.bat")) << "the batch held the password";
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
                        Case{"say \"pw\"", refusal, MsgIcon::Exclamation}}) {
    dialogs.messages.clear();
    host.starts.clear();
    dialogs.inputAnswers = {c.answer};
    ExtractInto({locked});

    ASSERT_EQ(dialogs.messages.size(), 1u) << c.answer;
    EXPECT_EQ(dialogs.messages[0].text, c.text);
    EXPECT_EQ(dialogs.messages[0].icon, c.icon);
    EXPECT_EQ(host.starts.size(), 1u) << "only the probe ran";
    EXPECT_EQ(session.status.archiveLabel, kNotFinished);
    EXPECT_EQ(session.job.extractResult, 1);
    EXPECT_TRUE(TreeOf(PathOf("out")).empty());
    EXPECT_FALSE(fs::exists(Scratch() + "Tessaly.bat"));
  }
}

}  // namespace
}  // namespace tessaly::testing
