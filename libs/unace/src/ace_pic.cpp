#include "ace_pic.h"

#include <algorithm>
#include <cstdlib>

namespace unace {

namespace {

// Valid streams stay far below these; beyond them the data is damaged.
constexpr uint32_t kMaxQuotient = 4096;
constexpr unsigned kMaxErrorBits = 16;
constexpr size_t kMaxPlanes = 255;
constexpr int kHalvingUse = 128;

int bit_length(uint32_t value) {
  int bits = 0;
  while (value != 0) {
    ++bits;
    value >>= 1;
  }
  return bits;
}

bool read_golomb_rice(AceBitReader& reader, unsigned bits, uint32_t& value) {
  value = reader.read(bits);
  for (uint32_t quotient = 0; reader.read(1) == 1; ++quotient) {
    if (quotient == kMaxQuotient || reader.overrun()) return false;
    value += uint32_t{1} << bits;
  }
  return !reader.overrun();
}

// -4..4 by the size of a neighbour difference.
int quantize(int difference) {
  if (difference <= -21) return -4;
  if (difference <= -7) return -3;
  if (difference <= -3) return -2;
  if (difference <= -1) return -1;
  if (difference == 0) return 0;
  if (difference <= 2) return 1;
  if (difference <= 6) return 2;
  if (difference <= 20) return 3;
  return 4;
}

// The bits an error of this size costs: 2i for 0..127, -2i-1 below zero.
int error_cost(uint8_t difference) {
  const int value = difference < 128 ? 2 * difference : -2 * (difference - 256) - 1;
  return bit_length(static_cast<uint32_t>(value));
}

}  // namespace

bool AcePic::start(AceBitReader& reader) {
  uint32_t width = 0;
  uint32_t planes = 0;
  if (!read_golomb_rice(reader, 12, width) || !read_golomb_rice(reader, 2, planes)) return false;
  if (width > kMaxRowLength || planes > kMaxPlanes) return false;
  width_ = width;
  planes_ = planes;
  previous_.assign(width_ + planes_, 0);
  row_.assign(width_ + planes_, 0);
  models_.fill(Model{});
  return true;
}

void AcePic::set_pixels(int kind, int above, int aboveLeft) {
  const int start = kind == 0 ? 0 : 128;
  a_ = b_ = c_ = x_ = start;
  d_ = adjusted(kind, above, aboveLeft);
}

// The neighbour value as the plane's decoder sees it: plain, or relative to the
// pixel of the plane before.
int AcePic::adjusted(int kind, int value, int left) const {
  if (kind == 1) return static_cast<uint8_t>(128 + value - left);
  if (kind == 2) return static_cast<uint8_t>(128 + value - (left * 11 >> 4));
  return value;
}

int AcePic::prediction(int predictor) const {
  switch (predictor) {
    case 0:
      return a_;
    case 1:
      return b_;
    case 2:
      return (a_ + b_) >> 1;
    default:
      return static_cast<uint8_t>(a_ + b_ - c_);
  }
}

bool AcePic::decode_pixel(AceBitReader& reader, Context& context) {
  ++context.used;
  const unsigned bits =
      static_cast<unsigned>(bit_length(static_cast<uint32_t>(context.average / context.used)));
  uint32_t coded = 0;
  if (bits > kMaxErrorBits || !read_golomb_rice(reader, bits, coded)) return false;
  const int error = (coded & 1) ? -static_cast<int>(coded >> 1) - 1 : static_cast<int>(coded >> 1);
  x_ = static_cast<uint8_t>(prediction(context.predictor) + error);

  int best = 0;
  for (int i = 0; i < 4; ++i) {
    context.errors[i] += error_cost(static_cast<uint8_t>(x_ - prediction(i)));
    if (context.errors[i] < context.errors[best]) best = i;
  }
  bool halve = false;
  for (int e : context.errors) halve = halve || e > 127;
  if (halve) {
    for (int& e : context.errors) e >>= 1;
  }
  context.predictor = best;
  context.average += std::abs(error);
  if (context.used == kHalvingUse) {
    context.used >>= 1;
    context.average >>= 1;
  }
  return true;
}

bool AcePic::decode_row(AceBitReader& reader, uint8_t* out) {
  const size_t total = width_ + planes_;
  std::fill(row_.begin(), row_.end(), uint8_t{0});
  for (size_t plane = 0; plane < planes_; ++plane) {
    Model& model = models_[plane == 0 ? 0 : 1];
    const int kind = plane == 0 ? 0 : static_cast<int>(reader.read(2));
    if (kind == 3) return false;
    set_pixels(kind, previous_[plane], previous_[plane == 0 ? total - 1 : plane - 1]);
    for (size_t column = plane; column < width_; column += planes_) {
      c_ = a_;
      a_ = d_;
      b_ = x_;
      d_ = adjusted(kind, previous_[column + planes_], previous_[column + planes_ - 1]);
      const int index =
          std::abs(81 * quantize(d_ - a_) + 9 * quantize(a_ - c_) + quantize(c_ - b_));
      if (!decode_pixel(reader, model[static_cast<size_t>(index)])) return false;
      const int left = column == 0 ? row_[total - 1] : row_[column - 1];
      if (kind == 0) {
        row_[column] = static_cast<uint8_t>(x_);
      } else if (kind == 1) {
        row_[column] = static_cast<uint8_t>(x_ + left - 128);
      } else {
        row_[column] = static_cast<uint8_t>(x_ + (left * 11 >> 4) - 128);
      }
    }
    if (reader.overrun()) return false;
  }
  previous_.swap(row_);
  std::copy(previous_.begin(), previous_.begin() + static_cast<ptrdiff_t>(width_), out);
  return true;
}

AcePic::Status AcePic::decode(AceBitReader& reader, uint8_t* out, size_t wanted, size_t& produced) {
  produced = 0;
  while (produced < wanted) {
    if (reader.overrun()) return Status::bad_data;
    if (reader.read(1) == 0) return Status::mode_change;
    if (!decode_row(reader, out + produced)) return Status::bad_data;
    produced += width_;
  }
  return reader.overrun() ? Status::bad_data : Status::ok;
}

}  // namespace unace
