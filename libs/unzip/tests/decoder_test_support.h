// What the decoder tests share: a raw stream handed out in small pieces, a whole
// decode through make_decoder, an LSB-first bit writer for hand-built streams, the
// raw stream of a corpus entry, and damage applied to a stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip_archive.h"

namespace unzip::test {

struct DecodeOutcome {
  ReadStatus status = ReadStatus::Ok;  // of the failing read, or Ok
  std::vector<unsigned char> data;
};

// Decodes raw as method would, the input handed out piece bytes at a time. Stops
// early (status Ok, data longer than size) if the decoder runs away.
DecodeOutcome run_decoder(uint16_t method, uint16_t flags, uint64_t size,
                          const std::vector<unsigned char>& raw, std::size_t piece = 7);

// Fields in the order the decoders read them: LSB-first, and prefix codes with
// their first bit as the code's most significant.
class BitWriter {
 public:
  void bits(uint32_t value, unsigned count);
  void code(uint32_t code, unsigned length);  // most significant bit first
  void byte(unsigned char value) { bits(value, 8); }
  void align();
  std::vector<unsigned char> finish();

 private:
  std::vector<unsigned char> bytes_;
  uint64_t pending_ = 0;
  unsigned pending_bits_ = 0;
};

// One entry of a corpus archive as the decoders see it.
struct RawEntryStream {
  uint16_t method = 0;
  uint16_t flags = 0;
  uint64_t size = 0;
  std::vector<unsigned char> raw;
};
RawEntryStream raw_entry_stream(const std::string& archive_path, const std::string& entry);

// The first count bytes of raw.
std::vector<unsigned char> cut(const std::vector<unsigned char>& raw, std::size_t count);

// Decodes raw cut at several lengths, which must end in the invalid-data error, and
// about flips copies of raw with one bit flipped, spread over the stream, which must end in that
// error or decode (to other bytes, which the CRC check is there for). Returns
// the number of flips the decoder itself rejected.
std::size_t expect_damage_caught(uint16_t method, uint16_t flags,
                                 const std::vector<unsigned char>& expected,
                                 const std::vector<unsigned char>& raw, std::size_t flips);

}  // namespace unzip::test
