// RAR 1.5-4 headers made byte by byte: 64-bit sizes, header checks, and the main
// header's solid flag.
#include <gtest/gtest.h>

#include "api_support.h"
#include "rar15_decoder_test_writer.h"
#include "rar20_stream_builder.h"
#include "support/rar_writer.h"

namespace unrar_test {
namespace {

// A stored file of size bytes with the high halves of its sizes in their own fields.
std::string large_file_block(uint64_t size, const std::string& name) {
  std::string body;
  body += '\x74';
  put16(body, 0x0100 | 0x8000);
  put16(body, static_cast<uint32_t>(7 + 25 + 8 + name.size()));
  put32(body, static_cast<uint32_t>(size));
  put32(body, static_cast<uint32_t>(size));
  body += '\x03';                                                     // Unix
  put32(body, 0);                                                     // CRC
  put32(body, (45u << 25) | (6u << 21) | (15u << 16) | (12u << 11));  // 2025-06-15 12:00:00
  body += '\x1D';                                                     // unpack version 29
  body += '\x30';                                                     // stored
  put16(body, static_cast<uint32_t>(name.size()));
  put32(body, 0100644);
  put32(body, static_cast<uint32_t>(size >> 32));
  put32(body, static_cast<uint32_t>(size >> 32));
  return block(body + name);
}

std::string archive_with(const std::string& blocks) {
  return std::string(kMarker, 7) + main_header(0) + blocks;
}

TEST(Rar4Headers, SizesBeyondFourGiBUseOurOwnFields) {
  TempDir dir;
  const uint64_t big = (uint64_t{1} << 32) + 5;
  WriteFileText(dir / "big.rar", archive_with(large_file_block(big, "huge.bin")));
  const RunResult run = run_archive(dir / "big.rar", RAR_SKIP, "", "", RAR_OM_LIST);
  ASSERT_EQ(run.entries.size(), 1u);
  EXPECT_EQ(run.entries[0].unpSize, big);
  EXPECT_EQ(run.entries[0].packSize, big);
  // The data is not there: the listing ends with the damage, in bounded time.
  EXPECT_EQ(run.endResult, ERAR_BAD_ARCHIVE);
}

std::string text_of(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// RAR 1.5 files carry no solid flag of their own: in an archive whose main header
// says solid, every file after the first continues the stream.
TEST(Rar4Headers, ASolidMainHeaderMakesLaterRar15FilesContinueTheStream) {
  unrar::test::Rar15StreamWriter writer;
  for (const char ch : std::string("an old solid stream "))
    writer.literal(static_cast<uint8_t>(ch));
  const std::string firstPacked = text_of(writer.packed());
  const std::string firstText = text_of(writer.output());
  writer.next_solid_file();
  writer.literal('>');
  writer.long_match(20, 10);  // back into the first file
  const std::string secondPacked = text_of(writer.packed());
  const std::string secondText = text_of(writer.output());
  ASSERT_NE(secondText.find("old"), std::string::npos);

  const std::vector<tessaly::testing::RarTestEntry> entries = {{.name = "first.txt",
                                                                .data = firstText,
                                                                .rar4Version = 15,
                                                                .rar4Method = 0x33,
                                                                .packed = firstPacked},
                                                               {.name = "second.txt",
                                                                .data = secondText,
                                                                .rar4Version = 15,
                                                                .rar4Method = 0x33,
                                                                .packed = secondPacked}};
  tessaly::testing::RarOptions solid;
  solid.solid = true;
  TempDir dir;
  tessaly::testing::WriteRar(dir / "solid.rar", entries, solid);
  tessaly::testing::WriteRar(dir / "plain.rar", entries);
  fs::create_directory(dir / "solid");
  fs::create_directory(dir / "plain");
  EXPECT_EQ(process_last_after_skips(dir / "solid.rar", RAR_OM_EXTRACT, dir / "solid"), 0);
  EXPECT_EQ(ReadFileText(dir / "solid/second.txt"), secondText);
  // Without the archive's solid flag the second file starts a fresh stream.
  EXPECT_EQ(process_last_after_skips(dir / "plain.rar", RAR_OM_EXTRACT, dir / "plain"),
            ERAR_BAD_DATA);
}

}  // namespace
}  // namespace unrar_test
