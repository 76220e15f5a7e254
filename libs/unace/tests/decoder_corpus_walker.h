// A small walker of ACE archives for the decoder tests: every file's packed data
// (parts of split files joined) with what its header records.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace decoder_test {

inline const std::string kCorpus = std::string(TESSALY_CORPUS_DIR) + "/ace/";

inline uint32_t le16(const std::vector<uint8_t>& d, size_t at) {
  return d.at(at) | d.at(at + 1) << 8;
}
inline uint32_t le32(const std::vector<uint8_t>& d, size_t at) {
  return le16(d, at) | le16(d, at + 2) << 16;
}

// Register started at all ones, no final inversion.
inline uint32_t ace_crc32(const std::string& bytes) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : bytes) crc = table[(crc ^ c) & 0xFF] ^ (crc >> 8);
  return crc;
}

struct PackedFile {
  std::string name;
  std::vector<uint8_t> packed;
  uint32_t size = 0;
  uint32_t crc = 0;
  unsigned type = 0;
  bool encrypted = false;
  bool folder = false;
};

struct Walked {
  bool solid = false;
  std::vector<PackedFile> files;
};

inline Walked walk(const std::vector<std::string>& volumes) {
  Walked walked;
  for (const std::string& volume : volumes) {
    std::ifstream in(kCorpus + volume, std::ios::binary);
    const std::vector<uint8_t> d{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
    const std::string text(d.begin(), d.end());
    const size_t signature = text.find("**ACE**");
    if (signature == std::string::npos || signature < 7) continue;
    size_t at = signature - 7;
    walked.solid = (le16(d, at + 5) & 0x8000) != 0;
    at += 4 + le16(d, at + 2);
    while (at + 11 <= d.size()) {
      const size_t body = at + 4;
      const size_t headSize = le16(d, at + 2);
      const unsigned flags = le16(d, body + 1);
      const size_t added = (flags & 1) ? le32(d, body + 3) : 0;
      if (d[body] == 1 && body + 31 <= d.size()) {
        const size_t dataStart = body + headSize;
        const size_t dataEnd = std::min(d.size(), dataStart + added);
        if (!(flags & 0x1000) || walked.files.empty()) {
          PackedFile file;
          file.name = text.substr(body + 31, le16(d, body + 29));
          file.size = le32(d, body + 7);
          file.type = d[body + 23];
          file.encrypted = (flags & 0x4000) != 0;
          file.folder = (le32(d, body + 15) & 0x10) != 0;
          walked.files.push_back(file);
        }
        walked.files.back().crc = le32(d, body + 19);
        if (dataStart < dataEnd) {
          walked.files.back().packed.insert(walked.files.back().packed.end(), d.begin() + dataStart,
                                            d.begin() + dataEnd);
        }
      }
      at = body + headSize + added;
    }
  }
  return walked;
}

}  // namespace decoder_test
