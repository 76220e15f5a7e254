// The block parsers on hand-made header bodies: what no corpus archive shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ace_headers.h"

namespace unace {
namespace {

// A file header body with the 32-bit layout; name bytes as given.
std::vector<uint8_t> FileBody(uint16_t flags, const std::string& name) {
  std::vector<uint8_t> body(31, 0);
  body[0] = kFileHeader32;
  body[1] = flags & 0xFF;
  body[2] = flags >> 8;
  body[3] = 5;      // packed size
  body[7] = 9;      // unpacked size
  body[23] = 1;     // LZ77
  body[25] = 0x05;  // dictionary 2^15
  body[29] = static_cast<uint8_t>(name.size());
  body.insert(body.end(), name.begin(), name.end());
  return body;
}

TEST(AceHeaders, MainHeaderReadsTheAuthenticityLengthWhateverTheFlags) {
  std::vector<uint8_t> body(27, 0);
  std::copy(std::begin(kSignature), std::end(kSignature), body.begin() + 3);
  body[10] = 10;
  EXPECT_TRUE(parse_main_header(body.data(), body.size()));
  body[26] = 5;  // a string longer than what is left
  EXPECT_FALSE(parse_main_header(body.data(), body.size()));
  body.resize(32);
  EXPECT_TRUE(parse_main_header(body.data(), body.size()));
  body[4] = 'x';
  EXPECT_FALSE(parse_main_header(body.data(), body.size()));
}

TEST(AceHeaders, FileHeadersThatContradictThemselvesAreRejected) {
  std::vector<uint8_t> body = FileBody(0x0001, "name.txt");
  EXPECT_TRUE(parse_file_header(body.data(), body.size()));
  // The name runs past the body.
  EXPECT_FALSE(parse_file_header(body.data(), body.size() - 1));
  // Files always carry their data size.
  body = FileBody(0x0000, "name.txt");
  EXPECT_FALSE(parse_file_header(body.data(), body.size()));
  // 64-bit sizes in a 32-bit header.
  body = FileBody(0x0005, "name.txt");
  EXPECT_FALSE(parse_file_header(body.data(), body.size()));
  EXPECT_FALSE(parse_file_header(body.data(), 2));
}

TEST(AceHeaders, SixtyFourBitFileHeaderShiftsTheLaterFields) {
  std::vector<uint8_t> body(39, 0);
  body[0] = kFileHeader64;
  body[1] = 0x05;
  body[3 + 4] = 0x01;   // packed size 2^32
  body[11 + 5] = 0x02;  // unpacked size 2^41
  body[19] = 0x21;      // time
  body[31] = 2;         // type
  body[33] = 0x0C;      // dictionary 2^22
  body[37] = 1;
  body.push_back('z');
  const std::optional<FileHeader> header = parse_file_header(body.data(), body.size());
  ASSERT_TRUE(header);
  EXPECT_EQ(header->packSize, uint64_t{1} << 32);
  EXPECT_EQ(header->unpackedSize, uint64_t{1} << 41);
  EXPECT_EQ(header->dosTime, 0x21u);
  EXPECT_EQ(header->type, 2);
  EXPECT_EQ(header->dictionaryBits, 22u);
  EXPECT_EQ(header->name, "z");
  body[1] = 0x01;  // a type 3 header without the 64-bit flag
  EXPECT_FALSE(parse_file_header(body.data(), body.size()));
}

TEST(AceHeaders, OtherBlocksSayHowMuchDataFollows) {
  const uint8_t recovery32[] = {2, 0x01, 0x00, 0x10, 0x20, 0x00, 0x00};
  EXPECT_EQ(trailing_data_size(recovery32, sizeof recovery32), 0x2010u);
  const uint8_t recovery64[] = {5, 0x05, 0x00, 0x5E, 0x06, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(trailing_data_size(recovery64, sizeof recovery64), 0x010000000000065Eu);
  const uint8_t bare[] = {9, 0x00, 0x00};
  EXPECT_EQ(trailing_data_size(bare, sizeof bare), 0u);
  EXPECT_FALSE(trailing_data_size(recovery64, 8));
}

// Month 0 and day 0 do not exist: 1980-01-01 00:00:00 stands in. Other times show
// in the extracted files' times.
TEST(AceHeaders, MissingDatesAreTheEarliest) {
  EXPECT_EQ(dos_time_to_unix(0), dos_time_to_unix(0x00210000));
}

}  // namespace
}  // namespace unace
