#include "support/zip_fixtures.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

namespace tessaly::testing {

// Every entry is stamped 2024-03-07 09:05, so listings are the same everywhere.
constexpr zip_uint16_t kDosDate = ((2024 - 1980) << 9) | (3 << 5) | 7;
constexpr zip_uint16_t kDosTime = (9 << 11) | (5 << 5);

void WriteZip(const std::string& path, const std::vector<ZipEntrySpec>& entries) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr) << "zip_open " << path << ": " << error;
  for (const ZipEntrySpec& entry : entries) {
    if (!entry.name.empty() && entry.name.back() == '/') {
      ASSERT_GE(zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_UTF_8), 0) << entry.name;
      continue;
    }
    zip_source_t* source =
        zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
    ASSERT_NE(source, nullptr);
    const zip_flags_t encoding = entry.cp437 ? ZIP_FL_ENC_CP437 : ZIP_FL_ENC_UTF_8;
    const zip_int64_t index =
        zip_file_add(archive, entry.name.c_str(), source, encoding | ZIP_FL_OVERWRITE);
    ASSERT_GE(index, 0) << entry.name << ": " << zip_strerror(archive);
    const auto i = static_cast<zip_uint64_t>(index);
    ASSERT_EQ(
        zip_set_file_compression(archive, i, entry.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0), 0);
    if (entry.symlink || entry.unixMode != 0) {
      const zip_uint32_t mode = entry.symlink ? S_IFLNK | 0777 : S_IFREG | entry.unixMode;
      ASSERT_EQ(zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_UNIX, mode << 16), 0);
    }
    if (entry.fatHost) {
      ASSERT_EQ(zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_DOS, 0), 0);
    }
    if (entry.password.empty()) {
      ASSERT_EQ(zip_file_set_dostime(archive, i, kDosTime, kDosDate, 0), 0);
    } else {
      // Encrypted entries keep their own time: libzip 1.7.3 derives the password
      // check byte from it even after the time was changed.
      ASSERT_EQ(zip_file_set_encryption(archive, i, ZIP_EM_TRAD_PKWARE, entry.password.c_str()), 0)
          << zip_strerror(archive);
    }
  }
  ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

void DamageBytes(const std::string& path, const std::string& text) {
  std::string bytes = ReadFileText(path);
  const size_t at = bytes.find(text);
  ASSERT_NE(at, std::string::npos) << text << " not in " << path;
  ASSERT_EQ(bytes.find(text, at + 1), std::string::npos) << text << " twice in " << path;
  bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
  WriteFileText(path, bytes);
}

void WriteSelfExtracting(const std::string& path, const std::string& zipPath) {
  const std::string program = ReadFileText("/bin/true");
  ASSERT_FALSE(program.empty());
  WriteFileText(path, program + ReadFileText(zipPath));
}

}  // namespace tessaly::testing
