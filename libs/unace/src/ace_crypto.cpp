#include "ace_crypto.h"

#include <algorithm>

#include "ace_blowfish_tables.h"

namespace unace {
namespace {

// Longer passwords are cut, as the archiver does.
constexpr size_t kPasswordLimit = 50;

uint32_t rotate_left(uint32_t value, int count) {
  return (value << count) | (value >> (32 - count));
}

uint32_t load_le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void store_le32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

AceKeyWords derive_ace_key(std::string_view password) {
  const size_t length = std::min(password.size(), kPasswordLimit);
  uint8_t block[64] = {};
  std::copy_n(password.begin(), length, block);
  block[length] = 0x80;
  uint32_t w[80];
  for (int t = 0; t < 15; ++t) w[t] = load_le32(block + 4 * t);
  w[15] = static_cast<uint32_t>(length * 8);
  // The schedule lacks the one-bit rotation of later SHA versions.
  for (int t = 16; t < 80; ++t) w[t] = w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16];

  const AceKeyWords initial = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
  uint32_t a = initial[0], b = initial[1], c = initial[2], d = initial[3], e = initial[4];
  for (int t = 0; t < 80; ++t) {
    uint32_t f = 0;
    uint32_t k = 0;
    if (t < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999u;
    } else if (t < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1u;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDCu;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6u;
    }
    const uint32_t next = rotate_left(a, 5) + f + e + w[t] + k;
    e = d;
    d = c;
    c = rotate_left(b, 30);
    b = a;
    a = next;
  }
  return {initial[0] + a, initial[1] + b, initial[2] + c, initial[3] + d, initial[4] + e};
}

AceBlowfish::AceBlowfish(const AceKeyWords& key) : p_(kAceBlowfishP), s_(kAceBlowfishS) {
  for (size_t i = 0; i < p_.size(); ++i) p_[i] ^= key[i % key.size()];
  uint32_t left = 0;
  uint32_t right = 0;
  for (size_t i = 0; i < p_.size(); i += 2) {
    encrypt_block(left, right);
    p_[i] = left;
    p_[i + 1] = right;
  }
  for (auto& box : s_) {
    for (size_t i = 0; i < box.size(); i += 2) {
      encrypt_block(left, right);
      box[i] = left;
      box[i + 1] = right;
    }
  }
}

namespace {

uint32_t round_function(const std::array<std::array<uint32_t, 256>, 4>& s, uint32_t x) {
  return ((s[0][x >> 24] + s[1][(x >> 16) & 0xFF]) ^ s[2][(x >> 8) & 0xFF]) + s[3][x & 0xFF];
}

}  // namespace

void AceBlowfish::encrypt_block(uint32_t& left, uint32_t& right) const {
  uint32_t l = left;
  uint32_t r = right;
  for (int i = 0; i < 16; i += 2) {
    l ^= p_[i];
    r ^= round_function(s_, l);
    r ^= p_[i + 1];
    l ^= round_function(s_, r);
  }
  left = r ^ p_[17];
  right = l ^ p_[16];
}

void AceBlowfish::decrypt_block(uint32_t& left, uint32_t& right) const {
  uint32_t l = left;
  uint32_t r = right;
  for (int i = 17; i > 1; i -= 2) {
    l ^= p_[i];
    r ^= round_function(s_, l);
    r ^= p_[i - 1];
    l ^= round_function(s_, r);
  }
  left = r ^ p_[0];
  right = l ^ p_[1];
}

AceCbcDecryptor::AceCbcDecryptor(std::string_view password) : cipher_(derive_ace_key(password)) {}

bool AceCbcDecryptor::decrypt(uint8_t* data, size_t size) {
  for (size_t offset = 0; offset + 8 <= size; offset += 8) {
    uint8_t* block = data + offset;
    const uint32_t cipherLeft = load_le32(block);
    const uint32_t cipherRight = load_le32(block + 4);
    uint32_t left = cipherLeft;
    uint32_t right = cipherRight;
    cipher_.decrypt_block(left, right);
    store_le32(block, left ^ previousLeft_);
    store_le32(block + 4, right ^ previousRight_);
    previousLeft_ = cipherLeft;
    previousRight_ = cipherRight;
  }
  return true;
}

}  // namespace unace
