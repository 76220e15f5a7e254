#include "ace_lz77.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace unace {

namespace {

constexpr unsigned kLargestMainSymbol = 284;  // one past the mode change symbol
constexpr unsigned kLargestLengthSymbol = 255;
constexpr int kFirstRecentDistance = 256;
constexpr int kFirstNewDistance = 260;
constexpr int kModeChange = 283;

}  // namespace

bool AceWindow::allocate(unsigned dictionaryBits) {
  const size_t size = std::max(size_t{1} << dictionaryBits, kMinimumSize);
  data_.reset(new (std::nothrow) uint8_t[size]);
  if (!data_) return false;
  std::memset(data_.get(), 0, size);
  mask_ = size - 1;
  position_ = 0;
  history_ = 0;
  return true;
}

void AceWindow::append(const uint8_t* data, size_t length) {
  history_ += length;
  if (length > size()) {
    data += length - size();
    length = size();
  }
  const size_t first = std::min(length, size() - position_);
  std::memcpy(data_.get() + position_, data, first);
  std::memcpy(data_.get(), data + first, length - first);
  position_ = (position_ + length) & mask_;
}

void AceLz77::start_entry() {
  symbolsLeft_ = 0;
  std::fill(std::begin(distances_), std::end(distances_), 0u);
}

bool AceLz77::read_tables(AceBitReader& reader) {
  if (!main_.read(reader, AceHuffman::kMaxWidth, kLargestMainSymbol)) return false;
  if (!lengths_.read(reader, AceHuffman::kMaxWidth, kLargestLengthSymbol)) return false;
  symbolsLeft_ = reader.read(15);
  return !reader.overrun();
}

AceLz77::Status AceLz77::decode(AceBitReader& reader, size_t wanted, uint64_t limit,
                                size_t& produced) {
  uint8_t* const dictionary = window_.data_.get();
  const size_t mask = window_.mask_;
  const size_t size = mask + 1;
  size_t position = window_.position_;
  size_t count = 0;
  Status status = Status::ok;

  while (count < wanted) {
    if (symbolsLeft_ == 0) {
      if (!read_tables(reader)) {
        status = Status::bad_data;
        break;
      }
      continue;
    }
    if (reader.overrun()) {
      status = Status::bad_data;
      break;
    }
    const int symbol = main_.decode(reader);
    --symbolsLeft_;
    if (symbol < 0 || symbol > kModeChange) {
      status = Status::bad_data;
      break;
    }
    if (symbol < 256) {
      if (count == limit) {
        status = Status::bad_data;
        break;
      }
      dictionary[position] = static_cast<uint8_t>(symbol);
      position = (position + 1) & mask;
      ++count;
      continue;
    }
    if (symbol == kModeChange) {
      status = Status::mode_change;
      break;
    }

    uint32_t distance;
    unsigned extra;
    if (symbol < kFirstNewDistance) {
      const int recent = symbol - kFirstRecentDistance;
      distance = distances_[recent];
      for (int i = recent; i > 0; --i) distances_[i] = distances_[i - 1];
      extra = recent < 2 ? 2 : 3;
    } else {
      const unsigned bits = static_cast<unsigned>(symbol - kFirstNewDistance);
      distance = bits < 2 ? bits : reader.read(bits - 1) + (1u << (bits - 1));
      for (int i = 3; i > 0; --i) distances_[i] = distances_[i - 1];
      extra = distance <= 255 ? 2 : distance <= 8191 ? 3 : 4;
    }
    distances_[0] = distance;
    const int lengthSymbol = lengths_.decode(reader);
    if (lengthSymbol < 0) {
      status = Status::bad_data;
      break;
    }
    const size_t length = static_cast<size_t>(lengthSymbol) + extra;
    const uint64_t reach = std::min<uint64_t>(window_.history_ + count, size);
    if (length > limit - count || uint64_t{distance} + 1 > reach) {
      status = Status::bad_data;
      break;
    }
    size_t source = (position - distance - 1) & mask;
    if (source + length <= size && position + length <= size) {
      // Forward byte by byte: a short distance repeats what this copy just wrote.
      uint8_t* to = dictionary + position;
      const uint8_t* from = dictionary + source;
      for (size_t i = 0; i < length; ++i) to[i] = from[i];
      position += length;
      position &= mask;
    } else {
      for (size_t i = 0; i < length; ++i) {
        dictionary[position] = dictionary[source];
        position = (position + 1) & mask;
        source = (source + 1) & mask;
      }
    }
    count += length;
  }

  window_.position_ = position;
  window_.history_ += count;
  produced = count;
  if (status == Status::ok && reader.overrun()) status = Status::bad_data;
  return status;
}

}  // namespace unace
