// Damaged archives and wrong or missing passwords end in the code that names the
// cause, and a failed entry leaves the file it would replace untouched.
#include "api_test_support.h"

namespace un7z::testing {
namespace {

enum class Spoil { none, flipDataByte, flipHeaderByte, cut, dropSecondVolume };

struct DamageCase {
  const char* name;
  const char* options;
  Spoil spoil;
  const char* password;
  unsigned openResult;
  int fileCode;  // of some entry; the others succeed or fail the same way
};

void SpoilArchive(const fs::path& archive, Spoil spoil) {
  std::string bytes = ReadFileText(archive);
  if (spoil == Spoil::flipDataByte) bytes[32 + 1000] ^= 0x20;
  if (spoil == Spoil::flipHeaderByte) bytes[bytes.size() - 5] ^= 0x20;
  if (spoil == Spoil::cut) bytes.resize(bytes.size() - 100);
  if (spoil == Spoil::dropSecondVolume) fs::remove(archive.string() + ".002");
  if (spoil != Spoil::dropSecondVolume) WriteFileText(archive, bytes);
}

class Damage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(Damage, EndsWithTheCause) {
  const DamageCase& row = GetParam();
  TempFolder temp;
  ASSERT_EQ(PackSourceTree(temp.path(), row.options), 0);
  const bool split = row.spoil == Spoil::dropSecondVolume;
  const fs::path archive = temp.path() / (split ? "a.7z.001" : "a.7z");
  SpoilArchive(split ? temp.path() / "a.7z" : archive, row.spoil);
  fs::create_directories(temp.path() / "out/bin");
  WriteFileText(temp.path() / "out/bin/program", "old");

  const WalkResult walk = Walk(archive, UN7Z_EXTRACT, temp / "out", row.password);
  EXPECT_EQ(walk.openResult, row.openResult);
  if (row.openResult != UN7Z_SUCCESS) return;
  EXPECT_EQ(walk.endCode, UN7Z_END_ARCHIVE);
  EXPECT_NE(std::count(walk.codes.begin(), walk.codes.end(), row.fileCode), 0);
  // The damaged stored entry is the first packed one: bin/program.
  EXPECT_EQ(ReadFileText(temp.path() / "out/bin/program"), "old");
}

const DamageCase kDamageCases[] = {
    {"StoredDataByte", "-mx0", Spoil::flipDataByte, nullptr, UN7Z_SUCCESS, UN7Z_BAD_DATA},
    {"LzmaDataByte", "-m0=LZMA", Spoil::flipDataByte, nullptr, UN7Z_SUCCESS, UN7Z_BAD_DATA},
    {"HeaderByte", "", Spoil::flipHeaderByte, nullptr, UN7Z_BAD_ARCHIVE, 0},
    {"Cut", "", Spoil::cut, nullptr, UN7Z_BAD_ARCHIVE, 0},
    {"MissingVolume", "-v100k", Spoil::dropSecondVolume, nullptr, UN7Z_VOLUME_MISSING, 0},
    {"WrongPassword", "-ppw", Spoil::none, "wrong", UN7Z_SUCCESS, UN7Z_BAD_PASSWORD},
    {"NoPassword", "-ppw", Spoil::none, nullptr, UN7Z_SUCCESS, UN7Z_MISSING_PASSWORD},
    {"WrongHeaderPassword", "-mhe=on -ppw", Spoil::none, "wrong", UN7Z_BAD_PASSWORD, 0},
    {"NoHeaderPassword", "-mhe=on -ppw", Spoil::none, nullptr, UN7Z_MISSING_PASSWORD, 0},
};

TEST(KeepBroken, KeepsWhatWasWrittenOfTheDamagedEntryBesideTheOldFile) {
  TempFolder temp;
  ASSERT_EQ(PackSourceTree(temp.path(), "-mx0"), 0);
  SpoilArchive(temp.path() / "a.7z", Spoil::flipDataByte);
  fs::create_directories(temp.path() / "out/bin");
  WriteFileText(temp.path() / "out/bin/program", "old");
  const std::string archive = temp / "a.7z";
  Un7zOpenArchiveData data{archive.c_str(), UN7Z_OM_EXTRACT, 0, nullptr};
  HANDLE handle = Un7zOpenArchive(&data);
  ASSERT_NE(handle, nullptr);
  Un7zSetKeepBroken(handle, 1);
  std::string destination = temp / "out";
  std::vector<std::string> kept;
  Un7zHeaderData header{};
  while (Un7zReadHeader(handle, &header) == UN7Z_SUCCESS) {
    const int code = Un7zProcessFile(handle, UN7Z_EXTRACT, destination.data());
    EXPECT_EQ(code == UN7Z_BAD_DATA, *Un7zKeptName(handle) != '\0') << header.FileName;
    if (*Un7zKeptName(handle) != '\0') kept.push_back(Un7zKeptName(handle));
  }
  Un7zCloseArchive(handle);
  const std::string program = temp / "out/bin/program";
  EXPECT_EQ(kept, std::vector<std::string>{program + ".damaged"});
  EXPECT_EQ(fs::file_size(program + ".damaged"), 150u * 1024);
  EXPECT_EQ(ReadFileText(program), "old");
}

INSTANTIATE_TEST_SUITE_P(SevenZip, Damage, ::testing::ValuesIn(kDamageCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace un7z::testing
