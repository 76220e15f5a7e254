#include "zip_window_stream.h"

namespace unzip {
namespace {

// The raw stream as the kit's packed input, keeping why it failed.
class RawPackedInput final : public archivekit::PackedInput {
 public:
  explicit RawPackedInput(std::unique_ptr<ByteStream> raw) : raw_(std::move(raw)) {}

  size_t read(uint8_t* buffer, size_t size) override {
    if (status_ != ReadStatus::Ok) return 0;
    const long long count = raw_->read(buffer, size);
    if (count >= 0) return static_cast<size_t>(count);
    status_ = raw_->status();
    return 0;
  }
  bool failed() const override { return status_ != ReadStatus::Ok; }
  ReadStatus status() const { return status_; }

 private:
  std::unique_ptr<ByteStream> raw_;
  ReadStatus status_ = ReadStatus::Ok;
};

class WindowStream final : public ByteStream {
 public:
  // raw: the decoder's input, which the decoder owns.
  WindowStream(std::unique_ptr<archivekit::WindowDecoder> decoder, const RawPackedInput& raw)
      : decoder_(std::move(decoder)), raw_(raw) {}

  long long read(unsigned char* buffer, std::size_t size) override {
    const size_t count = decoder_->read(buffer, size);
    if (count > 0 || !decoder_->failed()) return static_cast<long long>(count);
    return -1;
  }
  ReadStatus status() const override {
    switch (decoder_->failure()) {
      case archivekit::WindowDecoder::Failure::none:
        return ReadStatus::Ok;
      case archivekit::WindowDecoder::Failure::input:
        return raw_.status();
      case archivekit::WindowDecoder::Failure::damaged:
        break;
    }
    return ReadStatus::InvalidData;
  }

 private:
  std::unique_ptr<archivekit::WindowDecoder> decoder_;
  const RawPackedInput& raw_;
};

}  // namespace

std::unique_ptr<ByteStream> make_window_stream(std::unique_ptr<ByteStream> raw,
                                               const WindowDecoderBuild& build) {
  auto input = std::make_unique<RawPackedInput>(std::move(raw));
  const RawPackedInput& inputSeen = *input;
  return std::make_unique<WindowStream>(build(std::move(input)), inputSeen);
}

}  // namespace unzip
