#include "crypto_winzip_aes.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

namespace unzip {
namespace {

constexpr int kPbkdf2Iterations = 1000;
constexpr std::size_t kBlockSize = 16;
constexpr std::size_t kKeystreamBlocks = 256;

struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
struct MacFree {
  void operator()(EVP_MAC* mac) const { EVP_MAC_free(mac); }
};
struct MacContextFree {
  void operator()(EVP_MAC_CTX* context) const { EVP_MAC_CTX_free(context); }
};

const EVP_CIPHER* ecb_cipher(int strength) {
  switch (strength) {
    case 1:
      return EVP_aes_128_ecb();
    case 2:
      return EVP_aes_192_ecb();
    default:
      return EVP_aes_256_ecb();
  }
}

std::size_t key_size(int strength) {
  return 2 * aes_salt_size(strength);
}

class AesCtrHmacStream final : public WinzipAesStream {
 public:
  AesCtrHmacStream(std::unique_ptr<ByteStream> raw, uint64_t data_size, const AesKeys& keys,
                   int strength, ReadStatus& status)
      : raw_(std::move(raw)), data_left_(data_size) {
    cipher_.reset(EVP_CIPHER_CTX_new());
    mac_.reset(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
    if (mac_) mac_context_.reset(EVP_MAC_CTX_new(mac_.get()));
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    const bool ready =
        cipher_ && mac_context_ &&
        EVP_EncryptInit_ex(cipher_.get(), ecb_cipher(strength), nullptr, keys.cipher_key.data(),
                           nullptr) == 1 &&
        EVP_CIPHER_CTX_set_padding(cipher_.get(), 0) == 1 &&
        EVP_MAC_init(mac_context_.get(), keys.mac_key.data(), keys.mac_key.size(), params) == 1;
    status = ready ? ReadStatus::Ok : ReadStatus::NoMemory;
    counter_[0] = 1;
  }

  long long read(unsigned char* buffer, std::size_t size) override {
    if (status_ != ReadStatus::Ok) return -1;
    if (data_left_ == 0) return finish_data();
    const auto wanted = static_cast<std::size_t>(std::min<uint64_t>(size, data_left_));
    const long long count = raw_->read(buffer, wanted);
    if (count <= 0) {
      status_ = count < 0 ? raw_->status() : ReadStatus::ReadError;
      return -1;
    }
    const auto got = static_cast<std::size_t>(count);
    if (EVP_MAC_update(mac_context_.get(), buffer, got) != 1) return fail(ReadStatus::NoMemory);
    for (std::size_t i = 0; i < got; ++i) {
      if (keystream_pos_ == keystream_.size() && !refill_keystream()) {
        return fail(ReadStatus::NoMemory);
      }
      buffer[i] ^= keystream_[keystream_pos_++];
    }
    data_left_ -= got;
    // Check the code with the last data byte: a decoder on top may stop reading
    // as soon as its own stream ends.
    if (data_left_ == 0 && finish_data() < 0) return -1;
    return count;
  }

  ReadStatus status() const override { return status_; }

  bool verify_rest() override {
    unsigned char scratch[4096];
    while (status_ == ReadStatus::Ok && !mac_checked_) {
      if (read(scratch, sizeof scratch) == 0) finish_data();
    }
    return authenticated_;
  }

 private:
  long long fail(ReadStatus status) {
    status_ = status;
    return -1;
  }

  // After the data: the stored code follows; compare it with our MAC once.
  long long finish_data() {
    if (mac_checked_) return 0;
    mac_checked_ = true;
    unsigned char stored[kAesMacSize];
    const long long count = read_fully(*raw_, stored, sizeof stored);
    if (count < 0) return fail(raw_->status());
    if (count != static_cast<long long>(sizeof stored)) return fail(ReadStatus::ReadError);
    unsigned char computed[EVP_MAX_MD_SIZE];
    std::size_t computed_size = 0;
    if (EVP_MAC_final(mac_context_.get(), computed, &computed_size, sizeof computed) != 1) {
      return fail(ReadStatus::NoMemory);
    }
    authenticated_ =
        computed_size >= kAesMacSize && CRYPTO_memcmp(computed, stored, kAesMacSize) == 0;
    return 0;
  }

  // CTR keystream: AES of a little-endian counter that starts at 1.
  bool refill_keystream() {
    unsigned char counters[kBlockSize * kKeystreamBlocks];
    for (std::size_t block = 0; block < kKeystreamBlocks; ++block) {
      std::memcpy(counters + block * kBlockSize, counter_, kBlockSize);
      for (std::size_t i = 0; i < kBlockSize && ++counter_[i] == 0; ++i) {
      }
    }
    int out_size = 0;
    if (EVP_EncryptUpdate(cipher_.get(), keystream_.data(), &out_size, counters,
                          static_cast<int>(sizeof counters)) != 1 ||
        out_size != static_cast<int>(sizeof counters)) {
      return false;
    }
    keystream_pos_ = 0;
    return true;
  }

  std::unique_ptr<ByteStream> raw_;
  uint64_t data_left_;
  std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> cipher_;
  std::unique_ptr<EVP_MAC, MacFree> mac_;
  std::unique_ptr<EVP_MAC_CTX, MacContextFree> mac_context_;
  unsigned char counter_[kBlockSize] = {};
  std::vector<unsigned char> keystream_ = std::vector<unsigned char>(kBlockSize * kKeystreamBlocks);
  std::size_t keystream_pos_ = kBlockSize * kKeystreamBlocks;
  bool mac_checked_ = false;
  bool authenticated_ = false;
  ReadStatus status_ = ReadStatus::Ok;
};

// Reads the salt and verification value at the start of the entry and derives
// the keys. Ok, WrongPassword, InvalidData (entry too small) or raw's failure.
ReadStatus read_keys(ByteStream& raw, int strength, uint64_t compressed_size,
                     const std::string& password, AesKeys& keys) {
  if (strength < 1 || strength > 3) return ReadStatus::Unsupported;
  if (compressed_size < aes_overhead(strength)) return ReadStatus::InvalidData;
  unsigned char header[16 + kAesVerifierSize];
  const std::size_t header_size = aes_salt_size(strength) + kAesVerifierSize;
  const long long count = read_fully(raw, header, header_size);
  if (count < 0) return raw.status();
  if (count != static_cast<long long>(header_size)) return ReadStatus::ReadError;
  keys = derive_aes_keys(password, header, strength);
  if (keys.cipher_key.empty()) return ReadStatus::NoMemory;
  const unsigned char* stored_verifier = header + aes_salt_size(strength);
  return std::memcmp(keys.verifier, stored_verifier, kAesVerifierSize) == 0
             ? ReadStatus::Ok
             : ReadStatus::WrongPassword;
}

}  // namespace

std::size_t aes_salt_size(int strength) {
  return 4 + 4 * static_cast<std::size_t>(strength);
}

std::size_t aes_overhead(int strength) {
  return aes_salt_size(strength) + kAesVerifierSize + kAesMacSize;
}

bool pbkdf2_hmac_sha1(const std::string& password, const unsigned char* salt, std::size_t salt_size,
                      int iterations, unsigned char* out, std::size_t out_size) {
  return PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt,
                                static_cast<int>(salt_size), iterations, static_cast<int>(out_size),
                                out) == 1;
}

AesKeys derive_aes_keys(const std::string& password, const unsigned char* salt, int strength) {
  const std::size_t size = key_size(strength);
  std::vector<unsigned char> derived(2 * size + kAesVerifierSize);
  AesKeys keys;
  if (!pbkdf2_hmac_sha1(password, salt, aes_salt_size(strength), kPbkdf2Iterations, derived.data(),
                        derived.size())) {
    return keys;
  }
  keys.cipher_key.assign(derived.begin(), derived.begin() + static_cast<long>(size));
  keys.mac_key.assign(derived.begin() + static_cast<long>(size),
                      derived.begin() + static_cast<long>(2 * size));
  std::memcpy(keys.verifier, derived.data() + 2 * size, kAesVerifierSize);
  return keys;
}

ReadStatus check_aes_password(ByteStream& raw, int strength, uint64_t compressed_size,
                              const std::string& password) {
  AesKeys keys;
  return read_keys(raw, strength, compressed_size, password, keys);
}

std::unique_ptr<WinzipAesStream> open_winzip_aes(std::unique_ptr<ByteStream> raw, int strength,
                                                 uint64_t compressed_size,
                                                 const std::string& password, ReadStatus& status) {
  AesKeys keys;
  status = read_keys(*raw, strength, compressed_size, password, keys);
  if (status != ReadStatus::Ok) return nullptr;
  const uint64_t data_size = compressed_size - aes_overhead(strength);
  auto stream =
      std::make_unique<AesCtrHmacStream>(std::move(raw), data_size, keys, strength, status);
  if (status != ReadStatus::Ok) return nullptr;
  return stream;
}

}  // namespace unzip
