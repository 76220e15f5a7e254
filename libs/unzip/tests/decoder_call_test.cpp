// Our own decoders through the whole call: the chunks the user sees, the progress
// callback during a long entry, and the general-purpose bits reaching implode.
#include <gtest/gtest.h>

#include "decoder_test_support.h"
#include "test_encoders.h"
#include "test_support.h"

namespace unzip::test {
namespace {

constexpr uint16_t kShrink = 1, kReduceFactor3 = 4, kImplode = 6;
constexpr uint16_t kLargeWindow = 1 << 1;

class DecoderCall : public WizTest {
 protected:
  RawEntry raw_entry(const std::string& name, uint16_t method, uint16_t flags,
                     const std::vector<unsigned char>& data, std::vector<unsigned char> stream) {
    RawEntry entry;
    entry.name = name;
    entry.method = method;
    entry.flags = flags;
    entry.stored = std::move(stream);
    entry.uncompressed_size = static_cast<uint32_t>(data.size());
    entry.crc = crc_of(data);
    return entry;
  }

  Call call_;
  Recorder recorder_;
};

TEST_F(DecoderCall, LongDeflate64EntryCallsBackEvery256KiB) {
  std::vector<unsigned char> data = sample_bytes(3 * 1024 * 1024, 3);
  write_bytes("data.bin", data);
  ASSERT_EQ(run_in(".", "7z a -tzip -mm=Deflate64 d.zip data.bin"), 0);
  call_.zip = "d.zip";
  call_.folder = "out";
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  EXPECT_EQ(recorder_.chunks, chunks({"  inflating: " + pad("out/data.bin") + "  ", "\n"}));
  EXPECT_TRUE(read_bytes("out/data.bin") == data);
  // A call after each 256 KiB written (counted in reads of up to 64 KiB), and one
  // after the entry.
  EXPECT_GE(recorder_.service_calls.size(), data.size() / (320 * 1024) + 1);
}

TEST_F(DecoderCall, ImplodeWithTheLargeWindowFlag) {
  std::vector<unsigned char> data = sample_bytes(12000, 4);
  const std::vector<unsigned char> stream =
      implode_encode(greedy_tokens(data, 8192, 2, 320), kLargeWindow, {}, complete_lengths(64, 0),
                     complete_lengths(64, 3));
  write_raw_zip("i.zip", {raw_entry("i.bin", kImplode, kLargeWindow, data, stream)});
  call_.zip = "i.zip";
  call_.folder = "out";
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  EXPECT_EQ(recorder_.chunks, chunks({"  exploding: " + pad("out/i.bin") + "  ", "\n"}));
  EXPECT_TRUE(read_bytes("out/i.bin") == data);
}

TEST_F(DecoderCall, DamagedStreamsNameTheirMethod) {
  const std::vector<unsigned char> data = sample_bytes(5000, 6);
  BitWriter shrink;
  for (unsigned char byte : {'a', 'b', 'c'}) shrink.bits(byte, 9);  // then nothing
  std::vector<unsigned char> reduce = reduce_encode(greedy_tokens(data, 2048, 4, 258), 3);
  reduce.resize(reduce.size() / 2);
  write_raw_zip("bad.zip", {raw_entry("s.bin", kShrink, 0, data, shrink.finish()),
                            raw_entry("r.bin", kReduceFactor3, 0, data, reduce)});
  call_.zip = "bad.zip";
  call_.folder = "out";
  EXPECT_EQ(call_.run(recorder_), PK_ERR);
  EXPECT_EQ(recorder_.chunks, chunks({"unshrinking: " + pad("out/s.bin") + "  ",
                                      "\n  error:  invalid compressed data to unshrink\n",
                                      " unreducing: " + pad("out/r.bin") + "  ",
                                      "\n  error:  invalid compressed data to unreduce\n"}));
}

}  // namespace
}  // namespace unzip::test
