// The file managers' start: its arguments, its jobs, Extract Here's placement, and archives
// extracted beside themselves without the main window or a confirmation.
#include "engine/beside_archives.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/archive_folder_name.h"
#include "engine/extract_here.h"
#include "engine/selection.h"
#include "inspect/archive_listings.h"
#include "platform/ascii_case.h"
#include "settings/options_form.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/libarchive_fixtures.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

TEST(BesideArguments, OnlyALeadingOptionSelectsTheModeAndNeedsFiles) {
  struct Case {
    std::vector<std::string> args;
    BesideMode mode;
    std::vector<std::string> archives;
  };
  const Case cases[] = {
      {{}, BesideMode::None, {}},
      {{"a.zip", "--extract-here"}, BesideMode::None, {}},
      {{"--extract-here"}, BesideMode::Usage, {}},
      {{"--extract-to-folders", "--", ""}, BesideMode::Usage, {}},
      {{"--extract-here", "--", "--odd name.zip"}, BesideMode::Here, {"--odd name.zip"}},
      {{"--extract-to-folders", "a.zip", "b c.rar"}, BesideMode::ToFolders, {"a.zip", "b c.rar"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const BesideRequest request = ParseBesideArguments(c.args);
    EXPECT_EQ(request.mode, c.mode);
    EXPECT_EQ(request.archives, c.archives);
  }
}

// A folder named after an archive is always a new one inside the archive's folder.
TEST(BesideJobs, OneJobPerDestinationAndTypeInTheArchivesOrder) {
  const std::string here = fs::current_path().string();
  const std::vector<std::string> archives = {
      "/d1/a.zip",  "/d 2/b.ZIP",          "/d1/c.zip", "/d1/e.rar",  "/d1/x/../set.part1.rar",
      "f.zip",      "/d1/photos.2020.zip", "/d1/.zip",  "/d1/...zip", "/d1/..zip",
      "/d1/...tar", "/d1/...7z",           "/d1/plain"};
  const auto typeOf = [](const std::string& path) {
    return AsciiLower(path.substr(path.rfind('.') + 1));
  };
  struct Case {
    BesideMode mode;
    std::vector<BesideJob> jobs;
  };
  const Case cases[] = {
      {BesideMode::Here,
       {{"/d1/",
         {"/d1/a.zip", "/d1/c.zip", "/d1/photos.2020.zip", "/d1/.zip", "/d1/...zip", "/d1/..zip"}},
        {"/d 2/", {"/d 2/b.ZIP"}},
        {"/d1/", {"/d1/e.rar", "/d1/set.part1.rar"}},
        {here + "/", {here + "/f.zip"}},
        {"/d1/", {"/d1/...tar"}},
        {"/d1/", {"/d1/...7z"}},
        {"/d1/", {"/d1/plain"}}}},
      {BesideMode::ToFolders,
       {{"/d1/a/", {"/d1/a.zip"}},
        {"/d 2/b/", {"/d 2/b.ZIP"}},
        {"/d1/c/", {"/d1/c.zip"}},
        {"/d1/e/", {"/d1/e.rar"}},
        {"/d1/set/", {"/d1/set.part1.rar"}},
        {here + "/f/", {here + "/f.zip"}},
        {"/d1/photos.2020/", {"/d1/photos.2020.zip"}},
        {"/d1/.zip_files/", {"/d1/.zip"}},
        {"/d1/...zip_files/", {"/d1/...zip"}},
        {"/d1/..zip_files/", {"/d1/..zip"}},
        {"/d1/...tar_files/", {"/d1/...tar"}},
        {"/d1/...7z_files/", {"/d1/...7z"}},
        {"/d1/plain_files/", {"/d1/plain"}}}},
  };
  for (const Case& c : cases) {
    const HerePlacement beside{[](const std::string&) { return false; }};
    const std::vector<BesideJob> jobs = PlanBesideJobs(c.mode, archives, typeOf, beside);
    ASSERT_EQ(jobs.size(), c.jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(jobs[i].destination, c.jobs[i].destination);
      EXPECT_EQ(jobs[i].archives, c.jobs[i].archives);
    }
  }
}

TEST(ExtractHere, OnlyOneTopLevelItemGoesBesideTheArchive) {
  const std::pair<std::vector<std::string>, bool> cases[] = {
      {{"photos/", "photos/a.jpg", "photos/sub/b.jpg"}, false},
      {{"photos/a.jpg", "./photos/b.jpg", "/photos/c.jpg"}, false},
      {{"readme.txt"}, false},
      {{"photos/a.jpg", "notes.txt"}, true},
      {{"a.txt", "b.txt"}, true},
      {{"../a.txt"}, true},
      {{}, true},
  };
  for (const auto& [names, ownFolder] : cases) {
    SCOPED_TRACE(::testing::PrintToString(names));
    EXPECT_EQ(NeedsOwnFolder(names), ownFolder);
  }
}

TEST(ExtractHere, ATakenFolderNameGetsTheFirstFreeNumber) {
  const std::set<std::string> taken = {"photos", "photos (2)", "set (3)"};
  const auto isTaken = [&taken](const std::string& name) { return taken.count(name) > 0; };
  EXPECT_EQ(FreeNumberedName("photos", isTaken), "photos (3)");
  EXPECT_EQ(FreeNumberedName("set", isTaken), "set");
}

class BesideJobTest : public EngineTest {
 protected:
  BesideJobTest() {
    // No main window; a confirmation would be a question the scripted dialogs refuse.
    session.mainWindow.view = nullptr;
    SetSetting("General", "Show confirmation", "1");
    SetSetting("General", "First time", "1");
    fs::create_directories(PathOf("d1"));
    fs::create_directories(PathOf("d 2"));
    WriteZip(PathOf("d1/a.zip"), {{"a.txt", "alpha"}});
    WriteZip(PathOf("d 2/b.zip"), {{"b.txt", "bravo"}});
  }
  EntryLister Lister() {
    return [this](const std::string& path) { return ArchiveEntryNames(session, path); };
  }
};

// Extract Here lists each archive first: one top-level item goes beside it, several
// into a new folder named after it, numbered when that exists and Options say so.
TEST_F(BesideJobTest, ExtractHerePutsSeveralTopLevelItemsIntoAFolderOfTheirOwn) {
  using Names = std::vector<std::string>;
  const Names layouts[] = {{"top/a.txt", "top/b.txt"}, {"one.txt"}, {"a.txt", "b/c.txt"}};
  struct Case {
    std::string type;
    int layout;
    const char *numbered, *always;  // the Options choices
    std::string lands;              // where the layout's first file lands
  };
  const Case cases[] = {
      {"zip", 0, "0", "0", "top/a.txt"},    {"zip", 1, "0", "0", "one.txt"},
      {"zip", 2, "0", "0", "pack/a.txt"},   {"zip", 2, "1", "0", "pack (2)/a.txt"},
      {"zip", 1, "0", "1", "pack/one.txt"}, {"tar.gz", 0, "0", "0", "top/a.txt"},
      {"7z", 1, "0", "0", "one.txt"},       {"tar.gz", 2, "1", "0", "pack.tar (2)/a.txt"},
      {"7z", 2, "0", "0", "pack/a.txt"},    {"rar", 0, "0", "0", "top/a.txt"},
      {"rar", 2, "0", "0", "pack/a.txt"}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.type + " " + c.lands);
    const std::string d = PathOf("here" + std::to_string(i)) + "/", archive = d + "pack." + c.type;
    fs::create_directories(d + ArchiveFolderName(archive));  // the name a new folder takes
    Names argv = c.type == "7z"    ? Names{"7z", "a", archive}
                 : c.type == "zip" ? Names{"zip", "-q", archive}
                                   : Names{"bsdtar", "-czf", archive};
    std::vector<RarTestEntry> rar;
    for (const std::string& name : layouts[c.layout]) {
      WriteFileText(d + "src/" + name, name);
      rar.push_back({name, name});
      argv.push_back(name);
    }
    ASSERT_EQ(c.type == "rar" ? (WriteRar(archive, rar), 0) : RunTool(argv, d + "src"), 0);
    SetSetting(kExtractHereSection, kExtractHereNumberedKey, c.numbered);
    SetSetting(kExtractHereSection, kExtractHereAlwaysFolderKey, c.always);
    EXPECT_EQ(ExtractBesideArchives(session, BesideMode::Here, {archive}, Lister()),
              kBesideExitFinished);
    EXPECT_EQ(ReadFileText(d + c.lands), layouts[c.layout][0]);
  }
}

TEST_F(BesideJobTest, CancelAtAFileExistsQuestionStopsTheArchivesLeft) {
  WriteFileText(PathOf("d1/a.txt"), "old");
  dialogs.fileExistsAnswers = {"Cancel"};
  EXPECT_EQ(ExtractBesideArchives(session, BesideMode::Here,
                                  {PathOf("d1/a.zip"), PathOf("d 2/b.zip")}, Lister()),
            kBesideExitNotFinished);
  EXPECT_EQ(ReadFileText(PathOf("d1/a.txt")), "old");
  EXPECT_FALSE(fs::exists(PathOf("d 2/b.txt")));
}

TEST_F(BesideJobTest, AFailedJobEndsNotFinishedAfterTheOthersRan) {
  WriteFileText(PathOf("d1/bad.zip"), "not an archive");
  WriteFileText(PathOf("d 2/b"), "a file where the folder would go");
  struct Case {
    BesideMode mode;
    std::string archive;
    std::string message;
    std::string bravo;  // where the good archive's file lands
  };
  const Case cases[] = {
      {BesideMode::Here, "d1/bad.zip", NotSupportedText(PathOf("d1/bad.zip")), "d 2/b.txt"},
      {BesideMode::ToFolders, "d 2/b.zip", CouldNotCreateFolderText(PathOf("d 2/b/")),
       "d1/a/a.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    dialogs.messages.clear();
    const std::string good = c.mode == BesideMode::Here ? "d 2/b.zip" : "d1/a.zip";
    EXPECT_EQ(ExtractBesideArchives(session, c.mode, {PathOf(c.archive), PathOf(good)}, Lister()),
              kBesideExitNotFinished);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.rfind(c.message, 0), 0u) << dialogs.messages[0].text;
    EXPECT_EQ(ReadFileText(PathOf(c.bravo)), c.mode == BesideMode::Here ? "bravo" : "alpha");
  }
}

}  // namespace
}  // namespace tessaly::testing
