// One block of an xz stream, decoded: LZMA2 alone (what xz writes unless told
// otherwise) by the kit's decoder, its CRC-32 or CRC-64 by ISA-L (gzip's and ECMA-182's,
// reflected: faster than liblzma's); any other filter chain or check by liblzma's block
// decoder. Either way the padding, the check and the sizes the header records are
// verified.
#pragma once

#include <lzma.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "archivekit/lzma2_decoder.h"

namespace tessaly {

class XzBlock {
 public:
  enum class Result { more, end, damaged };

  // header: the whole block header (its first byte gives its size); check: the
  // stream's. Null when the header is damaged or names a filter liblzma lacks.
  static std::unique_ptr<XzBlock> Open(const uint8_t* header, lzma_check check);
  ~XzBlock();
  XzBlock(const XzBlock&) = delete;
  XzBlock& operator=(const XzBlock&) = delete;

  // What the header records: the block after it (data, padding and check) and its
  // output, when it records them.
  std::optional<uint64_t> recorded_rest() const;
  std::optional<uint64_t> recorded_output() const;
  // The memory its decoder asks for, besides its input and output.
  uint64_t decoder_memory() const;

  // Decodes from input (ended: nothing follows it) into out: what it used and made.
  Result Decode(const uint8_t* input, size_t inputSize, bool ended, size_t& used, uint8_t* out,
                size_t outSize, size_t& made);
  // For the stream's index: the header's sizes where it records them (decoding holds
  // the block to them), else those found, once ended.
  uint64_t unpadded_size() const;
  uint64_t uncompressed_size() const;

 private:
  XzBlock() = default;
  bool ours() const { return lzma2_ != nullptr; }
  Result DecodeOurs(const uint8_t* input, size_t inputSize, bool ended, size_t& used, uint8_t* out,
                    size_t outSize, size_t& made);
  Result DecodeWithLiblzma(const uint8_t* input, size_t inputSize, bool ended, size_t& used,
                           uint8_t* out, size_t outSize, size_t& made);
  // After the data: its padding and check, whole in trailer_.
  bool TrailerMatches() const;

  lzma_filter filters_[LZMA_FILTERS_MAX + 1] = {};
  lzma_block block_{};
  // Ours: the decoder, what it has used and made, and the running check.
  std::unique_ptr<archivekit::Lzma2Decoder> lzma2_;
  uint64_t packed_ = 0;
  uint64_t unpacked_ = 0;
  uint32_t crc32_ = 0;
  uint64_t crc64_ = 0;
  bool dataEnded_ = false;
  uint8_t trailer_[3 + LZMA_CHECK_SIZE_MAX] = {};
  size_t trailerSize_ = 0;
  size_t trailerHeld_ = 0;
  // liblzma's, started on the first Decode (it keeps a pointer to block_).
  lzma_stream stream_ = LZMA_STREAM_INIT;
  bool started_ = false;
};

}  // namespace tessaly
