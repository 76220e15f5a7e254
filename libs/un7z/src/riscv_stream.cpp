#include "riscv_stream.h"

#include <algorithm>
#include <cstring>

#include "un7z.h"

namespace un7z {
namespace {

constexpr size_t kLookahead = 8;  // an AUIPC and the instruction it pairs with
constexpr uint32_t kJal = 0xEF;   // the opcode with its rd's lowest bit
constexpr uint32_t kAuipc = 0x17;
constexpr uint32_t kAuipcX2 = kAuipc | 2 << 7;

uint32_t load_le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint32_t load_be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}
void store_le32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// JAL with rd x1 or x5 (calls): the encoder stored the target's bits 20..1 in the
// immediate's place as a plain big-endian number.
void decode_jal(uint8_t* at, uint32_t pc) {
  const uint32_t stored =
      uint32_t{at[1] & 0xF0u} << 13 | uint32_t{at[2]} << 9 | uint32_t{at[3]} << 1;
  const uint32_t offset = stored - pc;
  // The J-type immediate: imm[20|10:1|11|19:12] in bits 31..12.
  at[1] = static_cast<uint8_t>((at[1] & 0x0F) | ((offset >> 8) & 0xF0));
  at[2] = static_cast<uint8_t>(((offset >> 16) & 0x0F) | ((offset >> 7) & 0x10) |
                               ((offset << 4) & 0xE0));
  at[3] = static_cast<uint8_t>(((offset >> 4) & 0x7F) | ((offset >> 13) & 0x80));
}

// An AUIPC whose rd is the next 32-bit instruction's rs1.
bool pairs_with(uint32_t auipc, uint32_t next) {
  return (next & 3) == 3 && ((auipc >> 7) & 0x1F) == ((next >> 15) & 0x1F);
}

// The encoder's form of a pair: AUIPC with rd x2 holding the second instruction's
// low 20 bits (whose rs1, the pair's register, is never x0 or x2), then the target
// in big-endian order. Data that merely looked so was swapped by the encoder the
// other way, which the first branch of decode_auipc undoes.
bool is_encoded_pair(uint32_t auipc) {
  const uint32_t pairRegister = auipc >> 27;
  return (auipc & 0x3FFF) == (kAuipcX2 | 3 << 12) && (pairRegister & 0x1D) != 0;
}

// The bytes done with at an AUIPC: 8 when it was converted, else 4 or 6.
size_t decode_auipc(uint8_t* at, uint32_t pc) {
  uint32_t auipc = load_le32(at);
  uint32_t next;
  if ((auipc & 0xE80) != 0) {  // rd neither x0 nor x2
    next = load_le32(at + 4);
    // Skip far enough that a conversion two bytes on cannot make this a pair.
    if (!pairs_with(auipc, next)) return 6;
    const uint32_t fake = (auipc & 0xFFFFF000) + (next >> 20);
    auipc = kAuipcX2 | next << 12;
    next = fake;
  } else {
    if (!is_encoded_pair(auipc)) return 4;
    const uint32_t target = load_be32(at + 4) - pc;
    next = auipc >> 12 | target << 20;
    // The second instruction's immediate is signed: AUIPC carries the rounding.
    auipc = kAuipc | (auipc >> 27) << 7 | ((target + 0x800) & 0xFFFFF000);
  }
  store_le32(at, auipc);
  store_le32(at + 4, next);
  return 8;
}

// Converts data, which starts at stream position start; returns how many bytes it
// has done with. The rest (under 8 bytes) needs the bytes after it, or is the
// stream's end, which stays as it is.
size_t riscv_decode(uint8_t* data, size_t size, uint32_t start) {
  if (size < kLookahead) return 0;
  size_t i = 0;
  // Instructions are 2-byte aligned (the C extension's are 16-bit).
  while (i <= size - kLookahead) {
    const uint32_t pc = start + static_cast<uint32_t>(i);
    if (data[i] == kJal && (data[i + 1] & 0x0D) == 0) {
      decode_jal(data + i, pc);
      i += 4;
    } else if ((data[i] & 0x7F) == kAuipc) {
      i += decode_auipc(data + i, pc);
    } else {
      i += 2;
    }
  }
  return i;
}

class RiscvStream final : public ByteStream {
 public:
  RiscvStream(std::unique_ptr<ByteStream> source, uint64_t outSize, uint32_t start)
      : source_(std::move(source)), buffer_(kBuffer), remaining_(outSize), position_(start) {}

  size_t read(uint8_t* out, size_t size) override {
    size = static_cast<size_t>(std::min<uint64_t>(size, remaining_));
    if (size == 0 || status() != 0) return 0;
    while (begin_ == converted_) {
      if (sourceEnded_) return fail(UN7Z_BAD_DATA);  // shorter than its folder says
      if (!refill()) return fail(source_->status());
    }
    const size_t piece = std::min(size, converted_ - begin_);
    std::memcpy(out, buffer_.data() + begin_, piece);
    begin_ += piece;
    remaining_ -= piece;
    return piece;
  }

 private:
  static constexpr size_t kBuffer = 64 * 1024;

  // Appends the source's bytes to what awaits conversion and converts them.
  bool refill() {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    while (end_ < buffer_.size() && !sourceEnded_) {
      const size_t got = source_->read(buffer_.data() + end_, buffer_.size() - end_);
      if (got == 0 && source_->status() != 0) return false;
      sourceEnded_ = got == 0;
      end_ += got;
    }
    const size_t done = riscv_decode(buffer_.data(), end_, position_);
    position_ += static_cast<uint32_t>(done);
    converted_ = sourceEnded_ ? end_ : done;
    return true;
  }

  std::unique_ptr<ByteStream> source_;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0, converted_ = 0, end_ = 0;
  bool sourceEnded_ = false;
  uint64_t remaining_;
  uint32_t position_;  // in the stream, of buffer_[0] once converted
};

}  // namespace

int make_riscv_stream(const std::vector<uint8_t>& properties, uint64_t outSize,
                      std::unique_ptr<ByteStream> source, std::unique_ptr<ByteStream>& stream) {
  uint32_t start = 0;
  if (properties.size() == 4) {
    start = load_le32(properties.data());
  } else if (!properties.empty()) {
    return UN7Z_UNSUPPORTED;
  }
  if (start % 2 != 0) return UN7Z_UNSUPPORTED;
  stream = std::make_unique<RiscvStream>(std::move(source), outSize, start);
  return UN7Z_SUCCESS;
}

}  // namespace un7z
