// The RAR ciphers and checksums against published vectors and the keys, check
// values and checksums stored in the corpus archives.
#include "rar_crypto.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace unrar {
namespace {

using ByteVector = std::vector<uint8_t>;

ByteVector from_hex(const std::string& hex) {
  ByteVector out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

template <typename Container>
std::string to_hex(const Container& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

ByteVector read_corpus(const std::string& name) {
  std::ifstream in(std::string(TESSALY_CORPUS_DIR) + "/rar/" + name, std::ios::binary);
  return ByteVector(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// A bounded reader over a RAR5 header: every read past the end fails the walk.
struct Cursor {
  const ByteVector& bytes;
  size_t pos;
  size_t end;
  bool ok = true;

  uint64_t vint() {
    uint64_t value = 0;
    for (int shift = 0; shift < 70 && ok; shift += 7) {
      if (pos >= end) break;
      const uint8_t b = bytes[pos++];
      value |= static_cast<uint64_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return value;
    }
    ok = false;
    return 0;
  }
  const uint8_t* take(size_t size) {
    if (!ok || end - pos < size) {
      ok = false;
      return nullptr;
    }
    pos += size;
    return bytes.data() + pos - size;
  }
};

// The RAR5 encryption record of a file header, or the archive encryption
// header: both carry the key derivation inputs in the same order.
struct Rar5CryptInfo {
  int lg2Count = 0;
  ByteVector salt;
  ByteVector iv;
  ByteVector check;
  ByteVector checkSum;
};

Rar5CryptInfo read_crypt_fields(Cursor& c, bool withIv) {
  Rar5CryptInfo info;
  c.vint();  // version
  const uint64_t flags = c.vint();
  const uint8_t* count = c.take(1);
  const uint8_t* salt = c.take(16);
  const uint8_t* iv = withIv ? c.take(16) : nullptr;
  const uint8_t* check = (flags & 1) ? c.take(8) : nullptr;
  const uint8_t* sum = (flags & 1) ? c.take(4) : nullptr;
  if (!c.ok) return info;
  info.lg2Count = *count;
  info.salt.assign(salt, salt + 16);
  if (iv) info.iv.assign(iv, iv + 16);
  if (check) info.check.assign(check, check + 8);
  if (sum) info.checkSum.assign(sum, sum + 4);
  return info;
}

struct Rar5FileHeader {
  std::string name;
  std::optional<uint32_t> dataCrc;
  std::optional<Rar5CryptInfo> crypt;
};

// Walks the plain blocks of a RAR5 archive and collects its file headers.
std::vector<Rar5FileHeader> rar5_file_headers(const ByteVector& archive) {
  std::vector<Rar5FileHeader> files;
  size_t pos = 8;
  while (pos + 4 < archive.size()) {
    Cursor c{archive, pos + 4, archive.size()};
    const uint64_t headSize = c.vint();
    if (!c.ok || headSize > archive.size() - c.pos) break;
    const size_t headerEnd = c.pos + headSize;
    if (crc32(archive.data() + pos + 4, headerEnd - pos - 4) != le32(archive.data() + pos)) break;
    c.end = headerEnd;
    const uint64_t type = c.vint();
    const uint64_t flags = c.vint();
    const uint64_t extraSize = (flags & 1) ? c.vint() : 0;
    const uint64_t dataSize = (flags & 2) ? c.vint() : 0;
    if (!c.ok || extraSize > headSize || type == 5) break;
    if (type == 2) {
      Rar5FileHeader file;
      const uint64_t fileFlags = c.vint();
      c.vint();  // unpacked size
      c.vint();  // attributes
      if (fileFlags & 2) c.take(4);
      if (fileFlags & 4) {
        const uint8_t* crc = c.take(4);
        if (crc) file.dataCrc = le32(crc);
      }
      c.vint();  // compression information
      c.vint();  // host system
      const uint64_t nameSize = c.vint();
      const uint8_t* name = c.take(nameSize);
      if (name) file.name.assign(reinterpret_cast<const char*>(name), nameSize);
      Cursor extra{archive, headerEnd - extraSize, headerEnd};
      while (extra.ok && extra.pos < headerEnd) {
        const uint64_t recordSize = extra.vint();
        const size_t recordStart = extra.pos;
        if (!extra.ok || recordSize > headerEnd - recordStart) break;
        Cursor record{archive, recordStart, recordStart + recordSize};
        if (record.vint() == 0x01) file.crypt = read_crypt_fields(record, true);
        extra.pos = recordStart + recordSize;
      }
      files.push_back(file);
    }
    if (dataSize > archive.size() - headerEnd) break;
    pos = headerEnd + dataSize;
  }
  return files;
}

const Rar5FileHeader* find_file(const std::vector<Rar5FileHeader>& files, const std::string& name) {
  for (const auto& f : files) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

ByteVector sha256(const ByteVector& data) {
  ByteVector out(32);
  unsigned int size = 0;
  EVP_Digest(data.data(), data.size(), out.data(), &size, EVP_sha256(), nullptr);
  return out;
}

std::string rar5_check(const std::string& password, const Rar5CryptInfo& info) {
  Rar5Keys keys{};
  if (!derive_rar5_keys(password, info.salt.data(), info.lg2Count, keys)) return "refused";
  return to_hex(keys.passwordCheck);
}

// --- BLAKE2sp --------------------------------------------------------------

std::string blake2sp_hex(const ByteVector& data, size_t piece) {
  Blake2sp hash;
  for (size_t i = 0; i < data.size(); i += piece) {
    hash.update(data.data() + i, std::min(piece, data.size() - i));
  }
  return to_hex(hash.final());
}

ByteVector counting_bytes(size_t size) {
  ByteVector out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(i);
  return out;
}

TEST(Blake2sp, MatchesTheReferenceUnkeyedVectorsAtBlockAndStripeEdges) {
  // Unkeyed "blake2sp" entries of testvectors/blake2-kat.json in the BLAKE2
  // reference repository (github.com/BLAKE2/BLAKE2): input bytes 00 01 02 ...
  const std::pair<size_t, const char*> vectors[] = {
      {0, "dd0e891776933f43c7d032b08a917e25741f8aa9a12c12e1cac8801500f2ca4f"},
      {1, "a6b9eecc25227ad788c99d3f236debc8da408849e9a5178978727a81457f7239"},
      {63, "1024c940be7341449b5010522b509f65bbdc1287b455c2bb7f72b2c92fd0d189"},
      {64, "52603b6cbfad4966cb044cb267568385cf35f21e6c45cf30aed19832cb51e9f5"},
      {65, "fff24d3cc729d395daf978b0157306cb495797e6c8dca1731d2f6f81b849baae"},
      {127, "a626543c271fccc3e4450b48d66bc9cbdeb25e5d077a6213cd90cbbd0fd22076"},
      {128, "05cf3a90049116dc60efc31536aaa3d167762994892876dcb7ef3fbecd7449c0"},
      {255, "25059f10605e67adfe681350666e15ae976a5a571c13cf5bc8053f430e120a52"},
  };
  for (const auto& [size, digest] : vectors) {
    const ByteVector input = counting_bytes(size);
    EXPECT_EQ(blake2sp_hex(input, input.size() + 1), digest) << size << " bytes in one piece";
    EXPECT_EQ(blake2sp_hex(input, 7), digest) << size << " bytes in pieces of 7";
  }
}

TEST(Blake2sp, MatchesVectorsOfOtherRarReadersOverSeveralStripes) {
  // markokr/rarfile test/test_crypto.py: 50 counting bytes, and 20 copies fed 3 at a time.
  const ByteVector once = counting_bytes(0x32);
  ByteVector twenty;
  for (int i = 0; i < 20; ++i) twenty.insert(twenty.end(), once.begin(), once.end());
  EXPECT_EQ(blake2sp_hex(once, 64),
            "270affa6426f1a515c9b76dfc27d181fc2fd57d082a3ba2c1eef071533a6dfb7");
  EXPECT_EQ(blake2sp_hex(twenty, 3),
            "24a78d92592d0761a3681f32935225ca55ffb8eb16b55ab9481c89c59a985ff3");
  EXPECT_EQ(blake2sp_hex(twenty, twenty.size()),
            "24a78d92592d0761a3681f32935225ca55ffb8eb16b55ab9481c89c59a985ff3");

  const std::string text = "The quick brown fox jumps over the lazy dog";
  EXPECT_EQ(blake2sp_hex(ByteVector(text.begin(), text.end()), 5),
            "cf192976714bb648e72b29fa90e6bf0fbc5bf2efe7d5c26ed8ff34e855368691");
  ByteVector fourRounds;
  for (int i = 0; i < 4; ++i) {
    const ByteVector round = counting_bytes(256);
    fourRounds.insert(fourRounds.end(), round.begin(), round.end());
  }
  EXPECT_EQ(blake2sp_hex(fourRounds, 512),
            "c9f79171d19c3703b7ebf9f762ce3fd24b302e2281f72da31a65014ff923c859");
}

TEST(Blake2sp, StartsAfreshAfterFinal) {
  Blake2sp hash;
  const uint8_t abc[] = {'a', 'b', 'c'};
  hash.update(abc, sizeof abc);
  EXPECT_EQ(to_hex(hash.final()),
            "70f75b58f1fecab821db43c88ad84edde5a52600616cd22517b7bb14d440a7d5");
  EXPECT_EQ(to_hex(hash.final()),
            "dd0e891776933f43c7d032b08a917e25741f8aa9a12c12e1cac8801500f2ca4f");
}

// --- AES-CBC ---------------------------------------------------------------

// NIST SP 800-38A, F.2.2 CBC-AES128.Decrypt and F.2.6 CBC-AES256.Decrypt.
const char* const kNistIv = "000102030405060708090a0b0c0d0e0f";
const char* const kNistPlain =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";

struct NistCase {
  const char* name;
  const char* key;
  const char* cipher;
};
const NistCase kNistCases[] = {
    {"AES-128", "2b7e151628aed2a6abf7158809cf4f3c",
     "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
     "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"},
    {"AES-256", "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
     "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
     "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b"},
};

Bytes16 nist_iv() {
  Bytes16 iv{};
  const ByteVector bytes = from_hex(kNistIv);
  std::copy(bytes.begin(), bytes.end(), iv.begin());
  return iv;
}

TEST(AesCbcDecryptor, DecryptsTheNistVectorsInOneCallAndWithTheIvCarriedOver) {
  for (const auto& c : kNistCases) {
    const ByteVector key = from_hex(c.key);
    ByteVector whole = from_hex(c.cipher);
    AesCbcDecryptor once(key.data(), key.size(), nist_iv());
    ASSERT_TRUE(once.decrypt(whole.data(), whole.size())) << c.name;
    EXPECT_EQ(to_hex(whole), kNistPlain) << c.name;

    ByteVector split = from_hex(c.cipher);
    AesCbcDecryptor pieces(key.data(), key.size(), nist_iv());
    ASSERT_TRUE(pieces.decrypt(split.data(), 16)) << c.name;
    ASSERT_TRUE(pieces.decrypt(split.data() + 16, 0)) << c.name;
    ASSERT_TRUE(pieces.decrypt(split.data() + 16, 48)) << c.name;
    EXPECT_EQ(to_hex(split), kNistPlain) << c.name << " in two calls";
  }
}

TEST(AesCbcDecryptor, RefusesPartialBlocksAndOtherKeySizes) {
  const ByteVector key = from_hex(kNistCases[0].key);
  ByteVector data = from_hex(kNistCases[0].cipher);
  AesCbcDecryptor aes(key.data(), key.size(), nist_iv());
  EXPECT_FALSE(aes.decrypt(data.data(), 15));
  // A refused call leaves the chain where it was.
  ASSERT_TRUE(aes.decrypt(data.data(), data.size()));
  EXPECT_EQ(to_hex(data), kNistPlain);

  const ByteVector key192 = from_hex("000102030405060708090a0b0c0d0e0f1011121314151617");
  AesCbcDecryptor aes192(key192.data(), key192.size(), nist_iv());
  EXPECT_FALSE(aes192.decrypt(data.data(), 16));
}

// --- RAR 2.9-4.x keys --------------------------------------------------------

std::string rar3_hex(const std::string& password, const ByteVector& salt) {
  const Rar3Key k = derive_rar3_key(password, salt.empty() ? nullptr : salt.data());
  return to_hex(k.key) + "/" + to_hex(k.iv);
}

std::string letters(size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) out += static_cast<char>('a' + i % 26);
  return out;
}

TEST(Rar3Key, MatchesKeysAndIvsThatTheFormatsReadersAccept) {
  // Vectors of formats/rar.md 13.4: the first from a corpus archive, the
  // long ones from archives the format's own extractor accepted.
  const ByteVector salt = from_hex("0102030405060708");
  EXPECT_EQ(rar3_hex("password", {}),
            "9bde0a0b8000e732fe25f1ba7e77012c/353b447f82c586792fc594e64c4e67f9");
  EXPECT_EQ(rar3_hex("abcdefgh", salt),
            "11fff49a1103ca9bdfd6dcdb812612d0/38e1d8f3ecd6be2938659681f4bf5037");
  EXPECT_EQ(rar3_hex(letters(28), salt),
            "962dda6aa104e3e79bd014a79ab3f847/28ef3274a618f0de7797f0a2575edcd7");
  // From 29 characters on, the hashed seed is altered between rounds.
  EXPECT_EQ(rar3_hex(letters(29), salt),
            "0ee0666d670f9e879af3e2ce61344786/e477b6f5c7589613ef74f61befa1fc6a");
  EXPECT_EQ(rar3_hex(letters(40), salt),
            "e4a5ecd9f6b664226a0a13f1779058f3/e965631bc058c7445b43148818210e6c");
}

TEST(Rar3Key, HashesNonAsciiPasswordsAsUtf16WithSurrogatePairs) {
  // Expected from a plain rendering of the derivation with Python's hashlib
  // over "pässwörd€" U+1D11E in UTF-16LE; that rendering also gives the
  // "password" vector above.
  EXPECT_EQ(
      rar3_hex("p\xC3\xA4ssw\xC3\xB6rd\xE2\x82\xAC\xF0\x9D\x84\x9E", from_hex("0102030405060708")),
      "d9fa57099cd0d67699333086325023d4/421771b627a5454a7313a15b6d5c827c");
}

TEST(Rar3Key, SlowUsesOnlyTheFirst127Characters) {
  const ByteVector salt = from_hex("0102030405060708");
  const std::string longest = rar3_hex(letters(127), salt);
  EXPECT_EQ(rar3_hex(letters(200), salt), longest);
  EXPECT_NE(rar3_hex(letters(126), salt), longest);
}

TEST(Rar3Key, DerivesTheKeyOfAnEncryptedCorpusEntryFromItsSalt) {
  // test_read_format_rar_encryption_data.rar: foo.txt is the first file
  // header; its salt follows the name.
  const ByteVector archive = read_corpus("test_read_format_rar_encryption_data.rar");
  ASSERT_GT(archive.size(), 0x50u);
  const uint8_t* header = archive.data() + 7 + 13;
  ASSERT_EQ(header[2], 0x74);
  ASSERT_TRUE(le16(header + 3) & 0x0400) << "salt flag";
  const uint16_t nameSize = le16(header + 26);
  ASSERT_EQ(std::string(reinterpret_cast<const char*>(header + 32), nameSize), "foo.txt");
  const ByteVector salt(header + 32 + nameSize, header + 32 + nameSize + 8);
  EXPECT_EQ(rar3_hex("12345678", salt),
            "dd612989b64e6ae2b654c039e14502e0/632d555f44c899d06e7ee165eb4405e0");
}

struct DecryptedRar4Header {
  ByteVector bytes;  // the header, HEAD_SIZE bytes
  size_t next = 0;   // where the next block starts
  bool crcMatches = false;
};

// One block of an archive with encrypted headers: salt, then the header in
// whole AES blocks, then the block's data.
std::optional<DecryptedRar4Header> decrypt_rar4_header(const ByteVector& archive, size_t pos,
                                                       const std::string& password) {
  if (archive.size() - pos < 8 + 16) return std::nullopt;
  const Rar3Key key = derive_rar3_key(password, archive.data() + pos);
  AesCbcDecryptor aes(key.key.data(), key.key.size(), key.iv);
  ByteVector block(archive.begin() + pos + 8, archive.begin() + pos + 8 + 16);
  if (!aes.decrypt(block.data(), block.size())) return std::nullopt;
  const uint16_t headSize = le16(block.data() + 5);
  const size_t padded = (headSize + 15u) / 16 * 16;
  if (headSize < 7 || archive.size() - pos - 8 < padded) return std::nullopt;
  ByteVector rest(archive.begin() + pos + 8 + 16, archive.begin() + pos + 8 + padded);
  if (!aes.decrypt(rest.data(), rest.size())) return std::nullopt;
  block.insert(block.end(), rest.begin(), rest.end());
  block.resize(headSize);

  DecryptedRar4Header out;
  out.crcMatches = (crc32(block.data() + 2, headSize - 2) & 0xFFFF) == le16(block.data());
  uint64_t dataSize = 0;
  if (block[2] == 0x74 && headSize >= 32) {
    dataSize = le32(block.data() + 7);
  } else if (le16(block.data() + 3) & 0x8000 && headSize >= 11) {
    dataSize = le32(block.data() + 7);
  }
  out.next = pos + 8 + padded + dataSize;
  out.bytes = std::move(block);
  return out;
}

TEST(Rar3Key, DecryptsEveryEncryptedHeaderOfACorpusArchiveToItsOwnCrc) {
  const ByteVector archive = read_corpus("test_read_format_rar_encryption_header.rar");
  ASSERT_GT(archive.size(), 20u);
  ASSERT_TRUE(le16(archive.data() + 7 + 3) & 0x0080) << "headers are encrypted";
  std::vector<std::string> names;
  bool sawEnd = false;
  for (size_t pos = 7 + 13; pos < archive.size() && !sawEnd;) {
    const auto header = decrypt_rar4_header(archive, pos, "12345678");
    ASSERT_TRUE(header.has_value()) << "at " << pos;
    EXPECT_TRUE(header->crcMatches) << "at " << pos;
    ASSERT_GT(header->next, pos);
    if (header->bytes[2] == 0x74) {
      const uint16_t nameSize = le16(header->bytes.data() + 26);
      names.emplace_back(reinterpret_cast<const char*>(header->bytes.data() + 32), nameSize);
    }
    sawEnd = header->bytes[2] == 0x7B;
    pos = header->next;
  }
  EXPECT_TRUE(sawEnd);
  EXPECT_EQ(names, (std::vector<std::string>{"foo.txt", "bar.txt"}));
}

TEST(Rar3Key, AWrongPasswordBreaksTheFirstHeadersCrc) {
  const ByteVector archive = read_corpus("test_read_format_rar_encryption_header.rar");
  ASSERT_GT(archive.size(), 20u);
  const auto header = decrypt_rar4_header(archive, 7 + 13, "12345679");
  EXPECT_TRUE(!header.has_value() || !header->crcMatches);
}

// --- RAR5 keys and MACed checksums -----------------------------------------

TEST(Rar5Keys, MatchesTheFormatsVectors) {
  // formats/rar.md 13.5 (b.txt and d.txt of a RAR5 test archive; a zero salt).
  const ByteVector salt = from_hex("c7445ee180f8b59fd62b433708bc57cd");
  Rar5Keys keys{};
  ASSERT_TRUE(derive_rar5_keys("password", salt.data(), 15, keys));
  EXPECT_EQ(to_hex(keys.key), "d75c7cb7e22d81138d1a15988c785d5141b4fa5c2a691a49505abb7d60aee690");
  EXPECT_EQ(to_hex(keys.hashKey),
            "523ac49a98ec2fc579792683b1c0af69490ed5e775933e74ab382f03f278d8b7");
  EXPECT_EQ(to_hex(keys.passwordCheck), "ea35671d70f12d4b");
  ASSERT_TRUE(derive_rar5_keys("password2", salt.data(), 15, keys));
  EXPECT_EQ(to_hex(keys.passwordCheck), "834cd448e915ebd6");

  const uint8_t zeroSalt[16] = {};
  ASSERT_TRUE(derive_rar5_keys("password", zeroSalt, 15, keys));
  EXPECT_EQ(to_hex(keys.key), "a6530a8c80b7cba0a1ac3f8e8c8088c74fe0398633f86fb1bc3be91f30b8a195");
  EXPECT_EQ(to_hex(keys.passwordCheck), "c0361938fe6431aa");
}

TEST(Rar5Keys, TheKeyIsPlainPbkdf2AndCountsBeyond24AreRefused) {
  const ByteVector salt = from_hex("00112233445566778899aabbccddeeff");
  Rar5Keys keys{};
  for (int lg2 : {0, 1, 6}) {
    ASSERT_TRUE(derive_rar5_keys("pässwörd", salt.data(), lg2, keys)) << lg2;
    Bytes32 expected{};
    const std::string pw = "pässwörd";
    ASSERT_EQ(PKCS5_PBKDF2_HMAC(pw.data(), static_cast<int>(pw.size()), salt.data(), 16, 1 << lg2,
                                EVP_sha256(), 32, expected.data()),
              1);
    EXPECT_EQ(to_hex(keys.key), to_hex(expected)) << lg2;
  }
  EXPECT_FALSE(derive_rar5_keys("password", salt.data(), 25, keys));
  EXPECT_FALSE(derive_rar5_keys("password", salt.data(), -1, keys));
}

TEST(Rar5Keys, TheCheckValueOfAnEncryptedCorpusEntryMatchesOnlyTheRightPassword) {
  const auto files = rar5_file_headers(read_corpus("rar5-psw.rar"));
  const Rar5FileHeader* file = find_file(files, "stest1.txt");
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->crypt.has_value());
  const Rar5CryptInfo& info = *file->crypt;
  ASSERT_EQ(info.check.size(), 8u);
  // The stored sum shows the check value itself is intact.
  const ByteVector checkDigest = sha256(info.check);
  EXPECT_EQ(to_hex(ByteVector(checkDigest.begin(), checkDigest.begin() + 4)),
            to_hex(info.checkSum));
  EXPECT_EQ(rar5_check("password", info), to_hex(info.check));
  EXPECT_NE(rar5_check("Password", info), to_hex(info.check));
  EXPECT_NE(rar5_check("", info), to_hex(info.check));
}

TEST(Rar5Keys, TheArchiveEncryptionHeaderOfACorpusArchiveChecksThePassword) {
  const ByteVector archive = read_corpus("rar5-hpsw.rar");
  ASSERT_GT(archive.size(), 12u);
  Cursor c{archive, 8 + 4, archive.size()};
  const uint64_t headSize = c.vint();
  ASSERT_TRUE(c.ok);
  c.end = c.pos + headSize;
  ASSERT_EQ(crc32(archive.data() + 12, c.end - 12), le32(archive.data() + 8));
  ASSERT_EQ(c.vint(), 4u) << "archive encryption header";
  c.vint();  // block flags
  const Rar5CryptInfo info = read_crypt_fields(c, false);
  ASSERT_TRUE(c.ok);
  ASSERT_EQ(info.check.size(), 8u);
  EXPECT_EQ(rar5_check("password", info), to_hex(info.check));
  EXPECT_NE(rar5_check("passwort", info), to_hex(info.check));
}

TEST(Rar5Mac, TheMacedCrcOfACorpusEntryMatchesThePlainCrcOfTheSameFile) {
  // stest1.txt is stored with a plain CRC in rar5-dups.rar and with a MACed
  // one in rar5-psw.rar.
  const auto plainFiles = rar5_file_headers(read_corpus("rar5-dups.rar"));
  const Rar5FileHeader* plain = find_file(plainFiles, "stest1.txt");
  ASSERT_NE(plain, nullptr);
  ASSERT_TRUE(plain->dataCrc.has_value());
  const auto encryptedFiles = rar5_file_headers(read_corpus("rar5-psw.rar"));
  const Rar5FileHeader* encrypted = find_file(encryptedFiles, "stest1.txt");
  ASSERT_NE(encrypted, nullptr);
  ASSERT_TRUE(encrypted->dataCrc.has_value() && encrypted->crypt.has_value());
  ASSERT_EQ(encrypted->crypt->salt.size(), 16u);

  Rar5Keys keys{};
  ASSERT_TRUE(derive_rar5_keys("password", encrypted->crypt->salt.data(),
                               encrypted->crypt->lg2Count, keys));
  EXPECT_EQ(rar5_mac_crc32(*plain->dataCrc, keys.hashKey), *encrypted->dataCrc);
  EXPECT_NE(rar5_mac_crc32(*plain->dataCrc ^ 1, keys.hashKey), *encrypted->dataCrc);
}

TEST(Rar5Mac, TheMacedBlake2spDigestIsHmacSha256WithTheHashKey) {
  Bytes32 hashKey{};
  Bytes32 digest{};
  for (size_t i = 0; i < 32; ++i) {
    hashKey[i] = static_cast<uint8_t>(0xA0 + i);
    digest[i] = static_cast<uint8_t>(i * 7);
  }
  Bytes32 expected{};
  unsigned int size = 0;
  ASSERT_NE(HMAC(EVP_sha256(), hashKey.data(), 32, digest.data(), 32, expected.data(), &size),
            nullptr);
  EXPECT_EQ(to_hex(rar5_mac_blake2sp(digest, hashKey)), to_hex(expected));
}

}  // namespace
}  // namespace unrar
