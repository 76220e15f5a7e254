// What the archive layer says about each entry beyond what the corpus shows: times
// and the archive's comment.
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

class EntryFields : public ::testing::Test {
 protected:
  std::unique_ptr<ZipArchive> open_raw(const std::vector<RawEntry>& entries,
                                       const std::string& comment = {}) {
    write_raw_zip(dir_ / "raw.zip", entries, comment);
    OpenResult result;
    return open_ok(dir_ / "raw.zip", result);
  }

  TempDir dir_;
};

TEST_F(EntryFields, UnixTimesFromExtraFields) {
  const uint32_t when = 1700000000;
  std::vector<unsigned char> ut = {1}, unix_fields;
  put_le(ut, when, 4);
  put_le(unix_fields, 12345, 4);  // the access time comes first
  put_le(unix_fields, when, 4);
  for (const auto& extra : {extra_field(0x5455, ut), extra_field(0x5855, unix_fields),
                            extra_field(0x000d, unix_fields)}) {
    RawEntry entry = stored_entry("t.txt", sample_bytes(40));
    entry.extra = extra;
    auto archive = open_raw({entry});
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->entries().at(0).unix_mtime, std::optional<std::time_t>(when));
  }
}

TEST_F(EntryFields, ArchiveCommentIsUtf8) {
  const RawEntry entry = stored_entry("a", text_bytes("a"));
  EXPECT_EQ(open_raw({entry}, "caf\xc3\xa9")->comment(), "café");
  EXPECT_EQ(open_raw({entry}, "\x9c 5 \x81")->comment(), "£ 5 ü");
}

}  // namespace
}  // namespace unzip::test
