// What the API tests share: a source tree packed by 7z itself, walks over an archive
// through the C API, and a comparison of two extracted trees.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/files.h"
#include "un7z.h"

namespace un7z::testing {

namespace fs = std::filesystem;
using tessaly::testing::ReadFileText;
using tessaly::testing::TempFolder;
using tessaly::testing::WriteFileText;

// 7z run in folder with the arguments (already quoted as the shell needs).
inline int Run7z(const fs::path& folder, const std::string& arguments) {
  return std::system(
      ("cd '" + folder.string() + "' && 7z " + arguments + " -bd -y >/dev/null").c_str());
}

// 7z's archive a.7z in temp of a tree of text of many repeats, code-like bytes, a
// non-ASCII name, an executable, an empty file, an empty folder and a link.
inline int PackSourceTree(const fs::path& temp, const std::string& options) {
  const fs::path root = temp / "source";
  std::mt19937 random(7);
  std::string text, bytes(150 * 1024, '\0');
  while (text.size() < 300 * 1024) text += "line " + std::to_string(random() % 5000) + " of text\n";
  // x86 calls to nearby targets, which the branch converters rewrite.
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(i % 16 == 0 ? 0xE8 : i % 16 > 4 || i % 16 < 3 ? random() : 0);
  // Then RISC-V calls (JAL ra, AUIPC+JALR), an address taken (AUIPC+ADDI) and an AUIPC
  // x2 that looks like the RISC-V filter's own form.
  constexpr uint32_t kRiscV[][2] = {{0x0EF, 0x13}, {0x097, 0x80E7}, {0x517, 0x50513}, {0x3117, 0}};
  for (size_t i = bytes.size() / 2; i + 8 <= bytes.size(); i += 8) {
    const uint32_t immediate = static_cast<uint32_t>(random()), pair = random() % 4;
    const uint32_t words[2] = {
        kRiscV[pair][0] | (immediate & (pair == 3 ? 0xFFFFC000 : 0xFFFFF000)),
        kRiscV[pair][1] | (pair == 3 ? immediate : immediate << 20)};
    std::memcpy(&bytes[i], words, sizeof words);  // little-endian, as the machines testing
  }
  for (const char* folder : {"bin", "folder/empty dir", "名前"})
    fs::create_directories(root / folder);
  WriteFileText(root / "text.txt", text);
  WriteFileText(root / "bin/program", bytes);
  chmod((root / "bin/program").c_str(), 0755);
  WriteFileText(root / "empty", "");
  WriteFileText(root / "名前/ünïcode.txt", "grüße\n");
  fs::create_symlink("text.txt", root / "link");
  return Run7z(root, "a -snl " + options + " ../a.7z .");
}

struct WalkResult {
  unsigned openResult = 0;
  std::vector<int> codes;  // of Un7zProcessFile, one per entry
  int endCode = 0;         // of the Un7zReadHeader that ended the walk
  std::string method;      // the first entry's with data
  size_t counted = 0;      // entries read before the rewind, when the walk counts first
};

// The password the callback gives, or none.
inline const char* gPassword = nullptr;

inline int GivePassword(char* password, int size) {
  return gPassword && std::snprintf(password, static_cast<size_t>(size), "%s", gPassword) > 0;
}

// countFirst: every header is read, and the walk rewinds, before the first is
// processed, as the backend counts entries for its bar.
inline WalkResult Walk(const std::string& archive, int operation, const std::string& destination,
                       const char* password = nullptr, unsigned stride = 1,
                       bool countFirst = false) {
  WalkResult walk;
  gPassword = password;
  Un7zOpenArchiveData data{archive.c_str(), UN7Z_OM_EXTRACT, 0xDEAD, GivePassword};
  HANDLE handle = Un7zOpenArchive(&data);
  walk.openResult = data.OpenResult;
  if (!handle) return walk;
  // The headers were read with the callback's password, the data with the one set.
  if (password) Un7zSetPassword(handle, const_cast<char*>(password));
  Un7zHeaderData header{};
  if (countFirst) {
    while (Un7zReadHeader(handle, &header) == UN7Z_SUCCESS) ++walk.counted;
    Un7zRewind(handle);
  }
  while ((walk.endCode = Un7zReadHeader(handle, &header)) == UN7Z_SUCCESS) {
    if (walk.method.empty()) walk.method = header.Method;
    const int action = walk.codes.size() % stride == 0 ? operation : UN7Z_SKIP;
    walk.codes.push_back(Un7zProcessFile(handle, action, const_cast<char*>(destination.c_str())));
  }
  Un7zCloseArchive(handle);
  return walk;
}

// Every item below expected is in actual with the same kind, bytes, link target and
// permissions, and nothing more.
inline void ExpectSameTree(const fs::path& expected, const fs::path& actual) {
  long count = 0;
  for (const auto& item : fs::recursive_directory_iterator(expected)) {
    const fs::path relative = item.path().lexically_relative(expected);
    const fs::path other = actual / relative;
    const auto status = fs::symlink_status(item.path());
    ASSERT_EQ(fs::symlink_status(other).type(), status.type()) << relative;
    const auto target = [](const fs::path& link) {
      return fs::is_symlink(link) ? fs::read_symlink(link) : "";
    };
    EXPECT_EQ(target(other), target(item.path())) << relative;
    if (fs::is_regular_file(status)) {
      EXPECT_TRUE(ReadFileText(other) == ReadFileText(item.path())) << relative;
      EXPECT_EQ(fs::status(other).permissions(), status.permissions()) << relative;
    }
    ++count;
  }
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(actual), {}), count);
}

}  // namespace un7z::testing
