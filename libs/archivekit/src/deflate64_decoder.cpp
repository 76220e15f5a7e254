// The inflater of deflate64; the symbol loop is the hot path of a deflate64
// extraction.
#include <algorithm>
#include <array>
#include <cstring>

#include "archivekit/deflate64_decoder.h"
#include "archivekit/prefix_table.h"

namespace archivekit {
namespace {

constexpr std::size_t kHistory = 64 * 1024;
constexpr std::size_t kLongestMatch = 65538;
constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kFirstLength = 257;
constexpr unsigned kLengthCodes = 29;
constexpr unsigned kDistanceCodes = 32;
constexpr unsigned kMaxLiteralLengthCodes = 288;
constexpr unsigned kCodeLengthCodes = 19;
constexpr unsigned kLiteralRootBits = 10;
constexpr unsigned kDistanceRootBits = 8;
constexpr unsigned kCodeLengthRootBits = 7;

constexpr std::array<uint16_t, kLengthCodes> kLengthBase = {
    3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr std::array<uint8_t, kLengthCodes> kLengthExtra = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr std::array<uint32_t, kDistanceCodes> kDistanceBase = {
    1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::array<uint8_t, kDistanceCodes> kDistanceExtra = {
    0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr std::array<uint8_t, kCodeLengthCodes> kCodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

class Deflate64Decoder final : public WindowDecoder {
 public:
  explicit Deflate64Decoder(std::unique_ptr<PackedInput> raw)
      : WindowDecoder(std::move(raw), kHistory, kLongestMatch) {}

 private:
  enum class Block { Header, Stored, Coded, Done };

  Step decode(std::size_t limit) override {
    while (pos_ < limit) {
      Step step = Step::More;
      switch (block_) {
        case Block::Header:
          step = read_header();
          break;
        case Block::Stored:
          step = copy_stored(limit);
          break;
        case Block::Coded:
          step = inflate_coded(limit);
          break;
        case Block::Done:
          return Step::End;
      }
      if (step != Step::More) return step;
    }
    return Step::More;
  }

  void end_block() { block_ = last_block_ ? Block::Done : Block::Header; }

  Step read_header() {
    uint32_t header;
    if (!in_.read(3, header)) return Step::Truncated;
    last_block_ = (header & 1) != 0;
    switch (header >> 1) {
      case 0:
        return start_stored();
      case 1:
        if (!fixed_built_ && !build_fixed()) return Step::Invalid;
        fixed_built_ = true;
        literals_ = &fixed_literals_;
        distances_ = &fixed_distances_;
        block_ = Block::Coded;
        return Step::More;
      case 2:
        return read_dynamic_tables();
      default:
        return Step::Invalid;
    }
  }

  Step start_stored() {
    in_.align_to_byte();
    uint32_t length, complement;
    if (!in_.read(16, length) || !in_.read(16, complement)) return Step::Truncated;
    if ((length ^ 0xFFFF) != complement) return Step::Invalid;
    stored_left_ = length;
    block_ = Block::Stored;
    if (stored_left_ == 0) end_block();
    return Step::More;
  }

  Step copy_stored(std::size_t limit) {
    const std::size_t count = std::min(stored_left_, limit - pos_);
    if (in_.read_bytes(out_ + pos_, count) != count) return Step::Truncated;
    pos_ += count;
    stored_left_ -= count;
    if (stored_left_ == 0) end_block();
    return Step::More;
  }

  bool build_fixed() {
    std::array<uint8_t, kMaxLiteralLengthCodes> lengths{};
    for (unsigned i = 0; i < kMaxLiteralLengthCodes; ++i) {
      lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    }
    std::array<uint8_t, kDistanceCodes> distance_lengths;
    distance_lengths.fill(5);
    return fixed_literals_.build(lengths.data(), lengths.size(), kLiteralRootBits,
                                 PrefixTable::Rule::Deflate) &&
           fixed_distances_.build(distance_lengths.data(), distance_lengths.size(),
                                  kDistanceRootBits, PrefixTable::Rule::Deflate);
  }

  Step read_dynamic_tables() {
    uint32_t literal_count, distance_count, code_length_count;
    if (!in_.read(5, literal_count) || !in_.read(5, distance_count) ||
        !in_.read(4, code_length_count))
      return Step::Truncated;
    literal_count += kFirstLength;
    distance_count += 1;
    code_length_count += 4;

    std::array<uint8_t, kCodeLengthCodes> code_lengths{};
    for (uint32_t i = 0; i < code_length_count; ++i) {
      uint32_t length;
      if (!in_.read(3, length)) return Step::Truncated;
      code_lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(length);
    }
    PrefixTable code_length_table;
    if (!code_length_table.build(code_lengths.data(), code_lengths.size(), kCodeLengthRootBits,
                                 PrefixTable::Rule::Deflate))
      return Step::Invalid;

    std::array<uint8_t, kMaxLiteralLengthCodes + kDistanceCodes> lengths{};
    const uint32_t total = literal_count + distance_count;
    for (uint32_t i = 0; i < total;) {
      const int symbol = code_length_table.decode(in_);
      if (symbol < 0) return Step::Truncated;
      if (symbol < 16) {
        lengths[i++] = static_cast<uint8_t>(symbol);
        continue;
      }
      uint8_t repeated = 0;
      uint32_t count;
      if (symbol == 16) {
        if (i == 0) return Step::Invalid;
        repeated = lengths[i - 1];
        if (!in_.read(2, count)) return Step::Truncated;
        count += 3;
      } else if (symbol == 17) {
        if (!in_.read(3, count)) return Step::Truncated;
        count += 3;
      } else {
        if (!in_.read(7, count)) return Step::Truncated;
        count += 11;
      }
      if (count > total - i) return Step::Invalid;
      while (count-- > 0) lengths[i++] = repeated;
    }
    if (lengths[kEndOfBlock] == 0) return Step::Invalid;
    if (!dynamic_literals_.build(lengths.data(), literal_count, kLiteralRootBits,
                                 PrefixTable::Rule::Deflate) ||
        !dynamic_distances_.build(lengths.data() + literal_count, distance_count, kDistanceRootBits,
                                  PrefixTable::Rule::Deflate))
      return Step::Invalid;
    literals_ = &dynamic_literals_;
    distances_ = &dynamic_distances_;
    block_ = Block::Coded;
    return Step::More;
  }

  // The symbol loop, on local copies: stores through the output pointer would
  // otherwise make the compiler reload every member after each byte.
  Step inflate_coded(std::size_t limit) {
    const PrefixTable& literals = *literals_;
    const PrefixTable& distances = *distances_;
    unsigned char* const out = out_;
    std::size_t pos = pos_;
    const uint64_t total_at_start = total_out();
    const std::size_t start = pos;
    Step step = Step::More;
    while (pos < limit) {
      const int symbol = literals.decode(in_);
      if (symbol < static_cast<int>(kEndOfBlock)) {
        if (symbol < 0) {
          step = Step::Truncated;
          break;
        }
        out[pos++] = static_cast<unsigned char>(symbol);
        continue;
      }
      if (symbol == static_cast<int>(kEndOfBlock)) {
        end_block();
        break;
      }
      const unsigned length_code = static_cast<unsigned>(symbol) - kFirstLength;
      if (length_code >= kLengthCodes) {
        step = Step::Invalid;
        break;
      }
      uint32_t extra;
      if (!in_.read(kLengthExtra[length_code], extra)) {
        step = Step::Truncated;
        break;
      }
      const std::size_t length = kLengthBase[length_code] + extra;
      const int distance_code = distances.decode(in_);
      if (distance_code < 0 || !in_.read(kDistanceExtra[distance_code], extra)) {
        step = Step::Truncated;
        break;
      }
      const std::size_t distance = kDistanceBase[distance_code] + extra;
      if (distance > total_at_start + (pos - start)) {
        step = Step::Invalid;
        break;
      }
      copy_match(out + pos, distance, length);
      pos += length;
    }
    pos_ = pos;
    return step;
  }

  // Copies length bytes from distance back; may write up to 7 bytes past the end,
  // which the window leaves room for.
  static void copy_match(unsigned char* to, std::size_t distance, std::size_t length) {
    const unsigned char* from = to - distance;
    if (distance >= 8) {
      for (std::size_t i = 0; i < length; i += 8) std::memcpy(to + i, from + i, 8);
    } else if (distance == 1) {
      std::memset(to, *from, length);
    } else {
      for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
    }
  }

  Block block_ = Block::Header;
  bool last_block_ = false;
  std::size_t stored_left_ = 0;
  bool fixed_built_ = false;
  PrefixTable fixed_literals_;
  PrefixTable fixed_distances_;
  PrefixTable dynamic_literals_;
  PrefixTable dynamic_distances_;
  const PrefixTable* literals_ = nullptr;
  const PrefixTable* distances_ = nullptr;
};

}  // namespace

std::unique_ptr<WindowDecoder> make_deflate64_decoder(std::unique_ptr<PackedInput> raw) {
  return std::make_unique<Deflate64Decoder>(std::move(raw));
}

}  // namespace archivekit
