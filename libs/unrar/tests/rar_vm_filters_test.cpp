// The standard filters of RAR 2.9. ITANIUM, RGB and AUDIO, which no archive at hand
// uses: the test writes each forward transform itself and expects the library to
// undo it exactly; E8, E8E9 and DELTA at their edges. How a filter record reaches
// them is the corpus's filtered archive's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <tuple>
#include <vector>

#include "decoder_test_support.h"
#include "rar_vm_filters.h"

namespace unrar {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes random_bytes(size_t size, uint32_t seed) {
  return test::noise(size, seed);
}

// ITANIUM: bit fields are numbered from bit 0 of byte 0 of the bundle.
uint32_t bits_at(const uint8_t* bundle, unsigned first, unsigned count) {
  uint32_t value = 0;
  for (unsigned i = 0; i < count; ++i)
    value |= uint32_t{(bundle[(first + i) / 8] >> ((first + i) % 8)) & 1u} << i;
  return value;
}

void set_bits(uint8_t* bundle, unsigned first, unsigned count, uint32_t value) {
  for (unsigned i = 0; i < count; ++i) {
    const unsigned bit = first + i;
    bundle[bit / 8] = static_cast<uint8_t>((bundle[bit / 8] & ~(1u << (bit % 8))) |
                                           (((value >> i) & 1u) << (bit % 8)));
  }
}

// The compressor's side: branch targets become absolute by adding the bundle's number.
Bytes itanium_forward(Bytes data, uint64_t fileOffset) {
  static const uint8_t kBranchSlots[16] = {4, 4, 6, 6, 0, 0, 7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
  uint32_t bundleNumber = static_cast<uint32_t>(fileOffset >> 4);
  for (size_t at = 0; at + 21 < data.size(); at += 16, ++bundleNumber) {
    uint8_t* bundle = &data[at];
    const unsigned templateBits = bundle[0] & 0x1F;
    if (templateBits < 16) continue;
    for (unsigned slot = 0; slot < 3; ++slot) {
      if (!(kBranchSlots[templateBits - 16] & (1u << slot))) continue;
      const unsigned slotStart = 5 + 41 * slot;
      if (bits_at(bundle, slotStart + 37, 4) != 5) continue;
      const uint32_t target = bits_at(bundle, slotStart + 13, 20);
      set_bits(bundle, slotStart + 13, 20, (target + bundleNumber) & 0xFFFFF);
    }
  }
  return data;
}

// Bundles whose every slot holds a branch, with templates that mark all, some
// or none of the slots as branches.
Bytes itanium_code(size_t size, uint32_t seed) {
  Bytes data = random_bytes(size, seed);
  for (size_t at = 0; at + 16 <= size; at += 16) {
    uint8_t* bundle = &data[at];
    bundle[0] = static_cast<uint8_t>((bundle[0] & 0xE0) | (16 + (at / 16) % 16));
    for (unsigned slot = 0; slot < 3; ++slot) set_bits(bundle, 5 + 41 * slot + 37, 4, 5);
  }
  return data;
}

Bytes rgb_forward(const Bytes& original, uint32_t width, uint32_t redPosition) {
  Bytes planes = original;
  for (size_t j = redPosition; j + 2 < planes.size(); j += 3) {
    planes[j] = static_cast<uint8_t>(original[j] - original[j + 1]);
    planes[j + 2] = static_cast<uint8_t>(original[j + 2] - original[j + 1]);
  }
  Bytes encoded;
  for (size_t channel = 0; channel < 3; ++channel) {
    int previous = 0;
    for (size_t j = channel; j < planes.size(); j += 3) {
      int predicted = previous;
      if (j >= width) {
        const int up = planes[j - width + 3];
        const int upLeft = planes[j - width];
        const int guess = previous + up - upLeft;
        const int pa = std::abs(guess - previous);
        const int pb = std::abs(guess - up);
        const int pc = std::abs(guess - upLeft);
        predicted = pa <= pb && pa <= pc ? previous : (pb <= pc ? up : upLeft);
      }
      encoded.push_back(static_cast<uint8_t>(predicted - planes[j]));
      previous = planes[j];
    }
  }
  return encoded;
}

// Rows of a picture with smooth gradients, a sharp edge and some noise.
Bytes picture(size_t rowBytes, size_t rows, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes data;
  for (size_t y = 0; y < rows; ++y)
    for (size_t x = 0; x < rowBytes; ++x) {
      const int edge = x > rowBytes / 2 ? 90 : 0;
      data.push_back(static_cast<uint8_t>(x * 2 + y * 3 + edge + (x % 3) * 40 + random() % 4));
    }
  return data;
}

int signed_byte(unsigned value) {
  return static_cast<int8_t>(static_cast<uint8_t>(value));
}

Bytes audio_forward(const Bytes& samples, uint32_t channels) {
  Bytes encoded;
  for (size_t channel = 0; channel < channels; ++channel) {
    int previous = 0, previousDelta = 0, d1 = 0, d2 = 0, d3 = 0;
    int weights[3] = {0, 0, 0};
    long errors[7] = {};
    for (size_t j = channel, count = 0; j < samples.size(); j += channels, ++count) {
      d3 = d2;
      d2 = previousDelta - d1;
      d1 = previousDelta;
      const int predicted =
          ((8 * previous + weights[0] * d1 + weights[1] * d2 + weights[2] * d3) >> 3) & 0xFF;
      const uint8_t coded = static_cast<uint8_t>(predicted - samples[j]);
      encoded.push_back(coded);
      previousDelta = signed_byte(samples[j] - previous);
      previous = samples[j];
      const int error = signed_byte(coded) * 8;
      const int terms[3] = {d1, d2, d3};
      errors[0] += std::abs(error);
      for (int k = 0; k < 3; ++k) {
        errors[1 + 2 * k] += std::abs(error - terms[k]);
        errors[2 + 2 * k] += std::abs(error + terms[k]);
      }
      if (count % 32 != 0) continue;
      int best = 0;
      for (int k = 1; k < 7; ++k)
        if (errors[k] < errors[best]) best = k;
      std::fill(std::begin(errors), std::end(errors), 0);
      if (best == 0) continue;
      int& weight = weights[(best - 1) / 2];
      if (best % 2 == 1 && weight >= -16) --weight;
      if (best % 2 == 0 && weight < 16) ++weight;
    }
  }
  return encoded;
}

// Interleaved channels, each a sine of its own pitch, with a click and a loud stretch
// that wraps.
Bytes sound(size_t frames, uint32_t channels) {
  Bytes samples;
  for (size_t frame = 0; frame < frames; ++frame)
    for (uint32_t channel = 0; channel < channels; ++channel) {
      const double level = frame > frames / 2 ? 300.0 : 60.0;
      double value = 128 + level * std::sin(static_cast<double>(frame) * (0.05 + 0.03 * channel));
      if (frame == frames / 3) value = 0;
      samples.push_back(static_cast<uint8_t>(static_cast<int>(std::lround(value)) & 0xFF));
    }
  return samples;
}

Bytes undo(StandardFilter filter, const FilterParameters& parameters, Bytes data) {
  Bytes scratch;
  EXPECT_TRUE(apply_standard_filter(filter, parameters, data, scratch));
  return data;
}

// One varied data set per filter, with its boundaries: bundle numbers past 20
// bits, a last bundle without six bytes after it, rows narrower than three
// pixels and wider than the data, channel counts up to 128 and a cut last frame.
TEST(RarVmFilters, EachFilterUndoesItsTransform) {
  for (uint64_t fileOffset : {uint64_t{0x1234}, uint64_t{1} << 40}) {
    for (size_t size : {size_t{21}, size_t{37}, size_t{1001}}) {
      SCOPED_TRACE(testing::Message() << "itanium offset " << fileOffset << " size " << size);
      for (const Bytes& original : {itanium_code(size, 7), random_bytes(size, 8)}) {
        const Bytes encoded = itanium_forward(original, fileOffset);
        EXPECT_EQ(undo(StandardFilter::itanium, {0, 0, fileOffset}, encoded), original);
      }
    }
  }
  // 37 bytes: the second bundle lacks the bytes after it and is left alone.
  const Bytes code = itanium_code(37, 12);
  const Bytes out = undo(StandardFilter::itanium, {0, 0, 0x500}, code);
  EXPECT_NE(Bytes(out.begin(), out.begin() + 16), Bytes(code.begin(), code.begin() + 16));
  EXPECT_EQ(Bytes(out.begin() + 16, out.end()), Bytes(code.begin() + 16, code.end()));

  for (const auto& [width, red, size] :
       {std::tuple<uint32_t, uint32_t, size_t>{6, 0, 3}, {9, 1, 65}, {300, 2, 6000}, {15, 1, 12}}) {
    SCOPED_TRACE(testing::Message() << "rgb width " << width << " red " << red);
    const Bytes rows = picture(width, 21, width);
    for (const Bytes& original :
         {Bytes(rows.begin(), rows.begin() + size), random_bytes(size, red + width)}) {
      EXPECT_EQ(undo(StandardFilter::rgb, {width, red, 0}, rgb_forward(original, width, red)),
                original);
    }
  }

  for (const auto& [channels, frames] : {std::pair<uint32_t, size_t>{1, 2000}, {3, 65}, {128, 2}}) {
    SCOPED_TRACE(testing::Message() << channels << " channels, " << frames << " frames");
    Bytes samples = sound(frames, channels);
    samples.pop_back();
    EXPECT_EQ(undo(StandardFilter::audio, {channels, 0, 0}, audio_forward(samples, channels)),
              samples);
    const Bytes noise = random_bytes(samples.size(), channels);
    EXPECT_EQ(undo(StandardFilter::audio, {channels, 0, 0}, audio_forward(noise, channels)), noise);
  }
}

TEST(RarVmFilters, CallAddressesBecomeRelativeAndDeltasAdd) {
  Bytes scratch;
  Bytes calls = {0xE8, 0x10, 0, 0, 0, 0xE9, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  Bytes e8 = calls;
  ASSERT_TRUE(apply_standard_filter(StandardFilter::e8, {0, 0, 0x20}, e8, scratch));
  EXPECT_EQ(e8, (Bytes{0xE8, 0xEF, 0xFF, 0xFF, 0xFF, 0xE9, 0xFF, 0xFF, 0xFF, 0xFF, 0}));
  ASSERT_TRUE(apply_standard_filter(StandardFilter::e8e9, {0, 0, 0}, calls, scratch));
  EXPECT_EQ(calls, (Bytes{0xE8, 0x0F, 0, 0, 0, 0xE9, 0xFF, 0xFF, 0xFF, 0x00, 0}));

  Bytes delta = {1, 2, 3, 4};
  ASSERT_TRUE(apply_standard_filter(StandardFilter::delta, {2, 0, 0}, delta, scratch));
  EXPECT_EQ(delta, (Bytes{0xFF, 0xFD, 0xFD, 0xF9}));
}

}  // namespace
}  // namespace unrar
