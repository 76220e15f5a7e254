// A coder this library does not decode still shows under 7-Zip's name for it, or
// as its id in hex, so that the refusal names the method.
#include <gtest/gtest.h>

#include "folder_decoder.h"

namespace un7z {
namespace {

TEST(MethodNames, CodersWeDoNotDecodeAreNamedAs7ZipNamesThem) {
  const struct {
    std::vector<uint8_t> id;
    const char* name;
  } rows[] = {
      {{0x04, 0xF7, 0x11, 0x01}, "ZSTD"},     {{0x04, 0xF7, 0x11, 0x02}, "BROTLI"},
      {{0x04, 0xF7, 0x11, 0x04}, "LZ4"},      {{0x04, 0xF7, 0x11, 0x05}, "LZ5"},
      {{0x04, 0xF7, 0x11, 0x06}, "LIZARD"},   {{0x02, 0x03, 0x02}, "Swap2"},
      {{0x04, 0xF7, 0x10, 0x01}, "04F71001"},
  };
  for (const auto& row : rows) {
    Folder folder;
    folder.coders.push_back({row.id, 1, 1, {}});
    EXPECT_EQ(method_names(folder), row.name);
  }
}

}  // namespace
}  // namespace un7z
