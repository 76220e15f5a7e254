// The search for the main header reads the file in 64 KiB pieces that overlap: an
// archive behind a stub is found wherever its header falls against their edges, and
// a signature seen at the end of one piece and again at the start of the next is
// tried once.
#include "api_test_support.h"

namespace unace::testing {
namespace {

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

TEST(AceSearchPieces, TheHeaderIsFoundAcrossEveryEdgeOfThePieces) {
  TempFolder temp;
  // Piece k starts at k * (64 KiB - 13); the header's signature sits 7 bytes in.
  for (size_t edge : {size_t{65536 - 13}, size_t{2 * (65536 - 13)}}) {
    for (size_t at = edge - 16; at <= edge + 16; ++at)
      EXPECT_EQ(OpenResultBehind(temp, std::string(at, 'x')), unsigned{ACE_OPEN_OK}) << at;
  }
}

TEST(AceSearchPieces, TheWindowEndsAfter512KiBWhereverThePiecesFall) {
  TempFolder temp;
  EXPECT_EQ(OpenResultBehind(temp, std::string(512 * 1024 - 1, 'x')), unsigned{ACE_OPEN_OK});
  EXPECT_EQ(OpenResultBehind(temp, std::string(512 * 1024, 'x')), unsigned{ACE_OPEN_NOT_ACE});
}

TEST(AceSearchPieces, AFalseSignatureOnAnEdgeCountsOnce) {
  TempFolder temp;
  // 64 false candidates end the search. The 63rd has its signature at 65525, in the
  // 13 bytes both of the first two pieces hold: counted twice, it would leave the
  // real header behind it untried.
  const std::string fake = std::string("\0\0\xFF\xFF\0\0\0", 7) + "**ACE**";
  std::string prefix;
  for (int i = 0; i < 62; ++i) prefix += fake;
  prefix += std::string(65525 - 7 - prefix.size(), 'x');
  prefix += fake;
  EXPECT_EQ(OpenResultBehind(temp, prefix), unsigned{ACE_OPEN_OK});
}

}  // namespace
}  // namespace unace::testing
