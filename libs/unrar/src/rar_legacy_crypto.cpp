#include "rar_legacy_crypto.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace unrar {
namespace {

constexpr size_t kMostPasswordBytes = 127;

constexpr std::array<uint32_t, 256> make_crc_table() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    table[i] = value;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kCrc = make_crc_table();

// Code page 1252 bytes 0x80-0x9F and the characters they stand for (0 = unused).
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint8_t cp1252_byte(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<uint8_t>(code);
  for (uint8_t i = 0; i < 32; ++i) {
    if (kCp1252High[i] == code) return static_cast<uint8_t>(0x80 + i);
  }
  return '?';
}

// The next character of UTF-8 text at pos, or false at a malformed sequence.
bool next_utf8(const std::string& text, size_t& pos, char32_t& code) {
  const auto lead = static_cast<uint8_t>(text[pos]);
  const size_t extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 4;
  if (extra > 3 || pos + extra >= text.size()) return false;
  code = extra == 0 ? lead : lead & (0x3F >> extra);
  for (size_t i = 1; i <= extra; ++i) {
    const auto next = static_cast<uint8_t>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return false;
    code = (code << 6) | (next & 0x3F);
  }
  pos += extra + 1;
  return true;
}

// The password as these ciphers take it: one byte per character, in the Windows
// code page the library's callers once typed it in ('?' for characters it lacks);
// text that is not UTF-8 is taken byte for byte. At most 127 bytes count.
std::string password_bytes(const std::string& password) {
  std::string bytes;
  char32_t code = 0;
  for (size_t pos = 0; pos < password.size();) {
    if (!next_utf8(password, pos, code)) {
      bytes = password;
      break;
    }
    bytes += static_cast<char>(cp1252_byte(code));
  }
  return bytes.substr(0, kMostPasswordBytes);
}

constexpr std::array<uint8_t, 256> kInitialSubstitution = {
    215, 19,  149, 35,  73,  197, 192, 205, 249, 28,  16,  119, 48,  221, 2,   42,  232, 1,   177,
    233, 14,  88,  219, 25,  223, 195, 244, 90,  87,  239, 153, 137, 255, 199, 147, 70,  92,  66,
    246, 13,  216, 40,  62,  29,  217, 230, 86,  6,   71,  24,  171, 196, 101, 113, 218, 123, 93,
    91,  163, 178, 202, 67,  44,  235, 107, 250, 75,  234, 49,  167, 125, 211, 83,  114, 157, 144,
    32,  193, 143, 36,  158, 124, 247, 187, 89,  214, 141, 47,  121, 228, 61,  130, 213, 194, 174,
    251, 97,  110, 54,  229, 115, 57,  152, 94,  105, 243, 212, 55,  209, 245, 63,  11,  164, 200,
    31,  156, 81,  176, 227, 21,  76,  99,  139, 188, 127, 17,  248, 51,  207, 120, 189, 210, 8,
    226, 41,  72,  183, 203, 135, 165, 166, 60,  98,  7,   122, 38,  155, 170, 69,  172, 252, 238,
    39,  134, 59,  128, 236, 27,  240, 80,  131, 3,   85,  206, 145, 79,  154, 142, 159, 220, 201,
    133, 74,  64,  20,  129, 224, 185, 138, 103, 173, 182, 43,  34,  254, 82,  198, 151, 231, 180,
    58,  10,  118, 26,  102, 12,  50,  132, 22,  191, 136, 111, 162, 179, 45,  4,   148, 108, 161,
    56,  78,  126, 242, 222, 15,  175, 146, 23,  33,  241, 181, 190, 77,  225, 0,   46,  169, 186,
    68,  95,  237, 65,  53,  208, 253, 168, 9,   18,  100, 52,  116, 184, 160, 96,  109, 37,  30,
    106, 140, 104, 150, 5,   204, 117, 112, 84};

constexpr std::array<uint32_t, 4> kInitialKeys = {0xD3A3B879u, 0x3F6D12F7u, 0x7515A235u,
                                                  0xA4E7F123u};
constexpr int kRounds = 32;

uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void put_le32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t ror16(uint16_t value) {
  return static_cast<uint16_t>((value >> 1) | (value << 15));
}

}  // namespace

Rar13Cipher::Rar13Cipher(const std::string& password) {
  for (const char ch : password_bytes(password)) {
    const auto p = static_cast<uint8_t>(ch);
    keys_[0] = static_cast<uint8_t>(keys_[0] + p);
    keys_[1] ^= p;
    keys_[2] = std::rotl(static_cast<uint8_t>(keys_[2] + p), 1);
  }
}

bool Rar13Cipher::decrypt(uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    keys_[1] = static_cast<uint8_t>(keys_[1] + keys_[2]);
    keys_[0] = static_cast<uint8_t>(keys_[0] + keys_[1]);
    data[i] = static_cast<uint8_t>(data[i] - keys_[0]);
  }
  return true;
}

Rar15Cipher::Rar15Cipher(const std::string& password) {
  const std::string bytes = password_bytes(password);
  uint32_t crc = 0xFFFFFFFFu;
  for (const char ch : bytes) crc = kCrc[(crc ^ static_cast<uint8_t>(ch)) & 0xFF] ^ (crc >> 8);
  keys_ = {static_cast<uint16_t>(crc), static_cast<uint16_t>(crc >> 16), 0, 0};
  for (const char ch : bytes) {
    const auto p = static_cast<uint8_t>(ch);
    keys_[2] = static_cast<uint16_t>(keys_[2] ^ p ^ kCrc[p]);
    keys_[3] = static_cast<uint16_t>(keys_[3] + p + (kCrc[p] >> 16));
  }
}

bool Rar15Cipher::decrypt(uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    keys_[0] = static_cast<uint16_t>(keys_[0] + 0x1234);
    const uint32_t t = kCrc[(keys_[0] & 0x1FE) >> 1];
    keys_[1] = static_cast<uint16_t>(keys_[1] ^ t);
    keys_[2] = static_cast<uint16_t>(keys_[2] - (t >> 16));
    keys_[0] ^= keys_[2];
    keys_[3] = ror16(static_cast<uint16_t>(ror16(keys_[3]) ^ keys_[1]));
    keys_[0] ^= keys_[3];
    data[i] ^= static_cast<uint8_t>(keys_[0] >> 8);
  }
  return true;
}

Rar20Cipher::Rar20Cipher(const std::string& password)
    : keys_(kInitialKeys), substitution_(kInitialSubstitution) {
  const std::string bytes = password_bytes(password);
  // An odd-length password pairs its last byte with the terminating zero.
  std::string padded = bytes + std::string(kBlock, '\0');
  for (unsigned j = 0; j < 256; ++j) {
    for (size_t i = 0; i < bytes.size(); i += 2) {
      auto a = static_cast<uint8_t>(kCrc[static_cast<uint8_t>(padded[i] - j)]);
      const auto b = static_cast<uint8_t>(kCrc[static_cast<uint8_t>(padded[i + 1] + j)]);
      for (unsigned m = 1; a != b; ++m, ++a) {
        std::swap(substitution_[a], substitution_[static_cast<uint8_t>(a + i + m)]);
      }
    }
  }
  for (size_t i = 0; i < bytes.size(); i += kBlock) {
    encrypt_block(reinterpret_cast<uint8_t*>(padded.data() + i));
  }
}

uint32_t Rar20Cipher::substitute(uint32_t value) const {
  uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8)
    result |= static_cast<uint32_t>(substitution_[(value >> shift) & 0xFF]) << shift;
  return result;
}

void Rar20Cipher::update_keys(const uint8_t block[kBlock]) {
  for (size_t i = 0; i < kBlock; i += 4) {
    for (size_t k = 0; k < 4; ++k) keys_[k] ^= kCrc[block[i + k]];
  }
}

// Both directions run the same rounds, decryption in reverse order.
void Rar20Cipher::run_rounds(uint8_t block[kBlock], bool decrypting) const {
  uint32_t a = le32(block) ^ keys_[0];
  uint32_t b = le32(block + 4) ^ keys_[1];
  uint32_t c = le32(block + 8) ^ keys_[2];
  uint32_t d = le32(block + 12) ^ keys_[3];
  for (int step = 0; step < kRounds; ++step) {
    const uint32_t key = keys_[(decrypting ? kRounds - 1 - step : step) & 3];
    const uint32_t nextA = a ^ substitute((c + std::rotl(d, 11)) ^ key);
    const uint32_t nextB = b ^ substitute((d ^ std::rotl(c, 17)) + key);
    a = c;
    b = d;
    c = nextA;
    d = nextB;
  }
  put_le32(block, c ^ keys_[0]);
  put_le32(block + 4, d ^ keys_[1]);
  put_le32(block + 8, a ^ keys_[2]);
  put_le32(block + 12, b ^ keys_[3]);
}

// The keys move on with the cipher text in both directions.
void Rar20Cipher::encrypt_block(uint8_t block[kBlock]) {
  run_rounds(block, false);
  update_keys(block);
}

void Rar20Cipher::decrypt_block(uint8_t block[kBlock]) {
  uint8_t cipherText[kBlock];
  std::copy(block, block + kBlock, cipherText);
  run_rounds(block, true);
  update_keys(cipherText);
}

bool Rar20Cipher::decrypt(uint8_t* data, size_t size) {
  if (size % kBlock != 0) return false;
  for (size_t i = 0; i < size; i += kBlock) decrypt_block(data + i);
  return true;
}

}  // namespace unrar
