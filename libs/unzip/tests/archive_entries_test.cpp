// What the archive layer says about each entry: names, times, links, methods.
#include <gtest/gtest.h>

#include "test_support.h"
#include "zip_crc32.h"

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
  std::unique_ptr<ZipArchive> open_raw(const std::vector<RawEntry>& entries) {
    write_raw_zip(dir_ / "raw.zip", entries);
    OpenResult result;
    return open_ok(dir_ / "raw.zip", result);
  }

  TempDir dir_;
};

struct NameCase {
  const char* label;
  std::string stored;
  uint16_t flags;
  std::vector<unsigned char> extra;
  std::string expected;
};

TEST_F(EntryFields, NamesBecomeUtf8) {
  const NameCase cases[] = {
      {"flagged UTF-8", "na\xc3\xafve/\xe6\x97\xa5.txt", 1 << 11, {}, "naïve/日.txt"},
      {"code page 437",
       "\x81"
       "ber\x9c.txt",
       0,
       {},
       "über£.txt"},
      {"UTF-8 bytes without the flag are code page 437", "\xc3\xa9", 0, {}, "├⌐"},
      {"Unicode Path field", "x.txt", 0, extra_field(0x7075, unicode_path("x.txt", "Ωmega.txt")),
       "Ωmega.txt"},
      {"stale Unicode Path field", "renamed.txt", 0,
       extra_field(0x7075, unicode_path("x.txt", "Ωmega.txt")), "renamed.txt"},
      {"backslash kept", "dir\\file.txt", 0, {}, "dir\\file.txt"},
  };
  for (const NameCase& row : cases) {
    SCOPED_TRACE(row.label);
    RawEntry entry = stored_entry(row.stored, text_bytes("x"));
    entry.flags = row.flags;
    entry.extra = row.extra;
    auto archive = open_raw({entry});
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->entries().at(0).name, row.expected);
  }
}

// libzip refuses such archives as a whole, so they never reach the name rules.
TEST_F(EntryFields, FlaggedNameThatIsNotUtf8IsDamage) {
  RawEntry entry = stored_entry("\x81.txt", text_bytes("x"));
  entry.flags = 1 << 11;
  write_raw_zip(dir_ / "raw.zip", {entry});
  OpenResult result;
  EXPECT_EQ(ZipArchive::open((dir_ / "raw.zip").string(), result), nullptr);
  EXPECT_EQ(result.status, OpenStatus::Damaged);
}

TEST_F(EntryFields, UnixTimesFromExtraFields) {
  const uint32_t when = 1700000000;
  std::vector<unsigned char> ut = {1};
  put_le(ut, when, 4);
  std::vector<unsigned char> unix_fields;
  put_le(unix_fields, 12345, 4);
  put_le(unix_fields, when, 4);

  const std::pair<const char*, std::vector<unsigned char>> cases[] = {
      {"extended timestamp", extra_field(0x5455, ut)},
      {"Info-ZIP Unix", extra_field(0x5855, unix_fields)},
      {"PKWARE Unix", extra_field(0x000d, unix_fields)},
  };
  for (const auto& [label, extra] : cases) {
    SCOPED_TRACE(label);
    RawEntry entry = stored_entry("t.txt", text_bytes("t"));
    entry.extra = extra;
    auto archive = open_raw({entry});
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

// The named unsupported methods are reported through the call (WizFlow).
TEST_F(EntryFields, UnsupportedMethodsAndCiphersAreNotDecoded) {
  auto with = [](const char* name, uint16_t method, uint16_t flags,
                 std::vector<unsigned char> extra = {}) {
    RawEntry entry = stored_entry(name, sample_bytes(40));
    entry.method = method;
    entry.flags = flags;
    entry.extra = std::move(extra);
    return entry;
  };
  const std::vector<unsigned char> aes_field = {2, 0, 'A', 'E', 3, 8, 0};
  auto archive = open_raw({
      with("unknown", 77, 0),
      with("strong", 8, 1 | (1 << 6)),
      with("aes over ppmd", 99, 1, extra_field(0x9901, {2, 0, 'A', 'E', 3, 98, 0})),
      with("aes", 99, 1, extra_field(0x9901, aes_field)),
  });
  ASSERT_TRUE(archive);
  const auto& entries = archive->entries();
  ASSERT_EQ(entries.size(), 4u);
  for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
    SCOPED_TRACE(entries[i].name);
    EXPECT_FALSE(archive->can_decode(entries[i]));
    EXPECT_EQ(decode(*archive, entries[i], "pw").open_status, ReadStatus::Unsupported);
  }
  const EntryInfo& aes = entries.back();
  EXPECT_TRUE(archive->can_decode(aes));
  EXPECT_EQ(aes.real_method, 8);
  EXPECT_EQ(aes.aes_strength, 3);
  EXPECT_EQ(aes.aes_version, 2);
  // Random bytes in place of salt and verifier: refused as a wrong password.
  EXPECT_EQ(decode(*archive, aes, "pw").open_status, ReadStatus::WrongPassword);

  RawEntry tiny = with("tiny", 99, 1, extra_field(0x9901, aes_field));
  tiny.stored.resize(27);  // one byte short of salt, verifier and code of AES-256
  archive = open_raw({tiny});
  ASSERT_TRUE(archive);
  EXPECT_EQ(decode(*archive, archive->entries().at(0), "pw").open_status, ReadStatus::InvalidData);
}

// libzip refuses method 99 without a usable 0x9901 field when opening.
TEST_F(EntryFields, AesEntryWithoutItsFieldIsDamage) {
  for (const std::vector<unsigned char>& extra :
       {std::vector<unsigned char>{}, extra_field(0x9901, {2, 0, 'X', 'X', 3, 8, 0})}) {
    RawEntry entry = stored_entry("aes", sample_bytes(40));
    entry.method = 99;
    entry.flags = 1;
    entry.extra = extra;
    write_raw_zip(dir_ / "raw.zip", {entry});
    OpenResult result;
    EXPECT_EQ(ZipArchive::open((dir_ / "raw.zip").string(), result), nullptr);
    EXPECT_EQ(result.status, OpenStatus::Damaged);
  }
}

TEST_F(EntryFields, ArchiveCommentIsUtf8) {
  write_raw_zip(dir_ / "utf8.zip", {stored_entry("a", text_bytes("a"))}, "caf\xc3\xa9");
  write_raw_zip(dir_ / "cp437.zip", {stored_entry("a", text_bytes("a"))}, "\x9c 5 \x81");
  OpenResult result;
  auto utf8 = open_ok(dir_ / "utf8.zip", result);
  auto cp437 = open_ok(dir_ / "cp437.zip", result);
  ASSERT_TRUE(utf8 && cp437);
  EXPECT_EQ(utf8->comment(), "café");
  EXPECT_EQ(cp437->comment(), "£ 5 ü");
}

}  // namespace
}  // namespace unzip::test
