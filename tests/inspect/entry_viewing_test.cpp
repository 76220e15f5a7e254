// One entry unpacked into the temporary folder for the contents window's Launch and
// View in Text Viewer: by its stored name, a ZIP entry without its folders, any other (through
// its own backend) with them, asking before it replaces a file already there.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "inspect/entry_viewing.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

class EntryViewingTest : public EngineTest {
 protected:
  EntryViewingTest() {
    std::filesystem::create_directories(PathOf("tmp"));
    session.settings.tempFolder = PathOf("tmp/");
    WriteZip(PathOf("a.zip"), {{"docs/read[me].txt", "new text"}, {"read[me].txt", "top"}});
    WriteRar(PathOf("a.rar"), {{"docs/read[me].txt", "new text"}, {"read[me].txt", "top"}});
  }
};

TEST_F(EntryViewingTest, UnpacksTheNamedEntryAndAsksBeforeReplacingAFileThere) {
  const struct {
    const char* name;
    const char* existing;  // nullptr: the temporary folder is empty
    const char* answer;
    bool opened;
    const char* content;
  } cases[] = {
      {"empty folder", nullptr, nullptr, true, "new text"},
      {"replaced", "old", "Yes", true, "new text"},
      {"kept", "old", "No", true, "old"},
      {"cancelled", "old", "Cancel", false, "old"},
  };
  for (const auto& [type, folder] : {std::pair{"zip", ""}, std::pair{"rar", "docs/"}})
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(type) + " " + c.name);
      const std::string target = PathOf("tmp/") + folder + "read[me].txt";
      std::filesystem::remove(target);
      if (c.existing != nullptr) WriteFileText(target, c.existing);
      if (c.answer != nullptr) dialogs.fileExistsAnswers.push_back(c.answer);
      dialogs.fileExistsQuestions.clear();

      const std::optional<std::string> path =
          UnpackEntryForViewing(session, type, PathOf("a.") + type, "docs/read[me].txt");

      EXPECT_EQ(path.has_value(), c.opened);
      if (path) {
        EXPECT_EQ(*path, target);
      }
      EXPECT_EQ(ReadFileText(target), c.content);
      EXPECT_EQ(dialogs.fileExistsQuestions.size(), c.existing != nullptr ? 1u : 0u);
      EXPECT_TRUE(dialogs.messages.empty());
      EXPECT_FALSE(session.job.stopAllArchives);
      EXPECT_EQ(dialogs.statusShown, 0);
      EXPECT_EQ(std::filesystem::exists(PathOf("tmp/docs")), *folder != '\0');
    }
}

// A drag takes the chosen entries with their folders from a folder of their own; a chosen
// folder's entries come inside it.
TEST_F(EntryViewingTest, ADragUnpacksTheChosenEntriesIntoAFolderOfTheirOwn) {
  const struct {
    const char* type;
    std::vector<std::string> chosen;
    std::vector<std::string> dragged;
  } cases[] = {
      {"zip", {"docs/read[me].txt", "read[me].txt"}, {"docs/read[me].txt", "read[me].txt"}},
      {"rar", {"docs/read[me].txt", "read[me].txt"}, {"docs/read[me].txt", "read[me].txt"}},
      {"zip", {"docs/", "docs/read[me].txt"}, {"docs"}},
      {"zip", {"docs/"}, {"docs"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    const std::vector<std::string> paths =
        UnpackEntriesForDrag(session, c.type, PathOf("a.") + c.type, c.chosen);
    const std::string folder = PathOf("tmp/drag-XXXXXX/");
    std::vector<std::string> dragged;
    for (const std::string& path : paths) {
      ASSERT_TRUE(path.starts_with(PathOf("tmp/drag-")));
      dragged.push_back(path.substr(folder.size()));
    }
    EXPECT_EQ(dragged, c.dragged);
    EXPECT_EQ(ReadFileText(paths.front().substr(0, folder.size()) + "docs/read[me].txt"),
              "new text");
    EXPECT_TRUE(dialogs.fileExistsQuestions.empty());
    EXPECT_EQ(dialogs.statusShown, 0);
  }
}

}  // namespace
}  // namespace tessaly::testing
