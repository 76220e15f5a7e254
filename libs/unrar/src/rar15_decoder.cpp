// The RAR 1.5 algorithm: literals and match distances coded by their positions
// in self-ranking lists, through fixed code families chosen by running
// averages; flag bytes decide between literals, short and long matches, and a
// "stream mode" codes runs of literals without flags. The window and all the
// adaptive state continue across the files of a solid archive.
#include <array>
#include <cstdint>
#include <memory>
#include <utility>

#include "rar15_decoder_codes.h"
#include "rar15_decoder_lists.h"
#include "rar29_bit_input.h"
#include "rar29_window.h"
#include "rar_decoder.h"

namespace unrar {
namespace {

// Matches reach back at most 64 KiB; the window also holds a whole 256 KiB
// output piece plus the longest match beyond it.
constexpr size_t kWindowSize = 512 * 1024;
constexpr uint32_t kShortDistanceBase = 0x8000;
constexpr uint32_t kNearDistanceLimit = 0x2001;
constexpr uint32_t kFarDistanceLimit = 0x7F00;
// A repeated-distance length that toggles the short-match code instead of copying.
constexpr uint32_t kToggleLength = 0x101;
// Literal counts wear out sooner than those of distances and flag bytes.
constexpr uint8_t kLiteralCountLimit = 0xA1;
constexpr uint8_t kCountLimit = 0xFF;

class Rar15Decoder : public Decoder {
 public:
  explicit Rar15Decoder(std::unique_ptr<Rar29Window> window)
      : window_(std::move(window)),
        literals_(kLiteralCountLimit),
        longDistances_(kCountLimit),
        flagBytes_(kCountLimit) {
    reset_stream();
  }

  DecodeResult decode_entry(PackedInput& input, UnpackedOutput& output, uint64_t unpackedSize,
                            bool solid) override;

 private:
  void reset_stream();
  DecodeResult decode_file(UnpackedOutput& output);
  DecodeResult read_flags();
  DecodeResult next_flag_bit(bool& set);
  DecodeResult literal();
  DecodeResult short_match();
  DecodeResult long_match();
  DecodeResult remembered_match(uint32_t distance, uint32_t length);
  DecodeResult copy(uint32_t distance, uint32_t length);

  std::unique_ptr<Rar29Window> window_;
  Rar29BitInput input_;

  Rar15RankedList literals_;
  Rar15RankedList longDistances_;
  Rar15RankedList flagBytes_;
  Rar15DistanceList shortDistances_;

  uint32_t literalAverage_ = 0;
  uint32_t longDistanceAverage_ = 0;
  uint32_t shortLengthAverage_ = 0;
  uint32_t longLengthAverage_ = 0;
  uint32_t nearMatchAverage_ = 0;
  uint32_t literalRun_ = 0;
  uint32_t literalWeight_ = 0;
  uint32_t matchWeight_ = 0;
  uint32_t farDistanceLimit_ = kNearDistanceLimit;
  bool toggled_ = false;
  std::array<uint32_t, 4> oldDistances_{};
  unsigned oldDistanceNext_ = 0;
  uint32_t lastDistance_ = 0;
  uint32_t lastLength_ = 0;

  // Per file, also in a solid archive.
  uint32_t flags_ = 0;
  int flagsLeft_ = 0;
  bool streamMode_ = false;
  unsigned lastRepeats_ = 0;

  bool broken_ = false;
};

void Rar15Decoder::reset_stream() {
  window_->reset_stream();
  literals_.reset(false);
  longDistances_.reset(false);
  longDistances_.rerank();
  flagBytes_.reset(true);
  shortDistances_.reset();
  literalAverage_ = 0x3500;
  longDistanceAverage_ = 0;
  shortLengthAverage_ = 0;
  longLengthAverage_ = 0;
  nearMatchAverage_ = 0;
  literalRun_ = 0;
  literalWeight_ = 0x80;
  matchWeight_ = 0x80;
  farDistanceLimit_ = kNearDistanceLimit;
  toggled_ = false;
  oldDistances_.fill(0);
  oldDistanceNext_ = 0;
  lastDistance_ = 0;
  lastLength_ = 0;
  broken_ = false;
}

DecodeResult Rar15Decoder::copy(uint32_t distance, uint32_t length) {
  if (length == 0) return DecodeResult::ok;
  // No compressor writes a zero distance; the format cannot express one
  // beyond the window.
  return window_->copy(length, distance) ? DecodeResult::ok : DecodeResult::bad_data;
}

// A match the repeat codes of later short matches can refer to.
DecodeResult Rar15Decoder::remembered_match(uint32_t distance, uint32_t length) {
  oldDistances_[oldDistanceNext_] = distance;
  oldDistanceNext_ = (oldDistanceNext_ + 1) & 3;
  lastLength_ = length;
  lastDistance_ = distance;
  return copy(distance, length);
}

DecodeResult Rar15Decoder::read_flags() {
  const uint32_t position = read_rar15_code(input_, kRar15PositionCode2);
  if (position > 0xFF) return DecodeResult::bad_data;
  flags_ = flagBytes_.take(static_cast<uint8_t>(position));
  return DecodeResult::ok;
}

// The next bit of the flag byte, reading a new byte when this one is used up.
DecodeResult Rar15Decoder::next_flag_bit(bool& set) {
  if (--flagsLeft_ < 0) {
    const DecodeResult result = read_flags();
    if (result != DecodeResult::ok) return result;
    flagsLeft_ = 7;
  }
  set = (flags_ & 0x80) != 0;
  flags_ = (flags_ << 1) & 0xFF;
  return DecodeResult::ok;
}

DecodeResult Rar15Decoder::literal() {
  const uint32_t bits = input_.peek16();
  const Rar15CodeTable& code = literalAverage_ > 0x75FF   ? kRar15PositionCode4
                               : literalAverage_ > 0x5DFF ? kRar15PositionCode3
                               : literalAverage_ > 0x35FF ? kRar15PositionCode2
                               : literalAverage_ > 0x0DFF ? kRar15PositionCode1
                                                          : kRar15PositionCode0;
  uint32_t position = read_rar15_code(input_, code) & 0xFF;
  if (streamMode_) {
    // In stream mode value 0 is an escape and value k means list position
    // k - 1; value 256 (0 in the low byte) comes only with bits above 0x0FFF.
    if (position == 0 && bits > 0x0FFF) position = 0x100;
    if (position == 0) {
      const bool leave = input_.get(1) != 0;
      if (leave) {
        literalRun_ = 0;
        streamMode_ = false;
        return DecodeResult::ok;
      }
      const uint32_t length = input_.get(1) != 0 ? 4 : 3;
      const uint32_t high = read_rar15_code(input_, kRar15PositionCode2);
      const uint32_t distance = (high << 5) | input_.get(5);
      return copy(distance, length);
    }
    --position;
  } else if (literalRun_++ >= 16 && flagsLeft_ == 0) {
    streamMode_ = true;
  }
  literalAverage_ += position;
  literalAverage_ -= literalAverage_ >> 8;
  literalWeight_ += 16;
  if (literalWeight_ > 0xFF) {
    literalWeight_ = 0x90;
    matchWeight_ >>= 1;
  }
  window_->put(literals_.take(static_cast<uint8_t>(position)));
  return DecodeResult::ok;
}

DecodeResult Rar15Decoder::short_match() {
  literalRun_ = 0;
  uint32_t bits = input_.peek16();
  if (lastRepeats_ == 2) {
    input_.skip(1);
    if (bits >= 0x8000) return copy(lastDistance_, lastLength_);
    bits = (bits << 1) & 0xFFFF;
    lastRepeats_ = 0;
  }
  const Rar15ShortTable& table = rar15_short_table(shortLengthAverage_ >= 37, toggled_);
  const Rar15ShortClass shortClass = table[bits >> 8];
  input_.skip(shortClass.bits);
  const uint32_t lengthClass = shortClass.lengthClass;

  if (lengthClass == 9) {
    ++lastRepeats_;
    return copy(lastDistance_, lastLength_);
  }
  lastRepeats_ = 0;
  if (lengthClass == 14) {
    const uint32_t length = read_rar15_code(input_, kRar15LengthCode2) + 5;
    const uint32_t distance = (input_.get(15)) | kShortDistanceBase;
    lastLength_ = length;
    lastDistance_ = distance;
    return copy(distance, length);
  }
  if (lengthClass > 9) {
    const uint32_t back = lengthClass - 9;
    const uint32_t distance = oldDistances_[(oldDistanceNext_ - back) & 3];
    uint32_t length = read_rar15_code(input_, kRar15LengthCode1) + 2;
    if (length == kToggleLength && lengthClass == 10) {
      toggled_ = !toggled_;
      return DecodeResult::ok;
    }
    if (distance > 256) ++length;
    if (distance >= farDistanceLimit_) ++length;
    return remembered_match(distance, length);
  }
  shortLengthAverage_ += lengthClass;
  shortLengthAverage_ -= shortLengthAverage_ >> 4;
  const uint32_t position = read_rar15_code(input_, kRar15PositionCode2) & 0xFF;
  const uint32_t distance = shortDistances_.take(static_cast<uint8_t>(position)) + 1u;
  return remembered_match(distance, lengthClass + 2);
}

DecodeResult Rar15Decoder::long_match() {
  literalRun_ = 0;
  matchWeight_ += 16;
  if (matchWeight_ > 0xFF) {
    matchWeight_ = 0x90;
    literalWeight_ >>= 1;
  }
  const uint32_t previousLengthAverage = longLengthAverage_;
  const uint32_t bits = input_.peek16();
  uint32_t length = 0;
  if (longLengthAverage_ >= 122) {
    length = read_rar15_code(input_, kRar15LengthCode2);
  } else if (longLengthAverage_ >= 64) {
    length = read_rar15_code(input_, kRar15LengthCode1);
  } else if (bits < 0x100) {
    length = bits;
    input_.skip(16);
  } else {
    while (((bits << length) & 0x8000) == 0) ++length;
    input_.skip(length + 1);
  }
  longLengthAverage_ += length;
  longLengthAverage_ -= longLengthAverage_ >> 5;

  const Rar15CodeTable& code = longDistanceAverage_ > 0x28FF   ? kRar15PositionCode2
                               : longDistanceAverage_ > 0x06FF ? kRar15PositionCode1
                                                               : kRar15PositionCode0;
  const uint32_t position = read_rar15_code(input_, code);
  longDistanceAverage_ += position;
  longDistanceAverage_ -= longDistanceAverage_ >> 8;
  const uint32_t high = longDistances_.take(static_cast<uint8_t>(position & 0xFF));
  const uint32_t distance = ((high << 8) | (input_.peek16() >> 8)) >> 1;
  input_.skip(7);

  const uint32_t previousNearAverage = nearMatchAverage_;
  if (length != 1 && length != 4) {
    if (length == 0 && distance <= farDistanceLimit_) {
      ++nearMatchAverage_;
      nearMatchAverage_ -= nearMatchAverage_ >> 8;
    } else if (nearMatchAverage_ > 0) {
      --nearMatchAverage_;
    }
  }
  length += 3;
  if (distance >= farDistanceLimit_) ++length;
  if (distance <= 256) length += 8;
  const bool far =
      previousNearAverage > 0xB0 || (literalAverage_ >= 0x2A00 && previousLengthAverage < 0x40);
  farDistanceLimit_ = far ? kFarDistanceLimit : kNearDistanceLimit;
  return remembered_match(distance, length);
}

DecodeResult Rar15Decoder::decode_file(UnpackedOutput& output) {
  const uint64_t fileEnd = window_->file_end();
  if (window_->position() >= fileEnd) return DecodeResult::ok;
  DecodeResult result = read_flags();
  flagsLeft_ = 8;
  while (result == DecodeResult::ok && window_->position() < fileEnd) {
    if (input_.overrun()) return DecodeResult::bad_data;
    if (window_->needs_flush()) {
      result = window_->flush(output);
      if (result != DecodeResult::ok) return result;
    }
    if (streamMode_) {
      result = literal();
      continue;
    }
    // Flag bit 1 picks the more frequent of literal and long match; 01 the
    // other one; 00 a short match.
    bool first = false;
    result = next_flag_bit(first);
    if (result != DecodeResult::ok) break;
    const bool matchesLead = matchWeight_ > literalWeight_;
    if (first) {
      result = matchesLead ? long_match() : literal();
      continue;
    }
    bool second = false;
    result = next_flag_bit(second);
    if (result != DecodeResult::ok) break;
    if (second)
      result = matchesLead ? literal() : long_match();
    else
      result = short_match();
  }
  if (result != DecodeResult::ok) return result;
  return input_.overrun() ? DecodeResult::bad_data : DecodeResult::ok;
}

DecodeResult Rar15Decoder::decode_entry(PackedInput& input, UnpackedOutput& output,
                                        uint64_t unpackedSize, bool solid) {
  if (!solid) reset_stream();
  // A damaged or interrupted file leaves nothing a solid successor could use.
  if (broken_) return DecodeResult::bad_data;
  // The format has no end marker: only the size tells where a file ends.
  if (unpackedSize == UINT64_MAX) return DecodeResult::bad_data;
  broken_ = true;
  input_.reset(input);
  window_->begin_file(unpackedSize, false);
  flags_ = 0;
  flagsLeft_ = 0;
  streamMode_ = false;
  lastRepeats_ = 0;

  DecodeResult result = decode_file(output);
  if (input_.input_failed()) return DecodeResult::stopped;
  if (result != DecodeResult::ok) return result;
  result = window_->finish_file(output, false);
  if (result == DecodeResult::ok) broken_ = false;
  return result;
}

}  // namespace

// Distances of this algorithm never exceed 64 KiB, so the dictionary size the
// header names does not change the window.
std::unique_ptr<Decoder> make_rar15_decoder(uint64_t) {
  auto window = Rar29Window::create(kWindowSize);
  if (!window) return nullptr;
  return std::make_unique<Rar15Decoder>(std::move(window));
}

}  // namespace unrar
