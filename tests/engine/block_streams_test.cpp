// Our xz and bzip2 readers, whose blocks decode on worker threads, on files the tools
// made, whole and damaged, on one thread and on four: the same bytes and the same end
// either way, and all of a block whose only fault is its check.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/libarchive/bzip2_stream.h"
#include "engine/libarchive/xz_stream.h"
#include "support/files.h"
#include "support/libarchive_fixtures.h"

namespace tessaly::testing {
namespace {

enum class Reader { xz, bzip2 };

struct StreamRow {
  const char* name;
  Reader reader;
  const char* command;  // makes x from the file "data"
  int copies;           // of data in it
  std::function<void(std::string&)> damage;
  bool wholeBeforeDamage = false;  // the damage is in a check: every byte comes out
};

void FlipFromEnd(std::string& bytes, size_t offset) {
  bytes[bytes.size() - offset] ^= 0x10;
}

void FlipMiddle(std::string& bytes) {
  bytes[bytes.size() / 2] ^= 0x10;
}

void CutTwoThirds(std::string& bytes) {
  bytes.resize(bytes.size() * 2 / 3);
}

const StreamRow kRows[] = {
    {"XzOneBlock", Reader::xz, "xz -c data > x", 1, nullptr},
    {"XzBlocks", Reader::xz, "xz -T2 --block-size=16384 -c data > x", 1, nullptr},
    {"XzStreamsAndPadding", Reader::xz,
     "(xz -c data; head -c 4 /dev/zero; xz -C crc32 -T2 --block-size=16384 -c data; xz -C "
     "sha256 --x86 --lzma2 -T2 --block-size=16384 -c data) > x",
     3, nullptr},
    // Past the footer (12 bytes) and the index of one record (12): its CRC-64.
    {"XzOneBlockCheck", Reader::xz, "xz -c data > x", 1, [](std::string& b) { FlipFromEnd(b, 28); },
     true},
    {"XzBlocksIndex", Reader::xz, "xz -T2 --block-size=16384 -c data > x", 1,
     [](std::string& b) { FlipFromEnd(b, 20); }, true},
    {"XzBlocksData", Reader::xz, "xz -T2 --block-size=16384 -c data > x", 1, FlipMiddle},
    {"XzBlocksCut", Reader::xz, "xz -T2 --block-size=16384 -c data > x", 1, CutTwoThirds},
    {"XzSha256FilterData", Reader::xz,
     "xz -C sha256 --x86 --lzma2 -T2 --block-size=16384 -c data > x", 1, FlipMiddle},
    {"Bzip2Empty", Reader::bzip2, "bzip2 -c < /dev/null > x", 0, nullptr},
    {"Bzip2Blocks", Reader::bzip2, "bzip2 -1 -c data > x", 1, nullptr},
    // libarchive joins streams and ignores what trails them.
    {"Bzip2StreamsAndTrailing", Reader::bzip2,
     "(bzip2 -1 -c data; bzip2 -c < /dev/null; bzip2 -9 -c data; echo trailing) > x", 2, nullptr},
    // The stream's check, before at most seven bits of padding.
    {"Bzip2StreamCheck", Reader::bzip2, "bzip2 -1 -c data > x", 1,
     [](std::string& b) { FlipFromEnd(b, 2); }, true},
    {"Bzip2BlockData", Reader::bzip2, "bzip2 -1 -c data > x", 1, FlipMiddle},
    {"Bzip2Cut", Reader::bzip2, "bzip2 -1 -c data > x", 1, CutTwoThirds},
    {"Bzip2SecondStreamCut", Reader::bzip2, "(bzip2 -1 -c data; bzip2 -1 -c data) > x", 2,
     [](std::string& b) { b.resize(b.size() - 100); }},
};

template <typename Stream>
std::pair<std::string, bool> ReadToEnd(Stream& stream) {
  std::string out;
  const void* block = nullptr;
  ssize_t got = 0;
  while ((got = stream.Read(&block)) > 0) out.append(static_cast<const char*>(block), got);
  return {out, got == 0};
}

// Everything the reader gives, and whether it ended cleanly.
std::pair<std::string, bool> ReadAll(Reader reader, const std::string& bytes, int threads) {
  if (reader == Reader::xz) {
    XzStream stream(ByteInput(bytes.data(), bytes.size()), threads);
    return ReadToEnd(stream);
  }
  Bzip2Stream stream([&bytes] { return ByteInput(bytes.data(), bytes.size()); }, threads);
  return ReadToEnd(stream);
}

TEST(BlockStreamsTest, OneAndFourThreadsGiveEveryByteBeforeTheDamage) {
  TempFolder folder;
  // Several blocks at bzip2 -1 (100 kB each).
  std::string data;
  for (int i = 0; i < 60000; ++i) data += std::to_string(i * 7919 % 100003) + " line\n";
  WriteFileText(folder / "data", data);
  for (const StreamRow& row : kRows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(RunTool({"sh", "-c", row.command}, folder.path()), 0);
    std::string bytes = ReadFileText(folder / "x");
    if (row.damage) row.damage(bytes);
    std::string expected;
    for (int i = 0; i < row.copies; ++i) expected += data;
    const auto [alone, aloneEnded] = ReadAll(row.reader, bytes, 1);
    const auto [shared, sharedEnded] = ReadAll(row.reader, bytes, 4);
    // Compared as sizes first: gtest's diff of two long texts takes minutes.
    EXPECT_EQ(alone.size(), shared.size());
    EXPECT_TRUE(alone == shared);
    EXPECT_EQ(aloneEnded, sharedEnded);
    EXPECT_EQ(aloneEnded, !row.damage);
    // Damaged data may decode to wrong bytes before its check fails: no more is sure.
    if (!row.damage || row.wholeBeforeDamage) {
      EXPECT_EQ(alone.size(), expected.size());
      EXPECT_TRUE(alone == expected);
    }
  }
}

}  // namespace
}  // namespace tessaly::testing
