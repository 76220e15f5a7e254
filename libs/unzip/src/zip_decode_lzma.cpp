// LZMA (14) and XZ (95) through liblzma.
#include <lzma.h>

#include <cstring>

#include "zip_bytes.h"
#include "zip_decoder_stream.h"
#include "zip_decoders.h"

namespace unzip {
namespace {

// Dictionaries beyond this are refused rather than allocated for damaged headers.
constexpr uint64_t kMemoryLimit = uint64_t{1} << 30;
constexpr std::size_t kLzmaPropertiesSize = 5;
constexpr std::size_t kZipLzmaHeaderSize = 4 + kLzmaPropertiesSize;

enum class Container { LzmaAlone, Xz };

class LzmaLibraryStream final : public DecoderStream {
 public:
  // header: bytes fed to liblzma before the raw stream (the .lzma header built for it).
  LzmaLibraryStream(std::unique_ptr<ByteStream> raw, Container container,
                    std::vector<unsigned char> header)
      : DecoderStream(std::move(raw)), header_(std::move(header)) {
    const lzma_ret result = container == Container::LzmaAlone
                                ? lzma_alone_decoder(&stream_, kMemoryLimit)
                                : lzma_stream_decoder(&stream_, kMemoryLimit, 0);
    ready_ = result == LZMA_OK;
  }
  ~LzmaLibraryStream() override { lzma_end(&stream_); }
  LzmaLibraryStream(const LzmaLibraryStream&) = delete;
  LzmaLibraryStream& operator=(const LzmaLibraryStream&) = delete;

 private:
  Step decode(Buffers& buffers) override {
    if (!ready_) return Step::NoMemory;
    if (!header_.empty()) {
      // The header produces no data, and liblzma takes all of it in one call.
      std::size_t used = 0;
      const Step step = run(header_.data(), header_.size(), false, buffers, used);
      const bool whole = used == header_.size();
      header_.clear();
      if (step != Step::Progress) return step;
      if (!whole) return Step::Invalid;
    }
    return run(buffers.in, buffers.in_size, buffers.input_ended, buffers, buffers.consumed);
  }

  Step run(const unsigned char* in, std::size_t in_size, bool input_ended, Buffers& buffers,
           std::size_t& used) {
    stream_.next_in = in;
    stream_.avail_in = in_size;
    stream_.next_out = buffers.out + buffers.produced;
    stream_.avail_out = buffers.out_size - buffers.produced;
    const lzma_ret result = lzma_code(&stream_, input_ended ? LZMA_FINISH : LZMA_RUN);
    used = in_size - stream_.avail_in;
    buffers.produced = buffers.out_size - stream_.avail_out;
    switch (result) {
      case LZMA_STREAM_END:
        return Step::End;
      case LZMA_OK:
      case LZMA_BUF_ERROR:  // no progress possible: the caller decides
        return Step::Progress;
      case LZMA_MEM_ERROR:
      case LZMA_MEMLIMIT_ERROR:
        return Step::NoMemory;
      default:
        return Step::Invalid;
    }
  }

  lzma_stream stream_ = LZMA_STREAM_INIT;
  bool ready_ = false;
  std::vector<unsigned char> header_;
};

}  // namespace

// liblzma's .lzma decoder takes the 5 property bytes and the data size as its
// header; with the size known it ends cleanly with or without an end marker.
std::unique_ptr<ByteStream> make_lzma_decoder(std::unique_ptr<ByteStream> raw,
                                              uint64_t uncompressed_size, ReadStatus& status) {
  unsigned char zip_header[kZipLzmaHeaderSize];
  const long long count = read_fully(*raw, zip_header, sizeof zip_header);
  if (count < 0) {
    status = raw->status();
    return nullptr;
  }
  if (count != static_cast<long long>(sizeof zip_header) ||
      read_le16(zip_header + 2) != kLzmaPropertiesSize) {
    status = ReadStatus::InvalidData;
    return nullptr;
  }
  std::vector<unsigned char> alone_header(kLzmaPropertiesSize + 8);
  std::memcpy(alone_header.data(), zip_header + 4, kLzmaPropertiesSize);
  for (int i = 0; i < 8; ++i) {
    alone_header[kLzmaPropertiesSize + i] =
        static_cast<unsigned char>(uncompressed_size >> (8 * i));
  }
  status = ReadStatus::Ok;
  return std::make_unique<LzmaLibraryStream>(std::move(raw), Container::LzmaAlone,
                                             std::move(alone_header));
}

std::unique_ptr<ByteStream> make_xz_decoder(std::unique_ptr<ByteStream> raw) {
  return std::make_unique<LzmaLibraryStream>(std::move(raw), Container::Xz,
                                             std::vector<unsigned char>{});
}

}  // namespace unzip
