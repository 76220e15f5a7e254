// The RAR5 block parser on the corpus's archives (walked block after block) and on
// hand-made blocks that each break one rule.
#include "rar5_headers.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "archive_crc.h"

namespace unrar {
namespace {

using Bytes = std::vector<uint8_t>;

const std::filesystem::path kRarCorpus = std::filesystem::path(TESSALY_CORPUS_DIR) / "rar";

Bytes read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  Bytes bytes(std::filesystem::file_size(path));
  in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
  return bytes;
}

// Offset of the first block, after the signature (searched for in SFX files).
std::optional<size_t> first_block_offset(const Bytes& archive) {
  auto hit =
      std::search(archive.begin(), archive.end(), kRar5Signature.begin(), kRar5Signature.end());
  if (hit == archive.end()) return std::nullopt;
  return size_t(hit - archive.begin()) + kRar5Signature.size();
}

struct Walk {
  std::vector<Rar5Block> blocks;
  Rar5ParseResult last = Rar5ParseResult::ok;
  bool reachedEnd = false;
};

// Parses block after block until the end block, an error, or an encryption header
// (what follows it needs the password).
Walk walk_archive(const Bytes& archive) {
  Walk walk;
  std::optional<size_t> offset = first_block_offset(archive);
  if (!offset) {
    walk.last = Rar5ParseResult::bad_header;
    return walk;
  }
  while (*offset < archive.size()) {
    // The archive's buffer ends where the bytes given end, so ASan sees any read
    // past them.
    Rar5Block block;
    size_t headerBytes = 0;
    walk.last =
        parse_rar5_block(archive.data() + *offset, archive.size() - *offset, block, headerBytes);
    if (walk.last != Rar5ParseResult::ok) return walk;
    walk.blocks.push_back(block);
    if (block.type == Rar5BlockType::end) {
      walk.reachedEnd = true;
      return walk;
    }
    if (block.type == Rar5BlockType::encryption) return walk;
    if (block.dataSize > archive.size()) return walk;
    *offset += headerBytes + block.dataSize;
  }
  walk.last = Rar5ParseResult::need_more;
  return walk;
}

std::vector<Rar5FileHeader> files_of(const Walk& walk) {
  std::vector<Rar5FileHeader> files;
  for (const Rar5Block& block : walk.blocks)
    if (block.type == Rar5BlockType::file) files.push_back(block.file);
  return files;
}

struct ExpectedRow {
  std::string outcome, type, path, size;
};

// expected.tsv rows of every RAR5 case, by first volume; the "part" rows list the
// volumes.
std::map<std::string, std::vector<ExpectedRow>> rar5_expectations() {
  std::map<std::string, std::vector<ExpectedRow>> byArchive;
  std::map<std::string, bool> isRar5;
  std::ifstream in(kRarCorpus / "expected.tsv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::vector<std::string> columns;
    std::stringstream fields(line);
    for (std::string column; std::getline(fields, column, '\t');) columns.push_back(column);
    if (columns.size() < 6) continue;
    if (!isRar5.count(columns[0]))
      isRar5[columns[0]] = first_block_offset(read_file(kRarCorpus / columns[0])).has_value();
    if (!isRar5[columns[0]]) continue;
    byArchive[columns[0]].push_back({columns[2], columns[3], columns[4], columns[5]});
  }
  return byArchive;
}

TEST(Rar5HeadersCorpus, EveryArchiveListsItsExpectedEntries) {
  const auto expectations = rar5_expectations();
  ASSERT_GE(expectations.size(), 40u);
  int checkedEntries = 0;
  for (const auto& [archive, rows] : expectations) {
    SCOPED_TRACE(archive);
    const bool damaged = std::any_of(
        rows.begin(), rows.end(), [](const ExpectedRow& row) { return row.outcome == "damaged"; });
    std::map<std::string, Rar5FileHeader> headers;
    bool encryptedHeaders = false;
    for (const ExpectedRow& row : rows) {
      if (row.type != "part") continue;
      const Walk walk = walk_archive(read_file(kRarCorpus / row.path));
      if (!walk.blocks.empty() && walk.blocks.front().type == Rar5BlockType::encryption) {
        encryptedHeaders = true;
        continue;
      }
      if (damaged) continue;
      // This one ends in five stray bytes instead of an end block; its entry is whole.
      if (row.path != "test_read_format_rar5_owner_name_toolong.rar") {
        EXPECT_TRUE(walk.reachedEnd) << row.path << " stopped with " << int(walk.last);
      }
      for (const Rar5FileHeader& file : files_of(walk)) headers[file.name] = file;
    }
    if (damaged || encryptedHeaders) continue;
    for (const ExpectedRow& row : rows) {
      const auto found = headers.find(row.path);
      if (row.type == "dir") {
        if (found != headers.end()) {
          EXPECT_TRUE(found->second.directory) << row.path;
        }
        continue;
      }
      if (row.type != "file" && row.type != "link") continue;
      ASSERT_NE(found, headers.end()) << row.path;
      EXPECT_FALSE(found->second.directory) << row.path;
      if (row.type == "link") {
        ASSERT_TRUE(found->second.redirection) << row.path;
        EXPECT_EQ(std::to_string(found->second.redirection->target.size()), row.size);
      } else {
        EXPECT_EQ(std::to_string(found->second.unpackedSize), row.size) << row.path;
      }
      ++checkedEntries;
    }
  }
  EXPECT_GE(checkedEntries, 60);
}

TEST(Rar5HeadersCorpus, VolumesCarrySplitFlagsAndNumbers) {
  struct Part {
    const char* name;
    std::optional<uint64_t> volumeNumber;
    bool splitBefore, splitAfter, moreVolumes;
  };
  const Part parts[] = {{"rar5-vols.part1.rar", std::nullopt, false, true, true},
                        {"rar5-vols.part2.rar", 1, true, true, true},
                        {"rar5-vols.part3.rar", 2, true, false, false}};
  for (const Part& part : parts) {
    SCOPED_TRACE(part.name);
    const Walk walk = walk_archive(read_file(kRarCorpus / part.name));
    ASSERT_TRUE(walk.reachedEnd);
    ASSERT_EQ(walk.blocks.front().type, Rar5BlockType::main);
    EXPECT_TRUE(walk.blocks.front().main.volume);
    EXPECT_EQ(walk.blocks.front().main.volumeNumber, part.volumeNumber);
    EXPECT_EQ(walk.blocks.back().end.moreVolumes, part.moreVolumes);
    const auto files = files_of(walk);
    const auto big = std::find_if(files.begin(), files.end(), [](const Rar5FileHeader& file) {
      return file.name == "vols/bigfile.txt";
    });
    ASSERT_NE(big, files.end());
    EXPECT_EQ(big->splitBefore, part.splitBefore);
    EXPECT_EQ(big->splitAfter, part.splitAfter);
    EXPECT_EQ(big->unpackedSize, 205000u);
  }
}

TEST(Rar5HeadersCorpus, SymbolicLinksAndFineTimes) {
  const auto files = files_of(walk_archive(read_file(kRarCorpus / "rar5-symlink-unix.rar")));
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].name, "data_link");
  ASSERT_TRUE(files[0].redirection);
  EXPECT_EQ(files[0].redirection->type, uint64_t(Rar5RedirectionType::unix_symlink));
  EXPECT_EQ(files[0].redirection->target, "data.txt");
  EXPECT_FALSE(files[0].redirection->targetIsDirectory);
  ASSERT_TRUE(files[0].modified);
  EXPECT_EQ(files[0].modified->unixSeconds, 1595794438);
  EXPECT_EQ(files[0].modified->nanoseconds, 125453113u);
  EXPECT_EQ(files[0].hostOs, 1u);
  EXPECT_FALSE(files[1].redirection);
  ASSERT_TRUE(files[2].redirection);
  EXPECT_EQ(files[2].redirection->target, "../random123");
}

TEST(Rar5HeadersCorpus, WindowsFiletimeBecomesUnixTime) {
  const auto files = files_of(walk_archive(read_file(kRarCorpus / "rar5-times2.rar")));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].name, "afile.txt");
  ASSERT_TRUE(files[0].modified);
  EXPECT_EQ(files[0].modified->unixSeconds, 1305052127);  // 2011-05-10 18:28:47 UTC
  EXPECT_EQ(files[0].modified->nanoseconds, 899345100u);
  EXPECT_FALSE(files[0].created);
  EXPECT_FALSE(files[0].accessed);
}

TEST(Rar5HeadersCorpus, DictionaryAndChecksumsOfCompressedEntries) {
  const auto files =
      files_of(walk_archive(read_file(kRarCorpus / "test_read_format_rar5_blake2.rar")));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(files[0].blake2);
  EXPECT_FALSE(files[0].crc32);
  EXPECT_GE(files[0].dictionarySize, 128u * 1024);
  EXPECT_EQ(files[0].dictionarySize & (files[0].dictionarySize - 1), 0u);
  EXPECT_EQ(files[0].algorithmVersion(), 0);
}

Bytes aes256_cbc_decrypt(const Bytes& key, const uint8_t* iv, const uint8_t* data, size_t size) {
  Bytes plain(size + 16);
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  int written = 0, finalBytes = 0;
  EVP_DecryptInit_ex(context, EVP_aes_256_cbc(), nullptr, key.data(), iv);
  EVP_CIPHER_CTX_set_padding(context, 0);
  EVP_DecryptUpdate(context, plain.data(), &written, data, int(size));
  EVP_DecryptFinal_ex(context, plain.data() + written, &finalBytes);
  EVP_CIPHER_CTX_free(context);
  plain.resize(size);
  return plain;
}

// The encrypted headers of rar5-hpsw.rar, decrypted with libcrypto directly: the
// sizing helper must say where each header ends and the next block starts.
TEST(Rar5HeadersCorpus, EncryptedHeadersAreSizedAndParsedAfterDecryption) {
  const Bytes archive = read_file(kRarCorpus / "rar5-hpsw.rar");
  const Walk plain = walk_archive(archive);
  ASSERT_EQ(plain.blocks.size(), 1u);
  const Rar5EncryptionHeader& encryption = plain.blocks[0].encryption;
  EXPECT_EQ(encryption.version, 0u);
  EXPECT_TRUE(encryption.passwordCheck);

  const std::string password = "password";
  Bytes key(32);
  PKCS5_PBKDF2_HMAC(password.data(), int(password.size()), encryption.salt.data(),
                    int(encryption.salt.size()), 1 << encryption.lg2Count, EVP_sha256(),
                    int(key.size()), key.data());
  size_t offset = *first_block_offset(archive);
  Rar5Block block;
  size_t headerBytes = 0;
  ASSERT_EQ(parse_rar5_block(archive.data() + offset, archive.size() - offset, block, headerBytes),
            Rar5ParseResult::ok);
  offset += headerBytes;
  std::vector<std::string> names;
  bool reachedEnd = false;
  while (!reachedEnd && offset + kRar5HeaderIvBytes + kRar5AesBlockBytes <= archive.size()) {
    const uint8_t* iv = archive.data() + offset;
    const uint8_t* encrypted = iv + kRar5HeaderIvBytes;
    const Bytes first = aes256_cbc_decrypt(key, iv, encrypted, kRar5AesBlockBytes);
    size_t encryptedBytes = 0;
    ASSERT_TRUE(rar5_encrypted_header_bytes(first.data(), encryptedBytes));
    ASSERT_EQ(encryptedBytes % kRar5AesBlockBytes, 0u);
    ASSERT_LE(offset + kRar5HeaderIvBytes + encryptedBytes, archive.size());
    const Bytes header = aes256_cbc_decrypt(key, iv, encrypted, encryptedBytes);
    ASSERT_EQ(parse_rar5_block(header.data(), header.size(), block, headerBytes),
              Rar5ParseResult::ok);
    EXPECT_EQ(rar5_padded_size(headerBytes), encryptedBytes);
    if (block.type == Rar5BlockType::file) names.push_back(block.file.name);
    reachedEnd = block.type == Rar5BlockType::end;
    offset += kRar5HeaderIvBytes + encryptedBytes + block.dataSize;
  }
  EXPECT_TRUE(reachedEnd);
  EXPECT_EQ(offset, archive.size());
  EXPECT_EQ(names, (std::vector<std::string>{"stest1.txt", "stest2.txt"}));
}

// Hand-made blocks.

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
  uint64_t blockFlags = 0;
  uint64_t dataSize = 0;
  uint64_t fileFlags = 0x0004;
  uint64_t unpackedSize = 1000;
  uint64_t compressionInfo = 0;
  Bytes name = text_bytes("dir/file.txt");
  Bytes extras;
};

Bytes file_block(const FileFields& fields) {
  uint64_t flags = fields.blockFlags | 0x0002;
  if (!fields.extras.empty()) flags |= 0x0001;
  Bytes body = vint(fields.blockType) + vint(flags);
  if (!fields.extras.empty()) body = body + vint(fields.extras.size());
  body = body + vint(fields.dataSize) + vint(fields.fileFlags) + vint(fields.unpackedSize) +
         vint(0x1A4);
  if (fields.fileFlags & 0x0002) body = body + u32_bytes(1600000000);
  if (fields.fileFlags & 0x0004) body = body + u32_bytes(0xCAFEF00D);
  body = body + vint(fields.compressionInfo) + vint(1) + vint(fields.name.size()) + fields.name;
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

TEST(Rar5HeadersVint, ReadsUpToTenBytesAndNoFurther) {
  struct Case {
    Bytes bytes;
    bool ok;
    uint64_t value;
  };
  const Case cases[] = {
      {{0x8F, 0x4E}, true, 9999},
      {{0x00}, true, 0},
      {Bytes(9, 0xFF) + Bytes{0x01}, true, UINT64_MAX},
      {Bytes(9, 0xFF) + Bytes{0x02}, false, 0},   // bit 64
      {Bytes(10, 0x80) + Bytes{0x00}, false, 0},  // eleven bytes
      {{0x80, 0x80}, false, 0},                   // cut short
      {{}, false, 0},
  };
  for (const Case& c : cases) {
    const Bytes copy = c.bytes;  // exact size for ASan
    const uint8_t* p = copy.data();
    uint64_t value = 0;
    EXPECT_EQ(read_vint(p, copy.data() + copy.size(), value), c.ok) << testing::PrintToString(copy);
    if (c.ok) {
      EXPECT_EQ(value, c.value);
      EXPECT_EQ(p, copy.data() + copy.size());
    } else {
      EXPECT_EQ(p, copy.data());
    }
  }
}

TEST(Rar5HeadersBlocks, FileHeaderFieldsAndCompressionInfo) {
  FileFields fields;
  fields.fileFlags = 0x0002 | 0x0004;
  fields.dataSize = 777;
  fields.blockFlags = kRar5BlockSplitAfter;
  fields.compressionInfo = 0x40 | (3 << 7) | (5 << 10);  // solid, method 3, 4 MiB
  Rar5Block block;
  ASSERT_EQ(parse(file_block(fields), block), Rar5ParseResult::ok);
  EXPECT_EQ(block.type, Rar5BlockType::file);
  EXPECT_EQ(block.dataSize, 777u);
  const Rar5FileHeader& file = block.file;
  EXPECT_EQ(file.name, "dir/file.txt");
  EXPECT_EQ(file.unpackedSize, 1000u);
  EXPECT_EQ(file.attributes, 0x1A4u);
  EXPECT_EQ(file.mtime, 1600000000u);
  EXPECT_EQ(file.crc32, 0xCAFEF00Du);
  EXPECT_EQ(file.hostOs, 1u);
  EXPECT_TRUE(file.solid);
  EXPECT_EQ(file.method, 3);
  EXPECT_EQ(file.dictionarySize, 4u << 20);
  EXPECT_FALSE(file.splitBefore);
  EXPECT_TRUE(file.splitAfter);
  EXPECT_FALSE(file.directory);
}

TEST(Rar5HeadersBlocks, DictionarySizeByVersion) {
  struct Case {
    const char* label;
    uint64_t compressionInfo, fileFlags, expected;
    int algorithm;
  };
  const uint64_t MiB = 1 << 20;
  const Case cases[] = {
      {"v0 smallest", 0, 0, 128 * 1024, 0},
      {"v0 largest", 15 << 10, 0, uint64_t(4096) * MiB, 0},
      {"v1 with fraction", 1 | (3 << 10) | (8 << 15), 0, MiB + MiB / 32 * 8, 1},
      {"v1 RAR5-compatible", 1 | (1 << 10) | 0x100000, 0, 256 * 1024, 0},
      {"v1 beyond 4 GiB", 1 | (20 << 10), 0, uint64_t(128) * 1024 << 20, 1},
      {"directory", 5 << 10, 0x0001, 0, 0},
      {"unknown version", 2 | (5 << 10), 0, 0, 2},
  };
  for (const Case& c : cases) {
    FileFields fields;
    fields.compressionInfo = c.compressionInfo;
    fields.fileFlags = c.fileFlags;
    Rar5Block block;
    ASSERT_EQ(parse(file_block(fields), block), Rar5ParseResult::ok) << c.label;
    EXPECT_EQ(block.file.dictionarySize, c.expected) << c.label;
    EXPECT_EQ(block.file.algorithmVersion(), c.algorithm) << c.label;
  }
}

TEST(Rar5HeadersBlocks, EveryCutOfAHeaderAsksForMore) {
  FileFields fields;
  fields.extras = extra_record(0x03, vint(0x02) + Bytes(8, 0x11));
  const Bytes whole = file_block(fields);
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    const Bytes part(whole.begin(), whole.begin() + cut);  // exact size for ASan
    Rar5Block block;
    size_t headerBytes = 0;
    EXPECT_EQ(parse_rar5_block(part.data(), part.size(), block, headerBytes),
              Rar5ParseResult::need_more)
        << cut;
    EXPECT_GT(headerBytes, cut);
    EXPECT_LE(headerBytes, whole.size());
  }
}

TEST(Rar5HeadersBlocks, AnyChangedByteFailsTheCrc) {
  const Bytes whole = file_block(FileFields{});
  const size_t sizeFieldEnd = 4 + vint(whole.size()).size();
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i >= 4 && i < sizeFieldEnd) continue;  // changing the size changes the block's extent
    Bytes damaged = whole;
    damaged[i] ^= 0x20;
    EXPECT_EQ(parse(damaged), Rar5ParseResult::bad_crc) << i;
  }
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
  const Bytes elevenByteVint =
      with_crc(vint(2) + vint(0) + vint(0) + Bytes(10, 0xFF) + Bytes{0x01} + Bytes(8, 0));
  const Bytes extraAsBigAsHeader = with_crc(vint(1) + vint(0x0001) + vint(4) + vint(0));
  const Bytes fourByteHeadSize = u32_bytes(0) + Bytes{0x83, 0x80, 0x80, 0x00};
  const Bytes tinyHeader = with_crc(vint(5));
  const Bytes cutMainHeader = with_crc(vint(1) + vint(0) + vint(0x0002));  // no volume number
  struct Case {
    const char* label;
    Bytes bytes;
  } const cases[] = {
      {"name length past the header", longName},
      {"absurd name length", hugeName},
      {"empty name", named({})},
      {"NUL in the name", named(text_bytes("a") + Bytes{0} + text_bytes("b"))},
      {"eleven-byte vint", elevenByteVint},
      {"extra area as big as the header", extraAsBigAsHeader},
      {"HEAD_SIZE longer than 3 bytes", fourByteHeadSize},
      {"no room for type and flags", tinyHeader},
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
      {"all-zero check of a file header", 2,
       extra_record(1, encryption_payload(15, zeroCheck, true)), Rar5ParseResult::ok, true},
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

TEST(Rar5HeadersBlocks, MainEndEncryptionAndUnknownBlocks) {
  Rar5Block block;
  ASSERT_EQ(parse(with_crc(vint(1) + vint(0) + vint(0x001F) + vint(4)), block),
            Rar5ParseResult::ok);
  EXPECT_TRUE(block.main.volume && block.main.solid && block.main.recoveryRecord &&
              block.main.locked);
  EXPECT_EQ(block.main.volumeNumber, 4u);

  ASSERT_EQ(parse(with_crc(vint(5) + vint(0) + vint(1)), block), Rar5ParseResult::ok);
  EXPECT_TRUE(block.end.moreVolumes);

  const std::array<uint8_t, 8> check = {9, 8, 7, 6, 5, 4, 3, 2};
  const Bytes encryption = vint(4) + vint(0) + vint(0) + vint(1) + Bytes{18} + Bytes(16, 3) +
                           Bytes(check.begin(), check.end()) + sha256_prefix(check);
  ASSERT_EQ(parse(with_crc(encryption), block), Rar5ParseResult::ok);
  EXPECT_EQ(block.type, Rar5BlockType::encryption);
  EXPECT_EQ(block.encryption.lg2Count, 18);
  EXPECT_EQ(block.encryption.salt[15], 3);
  EXPECT_EQ(block.encryption.passwordCheck, check);

  ASSERT_EQ(parse(with_crc(vint(9) + vint(0x0006) + vint(123456) + Bytes{1, 2}), block),
            Rar5ParseResult::ok);
  EXPECT_EQ(block.type, Rar5BlockType::unknown);
  EXPECT_EQ(block.rawType, 9u);
  EXPECT_EQ(block.dataSize, 123456u);
}

TEST(Rar5HeadersBlocks, EncryptedHeaderSizeIsPaddedToWholeAesBlocks) {
  struct Case {
    uint64_t headSize;
    size_t encryptedBytes;
  };
  // CRC (4) + the size vint (1 byte; 2 from 128 on) + HEAD_SIZE, rounded up to 16.
  const Case cases[] = {{11, 16}, {12, 32}, {27, 32}, {200, 208}};
  for (const Case& c : cases) {
    const Bytes first = u32_bytes(0) + vint(c.headSize) + Bytes(16, 0);
    size_t encryptedBytes = 0;
    ASSERT_TRUE(rar5_encrypted_header_bytes(first.data(), encryptedBytes)) << c.headSize;
    EXPECT_EQ(encryptedBytes, c.encryptedBytes) << c.headSize;
  }
  const Bytes wrongKey = u32_bytes(0) + Bytes(12, 0xFF);  // garbage decrypts to a bad size
  size_t encryptedBytes = 0;
  EXPECT_FALSE(rar5_encrypted_header_bytes(wrongKey.data(), encryptedBytes));
}

// Every byte of the corpus's first file headers changed in turn, the CRC fixed so
// that the parser goes past it: each ends in a result, in bounds.
TEST(Rar5HeadersBlocks, MutatedCorpusHeadersEndInAResult) {
  for (const char* name : {"rar5-symlink-unix.rar", "test_read_format_rar5_blake2.rar",
                           "rar5-vols.part2.rar", "test_read_format_rar5_win32.rar"}) {
    const Bytes archive = read_file(kRarCorpus / name);
    const Walk walk = walk_archive(archive);
    ASSERT_GE(walk.blocks.size(), 2u) << name;
    // The main header of these archives is followed by the first file header.
    size_t offset = *first_block_offset(archive);
    Rar5Block block;
    size_t headerBytes = 0;
    ASSERT_EQ(
        parse_rar5_block(archive.data() + offset, archive.size() - offset, block, headerBytes),
        Rar5ParseResult::ok);
    offset += headerBytes + block.dataSize;
    ASSERT_EQ(
        parse_rar5_block(archive.data() + offset, archive.size() - offset, block, headerBytes),
        Rar5ParseResult::ok);
    const Bytes header(archive.begin() + offset, archive.begin() + offset + headerBytes);
    const size_t bodyStart = headerBytes - size_t(block.headerSize);
    for (size_t i = bodyStart; i < header.size(); ++i) {
      for (uint8_t change : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
        Bytes body(header.begin() + bodyStart, header.end());
        body[i - bodyStart] ^= change;
        const Bytes mutated = with_crc(body);
        Rar5Block parsed;
        size_t used = 0;
        const Rar5ParseResult result =
            parse_rar5_block(mutated.data(), mutated.size(), parsed, used);
        EXPECT_TRUE(result == Rar5ParseResult::ok || result == Rar5ParseResult::bad_header)
            << name << " byte " << i;
      }
    }
  }
}

}  // namespace
}  // namespace unrar
