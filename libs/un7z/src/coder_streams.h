// The coders decoded by the system's libraries: Copy, the LZMA family with the branch
// and delta filters liblzma has (joined into one liblzma chain), BZip2 and Deflate;
// LZMA2 by our own decoder, below those filters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "archivekit/byte_stream.h"

namespace un7z {

using archivekit::ByteStream;

// More than any archive 7-Zip writes asks for (1.5 GiB dictionaries at most).
constexpr uint64_t kMostDecoderMemory = uint64_t{1700} << 20;

struct LzmaFilterStep {
  uint64_t liblzmaId;
  std::vector<uint8_t> properties;  // as the 7z coder stores them
};

// 0 and the stream, or UN7Z_UNSUPPORTED / UN7Z_NO_MEMORY. filters: outermost first, an
// LZMA1 or LZMA2 filter last; lzmaOutSize: what that last filter unpacks, which bounds
// the dictionary it needs; outSize: what the chain gives.
int make_lzma_chain(const std::vector<LzmaFilterStep>& filters, uint64_t lzmaOutSize,
                    uint64_t outSize, std::unique_ptr<ByteStream> source,
                    std::unique_ptr<ByteStream>& stream);
// The same for filters above a coder liblzma does not have: source's bytes reach the
// chain framed as LZMA2's stored chunks.
int make_filter_chain(std::vector<LzmaFilterStep> filters, uint64_t outSize,
                      std::unique_ptr<ByteStream> source, std::unique_ptr<ByteStream>& stream);
std::unique_ptr<ByteStream> make_copy_stream(std::unique_ptr<ByteStream> source, uint64_t outSize);
std::unique_ptr<ByteStream> make_bzip2_stream(std::unique_ptr<ByteStream> source, uint64_t outSize);
std::unique_ptr<ByteStream> make_deflate_stream(std::unique_ptr<ByteStream> source,
                                                uint64_t outSize);

}  // namespace un7z
