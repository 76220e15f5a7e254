// The RAR 2.0 algorithm: LZ with Huffman tables that a symbol may replace at any
// point, and a multimedia mode of up to four predicted channels; a solid archive's
// files continue one stream, including tables written after a file's last byte.
#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#include "rar20_decoder_audio.h"
#include "rar20_decoder_window.h"
#include "rar29_bit_input.h"
#include "rar29_huffman.h"
#include "rar_decoder.h"

namespace unrar {
namespace {

constexpr size_t kMainSymbols = 298;
constexpr size_t kDistanceSymbols = 48;
constexpr size_t kRepeatSymbols = 28;
constexpr size_t kLzLengths = kMainSymbols + kDistanceSymbols + kRepeatSymbols;
constexpr size_t kAudioSymbols = 257;
constexpr size_t kAllLengths = kAudioSymbols * Rar20AudioPredictor::kMaxChannels;
constexpr size_t kBitLengthSymbols = 19;

constexpr int kRepeatLast = 256;
constexpr int kFirstShortMatch = 261;
constexpr int kNewTables = 269;
constexpr int kFirstMatch = 270;
constexpr int kAudioNewTables = 256;
// A table after a file's last byte is only looked for where this much data is left.
constexpr size_t kTrailingTableBytes = 5;

constexpr uint64_t kSmallestWindow = 64u << 10;
constexpr uint64_t kLargestWindow = 4u << 20;

constexpr uint8_t kLengthBase[kRepeatSymbols] = {0,  1,  2,  3,   4,   5,   6,   7,  8,  10,
                                                 12, 14, 16, 20,  24,  28,  32,  40, 48, 56,
                                                 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t kLengthBits[kRepeatSymbols] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr uint8_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

struct DistanceClasses {
  std::array<uint32_t, kDistanceSymbols> base{};
  std::array<uint8_t, kDistanceSymbols> bits{};
};

// Two classes per bit count 0..15 after four of none, then 14 of 16 bits; each base
// follows the previous class's range.
constexpr DistanceClasses make_distance_classes() {
  DistanceClasses classes;
  size_t c = 0;
  uint32_t base = 0;
  auto add = [&](uint8_t bits, size_t count) {
    for (size_t i = 0; i < count; ++i, ++c) {
      classes.base[c] = base;
      classes.bits[c] = bits;
      base += 1u << bits;
    }
  };
  add(0, 4);
  for (uint8_t bits = 1; bits <= 15; ++bits) add(bits, 2);
  add(16, 14);
  return classes;
}
constexpr DistanceClasses kDistance = make_distance_classes();

// What a table block sets up; it replaces the decoder's only when read whole.
struct Tables {
  bool audio = false;
  size_t channels = 1;
  std::array<uint8_t, kAllLengths> lengths{};
  Rar29Huffman main;
  Rar29Huffman distance;
  Rar29Huffman repeat;
  std::array<Rar29Huffman, Rar20AudioPredictor::kMaxChannels> audioTables;
};

class Rar20Decoder : public Decoder {
 public:
  explicit Rar20Decoder(std::unique_ptr<Rar20Window> window) : window_(std::move(window)) {
    reset_stream();
  }

  DecodeResult decode_entry(PackedInput& input, UnpackedOutput& output, uint64_t unpackedSize,
                            bool solid) override;

 private:
  void reset_stream();
  bool read_tables();
  bool read_lengths(size_t count, std::array<uint8_t, kAllLengths>& lengths);
  DecodeResult decode_lz();
  DecodeResult decode_audio();
  DecodeResult copy(uint32_t length, uint32_t distance);
  void read_trailing_tables();

  std::unique_ptr<Rar20Window> window_;
  Rar29BitInput input_;
  Rar20AudioPredictor predictor_;
  std::unique_ptr<Tables> tables_ = std::make_unique<Tables>();
  std::unique_ptr<Tables> next_ = std::make_unique<Tables>();
  bool tablesRead_ = false;
  size_t channel_ = 0;
  std::array<uint32_t, 4> oldDistances_{};
  size_t oldDistancePos_ = 0;
  uint32_t lastDistance_ = 0;
  uint32_t lastLength_ = 0;
  bool broken_ = false;
};

void Rar20Decoder::reset_stream() {
  window_->reset_stream();
  predictor_.reset();
  tables_->audio = false;
  tables_->channels = 1;
  tables_->lengths.fill(0);
  tablesRead_ = false;
  channel_ = 0;
  oldDistances_.fill(0);
  oldDistancePos_ = 0;
  lastDistance_ = 0;
  lastLength_ = 0;
  broken_ = false;
}

bool Rar20Decoder::read_lengths(size_t count, std::array<uint8_t, kAllLengths>& lengths) {
  std::array<uint8_t, kBitLengthSymbols> bitLengths{};
  for (uint8_t& length : bitLengths) length = static_cast<uint8_t>(input_.get(4));
  Rar29Huffman bitLengthCode;
  if (!bitLengthCode.build(bitLengths.data(), bitLengths.size())) return false;
  for (size_t i = 0; i < count;) {
    const int symbol = bitLengthCode.decode(input_);
    if (symbol < 0 || input_.overrun()) return false;
    if (symbol < 16) {
      lengths[i] = static_cast<uint8_t>((symbol + lengths[i]) & 0xF);
      ++i;
    } else if (symbol == 16) {
      if (i == 0) return false;
      const uint8_t previous = lengths[i - 1];
      for (uint32_t n = input_.get(2) + 3; n > 0 && i < count; --n) lengths[i++] = previous;
    } else {
      const uint32_t zeros = symbol == 17 ? input_.get(3) + 3 : input_.get(7) + 11;
      for (uint32_t n = zeros; n > 0 && i < count; --n) lengths[i++] = 0;
    }
  }
  return !input_.overrun();
}

// Lengths are coded as changes to the previous table's, unless the block says to
// start from zeros.
bool Rar20Decoder::read_tables() {
  Tables& next = *next_;
  const uint32_t bits = input_.peek16();
  input_.skip(2);
  next.audio = bits & 0x8000;
  next.lengths = (bits & 0x4000) ? tables_->lengths : std::array<uint8_t, kAllLengths>{};
  next.channels = tables_->channels;
  size_t count = kLzLengths;
  if (next.audio) {
    next.channels = ((bits >> 12) & 3) + 1;
    input_.skip(2);
    count = kAudioSymbols * next.channels;
  }
  if (!read_lengths(count, next.lengths)) return false;
  const uint8_t* at = next.lengths.data();
  if (next.audio) {
    for (size_t c = 0; c < next.channels; ++c) {
      if (!next.audioTables[c].build(at + c * kAudioSymbols, kAudioSymbols)) return false;
    }
  } else if (!next.main.build(at, kMainSymbols) ||
             !next.distance.build(at + kMainSymbols, kDistanceSymbols) ||
             !next.repeat.build(at + kMainSymbols + kDistanceSymbols, kRepeatSymbols)) {
    return false;
  }
  std::swap(tables_, next_);
  if (channel_ >= tables_->channels) channel_ = 0;
  tablesRead_ = true;
  return true;
}

DecodeResult Rar20Decoder::copy(uint32_t length, uint32_t distance) {
  lastDistance_ = distance;
  oldDistances_[oldDistancePos_] = distance;
  oldDistancePos_ = (oldDistancePos_ + 1) & 3;
  lastLength_ = length;
  return window_->copy(length, distance) ? DecodeResult::ok : DecodeResult::bad_data;
}

DecodeResult Rar20Decoder::decode_lz() {
  const int symbol = tables_->main.decode(input_);
  if (symbol < 0) return DecodeResult::bad_data;
  if (symbol < 256) {
    window_->put(static_cast<uint8_t>(symbol));
    return DecodeResult::ok;
  }
  if (symbol == kRepeatLast) return copy(lastLength_, lastDistance_);
  if (symbol < kFirstShortMatch) {
    const uint32_t distance = oldDistances_[(oldDistancePos_ - (symbol - 256)) & 3];
    const int lengthClass = tables_->repeat.decode(input_);
    if (lengthClass < 0) return DecodeResult::bad_data;
    uint32_t length = kLengthBase[lengthClass] + 2 + input_.get(kLengthBits[lengthClass]);
    if (distance >= 0x101) ++length;
    if (distance >= 0x2000) ++length;
    if (distance >= 0x40000) ++length;
    return copy(length, distance);
  }
  if (symbol < kNewTables) {
    const size_t k = static_cast<size_t>(symbol - kFirstShortMatch);
    return copy(2, kShortBase[k] + 1 + input_.get(kShortBits[k]));
  }
  if (symbol == kNewTables) return read_tables() ? DecodeResult::ok : DecodeResult::bad_data;
  const size_t lengthClass = static_cast<size_t>(symbol - kFirstMatch);
  uint32_t length = kLengthBase[lengthClass] + 3 + input_.get(kLengthBits[lengthClass]);
  const int distanceClass = tables_->distance.decode(input_);
  if (distanceClass < 0) return DecodeResult::bad_data;
  const uint32_t distance =
      kDistance.base[distanceClass] + 1 + input_.get(kDistance.bits[distanceClass]);
  if (distance >= 0x2000) ++length;
  if (distance >= 0x40000) ++length;
  return copy(length, distance);
}

DecodeResult Rar20Decoder::decode_audio() {
  const int symbol = tables_->audioTables[channel_].decode(input_);
  if (symbol < 0) return DecodeResult::bad_data;
  if (symbol == kAudioNewTables) return read_tables() ? DecodeResult::ok : DecodeResult::bad_data;
  window_->put(predictor_.decode(channel_, static_cast<uint8_t>(symbol)));
  if (++channel_ == tables_->channels) channel_ = 0;
  return DecodeResult::ok;
}

// A solid archive may put the next file's first table right after this file's
// last symbol. A table that does not read whole leaves the current one in force.
void Rar20Decoder::read_trailing_tables() {
  if (!input_.bytes_left(kTrailingTableBytes)) return;
  const int symbol =
      tables_->audio ? tables_->audioTables[channel_].decode(input_) : tables_->main.decode(input_);
  if (symbol == (tables_->audio ? kAudioNewTables : kNewTables)) read_tables();
}

DecodeResult Rar20Decoder::decode_entry(PackedInput& input, UnpackedOutput& output,
                                        uint64_t unpackedSize, bool solid) {
  if (!solid) reset_stream();
  // A damaged or interrupted file leaves nothing a solid successor could use.
  if (broken_) return DecodeResult::bad_data;
  broken_ = true;
  input_.reset(input);
  window_->begin_file(unpackedSize);
  // Without a size the file ends with its data.
  const bool untilDataEnds = unpackedSize == UINT64_MAX;
  DecodeResult result = DecodeResult::ok;
  if (!tablesRead_ && !read_tables()) result = DecodeResult::bad_data;
  while (result == DecodeResult::ok && !window_->file_complete()) {
    if (untilDataEnds && !input_.bytes_left(1)) break;
    if (window_->needs_flush()) result = window_->flush(output);
    if (result != DecodeResult::ok) break;
    result = tables_->audio ? decode_audio() : decode_lz();
    if (input_.overrun()) result = DecodeResult::bad_data;
  }
  if (input_.input_failed()) return DecodeResult::stopped;
  if (result != DecodeResult::ok) return result;
  read_trailing_tables();
  result = window_->flush(output);
  if (result == DecodeResult::ok) broken_ = false;
  return result;
}

}  // namespace

std::unique_ptr<Decoder> make_rar20_decoder(uint64_t dictionarySize) {
  // Distances of this format reach about 1 MiB; headers name at most 4 MiB.
  const uint64_t wanted = std::clamp(dictionarySize, kSmallestWindow, kLargestWindow);
  auto window = Rar20Window::create(static_cast<size_t>(std::bit_ceil(wanted)));
  if (!window) return nullptr;
  return std::make_unique<Rar20Decoder>(std::move(window));
}

}  // namespace unrar
