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

namespace {

void put16(std::vector<unsigned char>& out, uint32_t value) {
  out.push_back(static_cast<unsigned char>(value));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

void put32(std::vector<unsigned char>& out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

void put_bytes(std::vector<unsigned char>& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

void write_raw_zip(const std::filesystem::path& path, const std::vector<RawEntry>& entries,
                   const std::string& archive_comment) {
  std::vector<unsigned char> out;
  std::vector<unsigned char> central;
  for (const RawEntry& e : entries) {
    const uint32_t compressed_size =
        e.recorded_compressed_size.value_or(static_cast<uint32_t>(e.stored.size()));
    const auto local_offset = static_cast<uint32_t>(out.size());
    put32(out, 0x04034b50);
    put16(out, e.version_needed);
    put16(out, e.flags);
    put16(out, e.method);
    put32(out, e.dos_datetime);
    put32(out, e.crc);
    put32(out, compressed_size);
    put32(out, e.uncompressed_size);
    put16(out, static_cast<uint32_t>(e.name.size()));
    put16(out, static_cast<uint32_t>(e.extra.size()));
    put_bytes(out, e.name);
    out.insert(out.end(), e.extra.begin(), e.extra.end());
    out.insert(out.end(), e.stored.begin(), e.stored.end());

    put32(central, 0x02014b50);
    put16(central, e.version_made_by);
    put16(central, e.version_needed);
    put16(central, e.flags);
    put16(central, e.method);
    put32(central, e.dos_datetime);
    put32(central, e.crc);
    put32(central, compressed_size);
    put32(central, e.uncompressed_size);
    put16(central, static_cast<uint32_t>(e.name.size()));
    put16(central, static_cast<uint32_t>(e.extra.size()));
    put16(central, 0);  // comment
    put16(central, 0);  // disk
    put16(central, 0);  // internal attributes
    put32(central, e.external_attributes);
    put32(central, local_offset);
    put_bytes(central, e.name);
    central.insert(central.end(), e.extra.begin(), e.extra.end());
  }
  const auto central_offset = static_cast<uint32_t>(out.size());
  out.insert(out.end(), central.begin(), central.end());
  put32(out, 0x06054b50);
  put16(out, 0);
  put16(out, 0);
  put16(out, static_cast<uint32_t>(entries.size()));
  put16(out, static_cast<uint32_t>(entries.size()));
  put32(out, static_cast<uint32_t>(central.size()));
  put32(out, central_offset);
  put16(out, static_cast<uint32_t>(archive_comment.size()));
  put_bytes(out, archive_comment);
  write_bytes(path, out);
}

RawEntry stored_entry(std::string name, const std::vector<unsigned char>& data) {
  RawEntry entry;
  entry.name = std::move(name);
  entry.stored = data;
  entry.uncompressed_size = static_cast<uint32_t>(data.size());
  entry.crc = crc_of(data);
  return entry;
}

std::vector<unsigned char> extra_field(uint16_t id, const std::vector<unsigned char>& data) {
  std::vector<unsigned char> field;
  put16(field, id);
  put16(field, static_cast<uint32_t>(data.size()));
  field.insert(field.end(), data.begin(), data.end());
  return field;
}

std::size_t first_data_offset(const std::vector<unsigned char>& archive) {
  const std::size_t name_length = archive.at(26) | (archive.at(27) << 8);
  const std::size_t extra_length = archive.at(28) | (archive.at(29) << 8);
  return 30 + name_length + extra_length;
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
