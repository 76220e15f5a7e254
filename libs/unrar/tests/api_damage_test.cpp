// Damaged archives of every kind end in a result code: truncated at many places,
// bytes flipped across headers and data. Run under the sanitizers, any read out of
// bounds or endless loop shows here.
#include <gtest/gtest.h>

#include "api_support.h"

namespace unrar_test {
namespace {

const char* const kArchives[] = {
    "rar3-subdirs.rar",
    "test_read_format_rar_encryption_data.rar",
    "test_read_format_rar5_stored.rar",
    "test_read_format_rar5_multiple_files.rar",
    "rar3-solid.rar",
    "test_read_format_rar_filter.rar",
    "rar2-unix-owner.rar",
    "rar202-comment-psw.rar",
};

// Lists and tests the archive in file; the number of headers read.
size_t exercise(const std::string& file, const std::string& password) {
  const RunResult listed = run_archive(file, RAR_SKIP, "", "", RAR_OM_LIST);
  const RunResult tested = run_archive(file, RAR_TEST, "", password);
  EXPECT_LT(tested.entries.size(), 100000u);
  return listed.entries.size();
}

std::string password_of(const std::string& name) {
  if (name.find("encryption") != std::string::npos) return "12345678";
  return name.find("psw") != std::string::npos ? "password" : "";
}

TEST(SlowDamage, TruncatedAnywhere) {
  TempDir dir;
  for (const char* name : kArchives) {
    const std::string bytes = read_file(corpus(name));
    const size_t step = std::max<size_t>(1, bytes.size() / 40);
    for (size_t cut = 0; cut < bytes.size(); cut += step) {
      SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
      write_file(dir / "cut.rar", bytes.substr(0, cut));
      exercise(dir / "cut.rar", password_of(name));
    }
  }
}

TEST(SlowDamage, FlippedBytes) {
  TempDir dir;
  for (const char* name : kArchives) {
    const std::string bytes = read_file(corpus(name));
    const size_t step = std::max<size_t>(1, bytes.size() / 40);
    for (size_t at = 0; at < bytes.size(); at += step) {
      for (const unsigned char value : {0x00, 0xFF}) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(value);
        SCOPED_TRACE(std::string(name) + " byte " + std::to_string(at));
        write_file(dir / "flip.rar", damaged);
        exercise(dir / "flip.rar", password_of(name));
      }
    }
  }
}

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
