// The ACE cipher: a Blowfish whose initial tables differ from the standard ones in
// three words, keyed by five words from a SHA-0-style compression of the password,
// used in CBC mode with a zero IV restarted at every encrypted entry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "archivekit/packed_entry_input.h"

namespace unace {

using AceKeyWords = std::array<uint32_t, 5>;

AceKeyWords derive_ace_key(std::string_view password);

class AceBlowfish {
 public:
  explicit AceBlowfish(const AceKeyWords& key);
  void encrypt_block(uint32_t& left, uint32_t& right) const;
  void decrypt_block(uint32_t& left, uint32_t& right) const;

 private:
  std::array<uint32_t, 18> p_;
  std::array<std::array<uint32_t, 256>, 4> s_;
};

// Decrypts one entry's packed data in whole 8-byte blocks (little-endian halves,
// left first); the chain runs on across the parts of a split entry.
class AceCbcDecryptor : public archivekit::BlockDecryptor {
 public:
  explicit AceCbcDecryptor(std::string_view password);
  // A cipher keyed once serves every entry of the same password: the key schedule
  // costs far more than a small entry's data.
  explicit AceCbcDecryptor(const AceBlowfish& cipher) : cipher_(cipher) {}
  size_t block_size() const override { return 8; }
  // size is a multiple of 8; never refuses.
  bool decrypt(uint8_t* data, size_t size) override;

 private:
  AceBlowfish cipher_;
  uint32_t previousLeft_ = 0;
  uint32_t previousRight_ = 0;
};

}  // namespace unace
