// 7z's Deflate64 coder, decoded by the kit's inflater (the one ZIP uses).
#pragma once

#include <cstdint>
#include <memory>

#include "byte_stream.h"

namespace un7z {

std::unique_ptr<ByteStream> make_deflate64_stream(std::unique_ptr<ByteStream> source,
                                                  uint64_t outSize);

}  // namespace un7z
