#include "archivekit/lzma2_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace archivekit {
namespace {

// A chunk's header: its control byte, the unpacked size's low 16 bits, and for a packed
// chunk the packed size and perhaps the properties.
constexpr size_t kStoredHeader = 3;
constexpr size_t kPackedHeader = 5;
// One symbol decodes at most 60 bits, and reads at most one byte per bit: a damaged
// chunk reads into these zeros before it is caught.
constexpr size_t kInputSlack = 64;
// A short match is copied eight bytes at a time and may write this far past its end;
// the circle is this much larger than the dictionary, so what it overwrites is history
// no distance can reach.
constexpr size_t kCopySlack = 16;

constexpr unsigned kStates = 12;
constexpr unsigned kLiteralStates = 7;
constexpr unsigned kMaxPositionStates = 16;
constexpr unsigned kEndPositionModel = 14;
constexpr unsigned kFullDistances = 128;
constexpr unsigned kAlignBits = 4;
constexpr unsigned kMinMatch = 2;

// The length coder: choice, choice2, then low and mid trees per position state, then high.
constexpr unsigned kLenLow = 2;
constexpr unsigned kLenMid = kLenLow + kMaxPositionStates * 8;
constexpr unsigned kLenHigh = kLenMid + kMaxPositionStates * 8;
constexpr unsigned kLenSize = kLenHigh + 256;

// Where each model's probabilities start.
constexpr unsigned kIsMatch = 0;
constexpr unsigned kIsRep = kIsMatch + kStates * kMaxPositionStates;
constexpr unsigned kIsRepG0 = kIsRep + kStates;
constexpr unsigned kIsRepG1 = kIsRepG0 + kStates;
constexpr unsigned kIsRepG2 = kIsRepG1 + kStates;
constexpr unsigned kIsRep0Long = kIsRepG2 + kStates;
constexpr unsigned kPositionSlot = kIsRep0Long + kStates * kMaxPositionStates;
constexpr unsigned kSpecialPosition = kPositionSlot + 4 * 64;
constexpr unsigned kAlign = kSpecialPosition + kFullDistances - kEndPositionModel + 1;
constexpr unsigned kMatchLength = kAlign + (1 << kAlignBits);
constexpr unsigned kRepLength = kMatchLength + kLenSize;
constexpr unsigned kLiteral = kRepLength + kLenSize;

constexpr uint32_t kTop = uint32_t{1} << 24;
constexpr unsigned kModelBits = 11;
constexpr unsigned kMoveBits = 5;
constexpr uint16_t kHalf = 1 << (kModelBits - 1);

// The range decoder's registers, kept as a local of the decoding loop so that they
// live in registers; copied in and out around it.
struct RangeDecoder {
  uint32_t range, code;
  const uint8_t* in;

  [[gnu::always_inline]] void normalize() {
    if (range < kTop) {
      range <<= 8;
      code = (code << 8) | *in++;
    }
  }

  [[gnu::always_inline]] unsigned bit(uint16_t& probability) {
    normalize();
    const uint32_t bound = (range >> kModelBits) * probability;
    if (code < bound) {
      range = bound;
      probability =
          static_cast<uint16_t>(probability + (((1u << kModelBits) - probability) >> kMoveBits));
      return 0;
    }
    range -= bound;
    code -= bound;
    probability = static_cast<uint16_t>(probability - (probability >> kMoveBits));
    return 1;
  }

  // A bit inside a tree, where a branch would be mispredicted half the time: chosen
  // without one, and shifted into symbol.
  [[gnu::always_inline]] void tree_bit(uint16_t& probability, unsigned& symbol) {
    normalize();
    const uint32_t bound = (range >> kModelBits) * probability;
    const uint32_t mask = 0u - static_cast<uint32_t>(code >= bound);
    range = bound ^ ((bound ^ (range - bound)) & mask);
    code -= bound & mask;
    const uint32_t zero = probability + (((1u << kModelBits) - probability) >> kMoveBits);
    const uint32_t one = probability - (probability >> kMoveBits);
    probability = static_cast<uint16_t>(zero ^ ((zero ^ one) & mask));
    symbol = (symbol << 1) | (mask & 1);
  }

  // A value of bits coded by a tree of models, highest bit first.
  [[gnu::always_inline]] unsigned tree(uint16_t* probabilities, unsigned bits) {
    unsigned symbol = 1;
    for (unsigned i = 0; i < bits; ++i) tree_bit(probabilities[symbol], symbol);
    return symbol - (1u << bits);
  }

  // The same, lowest bit first.
  [[gnu::always_inline]] unsigned reverse_tree(uint16_t* probabilities, unsigned bits) {
    unsigned symbol = 1, value = 0;
    for (unsigned i = 0; i < bits; ++i) {
      tree_bit(probabilities[symbol], symbol);
      value |= (symbol & 1) << i;
    }
    return value;
  }

  unsigned direct_bit() {
    normalize();
    range >>= 1;
    code -= range;
    const uint32_t mask = 0u - (code >> 31);
    code += range & mask;
    return mask + 1;
  }
};

}  // namespace

bool Lzma2Decoder::set_properties(uint8_t properties) {
  if (properties >= 9 * 5 * 5) return false;
  lc_ = properties % 9;
  properties /= 9;
  lp_ = properties % 5;
  pb_ = properties / 5;
  return lc_ + lp_ <= 4;  // LZMA2's own limit
}

void Lzma2Decoder::reset_state() {
  probabilities_.assign(kLiteral + (0x300u << (lc_ + lp_)), kHalf);
  state_ = 0;
  std::fill(std::begin(reps_), std::end(reps_), 0);
}

Lzma2Decoder::Result Lzma2Decoder::start_chunk(const uint8_t* input, size_t inputSize,
                                               size_t& used) {
  used = 0;
  if (inputSize == 0) return Result::more;
  const uint8_t control = input[0];
  if (control == 0) {
    used = 1;
    return Result::end;
  }
  const bool packed = control >= 0x80;
  if (!packed && control > 2) return Result::bad_data;
  // A reset of the dictionary comes first, and with it new properties.
  const bool resetsDictionary = control == 1 || control >= 0xE0;
  if (needDictionaryReset_ && !resetsDictionary) return Result::bad_data;
  const bool newProperties = control >= 0xC0;
  if (packed && needProperties_ && !newProperties) return Result::bad_data;

  const size_t header = packed ? kPackedHeader + (newProperties ? 1 : 0) : kStoredHeader;
  if (inputSize < header) return Result::more;
  const uint32_t unpacked = packed ? ((control & 0x1Fu) << 16 | input[1] << 8 | input[2]) + 1
                                   : (input[1] << 8 | input[2]) + 1u;
  const size_t packedSize = packed ? (input[3] << 8 | input[4]) + 1u : unpacked;
  if (inputSize < header + packedSize) return Result::more;

  if (resetsDictionary) {
    if (!window_) {
      windowEnd_ = size_t{windowSize_} + kCopySlack;
      // Left unset: a damaged folder claiming a large dictionary costs only the pages
      // it writes.
      try {
        window_ = std::make_unique_for_overwrite<uint8_t[]>(windowEnd_ + kCopySlack);
      } catch (const std::bad_alloc&) {
        return Result::no_memory;
      }
    }
    position_ = 0;
    total_ = 0;
    needDictionaryReset_ = false;
    needProperties_ = true;
  }
  if (packed) {
    if (newProperties) {
      if (!set_properties(input[5])) return Result::bad_data;
      needProperties_ = false;
    }
    if (control >= 0xA0) reset_state();
  }
  chunkInput_.resize(packedSize + kInputSlack);
  std::memcpy(chunkInput_.data(), input + header, packedSize);
  std::fill(chunkInput_.begin() + static_cast<ptrdiff_t>(packedSize), chunkInput_.end(), 0);
  in_ = chunkInput_.data();
  inEnd_ = in_ + packedSize;
  chunkLeft_ = unpacked;
  used = header + packedSize;
  if (packed) {
    if (packedSize < 5 || in_[0] != 0) return Result::bad_data;
    code_ = static_cast<uint32_t>(in_[1]) << 24 | in_[2] << 16 | in_[3] << 8 | in_[4];
    range_ = 0xFFFFFFFF;
    in_ += 5;
    chunk_ = Chunk::packed;
  } else {
    chunk_ = Chunk::stored;
  }
  return Result::more;
}

void Lzma2Decoder::write_stored(size_t count) {
  std::memcpy(window_.get() + position_, in_, count);
  in_ += count;
  position_ += count;
  total_ += count;
  chunkLeft_ -= static_cast<uint32_t>(count);
}

bool Lzma2Decoder::decode_symbols(size_t limit) {
  uint8_t* const window = window_.get();
  const size_t windowEnd = windowEnd_;
  size_t position = position_;
  limit = std::min<size_t>(limit, position + chunkLeft_);
  const size_t start = position;
  RangeDecoder rc{range_, code_, in_};
  uint16_t* const probs = probabilities_.data();
  unsigned state = state_;
  uint32_t rep0 = reps_[0], rep1 = reps_[1], rep2 = reps_[2], rep3 = reps_[3];
  // Bytes the history holds: a distance must fall inside it.
  uint64_t held = std::min<uint64_t>(total_, windowSize_);
  const unsigned pbMask = (1u << pb_) - 1, lpMask = (1u << lp_) - 1;
  const unsigned lc = lc_;
  uint32_t total = static_cast<uint32_t>(total_);  // its low bits choose the models
  bool good = true;

  // Finishes a match cut short when the output was full.
  uint32_t length = pendingLength_;
  // Where the byte at rep0 behind the position lies in the circle.
  auto rep0_source = [&] {
    return position > rep0 ? position - rep0 - 1 : position + windowEnd - rep0 - 1;
  };
  auto copy_match = [&](uint32_t count) {
    uint8_t* out = window + position;
    const size_t from = rep0_source();
    const bool wraps = from > position;
    if (wraps && from + count > windowEnd) {
      size_t at = from;
      for (uint32_t i = 0; i < count; ++i) {
        out[i] = window[at];
        if (++at == windowEnd) at = 0;
      }
    } else if (wraps || rep0 >= 7) {
      // Eight at a time: a source eight or more behind never reads what is unwritten,
      // and one that wrapped lies at least kCopySlack ahead.
      const uint8_t* source = window + from;
      for (uint32_t done = 0; done < count; done += 8) {
        uint8_t piece[8];
        std::memcpy(piece, source + done, 8);
        std::memcpy(out + done, piece, 8);
      }
    } else if (rep0 == 0) {
      std::memset(out, out[-1], count);
    } else {
      const uint8_t* source = window + from;
      for (uint32_t i = 0; i < count; ++i) out[i] = source[i];
    }
    position += count;
    total += count;
    if (held < windowSize_) held = std::min<uint64_t>(held + count, windowSize_);
  };
  if (length > 0) {
    const uint32_t now = static_cast<uint32_t>(std::min<size_t>(length, limit - position));
    copy_match(now);
    length -= now;
  }

  while (position < limit) {
    if (rc.in > inEnd_) {
      good = false;
      break;
    }
    const unsigned posState = total & pbMask;
    if (rc.bit(probs[kIsMatch + (state << 4) + posState]) == 0) {
      const unsigned previous = held > 0 ? window[position == 0 ? windowEnd - 1 : position - 1] : 0;
      uint16_t* literal =
          probs + kLiteral + 0x300 * (((total & lpMask) << lc) + (previous >> (8 - lc)));
      unsigned symbol = 1;
      if (state < kLiteralStates) {
        symbol = 0x100 + rc.tree(literal, 8);
        state = state < 4 ? 0 : state - 3;
      } else {
        const size_t from = rep0_source();
        // Bits that agree with the byte at rep0 use their own models until one differs.
        unsigned matchByte = window[from];
        unsigned matching = 0x100;
        do {
          matchByte <<= 1;
          const unsigned before = matching;
          matching &= matchByte;
          const unsigned index = matching + before + symbol;
          rc.tree_bit(literal[index], symbol);
          matching ^= before & ~(0u - (symbol & 1));
        } while (symbol < 0x100);
        state = state < 10 ? state - 3 : state - 6;
      }
      window[position++] = static_cast<uint8_t>(symbol);
      ++total;
      if (held < windowSize_) ++held;
      continue;
    }

    uint16_t* lengthModel;
    if (rc.bit(probs[kIsRep + state]) == 0) {
      rep3 = rep2;
      rep2 = rep1;
      rep1 = rep0;
      lengthModel = probs + kMatchLength;
      state = state < kLiteralStates ? 7 : 10;
    } else {
      if (held == 0) {
        good = false;
        break;
      }
      if (rc.bit(probs[kIsRepG0 + state]) == 0) {
        if (rc.bit(probs[kIsRep0Long + (state << 4) + posState]) == 0) {
          state = state < kLiteralStates ? 9 : 11;
          const size_t from = rep0_source();
          window[position++] = window[from];
          ++total;
          if (held < windowSize_) ++held;
          continue;
        }
      } else {
        uint32_t distance;
        if (rc.bit(probs[kIsRepG1 + state]) == 0) {
          distance = rep1;
        } else {
          if (rc.bit(probs[kIsRepG2 + state]) == 0) {
            distance = rep2;
          } else {
            distance = rep3;
            rep3 = rep2;
          }
          rep2 = rep1;
        }
        rep1 = rep0;
        rep0 = distance;
      }
      lengthModel = probs + kRepLength;
      state = state < kLiteralStates ? 8 : 11;
    }

    // The length: 3 bits for 2-9, 3 more for 10-17, 8 for 18-273.
    unsigned lengthCode;
    if (rc.bit(lengthModel[0]) == 0) {
      lengthCode = rc.tree(lengthModel + kLenLow + posState * 8, 3);
    } else if (rc.bit(lengthModel[1]) == 0) {
      lengthCode = 8 + rc.tree(lengthModel + kLenMid + posState * 8, 3);
    } else {
      lengthCode = 16 + rc.tree(lengthModel + kLenHigh, 8);
    }

    if (state == 7 || state == 10) {
      // A new distance: a slot of 6 bits, then bits by model, direct, and aligned.
      const unsigned slot = rc.tree(probs + kPositionSlot + (std::min(lengthCode, 3u) << 6), 6);
      uint32_t distance = slot;
      if (slot >= 4) {
        const unsigned directBits = (slot >> 1) - 1;
        distance = (2 | (slot & 1)) << directBits;
        if (slot < kEndPositionModel) {
          distance += rc.reverse_tree(probs + kSpecialPosition + distance - slot, directBits);
        } else {
          uint32_t direct = 0;
          for (unsigned i = directBits - kAlignBits; i > 0; --i) {
            direct = (direct << 1) | rc.direct_bit();
          }
          distance += direct << kAlignBits;
          distance += rc.reverse_tree(probs + kAlign, kAlignBits);
        }
      }
      // LZMA2 has no end marker, so the largest distance is as wrong as any too far.
      if (distance >= held) {
        good = false;
        break;
      }
      rep0 = distance;
    }

    length = kMinMatch + lengthCode;
    const uint32_t now = static_cast<uint32_t>(std::min<size_t>(length, limit - position));
    copy_match(now);
    length -= now;
  }

  rc.normalize();  // as the encoder's flush leaves it
  const size_t made = position - start;
  chunkLeft_ -= static_cast<uint32_t>(made);
  position_ = position;
  total_ += made;
  range_ = rc.range;
  code_ = rc.code;
  in_ = rc.in;
  state_ = state;
  reps_[0] = rep0;
  reps_[1] = rep1;
  reps_[2] = rep2;
  reps_[3] = rep3;
  pendingLength_ = length;
  return good && rc.in <= inEnd_;
}

Lzma2Decoder::Result Lzma2Decoder::decode(const uint8_t* input, size_t inputSize, bool finish,
                                          size_t& consumed, uint8_t* out, size_t outSize,
                                          size_t& produced) {
  consumed = produced = 0;
  while (produced < outSize) {
    if (chunk_ == Chunk::none) {
      size_t used = 0;
      const Result started = start_chunk(input + consumed, inputSize - consumed, used);
      consumed += used;
      if (started == Result::more && used == 0) {
        return finish && produced == 0 ? Result::bad_data : Result::more;
      }
      if (started != Result::more) return started;
      if (chunk_ == Chunk::none) continue;
    }
    if (position_ == windowEnd_) position_ = 0;
    const size_t start = position_;
    const size_t limit = std::min(windowEnd_, position_ + (outSize - produced));
    if (chunk_ == Chunk::stored) {
      write_stored(std::min<size_t>(limit - position_, chunkLeft_));
    } else if (!decode_symbols(limit)) {
      return Result::bad_data;
    }
    std::memcpy(out + produced, window_.get() + start, position_ - start);
    produced += position_ - start;
    if (chunkLeft_ == 0) {
      // A packed chunk ends exactly where its input does, with the range decoder's code
      // at zero, and no match runs on past it.
      if (chunk_ == Chunk::packed && (in_ != inEnd_ || code_ != 0 || pendingLength_ != 0)) {
        return Result::bad_data;
      }
      chunk_ = Chunk::none;
    }
  }
  return Result::more;
}

}  // namespace archivekit
