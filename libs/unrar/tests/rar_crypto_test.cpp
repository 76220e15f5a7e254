// The RAR ciphers and checksums against published vectors. The corpus's encrypted
// archives check the rest through the API: check values, MACed checksums and
// encrypted headers with the right and a wrong password.
#include "rar_crypto.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>
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
  // markokr/rarfile test/test_crypto.py: 20 copies of 50 counting bytes fed 3 at a time.
  const ByteVector once = counting_bytes(0x32);
  ByteVector twenty;
  for (int i = 0; i < 20; ++i) twenty.insert(twenty.end(), once.begin(), once.end());
  EXPECT_EQ(blake2sp_hex(twenty, 3),
            "24a78d92592d0761a3681f32935225ca55ffb8eb16b55ab9481c89c59a985ff3");
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
  // From 29 characters on, the hashed seed is altered between rounds.
  EXPECT_EQ(rar3_hex(letters(29), salt),
            "0ee0666d670f9e879af3e2ce61344786/e477b6f5c7589613ef74f61befa1fc6a");
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

  EXPECT_FALSE(derive_rar5_keys("password", salt.data(), 25, keys));
  EXPECT_FALSE(derive_rar5_keys("password", salt.data(), -1, keys));
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
