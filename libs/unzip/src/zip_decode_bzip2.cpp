// bzip2 (12) for encrypted entries, which libzip hands out still encrypted.
#include <bzlib.h>

#include "zip_decoder_stream.h"
#include "zip_decoders.h"

namespace unzip {
namespace {

class Bzip2Stream final : public DecoderStream {
 public:
  explicit Bzip2Stream(std::unique_ptr<ByteStream> raw) : DecoderStream(std::move(raw)) {
    ready_ = BZ2_bzDecompressInit(&stream_, 0, 0) == BZ_OK;
  }
  ~Bzip2Stream() override {
    if (ready_) BZ2_bzDecompressEnd(&stream_);
  }
  Bzip2Stream(const Bzip2Stream&) = delete;
  Bzip2Stream& operator=(const Bzip2Stream&) = delete;

 private:
  Step decode(Buffers& buffers) override {
    if (!ready_) return Step::NoMemory;
    stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(buffers.in));
    stream_.avail_in = static_cast<unsigned>(buffers.in_size);
    stream_.next_out = reinterpret_cast<char*>(buffers.out);
    stream_.avail_out = static_cast<unsigned>(buffers.out_size);
    const int result = BZ2_bzDecompress(&stream_);
    buffers.consumed = buffers.in_size - stream_.avail_in;
    buffers.produced = buffers.out_size - stream_.avail_out;
    switch (result) {
      case BZ_STREAM_END:
        return Step::End;
      case BZ_OK:
        return Step::Progress;
      case BZ_MEM_ERROR:
        return Step::NoMemory;
      default:
        return Step::Invalid;
    }
  }

  bz_stream stream_{};
  bool ready_ = false;
};

}  // namespace

std::unique_ptr<ByteStream> make_bzip2_decoder(std::unique_ptr<ByteStream> raw) {
  return std::make_unique<Bzip2Stream>(std::move(raw));
}

}  // namespace unzip
