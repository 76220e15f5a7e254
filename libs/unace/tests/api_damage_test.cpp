// Damaged input always ends in a result code: corpus archives with 1 % of their
// bytes flipped (with the password of the encrypted ones, so that their data is
// decoded too); a real archive cut before the recovery record its main header
// announces. The messages of an archive cut short are the backend's test.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <set>

#include "api_test_support.h"

namespace unace::testing {
namespace {

// Damage is never a read error: the drive read every byte there was.
const std::set<int> kEntryCodes = {ACE_SUCCESS, ACE_VOLUME_MISSING, ACE_BAD_DATA, ACE_UNSUPPORTED,
                                   ACE_WRITE_PROTECTED};
const std::set<int> kEndCodes = {ACE_END_ARCHIVE, ACE_BAD_HEADER, ACE_VOLUME_MISSING, ACE_BAD_DATA};

void ExpectOnlyResultCodes(const WalkResult& walk, const std::string& label) {
  for (const auto& entry : walk.entries) {
    EXPECT_TRUE(kEntryCodes.count(entry.code)) << label << ": " << entry.code;
  }
  if (walk.openResult == ACE_OPEN_OK) {
    EXPECT_TRUE(kEndCodes.count(walk.endCode)) << label << ": " << walk.endCode;
  }
}

// Never empty: without the corpus, the one name "expected.tsv" fails the test.
std::vector<std::string> CorpusArchives() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& item : fs::directory_iterator(kCorpus, error)) {
    if (item.path().extension() != ".tsv") names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  if (names.empty()) names.push_back("expected.tsv");
  return names;
}

// ACE has no end block: only the recovery record a main header announces, written after
// the last entry, shows that an archive cut at a block boundary lost something.
TEST(CutArchives, EndingBeforeTheAnnouncedRecoveryRecordIsAHeaderError) {
  const std::string whole = ReadFileText(kCorpus + "hachoir-core.ace");
  ASSERT_FALSE(whole.empty()) << "no corpus archive at " << kCorpus << "hachoir-core.ace";
  // The recovery record's header (the 64-bit kind) holds the signature too, after its
  // prefix, type, flags and 8-byte size.
  const size_t recovery = whole.find("**ACE**", whole.find("**ACE**") + 1) - 15;
  TempFolder temp;
  const std::string cut = temp / "cut.ace";
  WriteFileText(cut, whole.substr(0, recovery));
  const WalkResult complete =
      Walk(kCorpus + "hachoir-core.ace", ACE_OM_LIST, ACE_TEST, "", "azerty");
  const WalkResult cutShort = Walk(cut, ACE_OM_LIST, ACE_TEST, "", "azerty");
  EXPECT_EQ(complete.endCode, ACE_END_ARCHIVE);
  EXPECT_EQ(cutShort.endCode, ACE_BAD_HEADER);
  ASSERT_EQ(cutShort.entries.size(), complete.entries.size());
  for (const EntryResult& entry : cutShort.entries)
    EXPECT_EQ(entry.code, ACE_SUCCESS) << entry.name;
}

class SlowCorruption : public ::testing::TestWithParam<std::string> {};

TEST_P(SlowCorruption, FlippedBytesEndInResultCodes) {
  const std::string name = GetParam();
  const std::string original = ReadFileText(kCorpus + name);
  ASSERT_FALSE(original.empty()) << "no corpus archive at " << kCorpus + name;
  TempFolder temp;
  const std::string copy = temp / name;
  // The password of the encrypted ones, so that their data is decoded too.
  const char* password = name == "passwd.ace" ? "pass" : "azerty";
  for (unsigned run = 0; run < 200; ++run) {
    std::mt19937 random(run * 7919u + static_cast<unsigned>(original.size()));
    std::string bytes = original;
    for (size_t flips = std::max<size_t>(1, bytes.size() / 100); flips > 0; --flips) {
      bytes[random() % bytes.size()] ^= static_cast<char>(1u << (random() % 8));
    }
    WriteFileText(copy, bytes);
    const WalkResult walk = Walk(copy, ACE_OM_LIST, ACE_TEST, "", password);
    ExpectOnlyResultCodes(walk, name + " run " + std::to_string(run));
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, SlowCorruption, ::testing::ValuesIn(CorpusArchives()),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace unace::testing
