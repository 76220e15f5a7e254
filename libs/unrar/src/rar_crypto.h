// Key derivation, checksums and ciphers of RAR 2.9-4.x and RAR5 encryption.
// AES, SHA-1, SHA-256, HMAC and PBKDF2 come from libcrypto; BLAKE2sp is ours.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace unrar {

using Bytes16 = std::array<uint8_t, 16>;
using Bytes32 = std::array<uint8_t, 32>;

// RAR 2.9-4.x: AES-128 key and IV from the password (UTF-8 here; it is hashed as
// UTF-16LE, with the format's quirk for long passwords) and the 8-byte salt.
struct Rar3Key {
  Bytes16 key;
  Bytes16 iv;
};
Rar3Key derive_rar3_key(const std::string& passwordUtf8, const uint8_t salt[8]);

// RAR5: PBKDF2-HMAC-SHA256 with 2^lg2Count rounds over the UTF-8 password and the
// 16-byte salt, giving the AES-256 key, the key for MACed checksums, and the
// 8-byte password check value.
struct Rar5Keys {
  Bytes32 key;
  Bytes32 hashKey;
  std::array<uint8_t, 8> passwordCheck;
};
// False when lg2Count is beyond what the format allows.
bool derive_rar5_keys(const std::string& passwordUtf8, const uint8_t salt[16], int lg2Count,
                      Rar5Keys& keys);
// The keys of an archive's entries, each worked out once per password and salt: the
// entries of an archive mostly share one salt, and a key costs 2^15 hash rounds or
// more. Safe to share between threads.
class KeyCache {
 public:
  Rar3Key rar3_key(const std::string& passwordUtf8, const uint8_t salt[8]);
  bool rar5_keys(const std::string& passwordUtf8, const uint8_t salt[16], int lg2Count,
                 Rar5Keys& keys);

 private:
  struct Kept {
    std::string key;  // the kind, the rounds, the salt and the password
    Rar3Key rar3{};
    Rar5Keys rar5{};
  };
  const Kept* find(const std::string& key) const;
  void keep(Kept kept);

  std::mutex mutex_;
  std::vector<Kept> kept_;  // the newest last
};

// The MACed forms of an entry's CRC-32 and BLAKE2sp checksums.
uint32_t rar5_mac_crc32(uint32_t crc, const Bytes32& hashKey);
Bytes32 rar5_mac_blake2sp(const Bytes32& digest, const Bytes32& hashKey);

// BLAKE2sp, 32-byte digest, fed in pieces.
class Blake2sp {
 public:
  Blake2sp();
  ~Blake2sp();
  Blake2sp(const Blake2sp&) = delete;
  Blake2sp& operator=(const Blake2sp&) = delete;
  void update(const uint8_t* data, size_t size);
  Bytes32 final();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// AES-CBC decryption in place, in whole 16-byte blocks; the IV carries over between
// calls. keyBytes is 16 (RAR 2.9-4.x) or 32 (RAR5).
class AesCbcDecryptor {
 public:
  AesCbcDecryptor(const uint8_t* key, size_t keyBytes, const Bytes16& iv);
  ~AesCbcDecryptor();
  AesCbcDecryptor(const AesCbcDecryptor&) = delete;
  AesCbcDecryptor& operator=(const AesCbcDecryptor&) = delete;
  // size must be a multiple of 16.
  bool decrypt(uint8_t* data, size_t size);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace unrar
