// 7z's AES-256 coder: the key made from the password with SHA-256 (salt, then
// 2^cycles rounds of salt, UTF-16LE password and an 8-byte round counter), the data
// decrypted in CBC mode.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "archivekit/byte_stream.h"

namespace un7z {

using archivekit::ByteStream;

struct AesKey {
  std::array<uint8_t, 32> key{};
  std::array<uint8_t, 16> iv{};
};

// Derived keys kept for the archive, as each derivation takes 2^19 hashes or more.
class AesKeys {
 public:
  // 0 and the key for the coder's properties, or UN7Z_UNSUPPORTED when they are not
  // 7z's (UN7Z_BAD_ARCHIVE for a cut-off record).
  int derive(const std::vector<uint8_t>& properties, const std::string& password, AesKey& key);

 private:
  // By hash cycles, salt and password: the IV takes no part in the key.
  std::map<std::tuple<unsigned, std::vector<uint8_t>, std::string>, std::array<uint8_t, 32>> known_;
};

std::unique_ptr<ByteStream> make_aes_stream(std::unique_ptr<ByteStream> source, uint64_t outSize,
                                            const AesKey& key);

}  // namespace un7z
