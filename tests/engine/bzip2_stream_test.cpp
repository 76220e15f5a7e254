// Our bzip2 reader on files the bzip2 tool made, whole and damaged, on one thread and
// on four: the same bytes and the same end either way, the damaged ones settled by
// decoding in turn after what the blocks ahead gave.
#include "engine/libarchive/bzip2_stream.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/files.h"
#include "support/libarchive_fixtures.h"

namespace tessaly::testing {
namespace {

struct Bzip2Row {
  const char* name;
  const char* command;  // makes x.bz2 from the file "data"
  int copies;           // of data in it
  std::function<void(std::string&)> damage;
  bool wholeBeforeDamage = false;  // the damage is in a check: every byte comes out
};

void FlipFromEnd(std::string& bytes, size_t offset) {
  bytes[bytes.size() - offset] ^= 0x10;
}

const Bzip2Row kRows[] = {
    {"Empty", "bzip2 -c < /dev/null > x.bz2", 0, nullptr},
    {"Blocks", "bzip2 -1 -c data > x.bz2", 1, nullptr},
    // libarchive joins streams and ignores what trails them.
    {"StreamsAndTrailing",
     "(bzip2 -1 -c data; bzip2 -c < /dev/null; bzip2 -9 -c data; echo trailing) > x.bz2", 2,
     nullptr},
    // The stream's check, before at most seven bits of padding.
    {"StreamCheck", "bzip2 -1 -c data > x.bz2", 1, [](std::string& b) { FlipFromEnd(b, 2); }, true},
    {"BlockData", "bzip2 -1 -c data > x.bz2", 1, [](std::string& b) { b[b.size() / 2] ^= 0x10; }},
    {"Cut", "bzip2 -1 -c data > x.bz2", 1, [](std::string& b) { b.resize(b.size() * 2 / 3); }},
    {"SecondStreamCut", "(bzip2 -1 -c data; bzip2 -1 -c data) > x.bz2", 2,
     [](std::string& b) { b.resize(b.size() - 100); }},
};

// Everything the stream gives, and whether it ended cleanly.
std::pair<std::string, bool> ReadAll(const std::string& bytes, int threads) {
  Bzip2Stream stream([&bytes] { return ByteInput(bytes.data(), bytes.size()); }, threads);
  std::string out;
  const void* block = nullptr;
  ssize_t got = 0;
  while ((got = stream.Read(&block)) > 0) out.append(static_cast<const char*>(block), got);
  return {out, got == 0};
}

TEST(Bzip2StreamTest, OneAndFourThreadsGiveEveryByteBeforeTheDamage) {
  TempFolder folder;
  std::string data;
  for (int i = 0; i < 60000; ++i) data += std::to_string(i * 7919 % 100003) + " line\n";
  WriteFileText(folder / "data", data);
  for (const Bzip2Row& row : kRows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(RunTool({"sh", "-c", row.command}, folder.path()), 0);
    std::string bytes = ReadFileText(folder / "x.bz2");
    if (row.damage) row.damage(bytes);
    std::string expected;
    for (int i = 0; i < row.copies; ++i) expected += data;
    const auto [alone, aloneEnded] = ReadAll(bytes, 1);
    const auto [shared, sharedEnded] = ReadAll(bytes, 4);
    // Compared as sizes first: gtest's diff of two long texts takes minutes.
    EXPECT_EQ(alone.size(), shared.size());
    EXPECT_TRUE(alone == shared);
    EXPECT_EQ(aloneEnded, sharedEnded);
    EXPECT_EQ(aloneEnded, !row.damage);
    if (!row.damage || row.wholeBeforeDamage) {
      EXPECT_EQ(alone.size(), expected.size());
      EXPECT_TRUE(alone == expected);
    }
  }
}

}  // namespace
}  // namespace tessaly::testing
