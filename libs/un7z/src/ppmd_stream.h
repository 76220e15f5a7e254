// 7z's PPMd coder: the kit's PPMd variant H model, its symbols coded with the
// range coder LZMA uses.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "archivekit/byte_stream.h"

namespace un7z {

using archivekit::ByteStream;

// 0 and the stream, or UN7Z_UNSUPPORTED (properties that are no order and memory
// size 7-Zip can write), UN7Z_NO_MEMORY.
int make_ppmd_stream(const std::vector<uint8_t>& properties, uint64_t outSize,
                     std::unique_ptr<ByteStream> source, std::unique_ptr<ByteStream>& stream);

}  // namespace un7z
