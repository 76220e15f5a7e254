// PPMd variant H, the model RAR's PPMd blocks and 7z's PPMd coder share. The two
// formats code its symbols with different range coders, so each library gives the
// model its own decoder through PpmdRangeDecoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace archivekit {

class PpmdRangeDecoder {
 public:
  virtual ~PpmdRangeDecoder() = default;
  // The position of the next symbol within [0, total); total or more when the data
  // is damaged.
  virtual uint32_t threshold(uint32_t total) = 0;
  // Takes the symbol that lies at [start, start + size) of the last threshold's total.
  virtual void decode(uint32_t start, uint32_t size) = 0;
  // A binary symbol: false when it lies below size0 of 2^totalBits.
  virtual bool decode_bit(uint32_t size0, unsigned totalBits) = 0;
  // Shifts in input bytes as the coder needs before the next symbol.
  virtual void normalize() = 0;
  virtual bool failed() const = 0;
};

class PpmdModel {
 public:
  // The bounds of the model's memory (7z's; RAR asks for less).
  static constexpr size_t kMinModelBytes = 2048;
  static constexpr size_t kMaxModelBytes = 0xFFFFFFFFu - 36;
  static constexpr int kMinOrder = 2;
  static constexpr int kMaxOrder = 64;

  PpmdModel();
  ~PpmdModel();
  PpmdModel(const PpmdModel&) = delete;
  PpmdModel& operator=(const PpmdModel&) = delete;

  // Allocates memoryBytes (false when it cannot or the sizes are out of bounds) and
  // starts a fresh model that decodes through coder, which the caller has started
  // and keeps alive.
  bool restart(PpmdRangeDecoder& coder, size_t memoryBytes, int maxOrder);
  // Keeps the model and goes on with coder (started again by the caller).
  bool resume(PpmdRangeDecoder& coder);
  // The next decoded byte; -1 on damaged data (or an escape past the root, which
  // 7z's encoder writes as an end mark).
  int decode_char();
  // Ends the model: decode_char gives -1 until a restart.
  void stop();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace archivekit
