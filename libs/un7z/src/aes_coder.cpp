#include "aes_coder.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

#include "decoder_stream.h"
#include "un7z.h"
#include "utf16_text.h"

namespace un7z {
namespace {

constexpr unsigned kNoHashCycles = 0x3F;  // the key is salt and password themselves
constexpr unsigned kMostCycles = 24;
constexpr size_t kBlock = 16;
constexpr size_t kDecryptChunk = 64 * 1024;

struct KeyRecord {
  unsigned cycles = 0;
  std::vector<uint8_t> salt;
  std::array<uint8_t, 16> iv{};
};

int parse_record(const std::vector<uint8_t>& properties, KeyRecord& record) {
  if (properties.empty()) return UN7Z_BAD_ARCHIVE;
  const uint8_t first = properties[0];
  record.cycles = first & 0x3F;
  if ((first & 0xC0) == 0) return UN7Z_SUCCESS;
  if (properties.size() < 2) return UN7Z_BAD_ARCHIVE;
  const size_t saltSize = ((first >> 7) & 1) + (properties[1] >> 4);
  const size_t ivSize = ((first >> 6) & 1) + (properties[1] & 0x0F);
  if (properties.size() < 2 + saltSize + ivSize) return UN7Z_BAD_ARCHIVE;
  record.salt.assign(properties.begin() + 2, properties.begin() + 2 + saltSize);
  std::copy_n(properties.begin() + 2 + saltSize, ivSize, record.iv.begin());
  return UN7Z_SUCCESS;
}

bool hash_key(const KeyRecord& record, const std::string& password, AesKey& key) {
  std::vector<uint8_t> round(record.salt);
  round.insert(round.end(), password.begin(), password.end());
  const size_t counterAt = round.size();
  round.resize(counterAt + 8, 0);
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  bool ok = context && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
  for (uint64_t counter = 0; ok && counter < (uint64_t{1} << record.cycles); ++counter) {
    for (int i = 0; i < 8; ++i) round[counterAt + i] = static_cast<uint8_t>(counter >> (8 * i));
    ok = EVP_DigestUpdate(context, round.data(), round.size()) == 1;
  }
  ok = ok && EVP_DigestFinal_ex(context, key.key.data(), nullptr) == 1;
  EVP_MD_CTX_free(context);
  return ok;
}

class AesStream final : public DecoderStream {
 public:
  AesStream(std::unique_ptr<ByteStream> source, uint64_t outSize, const AesKey& key)
      : DecoderStream(std::move(source), outSize), context_(EVP_CIPHER_CTX_new()) {
    ready_ = context_ &&
             EVP_DecryptInit_ex(context_, EVP_aes_256_cbc(), nullptr, key.key.data(),
                                key.iv.data()) == 1 &&
             EVP_CIPHER_CTX_set_padding(context_, 0) == 1;
  }
  ~AesStream() override { EVP_CIPHER_CTX_free(context_); }
  AesStream(const AesStream&) = delete;
  AesStream& operator=(const AesStream&) = delete;

 private:
  Step decode(const uint8_t* input, size_t inputSize, bool finish, size_t& consumed, uint8_t* out,
              size_t outSize, size_t& produced) override {
    consumed = produced = 0;
    if (!ready_) return Step::no_memory;
    if (plainStart_ == plain_.size()) {
      const size_t blocks = std::min(inputSize, kDecryptChunk) / kBlock * kBlock;
      if (blocks == 0) return finish ? (inputSize == 0 ? Step::end : Step::bad_data) : Step::more;
      plain_.resize(blocks);
      int made = 0;
      if (EVP_DecryptUpdate(context_, plain_.data(), &made, input, static_cast<int>(blocks)) != 1) {
        return Step::bad_data;
      }
      plain_.resize(static_cast<size_t>(made));
      plainStart_ = 0;
      consumed = blocks;
    }
    produced = std::min(outSize, plain_.size() - plainStart_);
    std::memcpy(out, plain_.data() + plainStart_, produced);
    plainStart_ += produced;
    return Step::more;
  }

  EVP_CIPHER_CTX* context_;
  bool ready_ = false;
  std::vector<uint8_t> plain_;
  size_t plainStart_ = 0;
};

}  // namespace

int AesKeys::derive(const std::vector<uint8_t>& properties, const std::string& password,
                    AesKey& key) {
  KeyRecord record;
  const int parsed = parse_record(properties, record);
  if (parsed != UN7Z_SUCCESS) return parsed;
  key.iv = record.iv;
  // 7-Zip gives every folder its own IV under the same salt: the key is made once.
  const auto known = known_.find({record.cycles, record.salt, password});
  if (known != known_.end()) {
    key.key = known->second;
    return UN7Z_SUCCESS;
  }
  const std::string utf16 = utf8_to_utf16le(password);
  if (record.cycles == kNoHashCycles) {
    key.key.fill(0);
    std::vector<uint8_t> plain(record.salt);
    plain.insert(plain.end(), utf16.begin(), utf16.end());
    std::copy_n(plain.begin(), std::min(plain.size(), key.key.size()), key.key.begin());
  } else if (record.cycles > kMostCycles) {
    return UN7Z_UNSUPPORTED;
  } else if (!hash_key(record, utf16, key)) {
    return UN7Z_NO_MEMORY;
  }
  known_[{record.cycles, record.salt, password}] = key.key;
  return UN7Z_SUCCESS;
}

std::unique_ptr<ByteStream> make_aes_stream(std::unique_ptr<ByteStream> source, uint64_t outSize,
                                            const AesKey& key) {
  return std::make_unique<AesStream>(std::move(source), outSize, key);
}

}  // namespace un7z
