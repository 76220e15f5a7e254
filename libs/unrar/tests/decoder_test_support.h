// What the decoder tests share: packed bytes handed over in uneven reads, output
// collected whole, and the packed data of a RAR 1.5-4 archive's files found by a
// block walker of the tests' own, so that a decoder is tested apart from the layer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive_crc.h"
#include "rar_decoder.h"
#include "rar_ppmd.h"

namespace unrar::test {

using Bytes = std::vector<uint8_t>;

inline Bytes read_corpus(const std::string& name) {
  std::ifstream in(std::string(TESSALY_CORPUS_DIR) + "/rar/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Pseudo-random bytes, the same for the same seed.
inline Bytes noise(size_t size, uint32_t seed) {
  Bytes bytes(size);
  for (uint8_t& b : bytes) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  return bytes;
}

inline Bytes from_hex(const std::string& hex) {
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// Hands bytes to the PPMd model from position from on, counting what it took.
class BytesSource : public ByteSource {
 public:
  explicit BytesSource(const Bytes& bytes, size_t from = 0) : used(from), bytes_(bytes) {}
  int next_byte() override { return used < bytes_.size() ? bytes_[used++] : -1; }
  size_t used;

 private:
  const Bytes& bytes_;
};

inline uint32_t crc_of(const Bytes& bytes) {
  return crc32_continue(0, bytes.data(), bytes.size());
}

// Reads of at most chunk bytes, so that buffer refills fall everywhere. A failing
// input reports a read error once its data is used up.
class BytesInput : public PackedInput {
 public:
  explicit BytesInput(const Bytes& data, size_t chunk = 1021, bool failing = false)
      : data_(data), chunk_(chunk), failing_(failing) {}
  size_t read(uint8_t* buffer, size_t size) override {
    const size_t n = std::min({size, data_.size() - at_, chunk_});
    if (n > 0) std::memcpy(buffer, data_.data() + at_, n);
    at_ += n;
    return n;
  }
  bool failed() const override { return failing_ && at_ == data_.size(); }

 private:
  const Bytes& data_;
  size_t at_ = 0;
  size_t chunk_;
  bool failing_;
};

// Refuses more once stopAfter bytes have come.
class CollectingOutput : public UnpackedOutput {
 public:
  bool write(const uint8_t* data, size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    largestPiece = std::max(largestPiece, size);
    ++pieces;
    return bytes.size() < stopAfter;
  }
  Bytes bytes;
  size_t largestPiece = 0;
  size_t pieces = 0;
  size_t stopAfter = SIZE_MAX;
};

struct Decoded {
  DecodeResult result;
  Bytes bytes;
  std::string text() const { return std::string(bytes.begin(), bytes.end()); }
};

inline Decoded decode(Decoder& decoder, const Bytes& packed, uint64_t size, bool solid = false) {
  BytesInput input(packed);
  CollectingOutput output;
  const DecodeResult result = decoder.decode_entry(input, output, size, solid);
  return {result, std::move(output.bytes)};
}

struct PackedFile {
  Bytes packed;
  uint64_t unpackedSize = 0;
  uint32_t crc = 0;
};

// The files of a RAR 1.5-4 archive of the corpus (folders left out), each with the
// packed data this volume holds of it.
inline std::vector<PackedFile> rar4_files(const std::string& archive) {
  static const uint8_t kMarker[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  const Bytes d = read_corpus(archive);
  const auto le = [&](size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes; i-- > 0;) value = value << 8 | d[at + i];
    return value;
  };
  std::vector<PackedFile> files;
  size_t at =
      static_cast<size_t>(std::search(d.begin(), d.end(), kMarker, kMarker + 7) - d.begin()) + 7;
  while (at + 7 <= d.size()) {
    const uint32_t type = d[at + 2], flags = le(at + 3, 2), headSize = le(at + 5, 2);
    if (headSize < 7 || type == 0x7B || at + headSize > d.size()) break;
    uint64_t dataSize = (flags & 0x8000) && headSize >= 11 ? le(at + 7, 4) : 0;
    dataSize = std::min<uint64_t>(dataSize, d.size() - at - headSize);
    if (type == 0x74 && headSize >= 32 && (flags & 0xE0) != 0xE0) {
      PackedFile file;
      file.packed.assign(d.begin() + at + headSize, d.begin() + at + headSize + dataSize);
      file.unpackedSize = le(at + 11, 4);
      file.crc = le(at + 16, 4);
      files.push_back(std::move(file));
    }
    at += headSize + dataSize;
  }
  return files;
}

}  // namespace unrar::test
