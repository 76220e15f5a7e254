// The multimedia mode of RAR 2.0: each byte is coded as the difference from a
// prediction made from the channel's recent bytes, with weights that adapt every
// 32 bytes to whichever predictor term would have erred least.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace unrar {

class Rar20AudioPredictor {
 public:
  static constexpr size_t kMaxChannels = 4;

  // Zeroes every channel (a non-solid file starts so).
  void reset();
  // The byte of channel that delta codes.
  uint8_t decode(size_t channel, uint8_t delta);

 private:
  struct Channel {
    std::array<int, 5> weights{};  // K1..K5
    std::array<int, 4> history{};  // D1..D4
    int lastDelta = 0;
    uint8_t lastByte = 0;
    std::array<uint32_t, 11> errors{};
    uint32_t count = 0;
  };
  static void adapt(Channel& channel);

  std::array<Channel, kMaxChannels> channels_{};
  int channelDelta_ = 0;  // the last delta of whichever channel came last
};

}  // namespace unrar
