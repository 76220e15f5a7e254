// Our xz reader on files the xz tool made, whole and damaged, on one thread and on
// four: the same bytes and the same end either way, and all of a block whose only
// fault is its check.
#include "engine/libarchive/xz_stream.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/files.h"
#include "support/libarchive_fixtures.h"

namespace tessaly::testing {
namespace {

struct XzRow {
  const char* name;
  const char* command;  // makes x.xz from the file "data"
  int copies;           // of data in it
  std::function<void(std::string&)> damage;
  bool wholeBeforeDamage = false;  // the damage is in a check: every byte comes out
};

void FlipFromEnd(std::string& bytes, size_t offset) {
  bytes[bytes.size() - offset] ^= 0x10;
}

const XzRow kRows[] = {
    {"OneBlock", "xz -c data > x.xz", 1, nullptr},
    {"Blocks", "xz -T2 --block-size=16384 -c data > x.xz", 1, nullptr},
    {"StreamsAndPadding",
     "(xz -c data; head -c 4 /dev/zero; xz -C crc32 -T2 --block-size=16384 -c data; xz -C "
     "sha256 --x86 --lzma2 -T2 --block-size=16384 -c data) > x.xz",
     3, nullptr},
    // Past the footer (12 bytes) and the index of one record (12): its CRC-64.
    {"OneBlockCheck", "xz -c data > x.xz", 1, [](std::string& b) { FlipFromEnd(b, 28); }, true},
    {"BlocksIndex", "xz -T2 --block-size=16384 -c data > x.xz", 1,
     [](std::string& b) { FlipFromEnd(b, 20); }, true},
    {"BlocksData", "xz -T2 --block-size=16384 -c data > x.xz", 1,
     [](std::string& b) { b[b.size() / 2] ^= 0x10; }},
    {"BlocksCut", "xz -T2 --block-size=16384 -c data > x.xz", 1,
     [](std::string& b) { b.resize(b.size() * 2 / 3); }},
    {"Sha256FilterData", "xz -C sha256 --x86 --lzma2 -T2 --block-size=16384 -c data > x.xz", 1,
     [](std::string& b) { b[b.size() / 2] ^= 0x10; }},
};

// Everything the stream gives, and whether it ended cleanly.
std::pair<std::string, bool> ReadAll(const std::string& bytes, int threads) {
  XzStream stream(ByteInput(bytes.data(), bytes.size()), threads);
  std::string out;
  const void* block = nullptr;
  ssize_t got = 0;
  while ((got = stream.Read(&block)) > 0) out.append(static_cast<const char*>(block), got);
  return {out, got == 0};
}

TEST(XzStreamTest, OneAndFourThreadsGiveEveryByteBeforeTheDamage) {
  TempFolder folder;
  std::string data;
  for (int i = 0; i < 40000; ++i) data += std::to_string(i * 7919 % 100003) + " line\n";
  WriteFileText(folder / "data", data);
  for (const XzRow& row : kRows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(RunTool({"sh", "-c", row.command}, folder.path()), 0);
    std::string bytes = ReadFileText(folder / "x.xz");
    if (row.damage) row.damage(bytes);
    std::string expected;
    for (int i = 0; i < row.copies; ++i) expected += data;
    const auto [alone, aloneEnded] = ReadAll(bytes, 1);
    const auto [shared, sharedEnded] = ReadAll(bytes, 4);
    EXPECT_EQ(alone, shared);
    EXPECT_EQ(aloneEnded, sharedEnded);
    EXPECT_EQ(aloneEnded, !row.damage);
    // Damaged data may decode to wrong bytes before its check fails: no more is sure.
    if (!row.damage || row.wholeBeforeDamage) {
      EXPECT_EQ(alone, expected);
    }
  }
}

}  // namespace
}  // namespace tessaly::testing
