// The carry-less range decoder of RAR's PPMd blocks.
#pragma once

#include <cstdint>

#include "archivekit/ppmd_model.h"
#include "rar_ppmd.h"

namespace unrar {

class PpmdRangeDecoder final : public archivekit::PpmdRangeDecoder {
 public:
  void start(ByteSource& source) {
    source_ = &source;
    bytesPastEnd_ = 0;
    failed_ = false;
    low_ = 0;
    range_ = 0xFFFFFFFF;
    code_ = 0;
    for (int i = 0; i < 4; ++i) code_ = code_ << 8 | next_byte();
  }

  uint32_t threshold(uint32_t total) override {
    if (total == 0 || range_ / total == 0) return fail(total);
    range_ /= total;
    return (code_ - low_) / range_;
  }
  void decode(uint32_t start, uint32_t size) override {
    low_ += range_ * start;
    range_ *= size;
  }
  // RAR codes a binary symbol as any other, with a total of 2^totalBits.
  bool decode_bit(uint32_t size0, unsigned totalBits) override {
    if ((range_ >> totalBits) == 0) {
      fail(0);
    } else {
      range_ >>= totalBits;
      if ((code_ - low_) / range_ < size0) {
        decode(0, size0);
        return false;
      }
    }
    decode(size0, (1u << totalBits) - size0);
    return true;
  }

  void normalize() override {
    constexpr uint32_t kTop = 1u << 24;
    constexpr uint32_t kBottom = 1u << 15;
    // Each round shifts in a byte; a valid stream needs at most a few.
    for (int round = 0; round < 8; ++round) {
      if ((low_ ^ (low_ + range_)) >= kTop) {
        if (range_ >= kBottom) return;
        range_ = (0u - low_) & (kBottom - 1);
      }
      code_ = code_ << 8 | next_byte();
      range_ <<= 8;
      low_ <<= 8;
    }
    failed_ = true;
  }

  // An empty interval, a loop that never settles, or reading far past the end
  // of the packed data (a valid stream ends before its last bytes are needed).
  bool failed() const override { return failed_ || range_ == 0 || bytesPastEnd_ > kSlackBytes; }

 private:
  static constexpr int kSlackBytes = 8;

  uint32_t next_byte() {
    const int byte = source_ ? source_->next_byte() : -1;
    if (byte >= 0) return static_cast<uint32_t>(byte);
    ++bytesPastEnd_;
    return 0;
  }
  uint32_t fail(uint32_t total) {
    failed_ = true;
    return total;
  }

  ByteSource* source_ = nullptr;
  uint32_t low_ = 0;
  uint32_t code_ = 0;
  uint32_t range_ = 0;
  int bytesPastEnd_ = 0;
  bool failed_ = false;
};

}  // namespace unrar
