// 7z's Deflate64 coder, decoded by the kit's inflater (the one ZIP uses).
#pragma once

#include <cstdint>
#include <memory>

#include "archivekit/byte_stream.h"

namespace un7z {

using archivekit::ByteStream;

std::unique_ptr<ByteStream> make_deflate64_stream(std::unique_ptr<ByteStream> source,
                                                  uint64_t outSize);

}  // namespace un7z
