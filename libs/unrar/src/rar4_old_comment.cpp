#include "rar4_old_comment.h"

#include <algorithm>
#include <cstring>

#include "archive_crc.h"
#include "rar_decoder.h"
#include "unrar.h"

namespace unrar {
namespace {

constexpr size_t kFixedBytes = 13;
constexpr uint8_t kCommentBlock = 0x75;
constexpr int kStored = 0x30;
// Comments were packed with a fresh 64 KiB window.
constexpr uint64_t kCommentWindow = 64u << 10;

uint16_t le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

class BytesInput : public PackedInput {
 public:
  BytesInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t read(uint8_t* buffer, size_t size) override {
    const size_t count = std::min(size, size_ - pos_);
    std::memcpy(buffer, data_ + pos_, count);
    pos_ += count;
    return count;
  }
  bool failed() const override { return false; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

class TextOutput : public UnpackedOutput {
 public:
  explicit TextOutput(std::string& text) : text_(text) {}
  bool write(const uint8_t* data, size_t size) override {
    text_.append(reinterpret_cast<const char*>(data), size);
    return true;
  }

 private:
  std::string& text_;
};

bool rar15_version(int unpackVersion) {
  return unpackVersion == 13 || unpackVersion == 15;
}
bool rar20_version(int unpackVersion) {
  return unpackVersion == 20 || unpackVersion == 26;
}

}  // namespace

int unpack_old_comment(const std::vector<uint8_t>& block, std::string& text) {
  if (block.size() < kFixedBytes || block[2] != kCommentBlock) return ERAR_BAD_ARCHIVE;
  const uint8_t* p = block.data();
  if ((crc32_continue(0, p + 2, kFixedBytes - 2) & 0xFFFF) != le16(p)) return ERAR_BAD_ARCHIVE;
  const size_t blockSize = le16(p + 5);
  if (blockSize < kFixedBytes || blockSize > block.size()) return ERAR_BAD_ARCHIVE;
  const size_t unpackedSize = le16(p + 7);
  const int unpackVersion = p[9];
  const int method = p[10];
  const uint8_t* packed = p + kFixedBytes;
  const size_t packedSize = blockSize - kFixedBytes;

  text.clear();
  if (method == kStored) {
    if (packedSize < unpackedSize) return ERAR_BAD_DATA;
    text.assign(reinterpret_cast<const char*>(packed), unpackedSize);
  } else {
    if (!rar15_version(unpackVersion) && !rar20_version(unpackVersion)) return ERAR_UNKNOWN;
    const std::unique_ptr<Decoder> decoder = rar15_version(unpackVersion)
                                                 ? make_rar15_decoder(kCommentWindow)
                                                 : make_rar20_decoder(kCommentWindow);
    if (!decoder) return ERAR_NO_MEMORY;
    BytesInput input(packed, packedSize);
    TextOutput output(text);
    if (decoder->decode_entry(input, output, unpackedSize, false) != DecodeResult::ok) {
      return ERAR_BAD_DATA;
    }
  }
  const uint32_t crc =
      crc32_continue(0, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return (crc & 0xFFFF) == le16(p + 11) ? ERAR_SUCCESS : ERAR_BAD_DATA;
}

}  // namespace unrar
