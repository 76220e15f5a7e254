// The cipher an entry's packed data is decrypted with on its way to the decoder:
// AES for RAR 2.9 and later, the older ciphers before that. The cipher state runs
// on from one call to the next, also across volume boundaries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archivekit/packed_entry_input.h"
#include "rar_crypto.h"

namespace unrar {

using PackedCipher = archivekit::BlockDecryptor;

class AesPackedCipher : public PackedCipher {
 public:
  AesPackedCipher(const uint8_t* key, size_t keyBytes, const Bytes16& iv)
      : aes_(key, keyBytes, iv) {}
  size_t block_size() const override { return 16; }
  bool decrypt(uint8_t* data, size_t size) override { return aes_.decrypt(data, size); }

 private:
  AesCbcDecryptor aes_;
};

}  // namespace unrar
