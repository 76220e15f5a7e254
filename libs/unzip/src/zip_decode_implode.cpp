// Implode (method 6): LZ77 with a 4 or 8 KiB window whose lengths, distances and
// (optionally) literals are coded with Shannon-Fano trees sent at the start of the
// stream. General-purpose bit 1 selects the 8 KiB window, bit 2 the literal tree.
// Decoding stops at the entry's size.
#include <algorithm>
#include <array>

#include "archivekit/prefix_table.h"
#include "zip_decoders.h"
#include "zip_window_stream.h"

namespace unzip {
namespace {

constexpr uint16_t kFlagLargeWindow = 1 << 1;
constexpr uint16_t kFlagLiteralTree = 1 << 2;
constexpr std::size_t kHistory = 8192;
constexpr unsigned kLiteralSymbols = 256;
constexpr unsigned kLengthSymbols = 64;
constexpr unsigned kDistanceSymbols = 64;
constexpr unsigned kLongLengthSymbol = 63;
constexpr std::size_t kLongestMatch = kLongLengthSymbol + 255 + 3;
constexpr unsigned kRootBits = 10;

class ImplodeDecoder final : public archivekit::WindowDecoder {
 public:
  ImplodeDecoder(std::unique_ptr<archivekit::PackedInput> raw, uint16_t flags, uint64_t size)
      : WindowDecoder(std::move(raw), kHistory, kLongestMatch),
        literal_tree_((flags & kFlagLiteralTree) != 0),
        distance_low_bits_((flags & kFlagLargeWindow) ? 7 : 6),
        min_match_(literal_tree_ ? 3 : 2),
        size_(size) {}

 private:
  Step decode(std::size_t limit) override {
    if (!trees_read_) {
      const Step step = read_trees();
      if (step != Step::More) return step;
      trees_read_ = true;
    }
    while (pos_ < limit) {
      if (total_out() == size_) return Step::End;
      uint32_t is_literal;
      if (!in_.read(1, is_literal)) return Step::Truncated;
      const Step step = is_literal ? literal() : match();
      if (step != Step::More) return step;
    }
    return Step::More;
  }

  Step literal() {
    uint32_t byte;
    if (literal_tree_) {
      const int symbol = literals_.decode(in_);
      if (symbol < 0) return broken();
      byte = static_cast<uint32_t>(symbol);
    } else if (!in_.read(8, byte)) {
      return Step::Truncated;
    }
    out_[pos_++] = static_cast<unsigned char>(byte);
    return Step::More;
  }

  Step match() {
    uint32_t low;
    if (!in_.read(distance_low_bits_, low)) return Step::Truncated;
    const int high = distances_.decode(in_);
    if (high < 0) return broken();
    const std::size_t distance = (static_cast<std::size_t>(high) << distance_low_bits_) + low + 1;
    const int symbol = lengths_.decode(in_);
    if (symbol < 0) return broken();
    std::size_t length = static_cast<std::size_t>(symbol);
    if (symbol == kLongLengthSymbol) {
      uint32_t extra;
      if (!in_.read(8, extra)) return Step::Truncated;
      length += extra;
    }
    length += min_match_;
    const uint64_t room = size_ - total_out();
    if (length > room) length = static_cast<std::size_t>(room);
    // Distances reach at most 8 KiB back; before the first byte the history is zeros.
    const unsigned char* from = out_ + pos_ - distance;
    for (std::size_t i = 0; i < length; ++i) out_[pos_ + i] = from[i];
    pos_ += length;
    return Step::More;
  }

  // The trees are complete, so a code fails only where the input ends (or the
  // stage below failed).
  static Step broken() { return Step::Truncated; }

  Step read_trees() {
    if (literal_tree_) {
      const Step step = read_tree(literals_, kLiteralSymbols);
      if (step != Step::More) return step;
    }
    const Step step = read_tree(lengths_, kLengthSymbols);
    if (step != Step::More) return step;
    return read_tree(distances_, kDistanceSymbols);
  }

  // A byte count, then bytes of (run - 1, length - 1) nibbles giving the code
  // lengths of consecutive symbols; the runs must cover the symbols exactly.
  Step read_tree(archivekit::PrefixTable& table, unsigned symbols) {
    std::array<uint8_t, kLiteralSymbols> lengths{};
    uint32_t count;
    if (!in_.read(8, count)) return Step::Truncated;
    unsigned filled = 0;
    for (uint32_t i = 0; i <= count; ++i) {
      uint32_t byte;
      if (!in_.read(8, byte)) return Step::Truncated;
      const unsigned run = (byte >> 4) + 1;
      if (run > symbols - filled) return Step::Invalid;
      for (unsigned j = 0; j < run; ++j) lengths[filled++] = static_cast<uint8_t>((byte & 15) + 1);
    }
    if (filled != symbols) return Step::Invalid;
    return table.build(lengths.data(), symbols, kRootBits,
                       archivekit::PrefixTable::Rule::ImplodeInverted)
               ? Step::More
               : Step::Invalid;
  }

  bool literal_tree_;
  unsigned distance_low_bits_;
  unsigned min_match_;
  uint64_t size_;
  bool trees_read_ = false;
  archivekit::PrefixTable literals_;
  archivekit::PrefixTable lengths_;
  archivekit::PrefixTable distances_;
};

}  // namespace

std::unique_ptr<ByteStream> make_implode_decoder(std::unique_ptr<ByteStream> raw, uint16_t flags,
                                                 uint64_t uncompressed_size) {
  return make_window_stream(std::move(raw), [&](std::unique_ptr<archivekit::PackedInput> input) {
    return std::make_unique<ImplodeDecoder>(std::move(input), flags, uncompressed_size);
  });
}

}  // namespace unzip
