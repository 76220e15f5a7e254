// The RAR 2.9 algorithm: LZ blocks with Huffman tables, PPMd blocks, and the
// standard filters, continuing across the files of a solid archive.
#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#include "rar29_bit_input.h"
#include "rar29_filter_records.h"
#include "rar29_huffman.h"
#include "rar29_window.h"
#include "rar_decoder.h"
#include "rar_ppmd.h"

namespace unrar {
namespace {

constexpr size_t kMainSymbols = 299;
constexpr size_t kDistanceSymbols = 60;
constexpr size_t kLowDistanceSymbols = 17;
constexpr size_t kLengthSymbols = 28;
constexpr size_t kAllLengths =
    kMainSymbols + kDistanceSymbols + kLowDistanceSymbols + kLengthSymbols;
constexpr size_t kBitLengthSymbols = 20;
constexpr uint64_t kMinWindow = 4u << 20;
constexpr uint32_t kInvalidDistance = 0xFFFFFFFFu;
constexpr int kDefaultEscape = 2;

constexpr uint8_t kLengthBase[kLengthSymbols] = {0,  1,  2,  3,   4,   5,   6,   7,  8,  10,
                                                 12, 14, 16, 20,  24,  28,  32,  40, 48, 56,
                                                 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t kLengthBits[kLengthSymbols] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr uint8_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

struct DistanceClasses {
  std::array<uint32_t, kDistanceSymbols> base{};
  std::array<uint8_t, kDistanceSymbols> bits{};
};

// Bit counts 0..15 go to 4, 2, 2, ... classes, then 14 classes of 16 bits and 12
// of 18; each base follows the previous class's range.
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
  add(18, 12);
  return classes;
}
constexpr DistanceClasses kDistance = make_distance_classes();

// The PPMd model reads whole bytes straight from the packed data.
class BitInputBytes : public ByteSource {
 public:
  explicit BitInputBytes(Rar29BitInput& input) : input_(input) {}
  int next_byte() override {
    const int byte = input_.next_byte();
    if (byte < 0) ++readsPastEnd_;
    return byte;
  }
  // The range decoder may look a few bytes past the data; a model that keeps
  // asking decodes nothing but noise.
  bool exhausted() const { return readsPastEnd_ > kSlack; }
  void reset() { readsPastEnd_ = 0; }

 private:
  static constexpr unsigned kSlack = 8;
  Rar29BitInput& input_;
  unsigned readsPastEnd_ = 0;
};

class Rar29Decoder : public Decoder {
 public:
  explicit Rar29Decoder(std::unique_ptr<Rar29Window> window)
      : window_(std::move(window)), ppmdBytes_(input_) {
    reset_stream();
  }

  DecodeResult decode_entry(PackedInput& input, UnpackedOutput& output, uint64_t unpackedSize,
                            bool solid) override;

 private:
  void reset_stream();
  DecodeResult read_block_header();
  DecodeResult read_ppmd_header();
  DecodeResult decode_lz(UnpackedOutput& output, bool& endOfFile);
  DecodeResult decode_ppmd(UnpackedOutput& output, bool& endOfFile);
  DecodeResult lz_match(int symbol);
  void take_end_marker();
  DecodeResult add_filter(uint8_t first, const uint8_t* record, size_t size);
  DecodeResult read_lz_filter();
  DecodeResult read_ppmd_filter();
  DecodeResult copy(uint32_t length, uint64_t distance) {
    return window_->copy(length, distance) ? DecodeResult::ok : DecodeResult::bad_data;
  }
  void remember_distance(uint32_t distance) {
    std::copy_backward(oldDistances_.begin(), oldDistances_.end() - 1, oldDistances_.end());
    oldDistances_[0] = distance;
  }

  std::unique_ptr<Rar29Window> window_;
  Rar29BitInput input_;
  BitInputBytes ppmdBytes_;
  Rar29FilterRecords filterRecords_;
  PpmdModel ppmd_;

  Rar29Huffman main_;
  Rar29Huffman distance_;
  Rar29Huffman lowDistance_;
  Rar29Huffman length_;
  std::array<uint8_t, kAllLengths> oldLengths_{};
  std::array<uint32_t, 4> oldDistances_{};
  uint32_t lastLength_ = 0;
  uint32_t previousLowDistance_ = 0;
  uint32_t lowDistanceRepeats_ = 0;
  bool tablesRead_ = false;
  bool ppmdBlock_ = false;
  bool ppmdStarted_ = false;
  int escape_ = kDefaultEscape;
  bool broken_ = false;
};

void Rar29Decoder::reset_stream() {
  window_->reset_stream();
  filterRecords_.reset();
  oldLengths_.fill(0);
  oldDistances_.fill(kInvalidDistance);
  lastLength_ = 0;
  tablesRead_ = false;
  ppmdBlock_ = false;
  ppmdStarted_ = false;
  escape_ = kDefaultEscape;
  broken_ = false;
}

DecodeResult Rar29Decoder::read_block_header() {
  input_.align_to_byte();
  const uint32_t bits = input_.peek16();
  if (input_.overrun()) return DecodeResult::bad_data;
  if (bits & 0x8000) return read_ppmd_header();

  ppmdBlock_ = false;
  if ((bits & 0x4000) == 0) oldLengths_.fill(0);
  input_.skip(2);
  previousLowDistance_ = 0;
  lowDistanceRepeats_ = 0;

  std::array<uint8_t, kBitLengthSymbols> bitLengths{};
  for (size_t i = 0; i < kBitLengthSymbols;) {
    const uint8_t length = static_cast<uint8_t>(input_.get(4));
    if (length != 15) {
      bitLengths[i++] = length;
      continue;
    }
    const uint32_t zeros = input_.get(4);
    if (zeros == 0) {
      bitLengths[i++] = 15;
      continue;
    }
    for (uint32_t n = zeros + 2; n > 0 && i < kBitLengthSymbols; --n) bitLengths[i++] = 0;
  }
  Rar29Huffman bitLengthCode;
  if (!bitLengthCode.build(bitLengths.data(), bitLengths.size())) return DecodeResult::bad_data;

  std::array<uint8_t, kAllLengths> lengths{};
  for (size_t i = 0; i < kAllLengths;) {
    const int symbol = bitLengthCode.decode(input_);
    if (symbol < 0 || input_.overrun()) return DecodeResult::bad_data;
    if (symbol < 16) {
      lengths[i] = static_cast<uint8_t>((symbol + oldLengths_[i]) & 0xF);
      ++i;
      continue;
    }
    const bool shortRun = symbol == 16 || symbol == 18;
    uint32_t count = shortRun ? input_.get(3) + 3 : input_.get(7) + 11;
    if (symbol <= 17) {
      if (i == 0) return DecodeResult::bad_data;
      for (; count > 0 && i < kAllLengths; --count, ++i) lengths[i] = lengths[i - 1];
    } else {
      for (; count > 0 && i < kAllLengths; --count) lengths[i++] = 0;
    }
  }
  if (input_.overrun()) return DecodeResult::bad_data;
  const uint8_t* at = lengths.data();
  if (!main_.build(at, kMainSymbols) || !distance_.build(at + kMainSymbols, kDistanceSymbols) ||
      !lowDistance_.build(at + kMainSymbols + kDistanceSymbols, kLowDistanceSymbols) ||
      !length_.build(at + kMainSymbols + kDistanceSymbols + kLowDistanceSymbols, kLengthSymbols))
    return DecodeResult::bad_data;
  oldLengths_ = lengths;
  tablesRead_ = true;
  return DecodeResult::ok;
}

DecodeResult Rar29Decoder::read_ppmd_header() {
  const int flags = input_.next_byte();
  if (flags < 0) return DecodeResult::bad_data;
  const bool restart = flags & 0x20;
  int megabytes = 0;
  if (restart) {
    megabytes = input_.next_byte();
    if (megabytes < 0) return DecodeResult::bad_data;
  } else if (!ppmdStarted_) {
    return DecodeResult::bad_data;
  }
  if (flags & 0x40) {
    escape_ = input_.next_byte();
    if (escape_ < 0) return DecodeResult::bad_data;
  }
  if (restart) {
    int order = (flags & 0x1F) + 1;
    if (order == 1) return DecodeResult::bad_data;
    if (order > 16) order = 16 + (order - 16) * 3;
    // The model is in an unknown state until a restart succeeds.
    ppmdStarted_ = false;
    if (!ppmd_.restart(ppmdBytes_, (static_cast<size_t>(megabytes) + 1) << 20, order))
      return DecodeResult::out_of_memory;
  } else if (!ppmd_.resume(ppmdBytes_)) {
    return DecodeResult::bad_data;
  }
  ppmdStarted_ = true;
  ppmdBlock_ = true;
  // Only LZ tables carry over: a solid file after a PPMd block starts with a block
  // header of its own, which may keep the model but starts the range decoder again.
  tablesRead_ = false;
  return DecodeResult::ok;
}

DecodeResult Rar29Decoder::add_filter(uint8_t first, const uint8_t* record, size_t size) {
  switch (filterRecords_.add_record(first, record, size, window_->position(), window_->size(),
                                    window_->pending())) {
    case FilterRecordResult::ok:
      return DecodeResult::ok;
    case FilterRecordResult::unsupported:
      return DecodeResult::unsupported;
    case FilterRecordResult::bad_data:
      break;
  }
  return DecodeResult::bad_data;
}

DecodeResult Rar29Decoder::read_lz_filter() {
  const uint8_t first = static_cast<uint8_t>(input_.get(8));
  uint32_t size = (first & 7) + 1;
  if (size == 7)
    size = input_.get(8) + 7;
  else if (size == 8)
    size = input_.get(16);
  if (size == 0 || input_.overrun()) return DecodeResult::bad_data;
  std::vector<uint8_t> record(size);
  for (uint8_t& byte : record) byte = static_cast<uint8_t>(input_.get(8));
  if (input_.overrun()) return DecodeResult::bad_data;
  return add_filter(first, record.data(), record.size());
}

DecodeResult Rar29Decoder::read_ppmd_filter() {
  const int first = ppmd_.decode_char();
  if (first < 0) return DecodeResult::bad_data;
  int size = (first & 7) + 1;
  if (size == 7) {
    const int extra = ppmd_.decode_char();
    if (extra < 0) return DecodeResult::bad_data;
    size = extra + 7;
  } else if (size == 8) {
    const int high = ppmd_.decode_char();
    const int low = ppmd_.decode_char();
    if (high < 0 || low < 0) return DecodeResult::bad_data;
    size = high * 256 + low;
  }
  if (size == 0) return DecodeResult::bad_data;
  std::vector<uint8_t> record(static_cast<size_t>(size));
  for (uint8_t& byte : record) {
    const int c = ppmd_.decode_char();
    if (c < 0) return DecodeResult::bad_data;
    byte = static_cast<uint8_t>(c);
  }
  return add_filter(static_cast<uint8_t>(first), record.data(), record.size());
}

DecodeResult Rar29Decoder::lz_match(int symbol) {
  if (symbol == 258)
    return lastLength_ == 0 ? DecodeResult::ok : copy(lastLength_, oldDistances_[0]);
  if (symbol < 263) {
    const size_t k = static_cast<size_t>(symbol - 259);
    const uint32_t distance = oldDistances_[k];
    std::copy_backward(oldDistances_.begin(), oldDistances_.begin() + k,
                       oldDistances_.begin() + k + 1);
    oldDistances_[0] = distance;
    const int lengthClass = length_.decode(input_);
    if (lengthClass < 0) return DecodeResult::bad_data;
    lastLength_ = kLengthBase[lengthClass] + 2 + input_.get(kLengthBits[lengthClass]);
    return copy(lastLength_, distance);
  }
  if (symbol < 271) {
    const size_t k = static_cast<size_t>(symbol - 263);
    const uint32_t distance = kShortBase[k] + 1 + input_.get(kShortBits[k]);
    remember_distance(distance);
    lastLength_ = 2;
    return copy(2, distance);
  }
  const size_t lengthClass = static_cast<size_t>(symbol - 271);
  uint32_t length = kLengthBase[lengthClass] + 3 + input_.get(kLengthBits[lengthClass]);
  const int distanceClass = distance_.decode(input_);
  if (distanceClass < 0) return DecodeResult::bad_data;
  uint32_t distance = kDistance.base[distanceClass] + 1;
  const unsigned bits = kDistance.bits[distanceClass];
  if (distanceClass <= 9) {
    distance += input_.get(bits);
  } else {
    if (bits > 4) distance += input_.get(bits - 4) << 4;
    if (lowDistanceRepeats_ > 0) {
      --lowDistanceRepeats_;
      distance += previousLowDistance_;
    } else {
      const int low = lowDistance_.decode(input_);
      if (low < 0) return DecodeResult::bad_data;
      if (low == 16) {
        lowDistanceRepeats_ = 15;
        distance += previousLowDistance_;
      } else {
        distance += static_cast<uint32_t>(low);
        previousLowDistance_ = static_cast<uint32_t>(low);
      }
    }
  }
  if (distance >= 0x2000) ++length;
  if (distance >= 0x40000) ++length;
  remember_distance(distance);
  lastLength_ = length;
  return copy(length, distance);
}

DecodeResult Rar29Decoder::decode_lz(UnpackedOutput& output, bool& endOfFile) {
  const uint64_t fileEnd = window_->file_end();
  while (window_->position() < fileEnd) {
    if (input_.overrun()) return DecodeResult::bad_data;
    if (window_->needs_flush()) {
      const DecodeResult result = window_->flush(output);
      if (result != DecodeResult::ok) return result;
    }
    // Literals run until the next flush or the file's end; at least one symbol is
    // decoded even when a pending filter keeps the flush point behind.
    const uint64_t limit =
        std::max(std::min(fileEnd, window_->flush_point()), window_->position() + 1);
    Rar29BitInput::Reservoir bits = input_.reservoir();
    const int symbol = window_->put_literals(limit, [&] {
      if (bits.count < 16) bits = input_.refilled(bits);
      int next = main_.decode_quick(bits);
      if (next < 0) {
        input_.set_reservoir(bits);
        next = main_.decode(input_);
        bits = input_.reservoir();
      }
      return next;
    });
    input_.set_reservoir(bits);
    if (symbol == Rar29Window::kLimitReached) continue;
    if (symbol < 0) return DecodeResult::bad_data;
    DecodeResult result = DecodeResult::ok;
    if (symbol == 256) {
      const uint32_t bits = input_.peek16();
      if (bits & 0x8000) {
        input_.skip(1);
        result = read_block_header();
        if (result == DecodeResult::ok && ppmdBlock_) return result;
      } else {
        input_.skip(2);
        if (bits & 0x4000) tablesRead_ = false;
        endOfFile = true;
        return DecodeResult::ok;
      }
    } else if (symbol == 257) {
      result = read_lz_filter();
    } else {
      result = lz_match(symbol);
    }
    if (result != DecodeResult::ok) return result;
  }
  return input_.overrun() ? DecodeResult::bad_data : DecodeResult::ok;
}

// A file that ends at its size still has its end marker after the last byte: 256
// and whether the next solid file starts with new tables, or escape + 2 in a PPMd
// block. A block may end right there (256 + 1, escape + 0); the marker then follows
// in the next block.
void Rar29Decoder::take_end_marker() {
  for (;;) {
    if (ppmdBlock_) {
      if (ppmd_.decode_char() != escape_ || ppmdBytes_.exhausted()) return;
      const int command = ppmd_.decode_char();
      if (command != 0 || ppmdBytes_.exhausted()) return;
    } else {
      if (main_.decode(input_) != 256 || input_.overrun()) return;
      const uint32_t bits = input_.peek16();
      if ((bits & 0x8000) == 0) {
        if (bits & 0x4000) tablesRead_ = false;
        return;
      }
      input_.skip(1);
    }
    if (read_block_header() != DecodeResult::ok) return;
  }
}

DecodeResult Rar29Decoder::decode_ppmd(UnpackedOutput& output, bool& endOfFile) {
  const uint64_t fileEnd = window_->file_end();
  while (window_->position() < fileEnd) {
    if (window_->needs_flush()) {
      const DecodeResult result = window_->flush(output);
      if (result != DecodeResult::ok) return result;
    }
    const int c = ppmd_.decode_char();
    if (c < 0 || ppmdBytes_.exhausted()) return DecodeResult::bad_data;
    if (c != escape_) {
      window_->put(static_cast<uint8_t>(c));
      continue;
    }
    const int command = ppmd_.decode_char();
    DecodeResult result = DecodeResult::ok;
    switch (command) {
      case -1:
        return DecodeResult::bad_data;
      case 0:
        result = read_block_header();
        if (result == DecodeResult::ok && !ppmdBlock_) return result;
        break;
      case 2:
        endOfFile = true;
        return DecodeResult::ok;
      case 3:
        result = read_ppmd_filter();
        break;
      case 4: {
        uint32_t distance = 0;
        for (int i = 0; i < 3; ++i) {
          const int byte = ppmd_.decode_char();
          if (byte < 0) return DecodeResult::bad_data;
          distance = (distance << 8) | static_cast<uint32_t>(byte);
        }
        const int length = ppmd_.decode_char();
        if (length < 0) return DecodeResult::bad_data;
        result = copy(static_cast<uint32_t>(length) + 32, uint64_t{distance} + 2);
        break;
      }
      case 5: {
        const int length = ppmd_.decode_char();
        if (length < 0) return DecodeResult::bad_data;
        result = copy(static_cast<uint32_t>(length) + 4, 1);
        break;
      }
      default:
        window_->put(static_cast<uint8_t>(escape_));
        break;
    }
    if (result != DecodeResult::ok) return result;
  }
  return DecodeResult::ok;
}

DecodeResult Rar29Decoder::decode_entry(PackedInput& input, UnpackedOutput& output,
                                        uint64_t unpackedSize, bool solid) {
  if (!solid) reset_stream();
  // A damaged or interrupted file leaves nothing a solid successor could use.
  if (broken_) return DecodeResult::bad_data;
  broken_ = true;
  input_.reset(input);
  ppmdBytes_.reset();
  window_->begin_file(unpackedSize, unpackedSize == UINT64_MAX);

  DecodeResult result = DecodeResult::ok;
  if (!tablesRead_) result = read_block_header();
  bool endOfFile = false;
  while (result == DecodeResult::ok && !endOfFile && window_->position() < window_->file_end())
    result = ppmdBlock_ ? decode_ppmd(output, endOfFile) : decode_lz(output, endOfFile);
  if (input_.input_failed()) return DecodeResult::stopped;
  if (result != DecodeResult::ok) return result;
  if (!endOfFile) take_end_marker();
  result = window_->finish_file(output, endOfFile);
  if (result == DecodeResult::ok) broken_ = false;
  return result;
}

}  // namespace

std::unique_ptr<Decoder> make_rar29_decoder(uint64_t dictionarySize) {
  if (dictionarySize > (uint64_t{1} << 32)) return nullptr;
  const uint64_t windowSize = std::max(kMinWindow, std::bit_ceil(dictionarySize));
  auto window = Rar29Window::create(static_cast<size_t>(windowSize));
  if (!window) return nullptr;
  return std::make_unique<Rar29Decoder>(std::move(window));
}

}  // namespace unrar
