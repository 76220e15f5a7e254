#include "support/rar_writer.h"

#include "support/archive_bytes.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace tessaly::testing {

namespace {

constexpr uint32_t kDosTime = (44u << 25) | (1u << 21) | (2u << 16) | (3u << 11) | (4u << 5) | 3u;
constexpr uint32_t kUnixTime = 1704164646;  // the same moment, 2024-01-02 03:04:06 UTC
constexpr uint8_t kRar5KdfCount = 15;
const std::string kRar4Signature("Rar!\x1a\x07\x00", 7);
const std::string kRar5Signature("Rar!\x1a\x07\x01\x00", 8);
const std::string kRar4Salt("\x11\x22\x33\x44\x55\x66\x77\x88", 8);
const std::string kRar5Salt("saltsaltsaltsalt");
const std::string kRar5FileIv("0123456789abcdef");

struct RarAesKey {
  std::string key;
  std::string iv;
};
struct Rar5DerivedKeys {
  std::string key;
  std::string hashKey;
  std::string check;
};

uint32_t Crc32(const std::string& bytes) {
  return ~Crc32Register(bytes);
}

void PutVint(std::string& out, uint64_t value) {
  do {
    uint8_t byte = value & 0x7F;
    value >>= 7;
    if (value != 0) byte |= 0x80;
    out += static_cast<char>(byte);
  } while (value != 0);
}

std::string Vint(uint64_t value) {
  std::string out;
  PutVint(out, value);
  return out;
}

std::string ZeroPadded(std::string bytes) {
  bytes.resize((bytes.size() + 15) / 16 * 16, '\0');
  return bytes;
}

// AES-CBC without padding of its own: the formats pad with zeros.
std::string AesCbcEncrypt(const std::string& key, const std::string& iv, const std::string& plain) {
  const std::string padded = ZeroPadded(plain);
  std::string cipher(padded.size(), '\0');
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  const EVP_CIPHER* type = key.size() == 16 ? EVP_aes_128_cbc() : EVP_aes_256_cbc();
  int length = 0;
  const bool ok =
      EVP_EncryptInit_ex(ctx, type, nullptr, reinterpret_cast<const unsigned char*>(key.data()),
                         reinterpret_cast<const unsigned char*>(iv.data())) == 1 &&
      EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
      EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(cipher.data()), &length,
                        reinterpret_cast<const unsigned char*>(padded.data()),
                        static_cast<int>(padded.size())) == 1;
  EVP_CIPHER_CTX_free(ctx);
  EXPECT_TRUE(ok) << "AES encryption failed";
  return cipher;
}

// RAR 2.9: 2^18 rounds of SHA-1 over the UTF-16LE password, the salt and a counter.
RarAesKey Rar4KeyOf(const std::string& password, const std::string& salt) {
  EXPECT_LE(password.size(), 28u) << "longer RAR4 passwords need the SHA-1 quirk";
  std::string seed;
  for (char c : password) {
    seed += c;
    seed += '\0';
  }
  seed += salt;
  RarAesKey result{std::string(16, '\0'), std::string(16, '\0')};
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  EVP_MD_CTX* copy = EVP_MD_CTX_new();
  EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
  unsigned char digest[SHA_DIGEST_LENGTH];
  unsigned int length = 0;
  constexpr uint32_t kRounds = 0x40000;
  for (uint32_t i = 0; i < kRounds; ++i) {
    EVP_DigestUpdate(ctx, seed.data(), seed.size());
    const unsigned char counter[3] = {static_cast<unsigned char>(i & 0xFF),
                                      static_cast<unsigned char>((i >> 8) & 0xFF),
                                      static_cast<unsigned char>((i >> 16) & 0xFF)};
    EVP_DigestUpdate(ctx, counter, 3);
    if (i % (kRounds / 16) == 0) {
      EVP_MD_CTX_copy_ex(copy, ctx);
      EVP_DigestFinal_ex(copy, digest, &length);
      result.iv[i / (kRounds / 16)] = static_cast<char>(digest[19]);
    }
  }
  EVP_DigestFinal_ex(ctx, digest, &length);
  EVP_MD_CTX_free(copy);
  EVP_MD_CTX_free(ctx);
  for (int word = 0; word < 4; ++word) {
    for (int b = 0; b < 4; ++b)
      result.key[4 * word + b] = static_cast<char>(digest[4 * word + 3 - b]);
  }
  return result;
}

std::string HmacSha256(const std::string& key, const std::string& message) {
  unsigned char out[32];
  unsigned int length = 0;
  HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
       reinterpret_cast<const unsigned char*>(message.data()), message.size(), out, &length);
  return std::string(reinterpret_cast<char*>(out), 32);
}

// One PBKDF2-HMAC-SHA256 chain: the key after 2^count rounds, the hash key 16 rounds
// later and the folded check value 16 rounds after that.
Rar5DerivedKeys Rar5KeyChain(const std::string& password, const std::string& salt) {
  Rar5DerivedKeys keys;
  std::string u = HmacSha256(password, salt + std::string("\0\0\0\1", 4));
  std::string f = u;
  const uint32_t rounds = 1u << kRar5KdfCount;
  for (uint32_t i = 1; i < rounds + 32; ++i) {
    if (i == rounds) keys.key = f;
    if (i == rounds + 16) keys.hashKey = f;
    u = HmacSha256(password, u);
    for (size_t k = 0; k < f.size(); ++k) f[k] ^= u[k];
  }
  keys.check.assign(8, '\0');
  for (size_t k = 0; k < f.size(); ++k) keys.check[k % 8] ^= f[k];
  return keys;
}

std::string CheckSum(const std::string& check) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(check.data()), check.size(), digest);
  return std::string(reinterpret_cast<char*>(digest), 4);
}

uint32_t MacedCrc(const std::string& hashKey, uint32_t crc) {
  std::string value;
  PutLe32(value, crc);
  const std::string mac = HmacSha256(hashKey, value);
  uint32_t folded = 0;
  for (size_t i = 0; i < mac.size(); ++i) {
    folded ^= static_cast<uint32_t>(static_cast<unsigned char>(mac[i])) << (8 * (i % 4));
  }
  return folded;
}

// One entry's share of one volume.
struct Piece {
  const RarTestEntry* entry;
  std::string packed;
  bool splitBefore;
  bool splitAfter;
};

using Volumes = std::vector<std::vector<Piece>>;

struct Keys {
  RarAesKey rar4;
  Rar5DerivedKeys rar5;
};

bool Encrypted(const RarTestEntry& entry, const RarOptions& options) {
  return !entry.folder && (entry.encrypted || options.encryptHeaders);
}

bool IsLink(const RarTestEntry& entry) {
  return !entry.linkTarget.empty();
}

// RAR 4 links carry their target as data; RAR5 ones in an extra record.
std::string Content(const RarTestEntry& entry, const RarOptions& options) {
  if (!IsLink(entry)) return entry.data;
  return options.format == RarFormat::Rar4 ? entry.linkTarget : "";
}

uint32_t ModeOf(const RarTestEntry& entry) {
  if (entry.mode != 0) return entry.mode;
  if (IsLink(entry)) return 0120777;
  return entry.folder ? 040755 : 0100644;
}

std::string Pack(const RarTestEntry& entry, const RarOptions& options, const Keys& keys) {
  if (entry.folder) return {};
  if (!entry.packed.empty()) return entry.packed;
  if (IsLink(entry)) return Content(entry, options);
  if (!Encrypted(entry, options)) return entry.data;
  if (options.format == RarFormat::Rar4)
    return AesCbcEncrypt(keys.rar4.key, keys.rar4.iv, entry.data);
  return AesCbcEncrypt(keys.rar5.key, kRar5FileIv, entry.data);
}

Volumes Distribute(const std::vector<RarTestEntry>& entries, const RarOptions& options,
                   const Keys& keys, size_t volumeData) {
  Volumes volumes(1);
  size_t room = volumeData;
  for (const RarTestEntry& entry : entries) {
    const std::string packed = Pack(entry, options, keys);
    size_t offset = 0;
    do {
      if (room == 0 && offset < packed.size()) {
        volumes.emplace_back();
        room = volumeData;
      }
      const size_t take = std::min(room, packed.size() - offset);
      volumes.back().push_back(
          {&entry, packed.substr(offset, take), offset > 0, offset + take < packed.size()});
      offset += take;
      room -= take;
    } while (offset < packed.size());
  }
  return volumes;
}

uint32_t PieceCrc(const Piece& piece, const RarOptions& options, const Keys& keys) {
  if (piece.splitAfter) return Crc32(piece.packed);
  const uint32_t crc = Crc32(Content(*piece.entry, options)) ^ (piece.entry->wrongCrc ? 1u : 0u);
  if (options.format == RarFormat::Rar5 && Encrypted(*piece.entry, options)) {
    return MacedCrc(keys.rar5.hashKey, crc);
  }
  return crc;
}

// ---- RAR 2.9-4.x ----

std::string Rar4Block(uint8_t type, uint16_t flags, const std::string& body) {
  std::string header;
  PutLe16(header, 0);
  header += static_cast<char>(type);
  PutLe16(header, flags);
  PutLe16(header, static_cast<uint32_t>(7 + body.size()));
  header += body;
  const uint32_t crc = Crc32(header.substr(2)) & 0xFFFF;
  header[0] = static_cast<char>(crc & 0xFF);
  header[1] = static_cast<char>(crc >> 8);
  return header;
}

std::string Rar4FileHeader(const Piece& piece, const RarOptions& options, const Keys& keys) {
  const RarTestEntry& entry = *piece.entry;
  const bool encrypted = Encrypted(entry, options);
  uint16_t flags = 0x8000;
  if (piece.splitBefore) flags |= 0x0001;
  if (piece.splitAfter) flags |= 0x0002;
  // The old ciphers have no salt.
  if (encrypted) flags |= entry.packed.empty() ? 0x0004 | 0x0400 : 0x0004;
  if (entry.folder) flags |= 0x00E0;
  std::string name = entry.name;
  std::replace(name.begin(), name.end(), '/', '\\');

  std::string body;
  PutLe32(body, static_cast<uint32_t>(piece.packed.size()));
  PutLe32(body, static_cast<uint32_t>(Content(entry, options).size()));
  body += '\x03';  // a Unix host: attributes are a mode
  PutLe32(body, entry.folder ? 0 : PieceCrc(piece, options, keys));
  PutLe32(body, kDosTime);
  body += static_cast<char>(entry.rar4Version);
  body += static_cast<char>(entry.rar4Method);
  PutLe16(body, static_cast<uint32_t>(name.size()));
  PutLe32(body, ModeOf(entry));
  body += name;
  if (encrypted && entry.packed.empty()) body += kRar4Salt;
  return Rar4Block(0x74, flags, body);
}

std::string Rar4Volume(const std::vector<Piece>& pieces, size_t index, size_t count, bool volumeSet,
                       RarVolumeNaming naming, const RarOptions& options, const Keys& keys) {
  const bool last = index + 1 == count;
  const auto wrap = [&](const std::string& header) {
    if (!options.encryptHeaders) return header;
    return kRar4Salt + AesCbcEncrypt(keys.rar4.key, keys.rar4.iv, header);
  };
  uint16_t mainFlags = 0;
  if (volumeSet) mainFlags |= 0x0001;
  if (volumeSet && index == 0) mainFlags |= 0x0100;
  if (volumeSet && naming == RarVolumeNaming::PartN) mainFlags |= 0x0010;
  if (options.encryptHeaders) mainFlags |= 0x0080;
  if (options.solid) mainFlags |= 0x0008;

  std::string out = kRar4Signature + Rar4Block(0x73, mainFlags, std::string(6, '\0'));
  for (const Piece& piece : pieces)
    out += wrap(Rar4FileHeader(piece, options, keys)) + piece.packed;
  std::string endBody;
  uint16_t endFlags = 0x4000;
  if (volumeSet) {
    endFlags |= 0x0008;
    if (!last) endFlags |= 0x0001;
    PutLe16(endBody, static_cast<uint32_t>(index));
  }
  return out + wrap(Rar4Block(0x7B, endFlags, endBody));
}

// ---- RAR5 ----

std::string Rar5Block(uint64_t type, uint64_t flags, const std::string& fields,
                      const std::string& extra, const std::string* data) {
  std::string inner = Vint(type);
  if (!extra.empty()) flags |= 0x0001;
  if (data != nullptr) flags |= 0x0002;
  PutVint(inner, flags);
  if (!extra.empty()) PutVint(inner, extra.size());
  if (data != nullptr) PutVint(inner, data->size());
  inner += fields + extra;
  const std::string sized = Vint(inner.size()) + inner;
  std::string header;
  PutLe32(header, Crc32(sized));
  return header + sized;
}

std::string Rar5EncryptionRecord(const Keys& keys) {
  std::string record = Vint(0x01);
  PutVint(record, 0);       // AES-256
  PutVint(record, 0x0003);  // a password check, MACed checksums
  record += static_cast<char>(kRar5KdfCount);
  record += kRar5Salt + kRar5FileIv + keys.rar5.check + CheckSum(keys.rar5.check);
  return Vint(record.size()) + record;
}

std::string Rar5FileHeader(const Piece& piece, const RarOptions& options, const Keys& keys) {
  const RarTestEntry& entry = *piece.entry;
  uint64_t flags = 0;
  if (piece.splitBefore) flags |= 0x0008;
  if (piece.splitAfter) flags |= 0x0010;
  std::string fields;
  PutVint(fields, entry.folder ? 0x0003 : 0x0006);
  PutVint(fields, Content(entry, options).size());
  PutVint(fields, ModeOf(entry));
  PutLe32(fields, kUnixTime);
  if (!entry.folder) PutLe32(fields, PieceCrc(piece, options, keys));
  PutVint(fields, entry.rar5Compression);
  PutVint(fields, 1);  // a Unix host
  PutVint(fields, entry.name.size());
  fields += entry.name;
  std::string extra = Encrypted(entry, options) ? Rar5EncryptionRecord(keys) : "";
  if (IsLink(entry)) {
    std::string record = Vint(0x05);
    // A folder link as Windows stores it, or a Unix symbolic link.
    PutVint(record, entry.folder ? 2 : 1);
    PutVint(record, entry.folder ? 1 : 0);
    PutVint(record, entry.linkTarget.size());
    record += entry.linkTarget;
    extra += Vint(record.size()) + record;
  }
  return Rar5Block(2, flags, fields, extra, &piece.packed);
}

std::string Rar5Volume(const std::vector<Piece>& pieces, size_t index, size_t count, bool volumeSet,
                       const RarOptions& options, const Keys& keys) {
  const bool last = index + 1 == count;
  const std::string headerIv = "headerivheaderiv";
  const auto wrap = [&](const std::string& header) {
    if (!options.encryptHeaders) return header;
    return headerIv + AesCbcEncrypt(keys.rar5.key, headerIv, header);
  };
  std::string out = kRar5Signature;
  if (options.encryptHeaders) {
    std::string fields = Vint(0);
    PutVint(fields, 0x0001);
    fields += static_cast<char>(kRar5KdfCount);
    fields += kRar5Salt + keys.rar5.check + CheckSum(keys.rar5.check);
    out += Rar5Block(4, 0, fields, "", nullptr);
  }
  std::string mainFields;
  uint64_t archiveFlags = volumeSet ? 0x0001 : 0;
  if (volumeSet && index > 0) archiveFlags |= 0x0002;
  PutVint(mainFields, archiveFlags);
  if (volumeSet && index > 0) PutVint(mainFields, index);
  out += wrap(Rar5Block(1, 0, mainFields, "", nullptr));
  for (const Piece& piece : pieces)
    out += wrap(Rar5FileHeader(piece, options, keys)) + piece.packed;
  return out + wrap(Rar5Block(5, 0, Vint(last ? 0 : 1), "", nullptr));
}

// ---- files ----

std::string VolumeName(const std::string& base, RarVolumeNaming naming, size_t index) {
  char number[32];
  switch (naming) {
    case RarVolumeNaming::OldStyle:
      if (index == 0) return base + ".rar";
      std::snprintf(number, sizeof number, ".r%02zu", index - 1);
      return base + number;
    case RarVolumeNaming::PartN:
      return base + ".part" + std::to_string(index + 1) + ".rar";
    case RarVolumeNaming::Numbered:
      std::snprintf(number, sizeof number, ".%03zu", index + 1);
      return base + number;
  }
  return base;
}

Keys KeysFor(const std::vector<RarTestEntry>& entries, const RarOptions& options) {
  Keys keys;
  const bool needed = options.encryptHeaders ||
                      std::any_of(entries.begin(), entries.end(), [](const RarTestEntry& e) {
                        return e.encrypted && e.packed.empty();
                      });
  if (!needed) return keys;
  if (options.format == RarFormat::Rar4) {
    keys.rar4 = Rar4KeyOf(options.password, kRar4Salt);
  } else {
    keys.rar5 = Rar5KeyChain(options.password, kRar5Salt);
  }
  return keys;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  EXPECT_TRUE(WriteBinaryFile(path, bytes)) << "could not write " << path;
}

std::vector<std::string> WriteVolumes(const std::vector<std::string>& paths, const Volumes& volumes,
                                      bool volumeSet, RarVolumeNaming naming,
                                      const RarOptions& options, const Keys& keys) {
  for (size_t i = 0; i < volumes.size(); ++i) {
    std::string bytes =
        options.format == RarFormat::Rar4
            ? Rar4Volume(volumes[i], i, volumes.size(), volumeSet, naming, options, keys)
            : Rar5Volume(volumes[i], i, volumes.size(), volumeSet, options, keys);
    if (i == 0) bytes = options.sfxPrefix + bytes;
    WriteBytes(paths[i], bytes);
  }
  return paths;
}

}  // namespace

RarTestEntry RarFolder(const std::string& name) {
  RarTestEntry folder;
  folder.name = name;
  folder.folder = true;
  return folder;
}

void WriteRar(const std::string& path, const std::vector<RarTestEntry>& entries,
              const RarOptions& options) {
  const Keys keys = KeysFor(entries, options);
  const Volumes volumes = Distribute(entries, options, keys, std::numeric_limits<size_t>::max());
  WriteVolumes({path}, volumes, false, RarVolumeNaming::OldStyle, options, keys);
}

std::vector<std::string> WriteRarVolumes(const std::string& base, RarVolumeNaming naming,
                                         size_t volumeData,
                                         const std::vector<RarTestEntry>& entries,
                                         const RarOptions& options) {
  const Keys keys = KeysFor(entries, options);
  const Volumes volumes = Distribute(entries, options, keys, volumeData);
  std::vector<std::string> paths;
  for (size_t i = 0; i < volumes.size(); ++i) paths.push_back(VolumeName(base, naming, i));
  return WriteVolumes(paths, volumes, true, naming, options, keys);
}

}  // namespace tessaly::testing
