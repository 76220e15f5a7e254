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

TEST_F(OptionsFormTest, EveryValueIsWrittenUnderItsKeyAndReadBack) {
  OptionsForm hidden;
  hidden.doubleClickAction = 2;
  hidden.startupMode = 1;
  hidden.showConfirmation = true;
  hidden.startupFolderMode = 2;
  hidden.startupFolder = "/home/user/in box/";
  hidden.autoOverwrite = {true, true, false, true};
  hidden.arjLocation = "/opt/arj/bin/arj";
  hidden.hideOutput = true;
  hidden.closeExtractWindow = true;
  hidden.arjOverwriteEnabled = false;
  hidden.closeExtractWindowEnabled = false;
  OptionsForm shown;
  shown.doubleClickAction = 1;
  shown.startupFolderMode = 1;
  shown.autoOverwrite = {false, false, true, false};

  WriteOptionsForm(hidden, vars, dialogs);
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } kStored[] = {
      {"Utility Locations", "arj", "/opt/arj/bin/arj"},
      {"zip options", "auto overwrite", "1"},
      {"arj options", "auto overwrite", "1"},
      {"rar options", "auto overwrite", "0"},
      {"ace options", "auto overwrite", "1"},
      {"General", "Hide Output", "1"},
      {"General", "Startup Mode", "1"},
      {"General", "Startup Folder Mode", "2"},
      {"General", "Startup Folder", "/home/user/in box/"},
      {"General", "Show confirmation", "1"},
      {"General", "Close extract window", "1"},
      {"General", "DCAction", "2"},
  };
  for (const auto& row : kStored) {
    EXPECT_EQ(store.GetSetting(row.section, row.key, "missing"), row.value) << row.key;
  }
  EXPECT_EQ(vars.doubleClickAction, "2") << "the settings are reloaded";
  EXPECT_EQ(vars.shellWindowStyle, 0);
  EXPECT_EQ(ReadOptionsForm(vars, dialogs), hidden);

  WriteOptionsForm(shown, vars, dialogs);
  EXPECT_EQ(ReadOptionsForm(vars, dialogs), shown);
  EXPECT_EQ(store.GetSetting("Utility Locations", "arj", "missing"), "missing")
      << "a cleared location is deleted";
  EXPECT_EQ(testing::ReadFileText(SettingsFile()).find("\narj="), std::string::npos);
  EXPECT_EQ(vars.arjLocation, "");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(OptionsFormTest, StoredValuesThatChooseNoOptionChooseTheFirst) {
  const struct {
    const char* key;
    const char* value;
  } kStored[] = {
      {"DCAction", "7"},          {"Startup Mode", "-1"}, {"Startup Folder Mode", " 2"},
      {"Show confirmation", "2"}, {"Hide Output", "x"},
  };
  for (const auto& row : kStored) store.SaveSetting("General", row.key, row.value);
  OptionsForm expected;
  expected.startupFolderMode = 2;
  EXPECT_EQ(ReadOptionsForm(vars, dialogs), expected);
}

// Hidden output comes with overwriting and closing, whatever their own keys say.
TEST_F(OptionsFormTest, HiddenOutputTicksAndGreysTheTwoBoxesItImplies) {
  store.SaveSetting("General", "Hide Output", "1");
  store.SaveSetting("General", "Close extract window", "0");
  store.SaveSetting("arj options", "auto overwrite", "0");
  const OptionsForm form = ReadOptionsForm(vars, dialogs);
  EXPECT_TRUE(form.hideOutput);
  EXPECT_TRUE(form.autoOverwrite[kOverwriteArj]);
  EXPECT_TRUE(form.closeExtractWindow);
  EXPECT_FALSE(form.arjOverwriteEnabled);
  EXPECT_FALSE(form.closeExtractWindowEnabled);
}

TEST_F(OptionsFormTest, TickingHideOutputAsksFirstAndUntickingFreesTheBoxes) {
  const struct {
    MsgAnswer answer;
    bool ticked;
  } kRows[] = {{MsgAnswer::No, false}, {MsgAnswer::Yes, true}};
  for (const auto& row : kRows) {
    OptionsForm form;
    dialogs.messageAnswers = {row.answer};
    dialogs.messages.clear();
    HideOutputClicked(form, true, dialogs);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const testing::RecordedMessage& asked = dialogs.messages[0];
    EXPECT_EQ(asked.text,
              "If this option is selected, the Arj archive utility is set to automatically "
              "overwrite existing files without prompting during extract operations. Any errors "
              "encountered by the utility during extraction will be unseen, possibly causing "
              "unwanted results. Do you wish to continue?");
    EXPECT_EQ(asked.title, "Warning");
    EXPECT_EQ(asked.buttons, MsgButtons::YesNo);
    EXPECT_EQ(asked.icon, MsgIcon::Exclamation);
    EXPECT_EQ(form.hideOutput, row.ticked);
    EXPECT_EQ(form.autoOverwrite[kOverwriteArj], row.ticked);
    EXPECT_EQ(form.closeExtractWindow, row.ticked);
    EXPECT_NE(form.arjOverwriteEnabled, row.ticked);
    EXPECT_NE(form.closeExtractWindowEnabled, row.ticked);

    HideOutputClicked(form, false, dialogs);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(form.hideOutput);
    EXPECT_TRUE(form.arjOverwriteEnabled && form.closeExtractWindowEnabled);
    EXPECT_EQ(form.autoOverwrite[kOverwriteArj], row.ticked) << "the ticks stay";
    EXPECT_EQ(form.closeExtractWindow, row.ticked);
  }
}

TEST_F(OptionsFormTest, OkChecksTheCustomFolderThenTheArjLocation) {
  const std::string folder = Root() + "/start";
  const std::string arj = Root() + "/arj";
  std::filesystem::create_directories(folder);
  testing::WriteFileText(arj, "");
  const std::string kEmpty =
      "If Startup Folder option \"Custom:\" is chosen, you must enter a valid folder name in the "
      "space provided.";
  const std::string kNoFolder =
      "The folder you chose as your startup folder, \"" + Root() +
      "/gone\", does not exist. Check your spelling, be sure you specified the drive letter, "
      "colon, and backslash before the folder name, or browse to the correct location.";
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
      {2, "", arj, kEmpty, OptionsField::StartupFolder, false},
      {2, Root() + "/gone", Root() + "/none", kNoFolder, OptionsField::StartupFolder, true},
      {2, folder, Root() + "/none", noFile(Root() + "/none"), OptionsField::None, false},
      {0, "", folder, noFile(folder), OptionsField::None, false},  // a folder is no file
      {2, folder, arj, "", OptionsField::None, false},
      {1, Root() + "/gone", "", "", OptionsField::None, false},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.folder + " | " + row.arjLocation);
    OptionsForm form;
    form.startupFolderMode = row.mode;
    form.startupFolder = row.folder;
    form.arjLocation = row.arjLocation;
    dialogs.messages.clear();
    if (!row.message.empty()) dialogs.messageAnswers = {MsgAnswer::OK};
    const OptionsCheck check = ValidateOptionsForm(form, dialogs);
    EXPECT_EQ(check.passed, row.message.empty());
    EXPECT_EQ(check.focus, row.focus);
    EXPECT_EQ(check.selectText, row.selectText);
    if (row.message.empty()) {
      EXPECT_TRUE(dialogs.messages.empty());
      continue;
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, row.message);
    EXPECT_EQ(dialogs.messages[0].title, "Oops!");
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OK);
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
  }
}

}  // namespace
}  // namespace tessaly
