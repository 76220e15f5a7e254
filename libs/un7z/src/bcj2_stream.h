// The BCJ2 branch converter for x86 code: its output is the main stream with the
// targets of CALL (E8) and JMP (E9, 0F 8x) instructions put back, taken from their
// own two streams wherever a range-coded bit says the encoder moved one there.
#pragma once

#include <cstdint>
#include <memory>

#include "archivekit/byte_stream.h"

namespace un7z {

using archivekit::ByteStream;

std::unique_ptr<ByteStream> make_bcj2_stream(std::unique_ptr<ByteStream> main,
                                             std::unique_ptr<ByteStream> calls,
                                             std::unique_ptr<ByteStream> jumps,
                                             std::unique_ptr<ByteStream> rangeCoded,
                                             uint64_t outSize);

}  // namespace un7z
