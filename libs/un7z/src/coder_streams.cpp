#include "coder_streams.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "archivekit/lzma2_decoder.h"
#include "decoder_stream.h"
#include "un7z.h"

namespace un7z {
namespace {

using archivekit::Lzma2Decoder;

constexpr uint32_t kSmallestDictionary = 4096;

class CopyStream final : public DecoderStream {
 public:
  CopyStream(std::unique_ptr<ByteStream> source, uint64_t outSize)
      : DecoderStream(std::move(source), outSize) {}

 private:
  Step decode(const uint8_t* input, size_t inputSize, bool finish, size_t& consumed, uint8_t* out,
              size_t outSize, size_t& produced) override {
    produced = consumed = std::min(inputSize, outSize);
    std::memcpy(out, input, produced);
    return finish && inputSize == 0 ? Step::end : Step::more;
  }
};

class LzmaStream final : public DecoderStream {
 public:
  LzmaStream(std::unique_ptr<ByteStream> source, uint64_t outSize)
      : DecoderStream(std::move(source), outSize) {}
  ~LzmaStream() override { lzma_end(&stream_); }
  LzmaStream(const LzmaStream&) = delete;
  LzmaStream& operator=(const LzmaStream&) = delete;

  lzma_ret start(const lzma_filter* filters) { return lzma_raw_decoder(&stream_, filters); }

 private:
  Step decode(const uint8_t* input, size_t inputSize, bool finish, size_t& consumed, uint8_t* out,
              size_t outSize, size_t& produced) override {
    stream_.next_in = input;
    stream_.avail_in = inputSize;
    stream_.next_out = out;
    stream_.avail_out = outSize;
    const lzma_ret result = lzma_code(&stream_, finish ? LZMA_FINISH : LZMA_RUN);
    consumed = inputSize - stream_.avail_in;
    produced = outSize - stream_.avail_out;
    switch (result) {
      case LZMA_OK:
        return Step::more;
      case LZMA_STREAM_END:
        return Step::end;
      case LZMA_MEM_ERROR:
        return Step::no_memory;
      case LZMA_OPTIONS_ERROR:
        return Step::unsupported;
      case LZMA_BUF_ERROR:
        return produced > 0 ? Step::more : Step::bad_data;
      default:
        return Step::bad_data;
    }
  }

  lzma_stream stream_ = LZMA_STREAM_INIT;
};

class Lzma2Stream final : public DecoderStream {
 public:
  Lzma2Stream(std::unique_ptr<ByteStream> source, uint64_t outSize, uint32_t windowSize)
      : DecoderStream(std::move(source), outSize), decoder_(windowSize) {}

 private:
  Step decode(const uint8_t* input, size_t inputSize, bool finish, size_t& consumed, uint8_t* out,
              size_t outSize, size_t& produced) override {
    switch (decoder_.decode(input, inputSize, finish, consumed, out, outSize, produced)) {
      case Lzma2Decoder::Result::more:
        return Step::more;
      case Lzma2Decoder::Result::end:
        return Step::end;
      case Lzma2Decoder::Result::no_memory:
        return Step::no_memory;
      case Lzma2Decoder::Result::bad_data:
        break;
    }
    return Step::bad_data;
  }

  Lzma2Decoder decoder_;
};

class Bzip2Stream final : public DecoderStream {
 public:
  Bzip2Stream(std::unique_ptr<ByteStream> source, uint64_t outSize)
      : DecoderStream(std::move(source), outSize) {}
  ~Bzip2Stream() override {
    if (started_) BZ2_bzDecompressEnd(&stream_);
  }
  Bzip2Stream(const Bzip2Stream&) = delete;
  Bzip2Stream& operator=(const Bzip2Stream&) = delete;

 private:
  Step decode(const uint8_t* input, size_t inputSize, bool finish, size_t& consumed, uint8_t* out,
              size_t outSize, size_t& produced) override {
    consumed = produced = 0;
    // 7-Zip's multithreaded encoder writes several bzip2 streams one after another.
    if (!started_) {
      if (inputSize == 0) return finish ? Step::end : Step::more;
      stream_ = {};
      if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) return Step::no_memory;
      started_ = true;
    }
    stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(input));
    stream_.avail_in = static_cast<unsigned>(std::min<size_t>(inputSize, 1u << 30));
    stream_.next_out = reinterpret_cast<char*>(out);
    stream_.avail_out = static_cast<unsigned>(std::min<size_t>(outSize, 1u << 30));
    const unsigned inputBefore = stream_.avail_in, outputBefore = stream_.avail_out;
    const int result = BZ2_bzDecompress(&stream_);
    consumed = inputBefore - stream_.avail_in;
    produced = outputBefore - stream_.avail_out;
    if (result == BZ_STREAM_END) {
      BZ2_bzDecompressEnd(&stream_);
      started_ = false;
      return Step::more;
    }
    if (result == BZ_MEM_ERROR) return Step::no_memory;
    if (result != BZ_OK) return Step::bad_data;
    return Step::more;
  }

  bz_stream stream_{};
  bool started_ = false;
};

class DeflateStream final : public DecoderStream {
 public:
  DeflateStream(std::unique_ptr<ByteStream> source, uint64_t outSize)
      : DecoderStream(std::move(source), outSize) {
    started_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK;
  }
  ~DeflateStream() override {
    if (started_) inflateEnd(&stream_);
  }
  DeflateStream(const DeflateStream&) = delete;
  DeflateStream& operator=(const DeflateStream&) = delete;

 private:
  Step decode(const uint8_t* input, size_t inputSize, bool, size_t& consumed, uint8_t* out,
              size_t outSize, size_t& produced) override {
    consumed = produced = 0;
    if (!started_) return Step::no_memory;
    stream_.next_in = const_cast<Bytef*>(input);
    stream_.avail_in = static_cast<uInt>(std::min<size_t>(inputSize, 1u << 30));
    stream_.next_out = out;
    stream_.avail_out = static_cast<uInt>(std::min<size_t>(outSize, 1u << 30));
    const uInt inputBefore = stream_.avail_in, outputBefore = stream_.avail_out;
    const int result = inflate(&stream_, Z_NO_FLUSH);
    consumed = inputBefore - stream_.avail_in;
    produced = outputBefore - stream_.avail_out;
    if (result == Z_STREAM_END) return Step::end;
    if (result == Z_MEM_ERROR) return Step::no_memory;
    if (result == Z_OK || (result == Z_BUF_ERROR && inputSize == 0)) return Step::more;
    return Step::bad_data;
  }

  z_stream stream_{};
  bool started_ = false;
};

// Bytes as a stream of LZMA2 stored chunks: a control byte (1: the first, which resets
// the dictionary; 2: the others), the size less one in two bytes, the bytes; 0 ends it.
class StoredChunks final : public ByteStream {
 public:
  explicit StoredChunks(std::unique_ptr<ByteStream> source)
      : source_(std::move(source)), chunk_(kChunkHeader + kLargestChunk) {}

  size_t read(uint8_t* out, size_t size) override {
    if (position_ == end_) {
      if (ended_ || !next_chunk()) return 0;
    }
    const size_t piece = std::min(size, end_ - position_);
    std::memcpy(out, chunk_.data() + position_, piece);
    position_ += piece;
    return piece;
  }

 private:
  static constexpr size_t kChunkHeader = 3;
  static constexpr size_t kLargestChunk = 64 * 1024;

  bool next_chunk() {
    size_t got = 0;
    while (got < kLargestChunk) {
      const size_t piece = source_->read(chunk_.data() + kChunkHeader + got, kLargestChunk - got);
      if (piece == 0) break;
      got += piece;
    }
    if (got == 0 && source_->status() != 0) {
      fail(source_->status());
      return false;
    }
    position_ = 0;
    if (got == 0) {
      chunk_[0] = 0;
      end_ = 1;
      ended_ = true;
      return true;
    }
    chunk_[0] = first_ ? 1 : 2;
    chunk_[1] = static_cast<uint8_t>((got - 1) >> 8);
    chunk_[2] = static_cast<uint8_t>(got - 1);
    end_ = kChunkHeader + got;
    first_ = false;
    return true;
  }

  std::unique_ptr<ByteStream> source_;
  std::vector<uint8_t> chunk_;
  size_t position_ = 0, end_ = 0;
  bool first_ = true;
  bool ended_ = false;
};

// The liblzma options of each filter, freed with it.
struct FilterChain {
  std::vector<lzma_filter> filters;
  ~FilterChain() {
    for (lzma_filter& filter : filters) std::free(filter.options);
  }
};

// LZMA2 by our own decoder (see lzma2_decoder.h).
int make_lzma2_stream(const std::vector<uint8_t>& properties, uint64_t lzmaOutSize,
                      uint64_t outSize, std::unique_ptr<ByteStream> source,
                      std::unique_ptr<ByteStream>& stream) {
  constexpr uint8_t kLargestDictionaryCode = 40;
  if (properties.size() != 1 || properties[0] > kLargestDictionaryCode) return UN7Z_UNSUPPORTED;
  const uint8_t code = properties[0];
  const uint64_t asked =
      code == kLargestDictionaryCode ? UINT32_MAX : uint64_t{2u | (code & 1u)} << (code / 2 + 11);
  const uint64_t window = std::min(asked, std::max<uint64_t>(lzmaOutSize, kSmallestDictionary));
  if (window > kMostDecoderMemory) return UN7Z_NO_MEMORY;
  stream = std::make_unique<Lzma2Stream>(std::move(source), outSize, static_cast<uint32_t>(window));
  return UN7Z_SUCCESS;
}

// The whole chain by liblzma.
int make_liblzma_chain(const std::vector<LzmaFilterStep>& steps, uint64_t lzmaOutSize,
                       uint64_t outSize, std::unique_ptr<ByteStream> source,
                       std::unique_ptr<ByteStream>& stream) {
  if (steps.empty() || steps.size() >= LZMA_FILTERS_MAX) return UN7Z_UNSUPPORTED;
  FilterChain chain;
  for (const LzmaFilterStep& step : steps) {
    lzma_filter filter{step.liblzmaId, nullptr};
    if (lzma_properties_decode(&filter, nullptr, step.properties.data(), step.properties.size()) !=
        LZMA_OK) {
      return UN7Z_UNSUPPORTED;
    }
    chain.filters.push_back(filter);
  }
  // A dictionary larger than all the data it will ever hold is never needed.
  auto* lzma = static_cast<lzma_options_lzma*>(chain.filters.back().options);
  if (lzma && lzma->dict_size > lzmaOutSize) {
    lzma->dict_size = static_cast<uint32_t>(std::max<uint64_t>(lzmaOutSize, kSmallestDictionary));
  }
  chain.filters.push_back({LZMA_VLI_UNKNOWN, nullptr});
  if (lzma_raw_decoder_memusage(chain.filters.data()) > kMostDecoderMemory) return UN7Z_NO_MEMORY;
  auto decoder = std::make_unique<LzmaStream>(std::move(source), outSize);
  switch (decoder->start(chain.filters.data())) {
    case LZMA_OK:
      stream = std::move(decoder);
      return UN7Z_SUCCESS;
    case LZMA_MEM_ERROR:
      return UN7Z_NO_MEMORY;
    default:
      return UN7Z_UNSUPPORTED;
  }
}

}  // namespace

int make_lzma_chain(const std::vector<LzmaFilterStep>& steps, uint64_t lzmaOutSize,
                    uint64_t outSize, std::unique_ptr<ByteStream> source,
                    std::unique_ptr<ByteStream>& stream) {
  if (steps.empty() || steps.size() >= LZMA_FILTERS_MAX) return UN7Z_UNSUPPORTED;
  if (steps.back().liblzmaId != LZMA_FILTER_LZMA2) {
    return make_liblzma_chain(steps, lzmaOutSize, outSize, std::move(source), stream);
  }
  if (steps.size() == 1) {
    return make_lzma2_stream(steps[0].properties, lzmaOutSize, outSize, std::move(source), stream);
  }
  // LZMA2 by us, the branch or delta filters above it by liblzma.
  std::unique_ptr<ByteStream> decoded;
  const int result = make_lzma2_stream(steps.back().properties, lzmaOutSize, lzmaOutSize,
                                       std::move(source), decoded);
  if (result != UN7Z_SUCCESS) return result;
  return make_filter_chain({steps.begin(), steps.end() - 1}, outSize, std::move(decoded), stream);
}

int make_filter_chain(std::vector<LzmaFilterStep> filters, uint64_t outSize,
                      std::unique_ptr<ByteStream> source, std::unique_ptr<ByteStream>& stream) {
  constexpr uint8_t kSmallestLzma2Dictionary = 0;  // 4 KiB: stored chunks refer to nothing
  filters.push_back({LZMA_FILTER_LZMA2, {kSmallestLzma2Dictionary}});
  return make_liblzma_chain(filters, UINT64_MAX, outSize,
                            std::make_unique<StoredChunks>(std::move(source)), stream);
}

std::unique_ptr<ByteStream> make_copy_stream(std::unique_ptr<ByteStream> source, uint64_t outSize) {
  return std::make_unique<CopyStream>(std::move(source), outSize);
}

std::unique_ptr<ByteStream> make_bzip2_stream(std::unique_ptr<ByteStream> source,
                                              uint64_t outSize) {
  return std::make_unique<Bzip2Stream>(std::move(source), outSize);
}

std::unique_ptr<ByteStream> make_deflate_stream(std::unique_ptr<ByteStream> source,
                                                uint64_t outSize) {
  return std::make_unique<DeflateStream>(std::move(source), outSize);
}

}  // namespace un7z
