#include "archive_test_util.h"

#include <zip.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "zip_crc32.h"

namespace unzip::test {

std::filesystem::path corpus_file(const std::string& name) {
  return std::filesystem::path(TESSALY_CORPUS_DIR) / "zip" / name;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "unzip-archive-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<unsigned char> read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> text_bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::vector<unsigned char> sample_bytes(std::size_t size, uint32_t seed) {
  std::vector<unsigned char> bytes(size);
  uint32_t state = seed;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    // Few distinct values so every compressor finds something to do.
    bytes[i] = static_cast<unsigned char>('a' + ((state >> 16) % 8));
  }
  return bytes;
}

int run_in(const std::filesystem::path& folder, const std::string& command) {
  const std::string full = "cd '" + folder.string() + "' && " + command + " >/dev/null 2>&1";
  return std::system(full.c_str());
}

void write_with_libzip(const std::filesystem::path& path, const std::vector<LibzipEntry>& entries) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr) << "zip_open " << error;
  for (const LibzipEntry& entry : entries) {
    zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
    ASSERT_NE(source, nullptr);
    const zip_int64_t index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(index, 0) << zip_strerror(archive);
    const auto at = static_cast<zip_uint64_t>(index);
    ASSERT_EQ(zip_set_file_compression(archive, at, entry.method, 0), 0) << zip_strerror(archive);
    if (entry.encryption != 0) {
      ASSERT_EQ(zip_file_set_encryption(archive, at, entry.encryption, entry.password.c_str()), 0)
          << zip_strerror(archive);
    }
  }
  ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

ReadStatus Decoded::outcome() const {
  for (ReadStatus status : {open_status, read_status, finish_status}) {
    if (status != ReadStatus::Ok) return status;
  }
  return ReadStatus::Ok;
}

Decoded decode(ZipArchive& archive, const EntryInfo& entry, const std::string& password) {
  Decoded result;
  auto reader = archive.open_entry(entry, password, result.open_status);
  if (!reader) {
    EXPECT_NE(result.open_status, ReadStatus::Ok) << "no reader but status Ok";
    return result;
  }
  unsigned char buffer[7000];  // odd size so block boundaries fall anywhere
  for (;;) {
    const long long count = reader->read(buffer, sizeof buffer);
    if (count < 0) {
      result.read_status = reader->status();
      EXPECT_NE(result.read_status, ReadStatus::Ok) << "read failed but status Ok";
      return result;
    }
    if (count == 0) break;
    result.data.insert(result.data.end(), buffer, buffer + count);
  }
  result.finish_status = reader->finish();
  result.crc = reader->computed_crc();
  return result;
}

const EntryInfo* find_entry(const ZipArchive& archive, const std::string& name) {
  for (const EntryInfo& entry : archive.entries()) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

uint32_t crc_of(const std::vector<unsigned char>& data) {
  return crc32_update(0, data.data(), data.size());
}

std::unique_ptr<ZipArchive> open_ok(const std::filesystem::path& path, OpenResult& result) {
  auto archive = ZipArchive::open(path.string(), result);
  EXPECT_EQ(result.status, OpenStatus::Ok) << path;
  EXPECT_NE(archive, nullptr) << path;
  return archive;
}

}  // namespace unzip::test
