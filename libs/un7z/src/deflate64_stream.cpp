#include "deflate64_stream.h"

#include <algorithm>

#include "archivekit/deflate64_decoder.h"
#include "un7z.h"

namespace un7z {
namespace {

// The stream below as the kit's packed input.
class SourceInput final : public archivekit::PackedInput {
 public:
  explicit SourceInput(std::unique_ptr<ByteStream> source) : source_(std::move(source)) {}
  size_t read(uint8_t* buffer, size_t size) override { return source_->read(buffer, size); }
  bool failed() const override { return source_->status() != 0; }
  int status() const { return source_->status(); }

 private:
  std::unique_ptr<ByteStream> source_;
};

class Deflate64Stream final : public ByteStream {
 public:
  Deflate64Stream(std::unique_ptr<ByteStream> source, uint64_t outSize) : remaining_(outSize) {
    auto input = std::make_unique<SourceInput>(std::move(source));
    input_ = input.get();
    decoder_ = archivekit::make_deflate64_decoder(std::move(input));
  }

  size_t read(uint8_t* out, size_t size) override {
    size = static_cast<size_t>(std::min<uint64_t>(size, remaining_));
    if (size == 0 || status() != 0) return 0;
    const size_t got = decoder_->read(out, size);
    // The stream ended before the size its folder records, or failed.
    if (got == 0) return fail(input_->status() != 0 ? input_->status() : UN7Z_BAD_DATA);
    remaining_ -= got;
    return got;
  }

 private:
  const SourceInput* input_;  // owned by the decoder
  std::unique_ptr<archivekit::WindowDecoder> decoder_;
  uint64_t remaining_;
};

}  // namespace

std::unique_ptr<ByteStream> make_deflate64_stream(std::unique_ptr<ByteStream> source,
                                                  uint64_t outSize) {
  return std::make_unique<Deflate64Stream>(std::move(source), outSize);
}

}  // namespace un7z
