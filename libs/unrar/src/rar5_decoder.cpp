#include "rar5_decoder.h"

#include <algorithm>
#include <limits>
#include <new>

namespace unrar {
namespace {

constexpr size_t kMainSymbols = 306;
constexpr size_t kLowDistanceSymbols = 16;
constexpr size_t kLengthSymbols = 44;
constexpr size_t kBitLengthSymbols = 20;
constexpr size_t kMaxTableLengths = kMainSymbols + 80 + kLowDistanceSymbols + kLengthSymbols;

constexpr uint64_t kMaxDictionary = uint64_t{4} << 30;
// Big enough to hold a whole pending filter range (at most 4 MiB) plus what is
// decoded while waiting for it, whatever the dictionary.
constexpr size_t kMinWindow = size_t{8} << 20;
constexpr uint32_t kMaxFilterLength = 0x400000;
constexpr size_t kMaxPendingFilters = 8192;
// The caller's progress callback runs at least this often.
constexpr size_t kOutputPiece = 256 << 10;
constexpr uint64_t kUnknownSize = std::numeric_limits<uint64_t>::max();
constexpr uint64_t kNoDistance = std::numeric_limits<uint64_t>::max();

size_t read_fully(PackedInput& input, uint8_t* buffer, size_t size) {
  size_t total = 0;
  while (total < size) {
    const size_t got = input.read(buffer + total, size - total);
    if (got == 0) break;
    total += got;
  }
  return total;
}

}  // namespace

Rar5Decoder::Rar5Decoder(std::unique_ptr<uint8_t[]> window, size_t windowSize,
                         uint64_t dictionarySize, int version)
    : window_(std::move(window)),
      windowMask_(windowSize - 1),
      dictionarySize_(dictionarySize),
      version_(version),
      distanceSymbols_(version == 1 ? 80 : 64) {
  reset_stream();
}

void Rar5Decoder::reset_stream() {
  position_ = 0;
  oldDistances_.fill(kNoDistance);
  lastLength_ = 0;
  tablesRead_ = false;
  streamBroken_ = false;
}

DecodeResult Rar5Decoder::decode_entry(PackedInput& input, UnpackedOutput& output,
                                       uint64_t unpackedSize, bool solid) {
  if (version_ != 0 && version_ != 1) return DecodeResult::unsupported;
  if (!solid) {
    reset_stream();
  } else if (streamBroken_) {
    return DecodeResult::bad_data;
  }
  output_ = &output;
  entryStart_ = position_;
  entryEnd_ = unpackedSize > kUnknownSize - position_ ? kUnknownSize : position_ + unpackedSize;
  flushed_ = position_;
  nextFlush_ = position_ + kOutputPiece;
  filters_.clear();

  DecodeResult result = decode_blocks(input);
  if (result == DecodeResult::ok) result = finish_entry(unpackedSize != kUnknownSize);
  // Whatever follows in a solid stream depends on state this entry left half-made.
  if (result != DecodeResult::ok) streamBroken_ = true;
  output_ = nullptr;
  return result;
}

DecodeResult Rar5Decoder::decode_blocks(PackedInput& input) {
  for (bool first = true;; first = false) {
    Block block{};
    switch (read_block(input, block)) {
      case BlockRead::ok:
        break;
      case BlockRead::end_of_input:
        return first && entryEnd_ == entryStart_ ? DecodeResult::ok : DecodeResult::bad_data;
      case BlockRead::damaged:
        return DecodeResult::bad_data;
      case BlockRead::input_failed:
        return DecodeResult::stopped;
    }
    if (block.hasTables) {
      tablesRead_ = read_tables(block.bitCount);
      if (!tablesRead_) return DecodeResult::bad_data;
    } else if (!tablesRead_) {
      return DecodeResult::bad_data;
    }
    const DecodeResult result = decode_symbols(block.bitCount);
    if (result != DecodeResult::ok || block.last) return result;
  }
}

Rar5Decoder::BlockRead Rar5Decoder::read_block(PackedInput& input, Block& block) {
  uint8_t header[5];
  const size_t got = read_fully(input, header, 2);
  if (input.failed()) return BlockRead::input_failed;
  if (got == 0) return BlockRead::end_of_input;
  if (got < 2) return BlockRead::damaged;

  const uint8_t flags = header[0];
  const size_t sizeBytes = ((flags >> 3) & 3) + 1;
  if (sizeBytes == 4) return BlockRead::damaged;
  if (read_fully(input, header + 2, sizeBytes) != sizeBytes) {
    return input.failed() ? BlockRead::input_failed : BlockRead::damaged;
  }
  uint8_t check = 0x5A ^ flags;
  size_t size = 0;
  for (size_t i = 0; i < sizeBytes; ++i) {
    check ^= header[2 + i];
    size |= size_t{header[2 + i]} << (8 * i);
  }
  if (check != header[1]) return BlockRead::damaged;

  blockData_.resize(size);
  if (read_fully(input, blockData_.data(), size) != size) {
    return input.failed() ? BlockRead::input_failed : BlockRead::damaged;
  }
  bits_.reset(blockData_.data(), size);
  block.last = (flags & 0x40) != 0;
  block.hasTables = (flags & 0x80) != 0;
  block.bitCount = size == 0 ? 0 : (uint64_t{size} - 1) * 8 + (flags & 7) + 1;
  return BlockRead::ok;
}

bool Rar5Decoder::read_tables(uint64_t endBit) {
  uint8_t bitLengths[kBitLengthSymbols];
  for (size_t i = 0; i < kBitLengthSymbols;) {
    const uint32_t length = bits_.get(4);
    if (length == 15) {
      const uint32_t zeros = bits_.get(4);
      if (zeros != 0) {
        for (uint32_t n = 0; n < zeros + 2 && i < kBitLengthSymbols; ++n) bitLengths[i++] = 0;
        continue;
      }
    }
    bitLengths[i++] = static_cast<uint8_t>(length);
  }
  Rar5HuffmanTable bitLengthTable;
  if (!bitLengthTable.build(bitLengths, kBitLengthSymbols)) return false;

  const size_t count = kMainSymbols + distanceSymbols_ + kLowDistanceSymbols + kLengthSymbols;
  uint8_t lengths[kMaxTableLengths];
  for (size_t i = 0; i < count;) {
    const int symbol = bitLengthTable.decode(bits_);
    if (symbol < 0) return false;
    if (symbol < 16) {
      lengths[i++] = static_cast<uint8_t>(symbol);
      continue;
    }
    const uint32_t run = (symbol == 16 || symbol == 18) ? bits_.get(3) + 3 : bits_.get(7) + 11;
    uint8_t value = 0;
    if (symbol < 18) {
      if (i == 0) return false;
      value = lengths[i - 1];
    }
    for (uint32_t n = 0; n < run && i < count; ++n) lengths[i++] = value;
  }
  if (bits_.position() > endBit) return false;

  const uint8_t* next = lengths;
  if (!mainTable_.build(next, kMainSymbols)) return false;
  next += kMainSymbols;
  if (!distanceTable_.build(next, distanceSymbols_)) return false;
  next += distanceSymbols_;
  if (!lowDistanceTable_.build(next, kLowDistanceSymbols)) return false;
  next += kLowDistanceSymbols;
  return lengthTable_.build(next, kLengthSymbols);
}

DecodeResult Rar5Decoder::decode_symbols(uint64_t endBit) {
  while (bits_.position() < endBit) {
    if (position_ >= nextFlush_) {
      const DecodeResult flushed = flush();
      if (flushed != DecodeResult::ok) return flushed;
    }
    const int symbol = mainTable_.decode(bits_);
    if (symbol < 256) {
      if (symbol < 0) return DecodeResult::bad_data;
      window_[position_ & windowMask_] = static_cast<uint8_t>(symbol);
      ++position_;
      continue;
    }
    DecodeResult result;
    if (symbol >= 262) {
      uint32_t length = read_length(static_cast<unsigned>(symbol - 262));
      uint64_t distance;
      if (!read_distance(distance)) return DecodeResult::bad_data;
      // Far matches shorter than these lengths are never worth coding.
      length += (distance > 0x100) + (distance > 0x2000) + (distance > 0x40000);
      oldDistances_ = {distance, oldDistances_[0], oldDistances_[1], oldDistances_[2]};
      lastLength_ = length;
      result = copy_match(length, distance);
    } else if (symbol == 256) {
      result = read_filter();
    } else if (symbol == 257) {
      result = lastLength_ != 0 ? copy_match(lastLength_, oldDistances_[0]) : DecodeResult::ok;
    } else {
      const size_t index = static_cast<size_t>(symbol - 258);
      const uint64_t distance = oldDistances_[index];
      for (size_t i = index; i > 0; --i) oldDistances_[i] = oldDistances_[i - 1];
      oldDistances_[0] = distance;
      const int slot = lengthTable_.decode(bits_);
      if (slot < 0) return DecodeResult::bad_data;
      lastLength_ = read_length(static_cast<unsigned>(slot));
      result = copy_match(lastLength_, distance);
    }
    if (result != DecodeResult::ok) return result;
  }
  return bits_.position() > endBit ? DecodeResult::bad_data : DecodeResult::ok;
}

uint32_t Rar5Decoder::read_length(unsigned slot) {
  if (slot < 8) return 2 + slot;
  const unsigned extraBits = slot / 4 - 1;
  return 2 + ((4 + (slot & 3)) << extraBits) + bits_.get(extraBits);
}

bool Rar5Decoder::read_distance(uint64_t& distance) {
  const int slot = distanceTable_.decode(bits_);
  if (slot < 0) return false;
  if (slot < 4) {
    distance = static_cast<uint64_t>(slot) + 1;
    return true;
  }
  const unsigned extraBits = static_cast<unsigned>(slot) / 2 - 1;
  distance = 1 + (uint64_t{2u | (static_cast<unsigned>(slot) & 1)} << extraBits);
  if (extraBits < 4) {
    distance += bits_.get(extraBits);
    return true;
  }
  if (extraBits > 4) distance += bits_.get_long(extraBits - 4) << 4;
  const int low = lowDistanceTable_.decode(bits_);
  if (low < 0) return false;
  distance += static_cast<uint64_t>(low);
  return true;
}

DecodeResult Rar5Decoder::copy_match(uint32_t length, uint64_t distance) {
  if (distance > dictionarySize_) return DecodeResult::bad_data;
  uint8_t* window = window_.get();
  const size_t windowSize = windowMask_ + 1;
  const size_t target = position_ & windowMask_;
  if (distance > position_) {
    // Before the start of the stream the window reads as zeros.
    for (uint32_t i = 0; i < length; ++i) window[(target + i) & windowMask_] = 0;
  } else {
    const size_t source = (position_ - distance) & windowMask_;
    if (source + length <= windowSize && target + length <= windowSize) {
      // Byte by byte: an overlapping copy repeats the pattern.
      for (uint32_t i = 0; i < length; ++i) window[target + i] = window[source + i];
    } else {
      for (uint32_t i = 0; i < length; ++i) {
        window[(target + i) & windowMask_] = window[(source + i) & windowMask_];
      }
    }
  }
  position_ += length;
  return DecodeResult::ok;
}

DecodeResult Rar5Decoder::read_filter() {
  const auto read_number = [this] {
    const unsigned bytes = bits_.get(2) + 1;
    uint64_t value = 0;
    for (unsigned i = 0; i < bytes; ++i) value |= uint64_t{bits_.get(8)} << (8 * i);
    return value;
  };
  const uint64_t start = read_number();
  const uint64_t length = read_number();
  const uint32_t type = bits_.get(3);
  if (type > static_cast<uint32_t>(Rar5FilterType::arm)) return DecodeResult::bad_data;
  const uint32_t channels = type == 0 ? bits_.get(5) + 1 : 0;
  // Longer ranges are ignored, as the compressor never makes them.
  if (length == 0 || length > kMaxFilterLength) return DecodeResult::ok;
  if (filters_.size() >= kMaxPendingFilters) {
    const DecodeResult flushed = flush();
    if (flushed != DecodeResult::ok) return flushed;
    if (filters_.size() >= kMaxPendingFilters) return DecodeResult::bad_data;
  }
  filters_.push_back({position_ + start, static_cast<uint32_t>(length),
                      static_cast<Rar5FilterType>(type), channels});
  return DecodeResult::ok;
}

DecodeResult Rar5Decoder::flush() {
  nextFlush_ = position_ + kOutputPiece;
  while (flushed_ < position_) {
    if (filters_.empty()) {
      if (!emit_window(flushed_, position_)) return DecodeResult::stopped;
      flushed_ = position_;
      break;
    }
    const Rar5Filter filter = filters_.front();
    if (filter.start < flushed_) {
      // Overlaps a range already written: nothing left to filter.
      filters_.pop_front();
      continue;
    }
    if (filter.start > flushed_) {
      const uint64_t to = std::min(filter.start, position_);
      if (!emit_window(flushed_, to)) return DecodeResult::stopped;
      flushed_ = to;
      continue;
    }
    if (position_ - filter.start < filter.length) {
      nextFlush_ = filter.start + filter.length;
      break;
    }
    filterData_.resize(filter.length);
    for (uint32_t i = 0; i < filter.length; ++i) {
      filterData_[i] = window_[(filter.start + i) & windowMask_];
    }
    const uint8_t* filtered = apply_rar5_filter(filter, filterData_.data(), filter.length,
                                                filter.start - entryStart_, filterScratch_);
    if (!emit(filtered, filter.start, filter.length)) return DecodeResult::stopped;
    flushed_ += filter.length;
    filters_.pop_front();
  }
  return position_ > entryEnd_ ? DecodeResult::bad_data : DecodeResult::ok;
}

DecodeResult Rar5Decoder::finish_entry(bool sizeKnown) {
  const DecodeResult result = flush();
  if (result != DecodeResult::ok) return result;
  // A range that began in this entry's output but never completed.
  for (const Rar5Filter& filter : filters_) {
    if (filter.start < position_) return DecodeResult::bad_data;
  }
  filters_.clear();
  if (sizeKnown && position_ != entryEnd_) return DecodeResult::bad_data;
  return DecodeResult::ok;
}

bool Rar5Decoder::emit_window(uint64_t from, uint64_t to) {
  to = std::min(to, entryEnd_);
  while (from < to) {
    const size_t offset = from & windowMask_;
    const size_t size = static_cast<size_t>(
        std::min<uint64_t>({to - from, windowMask_ + 1 - offset, kOutputPiece}));
    if (!output_->write(window_.get() + offset, size)) return false;
    from += size;
  }
  return true;
}

bool Rar5Decoder::emit(const uint8_t* data, uint64_t streamStart, size_t size) {
  if (streamStart >= entryEnd_) return true;
  size = static_cast<size_t>(std::min<uint64_t>(size, entryEnd_ - streamStart));
  for (size_t done = 0; done < size;) {
    const size_t piece = std::min(size - done, kOutputPiece);
    if (!output_->write(data + done, piece)) return false;
    done += piece;
  }
  return true;
}

std::unique_ptr<Decoder> make_rar5_decoder(uint64_t dictionarySize, int version) {
  if (dictionarySize == 0 || dictionarySize > kMaxDictionary) return nullptr;
  size_t windowSize = kMinWindow;
  while (windowSize < dictionarySize) windowSize <<= 1;
  std::unique_ptr<uint8_t[]> window(new (std::nothrow) uint8_t[windowSize]);
  if (!window) return nullptr;
  return std::make_unique<Rar5Decoder>(std::move(window), windowSize, dictionarySize, version);
}

}  // namespace unrar
