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

// Extracts the second entry alone, skipping the first; its result code.
int extract_second(const std::string& archive, const std::string& destination) {
  RAROpenArchiveData open{};
  open.ArcName = archive.c_str();
  open.OpenMode = RAR_OM_EXTRACT;
  HANDLE handle = RAROpenArchive(&open);
  if (!handle) return -1;
  RARHeaderData header{};
  int result = RARReadHeader(handle, &header);
  if (result == 0) result = RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
  if (result == 0) result = RARReadHeader(handle, &header);
  std::string destinationText = destination;
  if (result == 0) result = RARProcessFile(handle, RAR_EXTRACT, destinationText.data(), nullptr);
  RARCloseArchive(handle);
  return result;
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
  EXPECT_EQ(extract_second(dir / "solid.rar", dir / "solid"), 0);
  EXPECT_EQ(read_file(dir / "solid/second.txt"), secondText);
  // Without the archive's solid flag the second file starts a fresh stream.
  EXPECT_EQ(extract_second(dir / "plain.rar", dir / "plain"), ERAR_BAD_DATA);
}

}  // namespace
}  // namespace unrar_test
