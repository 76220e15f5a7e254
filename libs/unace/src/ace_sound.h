// ACE 2.0 SOUND modes (3-6): per channel, residuals coded with three Huffman
// tables (an adaptive pair and one for the value after a zero run) and an
// adaptive linear predictor. Bytes go round the channels in groups of four.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "ace_bit_reader.h"
#include "ace_huffman.h"

namespace unace {

class AceSound {
 public:
  enum class Status { ok, mode_change, bad_data };

  // Starts the engine afresh for mode 3 (8-bit), 4 (16-bit), 5 or 6 (32-bit).
  void start(unsigned mode);

  // Decodes until `wanted` bytes are in out or the mode change symbol was read.
  Status decode(AceBitReader& reader, uint8_t* out, size_t wanted, size_t& produced);

 private:
  struct Channel {
    int state = 0;  // 0 reads a value, 2 is inside a zero run, 1 reads the value after it
    int code = 0;
    int adaptCount = 0;
    int adaptTable = 0;
    int last = 0;
    std::array<int, 4> coefficients{};
    std::array<int, 4> differences{};
    std::array<int, 9> errors{};
    std::array<int, 2> quantized{};
    std::array<int, 2> quantizedBefore{};
    unsigned bytes = 0;

    int predicted() const;
    int guess() const { return quantized[0] > quantized[1] ? last : predicted(); }
    void adapt(uint8_t sample);
  };

  // The residual of the channel's next byte, or -1 for the mode change symbol,
  // -2 for damaged data.
  int next_residual(AceBitReader& reader, unsigned channel);

  std::array<AceHuffman, 9> tables_;
  std::array<Channel, 3> channels_;
  unsigned variant_ = 0;  // mode - 3
  unsigned tableCount_ = 3;
  uint32_t symbolsLeft_ = 0;
  size_t groupPosition_ = 0;
};

}  // namespace unace
