// Damaged copies of the corpus archives through the ACE backend: every run ends, shows
// at most one of the backend's own messages, returns 1 exactly when it showed one, and
// writes nothing outside the destination.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/ace/ace_backend.h"
#include "support/engine_fixture.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kAceCorpus = fs::path(TESSALY_CORPUS_DIR) / "ace";

struct DamagedSource {
  const char* archive;
  const char* password;  // "" for none
};

// Whether text is one of the texts the backend shows, whatever entry or volume it
// names.
bool IsBackendMessage(const std::string& text) {
  static const std::set<std::string> kFixed = {
      "Not enough memory to allocate decompression structures. Aborting.",
      "Main header of archive broken. Aborting.",
      "This file is not a valid Ace archive.",
      "The password you entered was incorrect.",
      "No password supplied. Aborting.",
      "There was an unknown error encountered during the extraction process. Tessaly does not "
      "currently support Ace version 2 compression. Operation Aborting."};
  return kFixed.count(text) != 0 ||
         text.starts_with("Tessaly encountered a CRC error while processing \"") ||
         text.starts_with("There was an error reading from the drive on which ") ||
         text.starts_with(
             "Tessaly could not complete the extract operation because this ACE "
             "set") ||
         (text.starts_with("Error writing ") && text.ends_with(". Operation aborting."));
}

class AceDamageTest : public EngineTest, public ::testing::WithParamInterface<DamagedSource> {};

TEST_P(AceDamageTest, EveryRunEndsWithAResultTheUserIsToldAbout) {
  const DamagedSource& source = GetParam();
  ASSERT_TRUE(fs::is_regular_file(kAceCorpus / source.archive))
      << "no corpus archive at " << (kAceCorpus / source.archive);
  const std::string original = ReadFileText(kAceCorpus / source.archive);
  const std::string root = PathOf("damage");
  const std::string out = root + "/out";
  std::mt19937 random(20261206);
  for (int run = 0; run < 30; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    fs::remove_all(root);
    fs::create_directories(out);
    std::string damaged = original;
    std::uniform_int_distribution<size_t> position(0, damaged.size() - 1);
    for (size_t flips = damaged.size() / 100 + 1; flips > 0; --flips) {
      damaged[position(random)] ^= static_cast<char>(1u << (random() % 8));
    }
    const std::string archive = root + "/damaged.ace";
    WriteFileText(archive, damaged);
    dialogs.messages.clear();
    dialogs.inputAnswers = {source.password};
    session.job = JobState{};
    session.mainWindow.destinationBox.text = out;

    const int32_t result = ExtractAceArchive(session, archive);

    dialogs.inputAnswers.clear();
    ASSERT_LE(dialogs.messages.size(), 1u) << ::testing::PrintToString(MessageTexts());
    if (!dialogs.messages.empty()) {
      EXPECT_TRUE(IsBackendMessage(dialogs.messages[0].text)) << dialogs.messages[0].text;
    }
    EXPECT_EQ(result, dialogs.messages.empty() ? 0 : 1);
    for (const std::string& entry : TreeOf(root)) {
      EXPECT_TRUE(entry == "damaged.ace" || entry.starts_with("out/")) << entry;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, AceDamageTest,
    ::testing::Values(DamagedSource{"ALCHT.ACE", ""}, DamagedSource{"dir2.ace", ""},
                      DamagedSource{"onefile.ace", ""}, DamagedSource{"zdir.ace", ""},
                      DamagedSource{"passwd.ace", "pass"}, DamagedSource{"t.ace", ""}),
    [](const auto& info) {
      std::string name;
      for (const char* p = info.param.archive; *p != '\0'; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
      }
      return name;
    });

}  // namespace
}  // namespace tessaly::testing
