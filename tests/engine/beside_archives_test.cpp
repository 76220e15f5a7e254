// The file managers' start: its arguments, its jobs, and archives extracted beside
// themselves without the main window or a confirmation.
#include "engine/beside_archives.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/selection.h"
#include "platform/ascii_case.h"
#include "support/engine_fixture.h"
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
    const std::vector<BesideJob> jobs = PlanBesideJobs(c.mode, archives, typeOf);
    ASSERT_EQ(jobs.size(), c.jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(jobs[i].destination, c.jobs[i].destination);
      EXPECT_EQ(jobs[i].archives, c.jobs[i].archives);
    }
  }
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
};

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
    EXPECT_EQ(ExtractBesideArchives(session, c.mode, {PathOf(c.archive), PathOf(good)}),
              kBesideExitNotFinished);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.rfind(c.message, 0), 0u) << dialogs.messages[0].text;
    EXPECT_EQ(ReadFileText(PathOf(c.bravo)), c.mode == BesideMode::Here ? "bravo" : "alpha");
  }
}

}  // namespace
}  // namespace tessaly::testing
