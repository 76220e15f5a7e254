// Our own decoders through the whole call: the chunks the user sees, and the
// general-purpose bits reaching implode.
#include <gtest/gtest.h>

#include "decoder_test_support.h"
#include "test_encoders.h"
#include "test_support.h"

namespace unzip::test {
namespace {

constexpr uint16_t kShrink = 1, kImplode = 6;
constexpr uint16_t kLargeWindow = 1 << 1;

using DecoderCall = WizTest;

// An entry of data, stored as method codes it.
RawEntry coded_entry(const std::string& name, uint16_t method, uint16_t flags,
                     const std::vector<unsigned char>& data, std::vector<unsigned char> stream) {
  RawEntry entry = stored_entry(name, data);
  entry.method = method;
  entry.flags = flags;
  entry.stored = std::move(stream);
  return entry;
}

TEST_F(DecoderCall, ImplodeWithTheLargeWindowFlag) {
  std::vector<LzToken> tokens;
  for (unsigned char byte : sample_bytes(9000, 4)) tokens.push_back({0, 0, byte});
  tokens.push_back({300, 8000, 0});  // only the 8 KiB window reaches this far
  const std::vector<unsigned char> data = apply_tokens(tokens);
  const std::vector<unsigned char> stream =
      implode_encode(tokens, kLargeWindow, {}, complete_lengths(64, 0), complete_lengths(64, 3));
  write_raw_zip("i.zip", {coded_entry("i.bin", kImplode, kLargeWindow, data, stream)});
  EXPECT_EQ(extract("i.zip"), PK_OK);
  EXPECT_EQ(recorder_.chunks, chunks({"  exploding: " + pad("out/i.bin") + "  ", "\n"}));
  EXPECT_TRUE(read_bytes("out/i.bin") == data);
}

TEST_F(DecoderCall, DamagedStreamsNameTheirMethod) {
  const std::vector<unsigned char> data = sample_bytes(5000, 6);
  BitWriter shrink;
  for (unsigned char byte : {'a', 'b', 'c'}) shrink.bits(byte, 9);  // then nothing
  const RawEntryStream reduce = raw_entry_stream(corpus_file("zip2-reduce.zip"), "first.txt");
  write_raw_zip("bad.zip", {coded_entry("s.bin", kShrink, 0, data, shrink.finish()),
                            coded_entry("r.bin", reduce.method, 0, data,
                                        cut(reduce.raw, reduce.raw.size() / 2))});
  EXPECT_EQ(extract("bad.zip"), PK_ERR);
  EXPECT_EQ(recorder_.chunks, chunks({"unshrinking: " + pad("out/s.bin") + "  ",
                                      "\n  error:  invalid compressed data to unshrink\n",
                                      " unreducing: " + pad("out/r.bin") + "  ",
                                      "\n  error:  invalid compressed data to unreduce\n"}));
}

}  // namespace
}  // namespace unzip::test
