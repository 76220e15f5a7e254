// The RAR5 LZ decoder: blocks of Huffman-coded literals and matches over a
// window of the dictionary's size, with the filters the stream defines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "rar5_bit_reader.h"
#include "rar5_decoder_huffman.h"
#include "rar5_filters.h"
#include "rar_decoder.h"

namespace unrar {

class Rar5Decoder final : public Decoder {
 public:
  Rar5Decoder(std::unique_ptr<uint8_t[]> window, size_t windowSize, uint64_t dictionarySize,
              int version);

  DecodeResult decode_entry(PackedInput& input, UnpackedOutput& output, uint64_t unpackedSize,
                            bool solid) override;

 private:
  struct Block {
    bool last;
    bool hasTables;
    uint64_t bitCount;
  };
  enum class BlockRead { ok, end_of_input, damaged, input_failed };

  void reset_stream();
  DecodeResult decode_blocks(PackedInput& input);
  BlockRead read_block(PackedInput& input, Block& block);
  bool read_tables(uint64_t endBit);
  DecodeResult decode_symbols(uint64_t endBit);
  DecodeResult read_filter();
  bool read_distance(uint64_t& distance);
  uint32_t read_length(unsigned slot);
  DecodeResult copy_match(uint32_t length, uint64_t distance);

  DecodeResult flush();
  DecodeResult finish_entry(bool sizeKnown);
  bool emit_window(uint64_t from, uint64_t to);
  bool emit(const uint8_t* data, uint64_t streamStart, size_t size);

  std::unique_ptr<uint8_t[]> window_;
  size_t windowMask_;
  uint64_t dictionarySize_;
  int version_;
  size_t distanceSymbols_;

  // The solid stream's state, carried from one entry to the next.
  uint64_t position_ = 0;
  std::array<uint64_t, 4> oldDistances_{};
  uint32_t lastLength_ = 0;
  bool tablesRead_ = false;
  bool streamBroken_ = false;
  Rar5HuffmanTable mainTable_;
  Rar5HuffmanTable distanceTable_;
  Rar5HuffmanTable lowDistanceTable_;
  Rar5HuffmanTable lengthTable_;

  // The current entry.
  UnpackedOutput* output_ = nullptr;
  uint64_t entryStart_ = 0;
  uint64_t entryEnd_ = 0;  // stream position after the entry's last byte
  uint64_t flushed_ = 0;
  uint64_t nextFlush_ = 0;
  std::deque<Rar5Filter> filters_;

  Rar5BitReader bits_;
  std::vector<uint8_t> blockData_;
  std::vector<uint8_t> filterData_;
  std::vector<uint8_t> filterScratch_;
};

}  // namespace unrar
