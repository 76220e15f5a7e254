// Decoders for an entry's raw (decrypted) compressed stream, by method number.
#pragma once

#include <cstdint>
#include <memory>

#include "zip_stream.h"

namespace unzip {

bool raw_stream_decodable(uint16_t method);

// Wraps raw in the decoder of method; nullptr with Unsupported for other methods,
// or with the failure of reading the method's own header.
std::unique_ptr<ByteStream> make_decoder(uint16_t method, uint64_t uncompressed_size,
                                         std::unique_ptr<ByteStream> raw, ReadStatus& status);

std::unique_ptr<ByteStream> make_inflate_decoder(std::unique_ptr<ByteStream> raw);
std::unique_ptr<ByteStream> make_bzip2_decoder(std::unique_ptr<ByteStream> raw);
// ZIP's LZMA framing: version bytes, properties size, properties, then LZMA1 data.
std::unique_ptr<ByteStream> make_lzma_decoder(std::unique_ptr<ByteStream> raw,
                                              uint64_t uncompressed_size, ReadStatus& status);
std::unique_ptr<ByteStream> make_xz_decoder(std::unique_ptr<ByteStream> raw);
std::unique_ptr<ByteStream> make_zstd_decoder(std::unique_ptr<ByteStream> raw);

}  // namespace unzip
