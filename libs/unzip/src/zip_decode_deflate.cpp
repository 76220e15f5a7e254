// Deflate (8) for entries libzip cannot decode itself: those it hands out still
// encrypted, which this layer decrypts first.
#include <zlib.h>

#include "zip_decoder_stream.h"
#include "zip_decoders.h"

namespace unzip {
namespace {

class InflateStream final : public DecoderStream {
 public:
  explicit InflateStream(std::unique_ptr<ByteStream> raw) : DecoderStream(std::move(raw)) {
    ready_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK;
  }
  ~InflateStream() override {
    if (ready_) inflateEnd(&stream_);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;

 private:
  Step decode(Buffers& buffers) override {
    if (!ready_) return Step::NoMemory;
    stream_.next_in = const_cast<Bytef*>(buffers.in);
    stream_.avail_in = static_cast<uInt>(buffers.in_size);
    stream_.next_out = buffers.out;
    stream_.avail_out = static_cast<uInt>(buffers.out_size);
    const int result = inflate(&stream_, Z_NO_FLUSH);
    buffers.consumed = buffers.in_size - stream_.avail_in;
    buffers.produced = buffers.out_size - stream_.avail_out;
    switch (result) {
      case Z_STREAM_END:
        return Step::End;
      case Z_OK:
      case Z_BUF_ERROR:  // no progress possible: the caller decides
        return Step::Progress;
      case Z_MEM_ERROR:
        return Step::NoMemory;
      default:
        return Step::Invalid;
    }
  }

  z_stream stream_{};
  bool ready_ = false;
};

}  // namespace

std::unique_ptr<ByteStream> make_inflate_decoder(std::unique_ptr<ByteStream> raw) {
  return std::make_unique<InflateStream>(std::move(raw));
}

}  // namespace unzip
