#include "zip_decoders.h"

#include "archivekit/deflate64_decoder.h"
#include "zip_window_stream.h"

namespace unzip {
namespace {

enum Method : uint16_t {
  kStored = 0,
  kShrink = 1,
  kReduceFactor1 = 2,
  kReduceFactor2 = 3,
  kReduceFactor3 = 4,
  kReduceFactor4 = 5,
  kImplode = 6,
  kDeflate = 8,
  kDeflate64 = 9,
  kBzip2 = 12,
  kLzma = 14,
  kZstd = 93,
  kXz = 95,
};

}  // namespace

bool raw_stream_decodable(uint16_t method) {
  switch (method) {
    case kStored:
    case kShrink:
    case kReduceFactor1:
    case kReduceFactor2:
    case kReduceFactor3:
    case kReduceFactor4:
    case kImplode:
    case kDeflate:
    case kDeflate64:
    case kBzip2:
    case kLzma:
    case kZstd:
    case kXz:
      return true;
    default:
      return false;
  }
}

std::unique_ptr<ByteStream> make_decoder(uint16_t method, uint16_t flags,
                                         uint64_t uncompressed_size,
                                         std::unique_ptr<ByteStream> raw, ReadStatus& status) {
  status = ReadStatus::Ok;
  switch (method) {
    case kStored:
      return raw;
    case kShrink:
      return make_shrink_decoder(std::move(raw), uncompressed_size);
    case kReduceFactor1:
    case kReduceFactor2:
    case kReduceFactor3:
    case kReduceFactor4:
      return make_reduce_decoder(std::move(raw), method - kReduceFactor1 + 1u, uncompressed_size);
    case kImplode:
      return make_implode_decoder(std::move(raw), flags, uncompressed_size);
    case kDeflate:
      return make_inflate_decoder(std::move(raw));
    case kDeflate64:
      return make_window_stream(std::move(raw), [](std::unique_ptr<archivekit::PackedInput> input) {
        return archivekit::make_deflate64_decoder(std::move(input));
      });
    case kBzip2:
      return make_bzip2_decoder(std::move(raw));
    case kLzma:
      return make_lzma_decoder(std::move(raw), uncompressed_size, status);
    case kZstd:
      return make_zstd_decoder(std::move(raw));
    case kXz:
      return make_xz_decoder(std::move(raw));
    default:
      status = ReadStatus::Unsupported;
      return nullptr;
  }
}

}  // namespace unzip
