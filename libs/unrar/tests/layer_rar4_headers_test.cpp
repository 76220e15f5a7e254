// RAR 1.5-4 file headers made byte by byte: 64-bit sizes, the extended time, and
// header checks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "api_support.h"
#include "rar20_stream_builder.h"

namespace unrar_test {
namespace {

std::string file_block(uint16_t flags, uint64_t packSize, uint64_t unpSize, const std::string& name,
                       const std::string& tail) {
  std::string body;
  body += '\x74';
  put16(body, flags | 0x8000);
  const size_t size = 7 + 25 + ((flags & 0x0100) ? 8 : 0) + name.size() + tail.size();
  put16(body, static_cast<uint32_t>(size));
  put32(body, static_cast<uint32_t>(packSize));
  put32(body, static_cast<uint32_t>(unpSize));
  body += '\x03';                                                     // Unix
  put32(body, 0);                                                     // CRC
  put32(body, (45u << 25) | (6u << 21) | (15u << 16) | (12u << 11));  // 2025-06-15 12:00:00
  body += '\x1D';                                                     // unpack version 29
  body += '\x30';                                                     // stored
  put16(body, static_cast<uint32_t>(name.size()));
  put32(body, 0100644);
  if (flags & 0x0100) {
    put32(body, static_cast<uint32_t>(packSize >> 32));
    put32(body, static_cast<uint32_t>(unpSize >> 32));
  }
  return block(body + name + tail);
}

std::string archive_with(const std::string& blocks) {
  return std::string(kMarker, 7) + main_header(0) + blocks;
}

TEST(Rar4Headers, SizesBeyondFourGiBUseOurOwnFields) {
  TempDir dir;
  const uint64_t big = (uint64_t{1} << 32) + 5;
  write_file(dir / "big.rar", archive_with(file_block(0x0100, big, big, "huge.bin", "")));
  const RunResult run = run_archive(dir / "big.rar", RAR_SKIP, "", "", RAR_OM_LIST);
  ASSERT_EQ(run.entries.size(), 1u);
  EXPECT_EQ(run.entries[0].unpSize, big);
  EXPECT_EQ(run.entries[0].packSize, big);
  // The data is not there: the listing ends with the damage, in bounded time.
  EXPECT_EQ(run.endResult, ERAR_BAD_ARCHIVE);
}

TEST(Rar4Headers, ExtendedTimeAddsSecondAndFraction) {
  TempDir dir;
  std::string tail;
  put16(tail, 0xF000);  // mtime: +1 s and three fraction bytes
  tail += std::string("\xAB\x3A\x89", 3);
  write_file(dir / "t.rar", archive_with(file_block(0x1000, 0, 0, "t.txt", tail)));
  const std::string out = dir / "out";
  fs::create_directory(out);
  const RunResult run = run_archive(dir / "t.rar", RAR_EXTRACT, out);
  ASSERT_TRUE(run.all_ok());
  struct stat info {};
  ASSERT_EQ(stat((out + "/t.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtim.tv_nsec, 899345100);
  EXPECT_EQ(info.st_mtim.tv_sec % 60, 1);
}

TEST(Rar4Headers, AHeaderSmallerThanItsFixedPartIsRefused) {
  TempDir dir;
  std::string body;
  body += '\x74';
  put16(body, 0x8000);
  put16(body, 12);
  put32(body, 0);
  put16(body, 0);
  write_file(dir / "small.rar", archive_with(block(body)));
  const RunResult run = run_archive(dir / "small.rar", RAR_TEST);
  EXPECT_TRUE(run.entries.empty());
  EXPECT_EQ(run.endResult, ERAR_BAD_ARCHIVE);
}

}  // namespace
}  // namespace unrar_test
