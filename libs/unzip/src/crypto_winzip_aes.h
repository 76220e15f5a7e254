// WinZip AES (AE-1 / AE-2): PBKDF2-HMAC-SHA1 keys, AES in CTR mode with a
// little-endian counter, and a 10-byte HMAC-SHA1 code over the encrypted data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip_archive.h"
#include "zip_stream.h"

namespace unzip {

inline constexpr std::size_t kAesVerifierSize = 2;
inline constexpr std::size_t kAesMacSize = 10;

// Salt bytes for strength 1/2/3 (AES-128/192/256): half the key length.
std::size_t aes_salt_size(int strength);
// Bytes an AES entry stores beyond its compressed data.
std::size_t aes_overhead(int strength);

bool pbkdf2_hmac_sha1(const std::string& password, const unsigned char* salt, std::size_t salt_size,
                      int iterations, unsigned char* out, std::size_t out_size);

struct AesKeys {
  std::vector<unsigned char> cipher_key;
  std::vector<unsigned char> mac_key;
  unsigned char verifier[kAesVerifierSize] = {};
};
AesKeys derive_aes_keys(const std::string& password, const unsigned char* salt, int strength);

// Reads salt and verification value from raw and compares them with the password.
// Returns Ok, WrongPassword, or why raw could not be read.
ReadStatus check_aes_password(ByteStream& raw, int strength, uint64_t compressed_size,
                              const std::string& password);

class WinzipAesStream : public ByteStream {
 public:
  // Reads whatever encrypted data is left (a decoder above may have stopped
  // early) and tells whether the stored authentication code matched.
  virtual bool verify_rest() = 0;
};

// Checks the password, then decrypts the entry's data stream; the
// authentication code is compared when the data is used up.
std::unique_ptr<WinzipAesStream> open_winzip_aes(std::unique_ptr<ByteStream> raw, int strength,
                                                 uint64_t compressed_size,
                                                 const std::string& password, ReadStatus& status);

}  // namespace unzip
