// A compressed stream decoded on a thread of its own, a bounded queue ahead of its
// reader: the compression is undone while the caller's thread runs libarchive and
// writes the files. Only bytes cross between the two; every question, message and
// progress word stays with the caller.
#pragma once

#include <memory>

#include "engine/libarchive/decompressed_stream.h"

namespace tessaly {

// What inner gives, decoded ahead from the first Read on. Going away stops the
// decoding thread after the block it is on (at most 256 KiB of output).
std::unique_ptr<DecompressedStream> DecodedAhead(std::unique_ptr<DecompressedStream> inner);

}  // namespace tessaly
