// ACE 2.0 PIC mode (7): images row by row, each pixel predicted from its
// neighbours in this and the previous row, the error coded with Golomb-Rice
// codes whose width adapts per context.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ace_bit_reader.h"

namespace unace {

class AcePic {
 public:
  enum class Status { ok, mode_change, bad_data };

  // The widest row accepted; wider ones are damage (and would cost memory).
  static constexpr size_t kMaxRowLength = size_t{1} << 20;

  // Reads the row length and plane count that follow the mode change and starts
  // the models afresh; false when they are out of range.
  bool start(AceBitReader& reader);

  size_t row_length() const { return width_; }

  // Decodes whole rows until at least `wanted` bytes are in out (which must have
  // room for wanted + row_length() - 1 bytes) or a row starts with the mode
  // change bit.
  Status decode(AceBitReader& reader, uint8_t* out, size_t wanted, size_t& produced);

 private:
  struct Context {
    int used = 0;
    int predictor = 0;
    int average = 4;
    std::array<int, 4> errors{};
  };
  static constexpr size_t kContexts = 365;
  using Model = std::array<Context, kContexts>;

  bool decode_row(AceBitReader& reader, uint8_t* out);
  void set_pixels(int kind, int above, int aboveLeft);
  int adjusted(int kind, int value, int left) const;
  int prediction(int predictor) const;
  bool decode_pixel(AceBitReader& reader, Context& context);

  size_t width_ = 0;
  size_t planes_ = 0;
  std::vector<uint8_t> previous_;
  std::vector<uint8_t> row_;
  std::array<Model, 2> models_{};
  int a_ = 0, b_ = 0, c_ = 0, d_ = 0, x_ = 0;
};

}  // namespace unace
