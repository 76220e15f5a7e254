// Deflate64: deflate with a 64 KiB window, length symbol 285 carrying 16 extra bits
// (lengths up to 65538) and distance codes 30 and 31. ZIP's method 9 and 7z's coder
// 04 01 09; zlib does not decode it.
#pragma once

#include <memory>

#include "archivekit/window_decoder.h"

namespace archivekit {

std::unique_ptr<WindowDecoder> make_deflate64_decoder(std::unique_ptr<PackedInput> raw);

}  // namespace archivekit
