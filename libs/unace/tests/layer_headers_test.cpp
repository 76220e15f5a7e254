// The block parsers on hand-made header bodies: what no corpus archive shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ace_headers.h"
#include "archivekit/dos_time.h"

namespace unace {
namespace {

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
  EXPECT_EQ(archivekit::dos_time_to_unix(0), archivekit::dos_time_to_unix(0x00210000));
}

}  // namespace
}  // namespace unace
