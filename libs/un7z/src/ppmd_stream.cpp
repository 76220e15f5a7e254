#include "ppmd_stream.h"

#include <algorithm>

#include "archivekit/ppmd_model.h"
#include "coder_streams.h"
#include "un7z.h"

namespace un7z {
namespace {

constexpr size_t kPropertiesSize = 5;  // the order, then the memory size (LE)

// The range decoder of LZMA: the code is kept as its distance from the interval's
// low end, so no carry ever reaches it.
class RangeDecoder final : public archivekit::PpmdRangeDecoder {
 public:
  explicit RangeDecoder(ByteStream& source) : source_(source), input_(kInputBuffer) {}

  // False when the stream cannot start so: its first byte is always 0.
  bool start() {
    range_ = 0xFFFFFFFF;
    code_ = 0;
    const uint32_t first = next_byte();
    for (int i = 0; i < 4; ++i) code_ = code_ << 8 | next_byte();
    return first == 0 && code_ != 0xFFFFFFFF && !failed();
  }

  uint32_t threshold(uint32_t total) override {
    if (total == 0 || range_ / total == 0) {
      damaged_ = true;
      return total;
    }
    range_ /= total;
    return code_ / range_;
  }
  void decode(uint32_t start, uint32_t size) override {
    code_ -= start * range_;
    range_ *= size;
    normalize();
  }
  // The upper part of the interval is the rest of it, not size1 scaled.
  bool decode_bit(uint32_t size0, unsigned totalBits) override {
    const uint32_t bound = (range_ >> totalBits) * size0;
    const bool bit = code_ >= bound;
    if (bit) {
      code_ -= bound;
      range_ -= bound;
    } else {
      range_ = bound;
    }
    normalize();
    return bit;
  }
  void normalize() override {
    // One symbol narrows the range by at most 16 bits: two bytes restore it.
    for (int round = 0; round < 2 && range_ < kTop; ++round) {
      code_ = code_ << 8 | next_byte();
      range_ <<= 8;
    }
  }
  // An empty interval, or reading past the packed data, which a whole stream
  // never needs.
  bool failed() const override {
    return damaged_ || range_ == 0 || bytesPastEnd_ > kSlackBytes || source_.status() != 0;
  }

 private:
  static constexpr uint32_t kTop = 1u << 24;
  static constexpr int kSlackBytes = 4;
  static constexpr size_t kInputBuffer = 64 * 1024;

  uint32_t next_byte() {
    if (position_ == end_) {
      position_ = 0;
      end_ = source_.read(input_.data(), input_.size());
      if (end_ == 0) {
        ++bytesPastEnd_;
        return 0;
      }
    }
    return input_[position_++];
  }

  ByteStream& source_;
  std::vector<uint8_t> input_;
  size_t position_ = 0, end_ = 0;
  uint32_t range_ = 0, code_ = 0;
  int bytesPastEnd_ = 0;
  bool damaged_ = false;
};

class PpmdStream final : public ByteStream {
 public:
  PpmdStream(std::unique_ptr<ByteStream> source, uint64_t outSize)
      : source_(std::move(source)), coder_(*source_), remaining_(outSize) {}

  // UN7Z_SUCCESS, or UN7Z_NO_MEMORY when the model's memory cannot be had.
  int start(size_t memoryBytes, int order) {
    return model_.restart(coder_, memoryBytes, order) ? UN7Z_SUCCESS : UN7Z_NO_MEMORY;
  }

  size_t read(uint8_t* out, size_t size) override {
    size = static_cast<size_t>(std::min<uint64_t>(size, remaining_));
    if (size == 0 || status() != 0) return 0;
    if (!started_) {
      started_ = true;
      if (!coder_.start()) return fail(failure());
    }
    size_t produced = 0;
    while (produced < size) {
      const int symbol = model_.decode_char();
      if (symbol < 0) {
        fail(failure());
        break;
      }
      out[produced++] = static_cast<uint8_t>(symbol);
    }
    remaining_ -= produced;
    return produced;
  }

 private:
  // A failure of the stream below, else damaged data.
  int failure() const { return source_->status() != 0 ? source_->status() : UN7Z_BAD_DATA; }

  std::unique_ptr<ByteStream> source_;
  RangeDecoder coder_;
  archivekit::PpmdModel model_;
  uint64_t remaining_;
  bool started_ = false;
};

}  // namespace

int make_ppmd_stream(const std::vector<uint8_t>& properties, uint64_t outSize,
                     std::unique_ptr<ByteStream> source, std::unique_ptr<ByteStream>& stream) {
  using archivekit::PpmdModel;
  if (properties.size() < kPropertiesSize) return UN7Z_UNSUPPORTED;
  const int order = properties[0];
  const uint32_t memoryBytes =
      static_cast<uint32_t>(properties[1]) | static_cast<uint32_t>(properties[2]) << 8 |
      static_cast<uint32_t>(properties[3]) << 16 | static_cast<uint32_t>(properties[4]) << 24;
  if (order < PpmdModel::kMinOrder || order > PpmdModel::kMaxOrder ||
      memoryBytes < PpmdModel::kMinModelBytes || memoryBytes > PpmdModel::kMaxModelBytes) {
    return UN7Z_UNSUPPORTED;
  }
  if (memoryBytes > kMostDecoderMemory) return UN7Z_NO_MEMORY;
  auto decoder = std::make_unique<PpmdStream>(std::move(source), outSize);
  const int result = decoder->start(memoryBytes, order);
  if (result == UN7Z_SUCCESS) stream = std::move(decoder);
  return result;
}

}  // namespace un7z
