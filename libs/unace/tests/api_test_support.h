// What the API and writer tests share: a temporary folder, walks over an archive
// through the C API, and deterministic data to pack.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ace_crc.h"
#include "support/ace_writer.h"
#include "support/files.h"
#include "unace.h"

namespace unace::testing {

namespace fs = std::filesystem;
using tessaly::testing::AceFolder;
using tessaly::testing::AceMethod;
using tessaly::testing::AceOptions;
using tessaly::testing::AceTestEntry;
using tessaly::testing::ReadFileText;
using tessaly::testing::TreeOf;
using tessaly::testing::WriteAce;
using tessaly::testing::WriteAceVolumes;
using tessaly::testing::WriteFileText;

inline const std::string kCorpus = std::string(TESSALY_CORPUS_DIR) + "/ace/";

using tessaly::testing::TempFolder;

// A temporary folder with an empty destination folder "out" in it.
class ApiTest : public ::testing::Test {
 protected:
  ApiTest() { fs::create_directory(out); }
  TempFolder temp;
  const std::string out = temp / "out";
};

inline std::string RandomBytes(uint64_t seed, size_t size) {
  std::mt19937_64 random(seed);
  std::string out(size, '\0');
  for (char& byte : out) byte = static_cast<char>(random());
  return out;
}

// Log lines: many short and long repeats at all distances.
inline std::string LogText(uint64_t seed, size_t size) {
  static const char* const kWords[] = {"request ", "worker ", "cache miss ", "upload ", "retry "};
  std::mt19937_64 random(seed);
  std::string out;
  while (out.size() < size) {
    out += std::to_string(random() % 1000000) + " " + kWords[random() % 5] + kWords[random() % 5] +
           "id=" + std::to_string(random() % (1u << 20)) + "\n";
  }
  out.resize(size);
  return out;
}

inline HANDLE Open(const std::string& path, unsigned mode, unsigned* openResult = nullptr) {
  ACEOpenArchiveData data{};
  data.ArcName = path.c_str();
  data.OpenMode = mode;
  data.OpenResult = 0xDEAD;
  HANDLE handle = ACEOpenArchive(&data);
  if (openResult) *openResult = data.OpenResult;
  return handle;
}

struct EntryResult {
  std::string name;
  int code = 0;  // of ACEProcessFile
};

struct WalkResult {
  unsigned openResult = 0;
  std::vector<EntryResult> entries;
  int endCode = 0;  // of the ACEReadHeader that ended the walk
};

// Opens path, reads every header and processes each entry with operation.
inline WalkResult Walk(const std::string& path, unsigned mode, int operation,
                       const std::string& destination = "", const char* password = nullptr) {
  WalkResult walk;
  HANDLE handle = Open(path, mode, &walk.openResult);
  if (!handle) return walk;
  if (password) ACESetPassword(handle, const_cast<char*>(password));
  ACEHeaderData header{};
  while ((walk.endCode = ACEReadHeader(handle, &header)) == ACE_SUCCESS) {
    const int code = ACEProcessFile(
        handle, operation, destination.empty() ? nullptr : const_cast<char*>(destination.c_str()));
    walk.entries.push_back({header.FileNameW, code});
  }
  ACECloseArchive(handle);
  return walk;
}

inline std::vector<int> Codes(const WalkResult& walk) {
  std::vector<int> codes;
  for (const auto& entry : walk.entries) codes.push_back(entry.code);
  return codes;
}

// Overwrites bytes of the first file header's body (offsets count from its type
// byte) and makes its CRC match again.
inline std::string PatchFirstFileHeader(std::string bytes, size_t bodyOffset,
                                        const std::string& replacement) {
  const auto u16 = [&](size_t at) {
    return static_cast<size_t>(static_cast<uint8_t>(bytes[at]) |
                               (static_cast<uint8_t>(bytes[at + 1]) << 8));
  };
  const size_t header = 4 + u16(2);
  const size_t body = header + 4;
  bytes.replace(body + bodyOffset, replacement.size(), replacement);
  const uint16_t crc =
      ace_crc16(reinterpret_cast<const uint8_t*>(bytes.data()) + body, u16(header + 2));
  bytes[header] = static_cast<char>(crc & 0xFF);
  bytes[header + 1] = static_cast<char>(crc >> 8);
  return bytes;
}

}  // namespace unace::testing
