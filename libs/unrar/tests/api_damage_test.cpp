// Damaged headers of a corpus archive and the codes they end in; damage anywhere
// else is run by SlowCorruption (api_corruption_test.cpp).
#include <gtest/gtest.h>

#include "api_support.h"

namespace unrar_test {
namespace {

TEST(Damage, DamagedMainHeaderIsABadArchive) {
  TempDir dir;
  std::string bytes = read_file(corpus("rar3-subdirs.rar"));
  bytes[7] = static_cast<char>(bytes[7] ^ 0x55);
  write_file(dir / "main.rar", bytes);
  EXPECT_EQ(run_archive(dir / "main.rar", RAR_TEST).openResult, ERAR_BAD_ARCHIVE);
}

TEST(Damage, HeaderCrcMismatchIsReported) {
  TempDir dir;
  std::string bytes = read_file(corpus("rar3-subdirs.rar"));
  // The first file header's CRC sits right after the 7-byte marker and 13-byte main header.
  bytes[20] = static_cast<char>(bytes[20] ^ 0x55);
  write_file(dir / "crc.rar", bytes);
  const RunResult run = run_archive(dir / "crc.rar", RAR_TEST);
  EXPECT_EQ(run.openResult, 0);
  EXPECT_EQ(run.endResult, ERAR_BAD_ARCHIVE);
}

}  // namespace
}  // namespace unrar_test
