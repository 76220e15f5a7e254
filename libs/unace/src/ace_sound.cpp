#include "ace_sound.h"

#include <cstdlib>

namespace unace {

namespace {

constexpr unsigned kLargestSymbol = 289;  // one past the mode change symbol
constexpr unsigned kMaxWidth = 10;
constexpr int kRunCodes = 32;
constexpr int kModeChange = 288;
constexpr unsigned kChannelsOf[4] = {1, 2, 3, 3};
constexpr unsigned kChannelOfByte[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 0, 2}, {1, 0, 2, 0}};

int signed_byte(int value) {
  return static_cast<int8_t>(static_cast<uint8_t>(value));
}

// Bit length of i for 0..128, mirrored above.
int quantize(int value) {
  unsigned v = static_cast<uint8_t>(value);
  if (v > 128) v = 256 - v;
  int bits = 0;
  while (v != 0) {
    ++bits;
    v >>= 1;
  }
  return bits;
}

}  // namespace

void AceSound::start(unsigned mode) {
  variant_ = mode - 3;
  tableCount_ = 3 * kChannelsOf[variant_];
  symbolsLeft_ = 0;
  groupPosition_ = 0;
  channels_.fill(Channel{});
}

int AceSound::Channel::predicted() const {
  const int sum = 8 * last + coefficients[0] * differences[0] + coefficients[1] * differences[1] +
                  coefficients[2] * differences[2] + coefficients[3] * differences[3];
  return static_cast<uint8_t>(sum >> 3);
}

void AceSound::Channel::adapt(uint8_t sample) {
  const int value = signed_byte(sample);
  ++bytes;
  const int error = signed_byte(predicted() - value) * 8;
  for (unsigned i = 0; i < 4; ++i) {
    errors[2 * i] += std::abs(error - differences[i]);
    errors[2 * i + 1] += std::abs(error + differences[i]);
  }
  errors[8] += std::abs(error);
  const int delta = signed_byte(value - last);
  quantized[0] += quantize(error >> 3);
  quantized[1] += quantize(last - value);
  last = value;

  if (bytes % 32 == 0) {
    unsigned best = 8;
    int smallest = 0xFFFF;
    for (unsigned i = 9; i-- > 0;) {
      if (errors[i] <= smallest) {
        smallest = errors[i];
        best = i;
      }
    }
    errors.fill(0);
    if (best != 8) {
      int& coefficient = coefficients[best >> 1];
      if ((best & 1) == 0) {
        if (coefficient >= -16) --coefficient;
      } else if (coefficient <= 16) {
        ++coefficient;
      }
    }
    if (bytes % 256 == 0) {
      for (unsigned i = 0; i < 2; ++i) {
        quantized[i] -= quantizedBefore[i];
        quantizedBefore[i] = quantized[i];
      }
    }
  }
  differences[3] = differences[2];
  differences[2] = differences[1];
  differences[1] = delta - differences[0];
  differences[0] = delta;
}

int AceSound::next_residual(AceBitReader& reader, unsigned channel) {
  Channel& c = channels_[channel];
  if (c.state != 2) {
    const unsigned table = 3 * channel + (c.state == 1 ? 2 : c.adaptTable);
    if (symbolsLeft_ == 0) {
      for (unsigned t = 0; t < tableCount_; ++t) {
        if (!tables_[t].read(reader, kMaxWidth, kLargestSymbol)) return -2;
      }
      // A zero count wraps round, as the archiver's own counter does.
      symbolsLeft_ = reader.read(15);
    }
    --symbolsLeft_;
    c.code = tables_[table].decode(reader);
    if (c.code < 0) return -2;
    if (c.code == kModeChange) return -1;
  }
  int value = 0;
  if (c.state == 0) {
    if (c.code >= kRunCodes) {
      value = c.code - kRunCodes;
      c.adaptCount = (c.adaptCount * 7 >> 3) + value;
      c.adaptTable = c.adaptCount > 40 ? 1 : 0;
    } else {
      c.state = 2;
    }
  } else if (c.state == 1) {
    value = c.code;
    c.state = 0;
  }
  if (c.state == 2) {
    if (c.code == 0) {
      c.state = 1;
    } else {
      --c.code;
    }
    value = 0;
  }
  return (value & 1) ? static_cast<uint8_t>(255 - (value >> 1)) : value >> 1;
}

AceSound::Status AceSound::decode(AceBitReader& reader, uint8_t* out, size_t wanted,
                                  size_t& produced) {
  produced = 0;
  while (produced < wanted) {
    if (reader.overrun()) return Status::bad_data;
    const unsigned channel = kChannelOfByte[variant_][groupPosition_ & 3];
    const int residual = next_residual(reader, channel);
    if (residual == -1) {
      groupPosition_ = 0;
      return Status::mode_change;
    }
    if (residual < 0) return Status::bad_data;
    Channel& c = channels_[channel];
    const uint8_t sample = static_cast<uint8_t>(residual + c.guess());
    c.adapt(sample);
    out[produced++] = sample;
    ++groupPosition_;
  }
  return reader.overrun() ? Status::bad_data : Status::ok;
}

}  // namespace unace
