// Key derivation and AES for RAR 2.9-4.x and RAR5 on libcrypto's EVP interface.
#include "rar_crypto.h"

#include <openssl/evp.h>

#include <cstring>
#include <vector>

namespace unrar {
namespace {

// The writers keep at most this many characters of a password.
constexpr size_t kMaxPasswordChars = 127;
constexpr uint32_t kReplacementChar = 0xFFFD;

// Decodes UTF-8 into code points; a malformed sequence becomes U+FFFD so that
// every input gives some key instead of an error.
std::vector<uint32_t> decode_utf8(const std::string& text) {
  std::vector<uint32_t> out;
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<uint8_t>(text[i]);
    size_t extra = 0;
    uint32_t cp = lead;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      cp = lead & 0x07;
    }
    bool ok = lead < 0x80 || (extra > 0 && i + extra < text.size());
    for (size_t k = 1; ok && k <= extra; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      ok = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    const uint32_t shortest = extra == 3 ? 0x10000 : extra == 2 ? 0x800 : 0;
    if (!ok || cp < shortest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(kReplacementChar);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += extra + 1;
  }
  return out;
}

std::vector<uint8_t> utf16le_password(const std::string& passwordUtf8) {
  std::vector<uint8_t> out;
  size_t units = 0;
  auto put = [&out, &units](uint32_t unit) {
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
    ++units;
  };
  for (uint32_t cp : decode_utf8(passwordUtf8)) {
    const size_t needed = cp >= 0x10000 ? 2 : 1;
    if (units + needed > kMaxPasswordChars) break;
    if (needed == 2) {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

std::string utf8_password(const std::string& passwordUtf8) {
  std::string out;
  size_t chars = 0;
  for (uint32_t cp : decode_utf8(passwordUtf8)) {
    if (chars++ == kMaxPasswordChars) break;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

struct DigestContextDeleter {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextDeleter>;

DigestContext new_digest(const EVP_MD* md) {
  DigestContext ctx(EVP_MD_CTX_new());
  if (ctx && EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1) ctx.reset();
  return ctx;
}

// The last byte of the digest of what a context has taken so far.
uint8_t snapshot_last_byte(const EVP_MD_CTX* ctx) {
  DigestContext copy(EVP_MD_CTX_new());
  uint8_t digest[EVP_MAX_MD_SIZE] = {};
  unsigned int size = 0;
  if (!copy || EVP_MD_CTX_copy_ex(copy.get(), ctx) != 1 ||
      EVP_DigestFinal_ex(copy.get(), digest, &size) != 1 || size == 0) {
    return 0;
  }
  return digest[size - 1];
}

uint32_t rotl32(uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

// RAR 2.9's SHA-1 ran its message schedule in the caller's buffer: a 64-byte
// block hashed straight from the input was left holding W[64..79], each word
// little-endian. Later key rounds hash that altered buffer, so it is copied here.
void overwrite_with_schedule_tail(uint8_t* block) {
  uint32_t w[80];
  for (int t = 0; t < 16; ++t) {
    w[t] = static_cast<uint32_t>(block[4 * t]) << 24 |
           static_cast<uint32_t>(block[4 * t + 1]) << 16 |
           static_cast<uint32_t>(block[4 * t + 2]) << 8 | block[4 * t + 3];
  }
  for (int t = 16; t < 80; ++t) w[t] = rotl32(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
  for (int t = 0; t < 16; ++t) {
    const uint32_t word = w[64 + t];
    block[4 * t] = static_cast<uint8_t>(word);
    block[4 * t + 1] = static_cast<uint8_t>(word >> 8);
    block[4 * t + 2] = static_cast<uint8_t>(word >> 16);
    block[4 * t + 3] = static_cast<uint8_t>(word >> 24);
  }
}

// Feeds data as that SHA-1 did: the first bytes complete the pending block
// through its own buffer (even when it was empty); each further whole block is
// taken from data directly and then overwritten.
bool feed_rar3_sha1(EVP_MD_CTX* ctx, uint64_t& fed, uint8_t* data, size_t size) {
  if (EVP_DigestUpdate(ctx, data, size) != 1) return false;
  const size_t pending = fed % 64;
  fed += size;
  if (pending + size < 64) return true;
  for (size_t offset = 64 - pending; offset + 64 <= size; offset += 64) {
    overwrite_with_schedule_tail(data + offset);
  }
  return true;
}

// HMAC-SHA256 with the key's inner and outer states computed once, since the
// key derivation runs it tens of thousands of times with one key.
class HmacSha256 {
 public:
  HmacSha256(const uint8_t* key, size_t keySize) {
    const EVP_MD* md = EVP_sha256();
    uint8_t block[64] = {};
    if (keySize > sizeof block) {
      unsigned int size = 0;
      if (EVP_Digest(key, keySize, block, &size, md, nullptr) != 1) return;
    } else if (keySize > 0) {
      std::memcpy(block, key, keySize);
    }
    uint8_t inner[64];
    uint8_t outer[64];
    for (size_t i = 0; i < sizeof block; ++i) {
      inner[i] = block[i] ^ 0x36;
      outer[i] = block[i] ^ 0x5C;
    }
    inner_ = new_digest(md);
    outer_ = new_digest(md);
    work_.reset(EVP_MD_CTX_new());
    ok_ = inner_ && outer_ && work_ && EVP_DigestUpdate(inner_.get(), inner, 64) == 1 &&
          EVP_DigestUpdate(outer_.get(), outer, 64) == 1;
  }

  bool ok() const { return ok_; }

  bool mac(const uint8_t* data, size_t size, Bytes32& out) {
    unsigned int length = 0;
    return ok_ && EVP_MD_CTX_copy_ex(work_.get(), inner_.get()) == 1 &&
           EVP_DigestUpdate(work_.get(), data, size) == 1 &&
           EVP_DigestFinal_ex(work_.get(), out.data(), &length) == 1 &&
           EVP_MD_CTX_copy_ex(work_.get(), outer_.get()) == 1 &&
           EVP_DigestUpdate(work_.get(), out.data(), out.size()) == 1 &&
           EVP_DigestFinal_ex(work_.get(), out.data(), &length) == 1;
  }

 private:
  DigestContext inner_;
  DigestContext outer_;
  DigestContext work_;
  bool ok_ = false;
};

}  // namespace

// A libcrypto failure (out of memory) gives an all-zero key: the data then
// fails its checks as with a wrong password.
Rar3Key derive_rar3_key(const std::string& passwordUtf8, const uint8_t salt[8]) {
  constexpr uint32_t kRounds = 0x40000;
  constexpr uint32_t kIvInterval = kRounds / 16;
  Rar3Key result{};
  std::vector<uint8_t> seed = utf16le_password(passwordUtf8);
  if (salt != nullptr) seed.insert(seed.end(), salt, salt + 8);

  DigestContext ctx = new_digest(EVP_sha1());
  if (!ctx) return result;
  // Taken out of the loop: it runs 2^18 times.
  EVP_MD_CTX* const sha1 = ctx.get();
  uint8_t* const seedBytes = seed.data();
  const size_t seedSize = seed.size();
  uint64_t fed = 0;
  for (uint32_t round = 0; round < kRounds; ++round) {
    uint8_t counter[3] = {static_cast<uint8_t>(round), static_cast<uint8_t>(round >> 8),
                          static_cast<uint8_t>(round >> 16)};
    if (!feed_rar3_sha1(sha1, fed, seedBytes, seedSize) ||
        !feed_rar3_sha1(sha1, fed, counter, sizeof counter)) {
      return Rar3Key{};
    }
    if (round % kIvInterval == 0) result.iv[round / kIvInterval] = snapshot_last_byte(sha1);
  }
  uint8_t digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(ctx.get(), digest, &size) != 1 || size < 16) return Rar3Key{};
  // The key is the digest's first four big-endian words stored little-endian.
  for (size_t word = 0; word < 4; ++word) {
    for (size_t b = 0; b < 4; ++b) result.key[4 * word + b] = digest[4 * word + 3 - b];
  }
  return result;
}

bool derive_rar5_keys(const std::string& passwordUtf8, const uint8_t salt[16], int lg2Count,
                      Rar5Keys& keys) {
  constexpr int kMaxLg2Count = 24;
  constexpr uint32_t kExtraRounds = 16;
  if (lg2Count < 0 || lg2Count > kMaxLg2Count) return false;
  const std::string password = utf8_password(passwordUtf8);
  HmacSha256 hmac(reinterpret_cast<const uint8_t*>(password.data()), password.size());
  if (!hmac.ok()) return false;

  uint8_t firstBlock[20];
  std::memcpy(firstBlock, salt, 16);
  const uint8_t blockIndex[4] = {0, 0, 0, 1};
  std::memcpy(firstBlock + 16, blockIndex, 4);
  Bytes32 u{};
  if (!hmac.mac(firstBlock, sizeof firstBlock, u)) return false;
  Bytes32 sum = u;

  // One PBKDF2 chain gives all three values: the key after 2^lg2Count rounds,
  // then the hash key and the check value 16 rounds apart.
  // Word by word: the rounds run tens of thousands of times.
  auto run = [&hmac, &u, &sum](uint32_t rounds) {
    uint64_t words[4];
    std::memcpy(words, sum.data(), sizeof words);
    for (uint32_t i = 0; i < rounds; ++i) {
      if (!hmac.mac(u.data(), u.size(), u)) return false;
      uint64_t round[4];
      std::memcpy(round, u.data(), sizeof round);
      words[0] ^= round[0];
      words[1] ^= round[1];
      words[2] ^= round[2];
      words[3] ^= round[3];
    }
    std::memcpy(sum.data(), words, sizeof words);
    return true;
  };
  if (!run((uint32_t{1} << lg2Count) - 1)) return false;
  keys.key = sum;
  if (!run(kExtraRounds)) return false;
  keys.hashKey = sum;
  if (!run(kExtraRounds)) return false;
  keys.passwordCheck = {};
  for (size_t k = 0; k < sum.size(); ++k) keys.passwordCheck[k % 8] ^= sum[k];
  return true;
}

namespace {

// Different salts in one archive are rare; a few cover a set's volumes.
constexpr size_t kKeysKept = 8;

std::string cache_key(char kind, int rounds, const uint8_t* salt, size_t saltSize,
                      const std::string& password) {
  std::string key{kind, static_cast<char>(rounds), salt != nullptr ? '+' : '-'};
  if (salt != nullptr) key.append(reinterpret_cast<const char*>(salt), saltSize);
  return key + password;
}

}  // namespace

const KeyCache::Kept* KeyCache::find(const std::string& key) const {
  for (const Kept& kept : kept_) {
    if (kept.key == key) return &kept;
  }
  return nullptr;
}

void KeyCache::keep(Kept kept) {
  if (find(kept.key) != nullptr) return;
  if (kept_.size() == kKeysKept) kept_.erase(kept_.begin());
  kept_.push_back(std::move(kept));
}

// Worked out outside the lock: two threads asking for one new key both derive it.
Rar3Key KeyCache::rar3_key(const std::string& passwordUtf8, const uint8_t salt[8]) {
  Kept kept{cache_key('3', 0, salt, 8, passwordUtf8)};
  {
    std::lock_guard lock(mutex_);
    if (const Kept* found = find(kept.key)) return found->rar3;
  }
  kept.rar3 = derive_rar3_key(passwordUtf8, salt);
  std::lock_guard lock(mutex_);
  keep(kept);
  return kept.rar3;
}

bool KeyCache::rar5_keys(const std::string& passwordUtf8, const uint8_t salt[16], int lg2Count,
                         Rar5Keys& keys) {
  Kept kept{cache_key('5', lg2Count, salt, 16, passwordUtf8)};
  {
    std::lock_guard lock(mutex_);
    if (const Kept* found = find(kept.key)) {
      keys = found->rar5;
      return true;
    }
  }
  if (!derive_rar5_keys(passwordUtf8, salt, lg2Count, kept.rar5)) return false;
  keys = kept.rar5;
  std::lock_guard lock(mutex_);
  keep(std::move(kept));
  return true;
}

// A libcrypto failure (out of memory) yields a value unlike the plain one, so
// the entry fails its check as bad data instead of passing unchecked.
uint32_t rar5_mac_crc32(uint32_t crc, const Bytes32& hashKey) {
  const uint8_t data[4] = {static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8),
                           static_cast<uint8_t>(crc >> 16), static_cast<uint8_t>(crc >> 24)};
  HmacSha256 hmac(hashKey.data(), hashKey.size());
  Bytes32 mac{};
  if (!hmac.mac(data, sizeof data, mac)) return ~crc;
  uint32_t folded = 0;
  for (size_t i = 0; i < mac.size(); i += 4) {
    folded ^= static_cast<uint32_t>(mac[i]) | static_cast<uint32_t>(mac[i + 1]) << 8 |
              static_cast<uint32_t>(mac[i + 2]) << 16 | static_cast<uint32_t>(mac[i + 3]) << 24;
  }
  return folded;
}

// As with the CRC, a failure yields a value unlike the plain digest.
Bytes32 rar5_mac_blake2sp(const Bytes32& digest, const Bytes32& hashKey) {
  HmacSha256 hmac(hashKey.data(), hashKey.size());
  Bytes32 mac{};
  if (!hmac.mac(digest.data(), digest.size(), mac)) {
    for (size_t i = 0; i < mac.size(); ++i) mac[i] = static_cast<uint8_t>(~digest[i]);
  }
  return mac;
}

struct AesCbcDecryptor::State {
  struct CipherContextDeleter {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
  };
  std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter> ctx;
};

AesCbcDecryptor::AesCbcDecryptor(const uint8_t* key, size_t keyBytes, const Bytes16& iv)
    : state_(std::make_unique<State>()) {
  const EVP_CIPHER* cipher = keyBytes == 16   ? EVP_aes_128_cbc()
                             : keyBytes == 32 ? EVP_aes_256_cbc()
                                              : nullptr;
  if (cipher == nullptr || key == nullptr) return;
  state_->ctx.reset(EVP_CIPHER_CTX_new());
  if (!state_->ctx || EVP_DecryptInit_ex(state_->ctx.get(), cipher, nullptr, key, iv.data()) != 1 ||
      EVP_CIPHER_CTX_set_padding(state_->ctx.get(), 0) != 1) {
    state_->ctx.reset();
  }
}

AesCbcDecryptor::~AesCbcDecryptor() = default;

bool AesCbcDecryptor::decrypt(uint8_t* data, size_t size) {
  if (!state_->ctx || size % 16 != 0) return false;
  // EVP takes an int length; large buffers go through in pieces.
  constexpr size_t kChunk = size_t{1} << 30;
  for (size_t done = 0; done < size;) {
    const size_t piece = size - done < kChunk ? size - done : kChunk;
    int written = 0;
    if (EVP_DecryptUpdate(state_->ctx.get(), data + done, &written, data + done,
                          static_cast<int>(piece)) != 1 ||
        static_cast<size_t>(written) != piece) {
      return false;
    }
    done += piece;
  }
  return true;
}

}  // namespace unrar
