#include "rar20_decoder_audio.h"

#include <algorithm>
#include <cstdlib>

namespace unrar {
namespace {

constexpr int kWeightLimit = 16;
constexpr uint32_t kAdaptEvery = 32;

}  // namespace

void Rar20AudioPredictor::reset() {
  channels_ = {};
  channelDelta_ = 0;
}

uint8_t Rar20AudioPredictor::decode(size_t channelIndex, uint8_t delta) {
  Channel& ch = channels_[channelIndex];
  std::array<int, 4>& d = ch.history;
  const std::array<int, 5>& k = ch.weights;
  ++ch.count;
  d[3] = d[2];
  d[2] = d[1];
  d[1] = ch.lastDelta - d[0];
  d[0] = ch.lastDelta;
  const int sum = 8 * ch.lastByte + k[0] * d[0] + k[1] * d[1] + k[2] * d[2] + k[3] * d[3] +
                  k[4] * channelDelta_;
  const int prediction = (sum >> 3) & 0xFF;
  const auto byte = static_cast<uint8_t>(prediction - delta);

  const int error = static_cast<int8_t>(delta) * 8;
  const int terms[5] = {d[0], d[1], d[2], d[3], channelDelta_};
  ch.errors[0] += static_cast<uint32_t>(std::abs(error));
  for (size_t t = 0; t < 5; ++t) {
    ch.errors[2 * t + 1] += static_cast<uint32_t>(std::abs(error - terms[t]));
    ch.errors[2 * t + 2] += static_cast<uint32_t>(std::abs(error + terms[t]));
  }
  ch.lastDelta = channelDelta_ = static_cast<int8_t>(byte - ch.lastByte);
  ch.lastByte = byte;
  if (ch.count % kAdaptEvery == 0) adapt(ch);
  return byte;
}

// Every 32 bytes the weight of the term that would have predicted best (added or
// subtracted) moves one step that way.
void Rar20AudioPredictor::adapt(Channel& ch) {
  const size_t best =
      static_cast<size_t>(std::min_element(ch.errors.begin(), ch.errors.end()) - ch.errors.begin());
  ch.errors.fill(0);
  if (best == 0) return;
  int& weight = ch.weights[(best - 1) / 2];
  if (best % 2 == 1) {
    if (weight >= -kWeightLimit) --weight;
  } else if (weight < kWeightLimit) {
    ++weight;
  }
}

}  // namespace unrar
