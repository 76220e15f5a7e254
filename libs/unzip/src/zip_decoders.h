// Decoders for an entry's raw (decrypted) compressed stream, by method number.
#pragma once

#include <cstdint>
#include <memory>

#include "zip_stream.h"

namespace unzip {

bool raw_stream_decodable(uint16_t method);

// Wraps raw in the decoder of method; nullptr with Unsupported for other methods,
// or with the failure of reading the method's own header. flags: the entry's
// general-purpose bits (implode's window and literal tree).
std::unique_ptr<ByteStream> make_decoder(uint16_t method, uint16_t flags,
                                         uint64_t uncompressed_size,
                                         std::unique_ptr<ByteStream> raw, ReadStatus& status);

std::unique_ptr<ByteStream> make_inflate_decoder(std::unique_ptr<ByteStream> raw);
std::unique_ptr<ByteStream> make_bzip2_decoder(std::unique_ptr<ByteStream> raw);
// ZIP's LZMA framing: version bytes, properties size, properties, then LZMA1 data.
std::unique_ptr<ByteStream> make_lzma_decoder(std::unique_ptr<ByteStream> raw,
                                              uint64_t uncompressed_size, ReadStatus& status);
std::unique_ptr<ByteStream> make_xz_decoder(std::unique_ptr<ByteStream> raw);
std::unique_ptr<ByteStream> make_zstd_decoder(std::unique_ptr<ByteStream> raw);
// The methods of our own decoders. Shrink, reduce and implode have no end mark:
// they stop at the entry's size.
std::unique_ptr<ByteStream> make_shrink_decoder(std::unique_ptr<ByteStream> raw,
                                                uint64_t uncompressed_size);
// factor: 1-4 (methods 2-5).
std::unique_ptr<ByteStream> make_reduce_decoder(std::unique_ptr<ByteStream> raw, unsigned factor,
                                                uint64_t uncompressed_size);
std::unique_ptr<ByteStream> make_implode_decoder(std::unique_ptr<ByteStream> raw, uint16_t flags,
                                                 uint64_t uncompressed_size);

}  // namespace unzip
