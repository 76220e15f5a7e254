#include "settings/options_form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "settings/isolated_settings.h"
#include "settings/settings_store.h"
#include "settings/settings_vars.h"
#include "support/files.h"
#include "support/scripted_dialogs.h"

namespace tessaly {
namespace {

class OptionsFormTest : public testing::IsolatedSettingsTest {
 protected:
  OptionsFormTest() { store.SaveSetting("General", "First time", "0"); }

  SettingsStore store = ApplicationSettings();
  testing::ScriptedDialogs dialogs;
  SettingsVars vars;
};

TEST_F(OptionsFormTest, TickingHideOutputAsksFirstAndUntickingGivesTheBoxesBack) {
  for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
    const bool yes = answer == MsgAnswer::Yes;
    OptionsForm form{.closeExtractWindow = true};
    dialogs.messageAnswers = {answer};
    HideOutputClicked(form, true, dialogs);
    EXPECT_EQ(dialogs.messages.back().text,
              "If this option is selected, the Arj archive utility is set to automatically "
              "overwrite existing files without prompting during extract operations. Any errors "
              "encountered by the utility during extraction will be unseen, possibly causing "
              "unwanted results. Do you wish to continue?");
    EXPECT_EQ(dialogs.messages.back().title, "Warning");
    EXPECT_EQ(dialogs.messages.back().buttons, MsgButtons::YesNo);
    EXPECT_EQ(dialogs.messages.back().icon, MsgIcon::Exclamation);
    EXPECT_EQ(form, (OptionsForm{.autoOverwrite = {false, yes, false, false},
                                 .hideOutput = yes,
                                 .closeExtractWindow = true,
                                 .arjOverwriteEnabled = !yes,
                                 .closeExtractWindowEnabled = !yes,
                                 .closeExtractWindowBeforeHiding = yes}));

    HideOutputClicked(form, false, dialogs);
    EXPECT_EQ(form,
              (OptionsForm{.closeExtractWindow = true, .closeExtractWindowBeforeHiding = yes}))
        << "the boxes are freed with their ticks from before";
  }
  EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(OptionsFormTest, OkChecksTheCustomFolderThenTheArjLocation) {
  const std::string folder = Root() + "/start";
  const std::string arj = Root() + "/arj";
  std::filesystem::create_directories(folder);
  const std::string plain = Root() + "/plain";
  testing::WriteFileText(arj, "");
  testing::WriteFileText(plain, "");
  std::filesystem::permissions(arj, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  auto noFile = [](const std::string& path) {
    return "The file \"" + path +
           "\" does not exist. Check your spelling or browse to the correct location.";
  };
  const struct {
    int mode;
    std::string folder;
    std::string arjLocation;
    std::string message;  // "" passes
    OptionsField focus;
    bool selectText;
  } kRows[] = {
      {2, "", arj,
       "If Startup Folder option \"Custom:\" is chosen, you must enter a valid folder name in the "
       "space provided.",
       OptionsField::StartupFolder, false},
      {2, Root() + "/gone", Root() + "/none",
       "The folder you chose as your startup folder, \"" + Root() +
           "/gone\", does not exist. Check your spelling, be sure you specified the leading "
           "\"/\" before the folder name, or browse to the correct location.",
       OptionsField::StartupFolder, true},
      {2, folder, Root() + "/none", noFile(Root() + "/none"), OptionsField::None, false},
      {0, "", folder, noFile(folder), OptionsField::None, false},  // a folder is no file
      {0, "", plain, noFile(plain), OptionsField::None, false},    // nor one that cannot run
      {2, folder, arj, "", OptionsField::None, false},
      {1, Root() + "/gone", "", "", OptionsField::None, false},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.folder + " | " + row.arjLocation);
    dialogs.messages.clear();
    if (!row.message.empty()) dialogs.messageAnswers = {MsgAnswer::OK};
    const OptionsCheck check = ValidateOptionsForm({.startupFolderMode = row.mode,
                                                    .startupFolder = row.folder,
                                                    .arjLocation = row.arjLocation},
                                                   dialogs);
    EXPECT_EQ(check.passed, row.message.empty());
    EXPECT_EQ(check.focus, row.focus);
    EXPECT_EQ(check.selectText, row.selectText);
    ASSERT_EQ(dialogs.messages.size(), row.message.empty() ? 0u : 1u);
    if (row.message.empty()) continue;
    EXPECT_EQ(dialogs.messages[0].text, row.message);
    EXPECT_EQ(dialogs.messages[0].title, "Oops!");
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OK);
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
  }
}

}  // namespace
}  // namespace tessaly
