// What the archive layer says about each entry beyond what the corpus shows: names,
// times, links, entries it must not decode, and archives it refuses.
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

std::vector<unsigned char> unicode_path(const std::string& header_name, const std::string& utf8) {
  std::vector<unsigned char> data = {1};
  put_le(data, crc_of(text_bytes(header_name)), 4);
  data.insert(data.end(), utf8.begin(), utf8.end());
  return data;
}

class EntryFields : public ::testing::Test {
 protected:
  std::unique_ptr<ZipArchive> open_raw(const std::vector<RawEntry>& entries,
                                       const std::string& comment = {}) {
    write_raw_zip(dir_ / "raw.zip", entries, comment);
    OpenResult result;
    return open_ok(dir_ / "raw.zip", result);
  }
  static RawEntry with(const std::string& name, uint16_t method, uint16_t flags,
                       std::vector<unsigned char> extra = {}) {
    RawEntry entry = stored_entry(name, sample_bytes(40));
    entry.method = method;
    entry.flags = flags;
    entry.extra = std::move(extra);
    return entry;
  }

  TempDir dir_;
};

// The corpus has flagged UTF-8, code page 437 and a matching Unicode Path field.
TEST_F(EntryFields, NamesBecomeUtf8) {
  const std::pair<RawEntry, std::string> rows[] = {
      {with("\xc3\xa9", 0, 0), "├⌐"},  // UTF-8 bytes without the flag are code page 437
      {with("renamed.txt", 0, 0, extra_field(0x7075, unicode_path("x.txt", "Ωmega.txt"))),
       "renamed.txt"},  // a Unicode Path field left from before a rename
      {with("dir\\file.txt", 0, 0), "dir\\file.txt"},
  };
  for (const auto& [entry, expected] : rows) {
    auto archive = open_raw({entry});
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->entries().at(0).name, expected);
  }
}

TEST_F(EntryFields, UnixTimesFromExtraFields) {
  const uint32_t when = 1700000000;
  std::vector<unsigned char> ut = {1}, unix_fields;
  put_le(ut, when, 4);
  put_le(unix_fields, 12345, 4);  // the access time comes first
  put_le(unix_fields, when, 4);
  for (const auto& extra : {extra_field(0x5455, ut), extra_field(0x5855, unix_fields),
                            extra_field(0x000d, unix_fields)}) {
    auto archive = open_raw({with("t.txt", 0, 0, extra)});
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->entries().at(0).unix_mtime, std::optional<std::time_t>(when));
  }
}

TEST_F(EntryFields, LinksOnlyFromUnixHosts) {
  RawEntry link = stored_entry("link", text_bytes("target"));
  link.version_made_by = 0x031E;
  link.external_attributes = 0120777u << 16;
  RawEntry fat = link;
  fat.name = "fat";
  fat.version_made_by = 0x0014;
  auto archive = open_raw({link, fat});
  ASSERT_TRUE(archive);
  EXPECT_TRUE(archive->entries().at(0).is_symlink);
  EXPECT_FALSE(archive->entries().at(1).is_symlink);
}

// Unknown methods are reported through the call (WizFlow).
TEST_F(EntryFields, StrongEncryptionAndAesOverPpmdAreNotDecoded) {
  const std::vector<unsigned char> aes_field = {2, 0, 'A', 'E', 3, 8, 0};
  auto archive = open_raw({
      with("strong", 8, 1 | (1 << 6)),
      with("aes over ppmd", 99, 1, extra_field(0x9901, {2, 0, 'A', 'E', 3, 98, 0})),
      with("aes", 99, 1, extra_field(0x9901, aes_field)),
  });
  ASSERT_TRUE(archive);
  const auto& entries = archive->entries();
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(entries.at(i).name);
    EXPECT_FALSE(archive->can_decode(entries[i]));
    EXPECT_EQ(decode(*archive, entries[i], "pw").open_status, ReadStatus::Unsupported);
  }
  const EntryInfo& aes = entries.at(2);
  EXPECT_TRUE(archive->can_decode(aes));
  EXPECT_EQ(aes.real_method, 8);
  // Random bytes in place of salt and verifier: refused as a wrong password.
  EXPECT_EQ(decode(*archive, aes, "pw").open_status, ReadStatus::WrongPassword);

  RawEntry tiny = with("tiny", 99, 1, extra_field(0x9901, aes_field));
  tiny.stored.resize(27);  // one byte short of salt, verifier and code of AES-256
  archive = open_raw({tiny});
  ASSERT_TRUE(archive);
  EXPECT_EQ(decode(*archive, archive->entries().at(0), "pw").open_status, ReadStatus::InvalidData);
}

// libzip refuses these as a whole, so they never reach the name or cipher rules.
TEST_F(EntryFields, ArchivesRefusedAsDamaged) {
  const RawEntry rows[] = {
      with("\x81.txt", 0, 1 << 11),  // flagged UTF-8 but not UTF-8
      with("aes", 99, 1),            // AES without its field
      with("aes", 99, 1, extra_field(0x9901, {2, 0, 'X', 'X', 3, 8, 0})),
  };
  for (const RawEntry& entry : rows) {
    SCOPED_TRACE(entry.extra.size());
    write_raw_zip(dir_ / "raw.zip", {entry});
    OpenResult result;
    EXPECT_EQ(ZipArchive::open((dir_ / "raw.zip").string(), result), nullptr);
    EXPECT_EQ(result.status, OpenStatus::Damaged);
  }
}

TEST_F(EntryFields, ArchiveCommentIsUtf8) {
  const RawEntry entry = stored_entry("a", text_bytes("a"));
  EXPECT_EQ(open_raw({entry}, "caf\xc3\xa9")->comment(), "café");
  EXPECT_EQ(open_raw({entry}, "\x9c 5 \x81")->comment(), "£ 5 ü");
}

}  // namespace
}  // namespace unzip::test
