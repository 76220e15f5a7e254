// RAR 1.5 files carry no solid flag of their own: in an archive whose main header
// says solid, every file after the first continues the stream.
#include <gtest/gtest.h>

#include "api_support.h"
#include "rar15_decoder_test_writer.h"
#include "rar20_stream_builder.h"

namespace unrar_test {
namespace {

std::string text_of(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST(LayerRar15Solid, MainHeaderMakesLaterFilesContinueTheStream) {
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

  const std::vector<Rar20Entry> entries = {
      {"first.txt", firstPacked, firstText, false, false, 15},
      {"second.txt", secondPacked, secondText, false, false, 15}};
  TempDir dir;
  write_file(dir / "solid.rar", rar20_archive(entries, true));
  write_file(dir / "plain.rar", rar20_archive(entries, false));
  fs::create_directory(dir / "solid");
  fs::create_directory(dir / "plain");
  EXPECT_EQ(process_last_after_skips(dir / "solid.rar", RAR_OM_EXTRACT, dir / "solid"), 0);
  EXPECT_EQ(read_file(dir / "solid/second.txt"), secondText);
  // Without the archive's solid flag the second file starts a fresh stream.
  EXPECT_EQ(process_last_after_skips(dir / "plain.rar", RAR_OM_EXTRACT, dir / "plain"),
            ERAR_BAD_DATA);
}

}  // namespace
}  // namespace unrar_test
