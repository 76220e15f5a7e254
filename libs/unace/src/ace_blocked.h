// Decodes one entry's stream of either compression type: ACE 1.0 LZ77, or the
// ACE 2.0 blocked stream that switches between LZ77, DELTA, EXE, SOUND and PIC.
// Every mode adds its bytes to the shared dictionary; output leaves in large
// pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "ace_bit_reader.h"
#include "ace_decoder.h"
#include "ace_lz77.h"
#include "ace_pic.h"
#include "ace_sound.h"

namespace unace {

class AceStreamDecoder {
 public:
  explicit AceStreamDecoder(AceWindow& window);

  // The window's history is the caller's (solid or not). Mode changes are
  // accepted only when blocked.
  DecodeResult decode(PackedInput& input, UnpackedOutput& output, uint64_t size, bool blocked);

 private:
  enum Mode : unsigned { lz77 = 0, delta = 1, exe = 2, sound8 = 3, sound32b = 6, pic = 7 };
  struct ModeChange {
    unsigned mode = lz77;
    unsigned stride = 0;        // DELTA
    unsigned blockLength = 0;   // DELTA
    unsigned exeParameter = 0;  // EXE: 0 = 16-bit CALL operands
  };

  DecodeResult damaged() const;
  DecodeResult read_mode_change(ModeChange& change);
  DecodeResult apply(const ModeChange& change);
  // One step of the current mode; each step consumes input or emits bytes.
  DecodeResult lz77_step();
  DecodeResult delta_step();
  DecodeResult sound_step();
  DecodeResult pic_step();
  // Passes the bytes LZ77 produced through the current mode, then acts on status.
  DecodeResult after_lz77(AceLz77::Status status);
  // Reads the mode change that follows its symbol and switches to it.
  DecodeResult change_mode();

  bool emit(const uint8_t* data, size_t length);
  // Copies the first `count` of the LZ77 bytes no mode has taken yet.
  void take_window_bytes(size_t count, uint8_t* to);
  // Emits the LZ77 bytes no mode has taken, as they are.
  bool emit_unconsumed();
  bool flush_held();

  AceWindow& window_;
  AceBitReader reader_;
  AceLz77 lz77_;
  AceSound sound_;
  AcePic pic_;
  UnpackedOutput* output_ = nullptr;
  uint64_t size_ = 0;
  uint64_t produced_ = 0;  // bytes decoded into the window (the last unconsumed_ not yet taken)
  uint64_t emitted_ = 0;
  size_t unconsumed_ = 0;
  bool blocked_ = false;
  ModeChange mode_;
  std::optional<ModeChange> pending_;  // read inside a DELTA block, applied after it
  uint8_t deltaLast_ = 0;
  std::vector<uint8_t> held_;  // EXE bytes that wait for the bytes after them
  std::vector<uint8_t> staging_;
  std::vector<uint8_t> block_;
};

}  // namespace unace
