#include "support/ace_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "ace_crypto.h"
#include "support/ace_packer.h"
#include "support/archive_bytes.h"

namespace tessaly::testing {

namespace {

constexpr uint16_t kHasData = 0x0001;
constexpr uint16_t kContinued = 0x1000;
constexpr uint16_t kContinues = 0x2000;
constexpr uint16_t kEncrypted = 0x4000;
constexpr uint16_t kSolid = 0x8000;
constexpr uint16_t kVolumeSet = 0x0800;
constexpr unsigned kFolderAttribute = 0x10;

uint8_t TypeOf(AceMethod method) {
  switch (method) {
    case AceMethod::Stored:
      return 0;
    case AceMethod::Lz77:
      return 1;
    default:
      return 2;
  }
}

uint32_t LoadU32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t k = 0; k < 4; ++k) value |= uint32_t{static_cast<uint8_t>(bytes[at + k])} << 8 * k;
  return value;
}

void StoreU32(std::string& bytes, size_t at, uint32_t value) {
  for (size_t k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>((value >> 8 * k) & 0xFF);
}

// CBC from a zero chain, zero padding to whole blocks; halves are little-endian.
std::string Encrypt(std::string packed, const std::string& password) {
  packed.resize((packed.size() + 7) / 8 * 8, '\0');
  const unace::AceBlowfish cipher(unace::derive_ace_key(password));
  uint32_t chainLeft = 0;
  uint32_t chainRight = 0;
  for (size_t at = 0; at < packed.size(); at += 8) {
    chainLeft ^= LoadU32(packed, at);
    chainRight ^= LoadU32(packed, at + 4);
    cipher.encrypt_block(chainLeft, chainRight);
    StoreU32(packed, at, chainLeft);
    StoreU32(packed, at + 4, chainRight);
  }
  return packed;
}

struct PackedEntry {
  AceFileHeaderFields fields;
  std::string packed;
};

std::vector<PackedEntry> PackEntries(const std::vector<AceTestEntry>& entries,
                                     const AceOptions& options) {
  EXPECT_TRUE(options.dictionaryBits >= 10 && options.dictionaryBits <= 22)
      << "dictionary bits " << options.dictionaryBits;
  const size_t dictionarySize = size_t{1} << options.dictionaryBits;
  std::string dictionary;  // what a solid archive's next entry may refer to
  std::vector<PackedEntry> packed;
  for (const AceTestEntry& entry : entries) {
    PackedEntry out;
    AceFileHeaderFields& fields = out.fields;
    fields.name = entry.name;
    std::replace(fields.name.begin(), fields.name.end(), '/', '\\');
    if (entry.folder) fields.attributes |= kFolderAttribute;
    fields.type = TypeOf(entry.method);
    fields.dictionaryBits = options.dictionaryBits;
    fields.flags = kHasData;
    if (entry.folder || entry.data.empty()) {
      if (!entry.folder) fields.type = 0;
      packed.push_back(std::move(out));
      continue;
    }
    EXPECT_LE(entry.data.size(), std::numeric_limits<uint32_t>::max());
    fields.originalSize = static_cast<uint32_t>(entry.data.size());
    fields.crc = AceCrc32(entry.data);
    if (options.solid) fields.flags |= kSolid;
    if (entry.method == AceMethod::Stored) {
      out.packed = entry.data;
    } else {
      out.packed =
          AcePack(entry.data, options.solid ? dictionary : std::string(), options.dictionaryBits);
    }
    dictionary += entry.data;
    if (!options.solid) dictionary.clear();
    if (dictionary.size() > dictionarySize) dictionary.erase(0, dictionary.size() - dictionarySize);
    if (entry.encrypted) {
      EXPECT_FALSE(options.password.empty()) << entry.name << " is encrypted without a password";
      fields.flags |= kEncrypted;
      out.packed = Encrypt(std::move(out.packed), options.password);
    }
    packed.push_back(std::move(out));
  }
  return packed;
}

// Lays the entries out over volumes of at most volumeData packed bytes each.
std::vector<std::string> Assemble(const std::vector<PackedEntry>& entries,
                                  const AceOptions& options, size_t volumeData, bool volumeSet) {
  AceMainHeaderFields main;
  main.flags = static_cast<uint16_t>((volumeSet ? kVolumeSet : 0) | (options.solid ? kSolid : 0));
  main.versionNeeded = std::any_of(entries.begin(), entries.end(),
                                   [](const PackedEntry& e) { return e.fields.type == 2; })
                           ? 20
                           : 10;
  std::vector<std::string> volumes;
  size_t used = 0;
  const auto startVolume = [&] {
    main.volumeNumber = static_cast<uint8_t>(volumes.size());
    volumes.push_back((volumes.empty() ? options.sfxPrefix : std::string()) + AceMainHeader(main));
    used = 0;
  };
  startVolume();
  for (const PackedEntry& entry : entries) {
    size_t done = 0;
    do {
      if (done < entry.packed.size() && used == volumeData) startVolume();
      const size_t part = std::min(entry.packed.size() - done, volumeData - used);
      AceFileHeaderFields fields = entry.fields;
      fields.packedSize = static_cast<uint32_t>(part);
      if (done > 0) fields.flags |= kContinued;
      if (done + part < entry.packed.size()) fields.flags |= kContinues;
      volumes.back() += AceFileHeader(fields) + entry.packed.substr(done, part);
      used += part;
      done += part;
    } while (done < entry.packed.size());
  }
  return volumes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  EXPECT_TRUE(WriteBinaryFile(path, bytes)) << "cannot write " << path;
}

// name.ace, then name.c00 ... name.c99, then name.100 ...
std::string VolumeName(const std::string& base, size_t index) {
  if (index == 0) return base + ".ace";
  char extension[8];
  std::snprintf(extension, sizeof extension, index <= 100 ? ".c%02zu" : ".%03zu", index - 1);
  return base + extension;
}

}  // namespace

AceTestEntry AceFolder(const std::string& name) {
  AceTestEntry folder;
  folder.name = name;
  folder.folder = true;
  return folder;
}

void WriteAce(const std::string& path, const std::vector<AceTestEntry>& entries,
              const AceOptions& options) {
  const std::vector<std::string> volumes =
      Assemble(PackEntries(entries, options), options, std::numeric_limits<size_t>::max(), false);
  WriteFile(path, volumes.front());
}

std::vector<std::string> WriteAceVolumes(const std::string& base, size_t volumeData,
                                         const std::vector<AceTestEntry>& entries,
                                         const AceOptions& options) {
  EXPECT_GT(volumeData, 0u);
  if (volumeData == 0) return {};
  const std::vector<std::string> volumes =
      Assemble(PackEntries(entries, options), options, volumeData, true);
  std::vector<std::string> paths;
  for (size_t i = 0; i < volumes.size(); ++i) {
    paths.push_back(VolumeName(base, i));
    WriteFile(paths.back(), volumes[i]);
  }
  return paths;
}

}  // namespace tessaly::testing
