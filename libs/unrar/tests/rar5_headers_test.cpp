// The RAR5 block parser on hand-made blocks, each breaking one rule.
#include "rar5_headers.h"

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include "archive_crc.h"

namespace unrar {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes vint(uint64_t value) {
  Bytes out;
  do {
    out.push_back(uint8_t((value & 0x7F) | (value > 0x7F ? 0x80 : 0)));
    value >>= 7;
  } while (value);
  return out;
}

Bytes operator+(Bytes left, const Bytes& right) {
  left.insert(left.end(), right.begin(), right.end());
  return left;
}

Bytes text_bytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

Bytes u32_bytes(uint32_t value) {
  return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

// CRC32 and HEAD_SIZE in front of a header body (HEAD_TYPE to the end).
Bytes with_crc(const Bytes& body) {
  const Bytes sized = vint(body.size()) + body;
  return u32_bytes(crc32_continue(0, sized.data(), sized.size())) + sized;
}

Bytes extra_record(uint64_t type, const Bytes& payload) {
  const Bytes typed = vint(type) + payload;
  return vint(typed.size()) + typed;
}

struct FileFields {
  uint64_t blockType = 2;
  Bytes name = text_bytes("dir/file.txt");
  Bytes extras;
};

Bytes file_block(const FileFields& fields) {
  // A data area of 0 bytes, 1000 bytes unpacked, mode 0644, a CRC, stored, Unix.
  Bytes body = vint(fields.blockType) + vint(fields.extras.empty() ? 0x0002 : 0x0003);
  if (!fields.extras.empty()) body = body + vint(fields.extras.size());
  body = body + vint(0) + vint(0x0004) + vint(1000) + vint(0x1A4) + u32_bytes(0xCAFEF00D) +
         vint(0) + vint(1) + vint(fields.name.size()) + fields.name;
  return with_crc(body + fields.extras);
}

Rar5ParseResult parse(const Bytes& bytes, Rar5Block& block) {
  size_t headerBytes = 0;
  const Rar5ParseResult result = parse_rar5_block(bytes.data(), bytes.size(), block, headerBytes);
  if (result == Rar5ParseResult::ok) {
    EXPECT_EQ(headerBytes, bytes.size());
  }
  return result;
}

Rar5ParseResult parse(const Bytes& bytes) {
  Rar5Block block;
  return parse(bytes, block);
}

Bytes sha256_prefix(const std::array<uint8_t, 8>& check) {
  uint8_t digest[SHA256_DIGEST_LENGTH];
  SHA256(check.data(), check.size(), digest);
  return Bytes(digest, digest + 4);
}

Bytes encryption_payload(int lg2Count, const std::array<uint8_t, 8>& check, bool checkSumValid) {
  Bytes sum = sha256_prefix(check);
  if (!checkSumValid) sum[0] ^= 0xFF;
  return vint(0) + vint(0x0003) + Bytes{uint8_t(lg2Count)} + Bytes(16, 0x5A) + Bytes(16, 0xA5) +
         Bytes(check.begin(), check.end()) + sum;
}

TEST(Rar5HeadersBlocks, MalformedHeadersAreRejected) {
  const auto named = [](Bytes name) {
    FileFields fields;
    fields.name = std::move(name);
    return file_block(fields);
  };
  // A body whose name length says more than the header holds.
  const Bytes longName = with_crc(vint(2) + vint(0) + vint(0) + vint(10) + vint(0) + vint(0) +
                                  vint(1) + vint(1000) + text_bytes("short"));
  const Bytes hugeName = with_crc(vint(2) + vint(0) + vint(0) + vint(10) + vint(0) + vint(0) +
                                  vint(1) + vint(uint64_t(1) << 40) + text_bytes("x"));
  const Bytes extraAsBigAsHeader = with_crc(vint(1) + vint(0x0001) + vint(4) + vint(0));
  const Bytes fourByteHeadSize = u32_bytes(0) + Bytes{0x83, 0x80, 0x80, 0x00};
  const Bytes cutMainHeader = with_crc(vint(1) + vint(0) + vint(0x0002));  // no volume number
  struct Case {
    const char* label;
    Bytes bytes;
  } const cases[] = {
      {"name length past the header", longName},
      {"absurd name length", hugeName},
      {"empty name", named({})},
      {"NUL in the name", named(text_bytes("a") + Bytes{0} + text_bytes("b"))},
      {"extra area as big as the header", extraAsBigAsHeader},
      {"HEAD_SIZE longer than 3 bytes", fourByteHeadSize},
      {"main header without its volume number", cutMainHeader},
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.bytes), Rar5ParseResult::bad_header) << c.label;
}

TEST(Rar5HeadersBlocks, EncryptionRecord) {
  const std::array<uint8_t, 8> check = {1, 2, 3, 4, 5, 6, 7, 8};
  const std::array<uint8_t, 8> zeroCheck{};
  struct Case {
    const char* label;
    uint64_t blockType;
    Bytes record;
    Rar5ParseResult result;
    bool checkKept;
  };
  const Case cases[] = {
      {"valid", 2, extra_record(1, encryption_payload(15, check, true)), Rar5ParseResult::ok, true},
      {"damaged check sum", 2, extra_record(1, encryption_payload(15, check, false)),
       Rar5ParseResult::ok, false},
      {"all-zero check of a service header", 3,
       extra_record(1, encryption_payload(15, zeroCheck, true)), Rar5ParseResult::ok, false},
      {"2^25 iterations", 2, extra_record(1, encryption_payload(25, check, true)),
       Rar5ParseResult::bad_header, false},
      {"record cut inside the salt", 2, extra_record(1, vint(0) + vint(0) + Bytes{15, 1, 2}),
       Rar5ParseResult::bad_header, false},
  };
  for (const Case& c : cases) {
    FileFields fields;
    fields.blockType = c.blockType;
    fields.extras = c.record;
    Rar5Block block;
    ASSERT_EQ(parse(file_block(fields), block), c.result) << c.label;
    if (c.result != Rar5ParseResult::ok) continue;
    ASSERT_TRUE(block.file.encryption) << c.label;
    const Rar5FileEncryption& encryption = *block.file.encryption;
    EXPECT_EQ(encryption.lg2Count, 15);
    EXPECT_TRUE(encryption.macChecksums);
    EXPECT_EQ(encryption.salt[0], 0x5A);
    EXPECT_EQ(encryption.iv[15], 0xA5);
    EXPECT_EQ(encryption.passwordCheck.has_value(), c.checkKept) << c.label;
  }
}

TEST(Rar5HeadersBlocks, ExtraRecordsSkippedClampedOrRead) {
  const Bytes digest(32, 0x42);
  FileFields fields;
  fields.extras = extra_record(0x99, Bytes(5, 0xEE)) +         // unknown: skipped
                  extra_record(0x02, vint(0) + digest) +       // BLAKE2sp
                  extra_record(0x02, vint(7) + Bytes(3, 0)) +  // other hash: ignored
                  extra_record(0x04, vint(0) + vint(3)) +      // file version 3
                  extra_record(0x05, vint(4) + vint(1) + vint(3) + text_bytes("abc")) +
                  extra_record(0x06, vint(0x05) + vint(200) + text_bytes("root"));
  Rar5Block block;
  ASSERT_EQ(parse(file_block(fields), block), Rar5ParseResult::ok);
  const Rar5FileHeader& file = block.file;
  ASSERT_TRUE(file.blake2);
  EXPECT_EQ(Bytes(file.blake2->begin(), file.blake2->end()), digest);
  EXPECT_EQ(file.name, "dir/file.txt;3");
  ASSERT_TRUE(file.redirection);
  EXPECT_EQ(file.redirection->type, uint64_t(Rar5RedirectionType::hard_link));
  EXPECT_TRUE(file.redirection->targetIsDirectory);
  EXPECT_EQ(file.redirection->target, "abc");
  // The user name claims 200 bytes: cut at the record's end, no uid left to read.
  ASSERT_TRUE(file.owner);
  EXPECT_EQ(file.owner->userName, "root");
  EXPECT_FALSE(file.owner->uid);

  FileFields pastArea;
  pastArea.extras = extra_record(0x02, vint(0) + digest);
  pastArea.extras[0] += 5;  // the record claims more than the area holds: parsing stops there
  ASSERT_EQ(parse(file_block(pastArea), block), Rar5ParseResult::ok);
  EXPECT_FALSE(block.file.blake2);

  FileFields cutTarget;
  cutTarget.extras = extra_record(0x05, vint(1) + vint(0) + vint(10) + text_bytes("abc"));
  EXPECT_EQ(parse(file_block(cutTarget)), Rar5ParseResult::bad_header);
}

TEST(Rar5HeadersBlocks, TimeRecordFormats) {
  struct Case {
    const char* label;
    Bytes payload;
    int64_t seconds;
    uint32_t nanoseconds;
    bool created;
  };
  const Case cases[] = {
      // 1601-01-01 + 1 s + 100 ns, long before 1970.
      {"FILETIME before 1970", vint(0x02) + Bytes{0x81, 0x96, 0x98, 0, 0, 0, 0, 0}, -11644473599,
       100, false},
      {"Unix seconds with nanoseconds",
       vint(0x17) + u32_bytes(1000) + u32_bytes(2000) + u32_bytes(0x40000000 | 5) + u32_bytes(7),
       1000, 5, true},
      {"nanoseconds out of range ignored", vint(0x13) + u32_bytes(1000) + u32_bytes(1000000000),
       1000, 0, false},
  };
  for (const Case& c : cases) {
    FileFields fields;
    fields.extras = extra_record(0x03, c.payload);
    Rar5Block block;
    ASSERT_EQ(parse(file_block(fields), block), Rar5ParseResult::ok) << c.label;
    ASSERT_TRUE(block.file.modified) << c.label;
    EXPECT_EQ(block.file.modified->unixSeconds, c.seconds) << c.label;
    EXPECT_EQ(block.file.modified->nanoseconds, c.nanoseconds) << c.label;
    EXPECT_EQ(block.file.created.has_value(), c.created) << c.label;
  }
  FileFields cut;
  cut.extras = extra_record(0x03, vint(0x03) + Bytes{1, 2, 3});
  EXPECT_EQ(parse(file_block(cut)), Rar5ParseResult::bad_header);
}

}  // namespace
}  // namespace unrar
