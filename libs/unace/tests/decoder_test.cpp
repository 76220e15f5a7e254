// ACE 1.0 LZ77 on streams written here, for what the corpus archives do not reach:
// the ways a stream ends early or reaches where it may not. A failing input or output
// is the backend's test (an archive cut short, a full disk); code tables and the
// filters are built and run by every corpus archive and the blocked-stream tests.
#include <gtest/gtest.h>

#include <string>

#include "decoder_test_support.h"

namespace {

using namespace decoder_test;
using unace::CompressionType;
using unace::DecodeResult;

TEST(DecoderLz77, DictionarySizesOutsideTheFormatAreRefused) {
  EXPECT_EQ(unace::make_decoder(9), nullptr);
  EXPECT_EQ(unace::make_decoder(23), nullptr);
  EXPECT_NE(unace::make_decoder(10), nullptr);
  EXPECT_NE(unace::make_decoder(22), nullptr);
}

std::string Literals(const std::string& text) {
  Lz77Writer w;
  w.block(static_cast<uint32_t>(text.size()));
  w.literals(text);
  return w.bits.finish();
}

// "a", then a match, or a switch to LZ77 mode when there is no match.
std::string AThen(uint32_t distance = 0, unsigned length = 0) {
  Lz77Writer w;
  w.block(2);
  w.literals("a");
  length == 0 ? w.mode_change(0) : w.match(distance, length);
  return w.bits.finish();
}

TEST(DecoderLz77, DamagedStreamsEndInBadData) {
  const std::string whole = Literals(std::string(300, 'z'));
  const struct {
    const char* name;
    std::string packed;
    uint64_t size;
    CompressionType type;
    DecodeResult expected;
  } cases[] = {
      {"distance before the first byte", AThen(1, 2), 3, CompressionType::Lz77,
       DecodeResult::bad_data},
      {"distance beyond the window", AThen((1u << 21) + 5, 4), 5, CompressionType::Lz77,
       DecodeResult::bad_data},
      {"match past the end of the entry", AThen(0, 10), 5, CompressionType::Lz77,
       DecodeResult::bad_data},
      {"symbols after the last byte are left alone", Literals("ab"), 1, CompressionType::Lz77,
       DecodeResult::ok},
      {"mode change in an ACE 1.0 stream", AThen(), 5, CompressionType::Lz77,
       DecodeResult::bad_data},
      {"stream cut short", whole.substr(0, whole.size() / 2), 300, CompressionType::Lz77,
       DecodeResult::bad_data},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode(c.packed, c.size, c.type).result, c.expected);
  }
}

}  // namespace
