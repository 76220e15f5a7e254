// The traditional PKWARE cipher ("ZipCrypto"): three CRC-based keys, a 12-byte
// header whose last byte checks the password.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zip_archive.h"
#include "zip_stream.h"

namespace unzip {

inline constexpr std::size_t kZipCryptoHeaderSize = 12;

class ZipCryptoKeys {
 public:
  explicit ZipCryptoKeys(const std::string& password);
  unsigned char decrypt(unsigned char cipher_byte);
  uint32_t key(int which) const { return keys_[which]; }

 private:
  void update(unsigned char plain_byte);
  uint32_t keys_[3];
};

// The byte the 12th decrypted header byte must equal: the DOS time's high byte
// when a data descriptor follows (bit 3), else the CRC's high byte.
unsigned char zipcrypto_check_byte(const EntryInfo& entry);

// Reads and checks the header from raw, then decrypts the rest. nullptr with
// WrongPassword, or the raw stream's failure.
std::unique_ptr<ByteStream> open_zipcrypto(std::unique_ptr<ByteStream> raw,
                                           const std::string& password, unsigned char check_byte,
                                           ReadStatus& status);

}  // namespace unzip
