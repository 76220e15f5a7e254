// Zstandard (93): one or more frames that together make the entry's data.
#include <zstd.h>
#include <zstd_errors.h>

#include "zip_decoder_stream.h"
#include "zip_decoders.h"

namespace unzip {
namespace {

class ZstdStream final : public DecoderStream {
 public:
  explicit ZstdStream(std::unique_ptr<ByteStream> raw)
      : DecoderStream(std::move(raw)), stream_(ZSTD_createDStream()) {}
  ~ZstdStream() override { ZSTD_freeDStream(stream_); }
  ZstdStream(const ZstdStream&) = delete;
  ZstdStream& operator=(const ZstdStream&) = delete;

 private:
  Step decode(Buffers& buffers) override {
    if (stream_ == nullptr) return Step::NoMemory;
    // The input may end only between frames, once everything is flushed; a frame
    // cut short shows as a call that produces nothing.
    if (buffers.in_size == 0 && buffers.input_ended && frame_complete_) return Step::End;
    ZSTD_inBuffer in{buffers.in, buffers.in_size, 0};
    ZSTD_outBuffer out{buffers.out, buffers.out_size, 0};
    const std::size_t result = ZSTD_decompressStream(stream_, &out, &in);
    buffers.consumed = in.pos;
    buffers.produced = out.pos;
    if (ZSTD_isError(result)) {
      return ZSTD_getErrorCode(result) == ZSTD_error_memory_allocation ? Step::NoMemory
                                                                       : Step::Invalid;
    }
    frame_complete_ = result == 0;
    return Step::Progress;
  }

  ZSTD_DStream* stream_;
  bool frame_complete_ = false;
};

}  // namespace

std::unique_ptr<ByteStream> make_zstd_decoder(std::unique_ptr<ByteStream> raw) {
  return std::make_unique<ZstdStream>(std::move(raw));
}

}  // namespace unzip
