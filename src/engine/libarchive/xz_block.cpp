#include "engine/libarchive/xz_block.h"

#include <isa-l/crc.h>
#include <isa-l/crc64.h>

#include <algorithm>
#include <cstring>

namespace tessaly {

namespace {

using archivekit::Lzma2Decoder;

constexpr bool IsKnown(lzma_vli size) {
  return size != LZMA_VLI_UNKNOWN;
}

size_t PaddingAfter(uint64_t packed) {
  return static_cast<size_t>((4 - packed % 4) % 4);
}

// LZMA2's dictionary, no larger than the block's output where the header records it.
uint64_t WindowFor(const lzma_block& block) {
  const uint64_t dictionary =
      static_cast<const lzma_options_lzma*>(block.filters[0].options)->dict_size;
  return IsKnown(block.uncompressed_size) ? std::min(dictionary, block.uncompressed_size)
                                          : dictionary;
}

uint64_t LittleEndian(const uint8_t* bytes, size_t size) {
  uint64_t value = 0;
  for (size_t i = size; i > 0; --i) value = value << 8 | bytes[i - 1];
  return value;
}

}  // namespace

std::unique_ptr<XzBlock> XzBlock::Open(const uint8_t* header, lzma_check check) {
  std::unique_ptr<XzBlock> block(new XzBlock);
  block->filters_[0].id = LZMA_VLI_UNKNOWN;
  block->block_.header_size = lzma_block_header_size_decode(header[0]);
  block->block_.check = check;
  block->block_.filters = block->filters_;
  if (lzma_block_header_decode(&block->block_, nullptr, header) != LZMA_OK) return nullptr;
  const lzma_filter& first = block->filters_[0];
  const bool lzma2Alone =
      first.id == LZMA_FILTER_LZMA2 && block->filters_[1].id == LZMA_VLI_UNKNOWN;
  if (lzma2Alone &&
      (check == LZMA_CHECK_NONE || check == LZMA_CHECK_CRC32 || check == LZMA_CHECK_CRC64)) {
    block->lzma2_ = std::make_unique<Lzma2Decoder>(static_cast<uint32_t>(WindowFor(block->block_)));
  }
  return block;
}

XzBlock::~XzBlock() {
  lzma_end(&stream_);
  lzma_filters_free(filters_, nullptr);
}

std::optional<uint64_t> XzBlock::recorded_rest() const {
  const lzma_vli packed = block_.compressed_size;
  if (!IsKnown(packed)) return std::nullopt;
  return packed + PaddingAfter(packed) + lzma_check_size(block_.check);
}

std::optional<uint64_t> XzBlock::recorded_output() const {
  if (!IsKnown(block_.uncompressed_size)) return std::nullopt;
  return block_.uncompressed_size;
}

uint64_t XzBlock::decoder_memory() const {
  return ours() ? WindowFor(block_) : lzma_raw_decoder_memusage(filters_);
}

XzBlock::Result XzBlock::Decode(const uint8_t* input, size_t inputSize, bool ended, size_t& used,
                                uint8_t* out, size_t outSize, size_t& made) {
  used = made = 0;
  return ours() ? DecodeOurs(input, inputSize, ended, used, out, outSize, made)
                : DecodeWithLiblzma(input, inputSize, ended, used, out, outSize, made);
}

XzBlock::Result XzBlock::DecodeOurs(const uint8_t* input, size_t inputSize, bool ended,
                                    size_t& used, uint8_t* out, size_t outSize, size_t& made) {
  if (!dataEnded_) {
    // The decoder sees no further than the data the header records, so the block
    // fails alike whether it is read whole (on a worker) or as it comes.
    size_t offered = inputSize;
    bool finish = ended;
    if (IsKnown(block_.compressed_size)) {
      const uint64_t left = block_.compressed_size - packed_;
      finish = finish || left <= inputSize;
      offered = static_cast<size_t>(std::min<uint64_t>(left, inputSize));
    }
    const Lzma2Decoder::Result result =
        lzma2_->decode(input, offered, finish, used, out, outSize, made);
    packed_ += used;
    unpacked_ += made;
    if (block_.check == LZMA_CHECK_CRC32) crc32_ = crc32_gzip_refl(crc32_, out, made);
    if (block_.check == LZMA_CHECK_CRC64) crc64_ = crc64_ecma_refl(crc64_, out, made);
    // A block that outgrows its header's output is damaged at once, not at its end.
    const bool outgrown = IsKnown(block_.uncompressed_size) && unpacked_ > block_.uncompressed_size;
    if (outgrown || result == Lzma2Decoder::Result::bad_data ||
        result == Lzma2Decoder::Result::no_memory) {
      return Result::damaged;
    }
    if (result == Lzma2Decoder::Result::more) return Result::more;
    dataEnded_ = true;
    trailerSize_ = PaddingAfter(packed_) + lzma_check_size(block_.check);
  }
  const size_t taken = std::min(trailerSize_ - trailerHeld_, inputSize - used);
  std::memcpy(trailer_ + trailerHeld_, input + used, taken);
  trailerHeld_ += taken;
  used += taken;
  if (trailerHeld_ < trailerSize_) return ended ? Result::damaged : Result::more;
  return TrailerMatches() ? Result::end : Result::damaged;
}

bool XzBlock::TrailerMatches() const {
  const size_t padding = PaddingAfter(packed_);
  if (std::any_of(trailer_, trailer_ + padding, [](uint8_t byte) { return byte != 0; })) {
    return false;
  }
  if ((IsKnown(block_.compressed_size) && packed_ != block_.compressed_size) ||
      (IsKnown(block_.uncompressed_size) && unpacked_ != block_.uncompressed_size)) {
    return false;
  }
  const uint64_t stored = LittleEndian(trailer_ + padding, trailerSize_ - padding);
  switch (block_.check) {
    case LZMA_CHECK_CRC32:
      return stored == crc32_;
    case LZMA_CHECK_CRC64:
      return stored == crc64_;
    default:
      return true;
  }
}

XzBlock::Result XzBlock::DecodeWithLiblzma(const uint8_t* input, size_t inputSize, bool ended,
                                           size_t& used, uint8_t* out, size_t outSize,
                                           size_t& made) {
  if (!started_) {
    if (lzma_block_decoder(&stream_, &block_) != LZMA_OK) return Result::damaged;
    started_ = true;
  }
  stream_.next_in = input;
  stream_.avail_in = inputSize;
  stream_.next_out = out;
  stream_.avail_out = outSize;
  const lzma_ret coded = lzma_code(&stream_, LZMA_RUN);
  used = inputSize - stream_.avail_in;
  made = outSize - stream_.avail_out;
  if (coded == LZMA_STREAM_END) return Result::end;
  if (coded != LZMA_OK) return Result::damaged;
  // All the input was offered, room too, and nothing moved: it breaks off.
  if (ended && used == 0 && made == 0) return Result::damaged;
  return Result::more;
}

uint64_t XzBlock::unpadded_size() const {
  const uint64_t packed = IsKnown(block_.compressed_size) ? block_.compressed_size : packed_;
  return block_.header_size + packed + lzma_check_size(block_.check);
}

uint64_t XzBlock::uncompressed_size() const {
  if (IsKnown(block_.uncompressed_size)) return block_.uncompressed_size;
  return ours() ? unpacked_ : 0;
}

}  // namespace tessaly
