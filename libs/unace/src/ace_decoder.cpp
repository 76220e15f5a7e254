#include "ace_decoder.h"

#include <algorithm>
#include <new>
#include <vector>

#include "ace_blocked.h"
#include "ace_lz77.h"

namespace unace {

namespace {

constexpr unsigned kSmallestDictionaryBits = 10;
constexpr unsigned kLargestDictionaryBits = 22;
constexpr size_t kStoredPiece = 256 * 1024;

class AceDecoder final : public Decoder {
 public:
  bool allocate(unsigned dictionaryBits) { return window_.allocate(dictionaryBits); }

  DecodeResult decode_entry(PackedInput& input, UnpackedOutput& output, uint64_t unpackedSize,
                            CompressionType type, bool solid) override {
    if (!solid) window_.forget_history();
    switch (type) {
      case CompressionType::Stored:
        return copy_stored(input, output, unpackedSize);
      case CompressionType::Lz77:
        return stream_.decode(input, output, unpackedSize, false);
      case CompressionType::Blocked:
        return stream_.decode(input, output, unpackedSize, true);
    }
    return DecodeResult::unsupported;
  }

 private:
  DecodeResult copy_stored(PackedInput& input, UnpackedOutput& output, uint64_t size) {
    buffer_.resize(kStoredPiece);
    while (size > 0) {
      const size_t wanted = static_cast<size_t>(std::min<uint64_t>(size, buffer_.size()));
      const size_t got = input.read(buffer_.data(), wanted);
      if (got == 0) return input.failed() ? DecodeResult::stopped : DecodeResult::bad_data;
      window_.append(buffer_.data(), got);
      if (!output.write(buffer_.data(), got)) return DecodeResult::stopped;
      size -= got;
    }
    return DecodeResult::ok;
  }

  AceWindow window_;
  AceStreamDecoder stream_{window_};
  std::vector<uint8_t> buffer_;
};

}  // namespace

std::unique_ptr<Decoder> make_decoder(unsigned dictionaryBits) {
  if (dictionaryBits < kSmallestDictionaryBits || dictionaryBits > kLargestDictionaryBits) {
    return nullptr;
  }
  std::unique_ptr<AceDecoder> decoder(new (std::nothrow) AceDecoder);
  if (!decoder || !decoder->allocate(dictionaryBits)) return nullptr;
  return decoder;
}

}  // namespace unace
