// The ciphers of RAR 1.3, 1.5 and 2.0 archives. They take the password (UTF-8) one byte
// per character in code page 1252, of which at most 127 count. 1.3 and 1.5 are byte
// streams; 2.0 is a 16-byte block cipher whose keys change after every block.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "packed_cipher.h"

namespace unrar {

class Rar13Cipher : public PackedCipher {
 public:
  explicit Rar13Cipher(const std::string& password);
  size_t block_size() const override { return 1; }
  bool decrypt(uint8_t* data, size_t size) override;

 private:
  std::array<uint8_t, 3> keys_{};
};

class Rar15Cipher : public PackedCipher {
 public:
  explicit Rar15Cipher(const std::string& password);
  size_t block_size() const override { return 1; }
  // The same operation encrypts.
  bool decrypt(uint8_t* data, size_t size) override;
  const std::array<uint16_t, 4>& keys() const { return keys_; }

 private:
  std::array<uint16_t, 4> keys_{};
};

class Rar20Cipher : public PackedCipher {
 public:
  static constexpr size_t kBlock = 16;
  explicit Rar20Cipher(const std::string& password);
  size_t block_size() const override { return kBlock; }
  bool decrypt(uint8_t* data, size_t size) override;
  // Encrypts one block in place (the key setup runs the password through it).
  void encrypt_block(uint8_t block[kBlock]);
  const std::array<uint32_t, 4>& keys() const { return keys_; }
  const std::array<uint8_t, 256>& substitution() const { return substitution_; }

 private:
  void run_rounds(uint8_t block[kBlock], bool decrypting) const;
  void decrypt_block(uint8_t block[kBlock]);
  void update_keys(const uint8_t block[kBlock]);
  uint32_t substitute(uint32_t value) const;

  std::array<uint32_t, 4> keys_{};
  std::array<uint8_t, 256> substitution_{};
};

}  // namespace unrar
