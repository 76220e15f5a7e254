// PPMd variant H with RAR's range coder, as the RAR 2.9 decoder uses it for its
// PPMd blocks. The LZ decoder reads the block header; this model decodes bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archivekit/ppmd_model.h"

namespace unrar {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // The next byte of the packed stream; -1 at its end.
  virtual int next_byte() = 0;
};

class PpmdRangeDecoder;

class PpmdModel {
 public:
  PpmdModel();
  ~PpmdModel();
  PpmdModel(const PpmdModel&) = delete;
  PpmdModel& operator=(const PpmdModel&) = delete;

  // A block that restarts the model: allocates memoryBytes (false when it cannot)
  // and starts the range decoder on source.
  bool restart(ByteSource& source, size_t memoryBytes, int maxOrder);
  // A block that keeps the model: only the range decoder starts again.
  bool resume(ByteSource& source);
  // The next decoded byte; -1 on damaged data.
  int decode_char() { return model_.decode_char(); }

 private:
  std::unique_ptr<PpmdRangeDecoder> coder_;
  archivekit::PpmdModel model_;
};

}  // namespace unrar
