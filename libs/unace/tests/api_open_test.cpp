// Opening archives: where the main header is found, what the open result says,
// and the header record of each entry. The search for the main header reads the
// file in 64 KiB pieces that overlap: an archive behind a stub is found wherever its
// header falls against their edges, and a signature seen at the end of one piece and
// again at the start of the next is tried once.
#include <gtest/gtest.h>

#include <chrono>

#include "api_test_support.h"

namespace unace::testing {
namespace {

TEST(AceHeaderRecord, LongNamesAreCutAtACharacterBoundaryOnlyInTheShortField) {
  TempFolder temp;
  // 258 ASCII bytes and then a two-byte character (code page 437 0x82 = "é").
  const std::string name = std::string(258, 'n') + "\x82" + "z";
  WriteAce(temp / "long.ace", {{name, "x", false, AceMethod::Stored}});
  HANDLE handle = Open(temp / "long.ace", ACE_OM_LIST);
  ASSERT_NE(handle, nullptr);
  ACEHeaderData header{};
  ASSERT_EQ(ACEReadHeader(handle, &header), ACE_SUCCESS);
  ACECloseArchive(handle);
  EXPECT_EQ(std::string(header.FileName), std::string(258, 'n'));
  EXPECT_EQ(std::string(header.FileNameW), std::string(258, 'n') + "\xC3\xA9z");
}

// The start of a main header with the largest size and a bad CRC.
const std::string kFalseSignature = std::string("\0\0\xFF\xFF\0\0\0", 7) + "**ACE**";

TEST(AceOpen, AFilePackedWithFalseSignaturesIsGivenUpQuickly) {
  TempFolder temp;
  std::string prefix;
  while (prefix.size() < 400 * 1024) prefix += kFalseSignature;
  AceOptions options;
  options.sfxPrefix = prefix;
  WriteAce(temp / "many.exe", {{"a.txt", "a", false, AceMethod::Stored}}, options);
  const auto start = std::chrono::steady_clock::now();
  unsigned openResult = 0;
  EXPECT_EQ(Open(temp / "many.exe", ACE_OM_LIST, &openResult), nullptr);
  EXPECT_EQ(openResult, unsigned{ACE_OPEN_BROKEN_MAIN_HEADER});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

unsigned OpenResultBehind(const TempFolder& temp, const std::string& prefix) {
  AceOptions options;
  options.sfxPrefix = prefix;
  const std::string path = temp / "stub.exe";
  WriteAce(path, {{"inner.txt", "behind the stub", false, AceMethod::Stored}}, options);
  unsigned openResult = 0;
  HANDLE handle = Open(path, ACE_OM_LIST, &openResult);
  if (handle != nullptr) ACECloseArchive(handle);
  return openResult;
}

// Found across every edge of the pieces and up to the end of the 512 KiB window
// wherever the pieces fall.
TEST(AceSearchPieces, TheHeaderIsFoundAcrossEveryEdgeAndWithinTheWindow) {
  TempFolder temp;
  // Piece k starts at k * (64 KiB - 13); the header's signature sits 7 bytes in.
  for (size_t edge : {size_t{65536 - 13}, size_t{2 * (65536 - 13)}}) {
    for (size_t at = edge - 16; at <= edge + 16; ++at)
      EXPECT_EQ(OpenResultBehind(temp, std::string(at, 'x')), unsigned{ACE_OPEN_OK}) << at;
  }
  EXPECT_EQ(OpenResultBehind(temp, std::string(512 * 1024 - 1, 'x')), unsigned{ACE_OPEN_OK});
  EXPECT_EQ(OpenResultBehind(temp, std::string(512 * 1024, 'x')), unsigned{ACE_OPEN_NOT_ACE});

  // 64 false candidates end the search. The 63rd has its signature at 65525, in the
  // 13 bytes both of the first two pieces hold: counted twice, it would leave the
  // real header behind it untried.
  std::string prefix;
  for (int i = 0; i < 62; ++i) prefix += kFalseSignature;
  prefix += std::string(65525 - 7 - prefix.size(), 'x');
  prefix += kFalseSignature;
  EXPECT_EQ(OpenResultBehind(temp, prefix), unsigned{ACE_OPEN_OK});
}

}  // namespace
}  // namespace unace::testing
