#include "zip_decoders.h"

namespace unzip {
namespace {

enum Method : uint16_t {
  kStored = 0,
  kDeflate = 8,
  kBzip2 = 12,
  kLzma = 14,
  kZstd = 93,
  kXz = 95,
};

}  // namespace

bool raw_stream_decodable(uint16_t method) {
  switch (method) {
    case kStored:
    case kDeflate:
    case kBzip2:
    case kLzma:
    case kZstd:
    case kXz:
      return true;
    default:
      return false;
  }
}

std::unique_ptr<ByteStream> make_decoder(uint16_t method, uint64_t uncompressed_size,
                                         std::unique_ptr<ByteStream> raw, ReadStatus& status) {
  status = ReadStatus::Ok;
  switch (method) {
    case kStored:
      return raw;
    case kDeflate:
      return make_inflate_decoder(std::move(raw));
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
