#include "support/zip_fixtures.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <zip.h>

#include <cstring>

namespace tessaly::testing {

// Every entry is stamped 2024-03-07 09:05, so listings are the same everywhere.
constexpr zip_uint16_t kDosDate = ((2024 - 1980) << 9) | (3 << 5) | 7;
constexpr zip_uint16_t kDosTime = (9 << 11) | (5 << 5);

void WriteZip(const std::string& path, const std::vector<ZipTestEntry>& entries) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr) << "zip_open " << path << ": " << error;
  for (const ZipTestEntry& entry : entries) {
    if (!entry.name.empty() && entry.name.back() == '/') {
      ASSERT_GE(zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_UTF_8), 0) << entry.name;
      continue;
    }
    zip_source_t* source =
        zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
    ASSERT_NE(source, nullptr);
    const zip_int64_t index =
        zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    ASSERT_GE(index, 0) << entry.name << ": " << zip_strerror(archive);
    const auto i = static_cast<zip_uint64_t>(index);
    ASSERT_EQ(
        zip_set_file_compression(archive, i, entry.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0), 0);
    if (entry.symlink || entry.unixMode != 0) {
      const zip_uint32_t mode = entry.symlink ? S_IFLNK | 0777 : S_IFREG | entry.unixMode;
      ASSERT_EQ(zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_UNIX, mode << 16), 0);
    }
    if (entry.password.empty()) {
      ASSERT_EQ(zip_file_set_dostime(archive, i, kDosTime, kDosDate, 0), 0);
    } else {
      // Encrypted entries keep their own time: libzip 1.7.3 derives the password
      // check byte from it even after the time was changed.
      const zip_uint16_t method = entry.aes ? ZIP_EM_AES_256 : ZIP_EM_TRAD_PKWARE;
      ASSERT_EQ(zip_file_set_encryption(archive, i, method, entry.password.c_str()), 0)
          << zip_strerror(archive);
    }
  }
  ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

namespace {

// The AES check: the last two bytes the password derives from the entry's salt
// (PBKDF2-HMAC-SHA1, 1000 rounds) against the two stored after the salt.
bool AesRefuses(zip_t* archive, zip_uint64_t index, const std::string& password) {
  constexpr int kSaltSize = 16;  // AES-256
  constexpr int kDerivedSize = 2 * 32 + 2;
  zip_file_t* raw = zip_fopen_index(archive, index, ZIP_FL_COMPRESSED | ZIP_FL_ENCRYPTED);
  if (raw == nullptr) return false;
  unsigned char start[kSaltSize + 2];
  const zip_int64_t got = zip_fread(raw, start, sizeof start);
  zip_fclose(raw);
  if (got != static_cast<zip_int64_t>(sizeof start)) return false;
  unsigned char derived[kDerivedSize];
  if (PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), start, kSaltSize,
                             1000, kDerivedSize, derived) != 1) {
    return false;
  }
  return std::memcmp(derived + kDerivedSize - 2, start + kSaltSize, 2) != 0;
}

// The traditional check is libzip's own.
bool TraditionalRefuses(zip_t* archive, zip_uint64_t index, const std::string& password) {
  zip_file_t* file = zip_fopen_index_encrypted(archive, index, 0, password.c_str());
  if (file != nullptr) {
    zip_fclose(file);
    return false;
  }
  const bool refused = zip_error_code_zip(zip_get_error(archive)) == ZIP_ER_WRONGPASSWD;
  zip_error_clear(archive);
  return refused;
}

bool EveryEntryRefuses(const std::string& path, const std::vector<ZipTestEntry>& entries,
                       const std::vector<std::string>& wrong) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (archive == nullptr) return false;
  bool refused = true;
  for (const ZipTestEntry& entry : entries) {
    if (entry.password.empty()) continue;
    const zip_int64_t index = zip_name_locate(archive, entry.name.c_str(), 0);
    const auto i = static_cast<zip_uint64_t>(index);
    for (const std::string& password : wrong) {
      refused =
          refused && index >= 0 &&
          (entry.aes ? AesRefuses(archive, i, password) : TraditionalRefuses(archive, i, password));
    }
  }
  zip_discard(archive);
  return refused;
}

}  // namespace

void WriteZipRefusing(const std::string& path, const std::vector<ZipTestEntry>& entries,
                      const std::vector<std::string>& wrong) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    WriteZip(path, entries);
    if (::testing::Test::HasFatalFailure() || EveryEntryRefuses(path, entries, wrong)) return;
  }
  FAIL() << path << " lets a wrong password through every time";
}

void DamageBytes(const std::string& path, const std::string& text) {
  std::string bytes = ReadFileText(path);
  const size_t at = bytes.find(text);
  ASSERT_NE(at, std::string::npos) << text << " not in " << path;
  ASSERT_EQ(bytes.find(text, at + 1), std::string::npos) << text << " twice in " << path;
  bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
  WriteFileText(path, bytes);
}

}  // namespace tessaly::testing
