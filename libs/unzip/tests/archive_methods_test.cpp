// Entries made by real writers, for each method the corpus lacks (store and deflate
// are everywhere): decoded byte for byte, and caught once damaged.
#include <gtest/gtest.h>

#include <random>

#include "decoder_test_support.h"
#include "test_support.h"

namespace unzip::test {
namespace {

struct MadeEntry {
  const char* label;
  const char* command;  // writes a.zip from data.bin
  uint16_t method;
};

class MadeByTools : public ::testing::TestWithParam<MadeEntry> {};

TEST_P(MadeByTools, DecodesByteForByteAndDamageIsCaught) {
  const MadeEntry& row = GetParam();
  TempDir dir;
  const auto data = sample_bytes(60000, 5);
  write_bytes(dir / "data.bin", data);
  ASSERT_EQ(run_in(dir.path(), row.command), 0) << row.command;
  std::size_t middle;
  {
    OpenResult result;
    auto archive = open_ok(dir / "a.zip", result);
    ASSERT_TRUE(archive);
    const EntryInfo& entry = archive->entries().at(0);
    EXPECT_EQ(entry.method, row.method);
    EXPECT_EQ(entry.real_method, row.method);
    EXPECT_FALSE(entry.encrypted);
    const Decoded decoded = decode(*archive, entry);
    EXPECT_EQ(decoded.outcome(), ReadStatus::Ok);
    EXPECT_TRUE(decoded.data == data) << "decoded " << decoded.data.size() << " bytes";
    middle = data_at(dir / "a.zip", "data.bin") + entry.compressed_size / 2;
  }

  {
    // The library decoders on the raw stream: cut, it fails or comes up short;
    // garbled, it stays in bounds (ASan) and never runs far past the entry's size.
    const std::vector<unsigned char> raw =
        raw_entry_stream((dir / "a.zip").string(), "data.bin").raw;
    const auto run = [&](const std::vector<unsigned char>& stream) {
      return run_decoder(row.method, 0, data.size(), stream, 999);
    };
    for (std::size_t keep : {raw.size() / 2, raw.size() - 1, std::size_t{3}, std::size_t{0}}) {
      const DecodeOutcome outcome = run(cut(raw, keep));
      EXPECT_TRUE(outcome.status != ReadStatus::Ok || outcome.data.size() < data.size()) << keep;
    }
    std::mt19937 random(42);
    for (int round = 0; round < 40; ++round) {
      auto garbled = raw;
      for (int flips = 0; flips < 1 + round % 4; ++flips)
        garbled[random() % garbled.size()] ^= static_cast<unsigned char>(1 + random() % 255);
      EXPECT_LE(run(garbled).data.size(), data.size() + 64 * 1024) << round;
    }
  }
  // Eight bytes in the middle of the entry's data: never a good entry.
  auto bytes = read_bytes(dir / "a.zip");
  for (std::size_t i = 0; i < 8; ++i) bytes.at(middle + i) ^= 0x5A;
  write_bytes(dir / "a.zip", bytes);
  OpenResult result;
  auto archive = open_ok(dir / "a.zip", result);
  ASSERT_TRUE(archive);
  EXPECT_NE(decode(*archive, archive->entries().at(0)).outcome(), ReadStatus::Ok);
}

const MadeEntry kMadeEntries[] = {
    {"ZipBzip2", "zip -q -Z bzip2 a.zip data.bin", 12},
    {"SevenZipLzmaNoEndMarker", "7z a -tzip -m0=LZMA:eos=off a.zip data.bin", 14},
};

INSTANTIATE_TEST_SUITE_P(Writers, MadeByTools, ::testing::ValuesIn(kMadeEntries),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace unzip::test
