// Hand-made RAR 2.0 streams for the decoder tests: a bit writer, table blocks, and
// RAR 1.5-4 blocks made byte by byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "archive_crc.h"
#include "rar_legacy_crypto.h"

namespace unrar_test {

class BitWriter {
 public:
  void put(uint32_t value, unsigned bits) {
    for (unsigned i = bits; i > 0; --i) {
      if (used_ % 8 == 0) bytes_.push_back('\0');
      if ((value >> (i - 1)) & 1)
        bytes_.back() = static_cast<char>(bytes_.back() | (0x80 >> (used_ % 8)));
      ++used_;
    }
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  size_t used_ = 0;
};

constexpr size_t kMainSymbols = 298;
constexpr size_t kDistanceSymbols = 48;
constexpr size_t kRepeatSymbols = 28;
constexpr size_t kLzLengths = kMainSymbols + kDistanceSymbols + kRepeatSymbols;
constexpr size_t kAudioSymbols = 257;

// A table block that forgets the old lengths. Each length is sent as one 5-bit code
// of the bit-length table (every one of its 19 symbols has length 5, so symbol s is
// sent as s).
inline void put_tables(BitWriter& out, const std::vector<uint8_t>& lengths, int audioChannels = 0) {
  out.put(audioChannels > 0 ? 1 : 0, 1);
  out.put(0, 1);
  if (audioChannels > 0) out.put(static_cast<uint32_t>(audioChannels - 1), 2);
  for (int i = 0; i < 19; ++i) out.put(5, 4);
  for (const uint8_t length : lengths) out.put(length, 5);
}

// LZ lengths: every main symbol 9 bits, distances 6, repeat lengths 5, so each
// symbol is sent as its own number.
inline std::vector<uint8_t> flat_lz_lengths() {
  std::vector<uint8_t> lengths(kLzLengths, 9);
  std::fill(lengths.begin() + kMainSymbols, lengths.end() - kRepeatSymbols, 6);
  std::fill(lengths.end() - kRepeatSymbols, lengths.end(), 5);
  return lengths;
}

struct FlatLz {
  static void symbol(BitWriter& out, int s) { out.put(static_cast<uint32_t>(s), 9); }
  static void distance(BitWriter& out, int c) { out.put(static_cast<uint32_t>(c), 6); }
  static void repeat(BitWriter& out, int c) { out.put(static_cast<uint32_t>(c), 5); }
};

// A multimedia stream: every channel's table gives each delta 9 bits and symbol
// 256 (new tables) 9 bits too. Deltas follow a fixed pseudo-random sequence;
// after switchAt bytes the stream switches to LZ tables for a few literals and
// then back to the multimedia mode with nextChannels channels.
inline std::string audio_stream(int channels, int nextChannels, size_t bytes, size_t switchAt) {
  BitWriter out;
  const std::vector<uint8_t> flatAudio(kAudioSymbols * 4, 9);
  put_tables(out, {flatAudio.begin(), flatAudio.begin() + kAudioSymbols * channels}, channels);
  uint32_t seed = 12345;
  auto next_delta = [&] {
    seed = seed * 1103515245u + 12345u;
    // Small deltas mostly, as sampled sound gives.
    const uint32_t r = (seed >> 16) & 0xFF;
    return r < 200 ? (r % 9) - 4 : r;
  };
  for (size_t i = 0; i < bytes; ++i) {
    if (i == switchAt) {
      out.put(256, 9);
      put_tables(out, flat_lz_lengths());
      for (const char ch : std::string("LZ")) FlatLz::symbol(out, static_cast<uint8_t>(ch));
      FlatLz::symbol(out, 269);
      put_tables(out, {flatAudio.begin(), flatAudio.begin() + kAudioSymbols * nextChannels},
                 nextChannels);
      i += 2;
    }
    out.put(next_delta() & 0xFF, 9);
  }
  return out.bytes();
}

// Packed bytes encrypted with the RAR 2.0 cipher, zero-padded to whole blocks.
inline std::string encrypt20(const std::string& password, std::string bytes) {
  bytes.resize((bytes.size() + 15) / 16 * 16, '\0');
  unrar::Rar20Cipher cipher(password);
  for (size_t i = 0; i < bytes.size(); i += 16) {
    cipher.encrypt_block(reinterpret_cast<uint8_t*>(bytes.data() + i));
  }
  return bytes;
}

inline void put16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
inline void put32(std::string& out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}
inline uint32_t crc32_of(const std::string& bytes) {
  return unrar::crc32_continue(0, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}
// A block: CRC16 over everything after the CRC field.
inline std::string block(const std::string& body) {
  std::string out;
  put16(out, crc32_of(body) & 0xFFFF);
  return out + body;
}

inline std::string main_header(uint32_t flags) {
  std::string main;
  main += '\x73';
  put16(main, flags);
  put16(main, 13);
  put16(main, 0);
  put32(main, 0);
  return block(main);
}

constexpr char kMarker[] = "Rar!\x1a\x07\x00";

}  // namespace unrar_test
