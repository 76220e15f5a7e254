// Helpers shared by the archive-layer tests: corpus paths, temporary folders,
// fixtures written with libzip or the zip command, and decoding a whole entry.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "zip_archive.h"

namespace unzip::test {

std::filesystem::path corpus_file(const std::string& name);

#define SKIP_WITHOUT_CORPUS()                                             \
  do {                                                                    \
    if (!std::filesystem::is_directory(::unzip::test::corpus_file(""))) { \
      GTEST_SKIP() << "corpus folder missing";                            \
    }                                                                     \
  } while (0)

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::vector<unsigned char> read_bytes(const std::filesystem::path& path);
void write_bytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> text_bytes(const std::string& text);
// Deterministic bytes that compress a little but not to nothing.
std::vector<unsigned char> sample_bytes(std::size_t size, uint32_t seed = 1);

// Runs a shell command in folder; returns its exit status.
int run_in(const std::filesystem::path& folder, const std::string& command);

struct LibzipEntry {
  LibzipEntry(std::string entry_name, std::vector<unsigned char> bytes,
              int32_t compression = ZIP_CM_DEFAULT, uint16_t cipher = ZIP_EM_NONE,
              std::string secret = {})
      : name(std::move(entry_name)),
        data(std::move(bytes)),
        method(compression),
        encryption(cipher),
        password(std::move(secret)) {}
  std::string name;
  std::vector<unsigned char> data;
  int32_t method;
  uint16_t encryption;
  std::string password;
};
// Writes an archive with libzip's own writer.
void write_with_libzip(const std::filesystem::path& path, const std::vector<LibzipEntry>& entries);

// One entry for the hand-made writer: every header field under the test's control.
struct RawEntry {
  std::string name;                   // bytes as stored
  std::vector<unsigned char> stored;  // the entry's data bytes as stored
  uint32_t uncompressed_size = 0;
  uint32_t crc = 0;
  uint16_t method = 0;
  uint16_t flags = 0;
  uint16_t version_made_by = 20;  // host in the high byte
  uint16_t version_needed = 20;
  uint32_t dos_datetime = 0x5A2C6000;  // 2025-01-12 12:00:00
  uint32_t external_attributes = 0;
  std::vector<unsigned char> extra;                  // written to local and central headers
  std::optional<uint32_t> recorded_compressed_size;  // instead of stored.size()
};
void write_raw_zip(const std::filesystem::path& path, const std::vector<RawEntry>& entries,
                   const std::string& archive_comment = {});
// A stored entry with the right CRC and size.
RawEntry stored_entry(std::string name, const std::vector<unsigned char>& data);
std::vector<unsigned char> extra_field(uint16_t id, const std::vector<unsigned char>& data);

// Offset of the first entry's data in an archive whose first entry starts at 0.
std::size_t first_data_offset(const std::vector<unsigned char>& archive);

struct Decoded {
  ReadStatus open_status = ReadStatus::Ok;
  ReadStatus read_status = ReadStatus::Ok;  // status of the failing read, or Ok
  ReadStatus finish_status = ReadStatus::Ok;
  std::vector<unsigned char> data;
  uint32_t crc = 0;
  ReadStatus outcome() const;  // the first status that is not Ok
};
Decoded decode(ZipArchive& archive, const EntryInfo& entry, const std::string& password = "");

const EntryInfo* find_entry(const ZipArchive& archive, const std::string& name);
uint32_t crc_of(const std::vector<unsigned char>& data);

std::unique_ptr<ZipArchive> open_ok(const std::filesystem::path& path, OpenResult& result);

}  // namespace unzip::test
