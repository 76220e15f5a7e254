// Archives 7z makes with each coder and option, extracted through the C API and
// compared file by file with 7z's own extraction of the same archive.
#include "api_test_support.h"

namespace un7z::testing {
namespace {

struct CoderCase {
  const char* name;
  const char* options;
  int fileCode = UN7Z_SUCCESS;   // of every entry with data
  bool selfExtracting = false;   // a program put before the archive
  const char* method = nullptr;  // the Method the header shows, when checked
};

class Coders : public ::testing::TestWithParam<CoderCase> {};

TEST_P(Coders, ExtractsAs7zDoes) {
  const CoderCase& row = GetParam();
  TempFolder temp;
  ASSERT_EQ(PackSourceTree(temp.path(), row.options), 0);
  const bool split = std::string(row.options).find("-v") != std::string::npos;
  const std::string archive = temp / (split ? "a.7z.001" : "a.7z");
  ASSERT_EQ(Run7z(temp.path(), "x -ppw -oexpected '" + archive + "'"), 0);
  fs::create_directory(temp.path() / "out");
  if (row.selfExtracting)
    WriteFileText(archive, tessaly::testing::SfxStub() + ReadFileText(archive));

  // Counted first on the same handle, then extracted from the first entry again.
  const WalkResult walk = Walk(archive, UN7Z_EXTRACT, temp / "out", "pw", 1, true);
  ASSERT_EQ(walk.openResult, UN7Z_SUCCESS);
  EXPECT_EQ(walk.endCode, UN7Z_END_ARCHIVE);
  EXPECT_EQ(walk.counted, walk.codes.size());
  if (row.method) {
    EXPECT_EQ(walk.method, row.method);
  }
  if (row.fileCode != UN7Z_SUCCESS) {
    EXPECT_NE(std::count(walk.codes.begin(), walk.codes.end(), row.fileCode), 0);
    return;
  }
  EXPECT_EQ(walk.codes, std::vector<int>(9, UN7Z_SUCCESS));
  ExpectSameTree(temp.path() / "expected", temp.path() / "out");
  // Testing every other entry decodes the skipped ones of a solid folder in passing.
  EXPECT_EQ(Walk(archive, UN7Z_TEST, "", "pw", 2).codes, std::vector<int>(9, UN7Z_SUCCESS));
}

const CoderCase kCoderCases[] = {
    {"Stored", "-mx0"},
    {"Fastest", "-mx1"},
    {"Ultra", "-mx9"},
    {"NotSolid", "-ms=off"},
    {"Lzma", "-m0=LZMA"},
    {"Bzip2", "-m0=BZip2"},
    {"Deflate", "-m0=Deflate"},
    {"X86", "-mf=BCJ"},
    {"X86Bcj2", "-mf=BCJ2"},
    {"Arm", "-mf=ARM"},
    {"ArmThumb", "-mf=ARMT"},
    {"PowerPc", "-mf=PPC"},
    {"Sparc", "-mf=SPARC"},
    {"Ia64", "-mf=IA64"},
    {"Arm64", "-mf=ARM64"},
    {"DeltaOverBzip2", "-m0=Delta:4 -m1=BZip2"},
    {"EncryptedData", "-ppw"},
    {"EncryptedHeaders", "-mhe=on -ppw"},
    {"Volumes", "-v100k"},
    {"SelfExtracting", "-mx1", UN7Z_SUCCESS, true},
    {"Ppmd", "-m0=PPMd", UN7Z_SUCCESS, false, "PPMD"},
    // A model of 64 KiB fills up and restarts many times over the tree.
    {"PpmdOrder32SmallModel", "-m0=PPMd:o=32:mem=64k"},
    {"PpmdOrder2EncryptedHeaders", "-m0=PPMd:o=2:mem=1m -mhe=on -ppw", UN7Z_SUCCESS, false,
     "PPMD 7zAES"},
    {"Deflate64", "-m0=Deflate64", UN7Z_SUCCESS, false, "Deflate64"},
    {"RiscV", "-mf=RISCV", UN7Z_SUCCESS, false, "RISCV LZMA2"},
    // A coder named but not decoded is refused as such, never taken for damage.
    {"ByteSwapper", "-m0=Swap4 -m1=LZMA2", UN7Z_UNSUPPORTED, false, "Swap4 LZMA2"},
};

INSTANTIATE_TEST_SUITE_P(SevenZip, Coders, ::testing::ValuesIn(kCoderCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace un7z::testing
