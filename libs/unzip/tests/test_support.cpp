#include "test_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace unzip::test {

fs::path corpus_file(const std::string& name) {
  const fs::path path = fs::path(TESSALY_CORPUS_DIR) / "zip" / name;
  if (!fs::is_regular_file(path)) ADD_FAILURE() << "no corpus file at " << path;
  return path;
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "unzip-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  // Tests take rights away from the folder; it must go all the same.
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string read_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void write_text(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::vector<unsigned char> text_bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::string as_text(const std::vector<unsigned char>& bytes) {
  return {bytes.begin(), bytes.end()};
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

uint32_t crc32_of(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

int run_in(const fs::path& folder, const std::string& command) {
  const std::string full = "cd '" + folder.string() + "' && " + command + " >/dev/null 2>&1";
  return std::system(full.c_str());
}

void write_zip(const fs::path& path, const std::vector<Entry>& entries,
               const std::string& archive_comment) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(archive, nullptr) << error;
  for (const Entry& entry : entries) {
    zip_int64_t index = -1;
    const bool folder = !entry.name.empty() && entry.name.back() == '/';
    if (folder) {
      index = zip_dir_add(archive, entry.name.substr(0, entry.name.size() - 1).c_str(),
                          ZIP_FL_ENC_UTF_8);
    } else {
      zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
      index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
      zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), entry.method, 0);
    }
    ASSERT_GE(index, 0) << entry.name << ": " << zip_strerror(archive);
    const auto at = static_cast<zip_uint64_t>(index);
    const uint32_t mode = folder && entry.unix_mode == 0100644 ? 040755 : entry.unix_mode;
    zip_file_set_external_attributes(archive, at, 0, static_cast<zip_uint8_t>(entry.opsys),
                                     entry.opsys == ZIP_OPSYS_UNIX ? mode << 16 : 0);
    if (entry.encryption != ZIP_EM_NONE) {
      ASSERT_EQ(zip_file_set_encryption(archive, at, entry.encryption, entry.password.c_str()), 0)
          << zip_strerror(archive);
    }
    if (entry.mtime != 0) zip_file_set_mtime(archive, at, entry.mtime, 0);
  }
  if (!archive_comment.empty())
    zip_set_archive_comment(archive, archive_comment.data(),
                            static_cast<zip_uint16_t>(archive_comment.size()));
  ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

namespace {

// The fields local and central headers share, from the version needed on.
void put_common(std::vector<unsigned char>& out, const RawEntry& e) {
  put_le(out, 20, 2);          // version needed
  put_le(out, 0, 2 + 2);       // flags, method
  put_le(out, 0x5A2C6000, 4);  // 2025-01-12 12:00:00
  put_le(out, e.crc, 4);
  put_le(out, static_cast<uint32_t>(e.stored.size()), 4);
  put_le(out, static_cast<uint32_t>(e.stored.size()), 4);
  put_le(out, static_cast<uint32_t>(e.name.size()), 2);
  put_le(out, static_cast<uint32_t>(e.extra.size()), 2);
}

}  // namespace

void write_raw_zip(const fs::path& path, const std::vector<RawEntry>& entries,
                   const std::string& archive_comment) {
  std::vector<unsigned char> out;
  std::vector<unsigned char> central;
  for (const RawEntry& e : entries) {
    const auto local_offset = static_cast<uint32_t>(out.size());
    put_le(out, 0x04034b50, 4);
    put_common(out, e);
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.insert(out.end(), e.extra.begin(), e.extra.end());
    out.insert(out.end(), e.stored.begin(), e.stored.end());

    put_le(central, 0x02014b50, 4);
    put_le(central, 20, 2);  // made by
    put_common(central, e);
    put_le(central, 0, 2 + 2 + 2 + 4);  // comment, disk, attributes
    put_le(central, local_offset, 4);
    central.insert(central.end(), e.name.begin(), e.name.end());
    central.insert(central.end(), e.extra.begin(), e.extra.end());
  }
  const auto central_offset = static_cast<uint32_t>(out.size());
  out.insert(out.end(), central.begin(), central.end());
  put_le(out, 0x06054b50, 4);
  put_le(out, 0, 4);  // this disk, the directory's disk
  put_le(out, static_cast<uint32_t>(entries.size()), 2);
  put_le(out, static_cast<uint32_t>(entries.size()), 2);
  put_le(out, static_cast<uint32_t>(central.size()), 4);
  put_le(out, central_offset, 4);
  put_le(out, static_cast<uint32_t>(archive_comment.size()), 2);
  out.insert(out.end(), archive_comment.begin(), archive_comment.end());
  write_bytes(path, out);
}

void put_le(std::vector<unsigned char>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i, value >>= 8) out.push_back(static_cast<unsigned char>(value));
}

RawEntry stored_entry(std::string name, const std::vector<unsigned char>& data) {
  RawEntry entry;
  entry.name = std::move(name);
  entry.stored = data;
  entry.crc = crc32_of(as_text(data));
  return entry;
}

std::vector<unsigned char> extra_field(uint16_t id, const std::vector<unsigned char>& data) {
  std::vector<unsigned char> field;
  put_le(field, id, 2);
  put_le(field, static_cast<uint32_t>(data.size()), 2);
  field.insert(field.end(), data.begin(), data.end());
  return field;
}

namespace {

uint16_t read16(const std::string& bytes, std::size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                               static_cast<unsigned char>(bytes[at + 1]) << 8);
}

void write16(std::string& bytes, std::size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

// Offset of an entry's local header, found by its name.
std::size_t local_header_at(const std::string& bytes, const std::string& name) {
  const std::string signature("PK\x03\x04", 4);
  for (std::size_t at = bytes.find(signature); at != std::string::npos;
       at = bytes.find(signature, at + 1)) {
    if (bytes.compare(at + 30, name.size(), name) == 0) return at;
  }
  ADD_FAILURE() << "no local header for " << name;
  return 0;
}

}  // namespace

std::size_t data_at(const fs::path& path, const std::string& name) {
  const std::string bytes = read_text(path);
  const std::size_t header = local_header_at(bytes, name);
  return header + 30 + read16(bytes, header + 26) + read16(bytes, header + 28);
}

void overwrite_byte(const fs::path& path, std::size_t at, unsigned char value) {
  std::string bytes = read_text(path);
  bytes.at(at) = static_cast<char>(value);
  write_text(path, bytes);
}

void replace_bytes(const fs::path& path, const std::string& from, const std::string& to) {
  ASSERT_EQ(from.size(), to.size());
  std::string bytes = read_text(path);
  for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1))
    bytes.replace(at, from.size(), to);
  write_text(path, bytes);
}

void set_method(const fs::path& path, const std::string& name, uint16_t method) {
  std::string bytes = read_text(path);
  write16(bytes, local_header_at(bytes, name) + 8, method);
  const std::string signature("PK\x01\x02", 4);
  for (std::size_t at = bytes.find(signature); at != std::string::npos;
       at = bytes.find(signature, at + 1)) {
    if (bytes.compare(at + 46, name.size(), name) == 0) write16(bytes, at + 10, method);
  }
  write_text(path, bytes);
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
  return result;
}

const EntryInfo* find_entry(const ZipArchive& archive, const std::string& name) {
  for (const EntryInfo& entry : archive.entries()) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

std::unique_ptr<ZipArchive> open_ok(const fs::path& path, OpenResult& result) {
  auto archive = ZipArchive::open(path.string(), result);
  EXPECT_EQ(result.status, OpenStatus::Ok) << path;
  EXPECT_NE(archive, nullptr) << path;
  return archive;
}

std::string Recorder::joined() const {
  std::string all;
  for (const std::string& chunk : chunks) all += chunk;
  return all;
}

thread_local Recorder* current_recorder = nullptr;

int32_t record_print(char* buffer, uint32_t length) {
  EXPECT_EQ(buffer[length], '\0');
  current_recorder->chunks.emplace_back(buffer, length);
  current_recorder->events.push_back("chunk");
  return 0;
}

int32_t record_replace(char* buffer, uint32_t size, uint64_t, int64_t) {
  Recorder& r = *current_recorder;
  r.replace_questions.push_back({buffer, size});
  r.events.push_back("replace");
  if (r.replace_answers.empty()) {
    ADD_FAILURE() << "unexpected replace question for " << buffer;
    return 100;
  }
  const ReplaceAnswer answer = r.replace_answers.front();
  r.replace_answers.pop_front();
  if (answer.code == 105) std::snprintf(buffer, size, "%s", answer.rename.c_str());
  return answer.code;
}

namespace {

void record_sound() {
  ++current_recorder->sounds;
  current_recorder->events.push_back("sound");
}

int32_t record_password(char* buffer, int32_t size, const char* prompt, const char* name) {
  Recorder& r = *current_recorder;
  r.password_questions.push_back({size, prompt, name});
  r.events.push_back("password");
  if (r.password_answers.empty()) {
    ADD_FAILURE() << "unexpected password question for " << name;
    return 1;
  }
  const PasswordAnswer answer = r.password_answers.front();
  r.password_answers.pop_front();
  if (answer.code == 0) std::snprintf(buffer, static_cast<size_t>(size), "%s", answer.text.c_str());
  return answer.code;
}

int32_t record_service(const char* name, uint64_t size) {
  Recorder& r = *current_recorder;
  r.service_calls.push_back({name, size});
  r.events.push_back("service");
  return (r.stop_at_service_call != 0 && r.service_calls.size() == r.stop_at_service_call) ? 1 : 0;
}

}  // namespace

namespace {

// Four workers unless the run asks for another count: ctest runs every test a second
// time with one, the caller's thread alone.
int32_t threads_for_tests() {
  const char* asked = std::getenv("TESSALY_TEST_ZIP_THREADS");
  return asked ? std::atoi(asked) : 4;
}

}  // namespace

Call::Call() {
  options.ndflag = 1;
  options.Threads = threads_for_tests();
  functions.print = record_print;
  functions.sound = record_sound;
  functions.replace = record_replace;
  functions.password = record_password;
  functions.ServCallBk = record_service;
}

int32_t Call::run(Recorder& recorder) {
  options.lpszZipFN = zip.c_str();
  options.lpszExtractDir = folder.c_str();
  std::vector<char*> include_pointers, exclude_pointers;
  for (std::string& p : includes) include_pointers.push_back(p.data());
  for (std::string& p : excludes) exclude_pointers.push_back(p.data());
  current_recorder = &recorder;
  const int32_t code = Wiz_SingleEntryUnzip(
      static_cast<int32_t>(include_pointers.size()),
      include_pointers.empty() ? nullptr : include_pointers.data(),
      static_cast<int32_t>(exclude_pointers.size()),
      exclude_pointers.empty() ? nullptr : exclude_pointers.data(), &options, &functions);
  current_recorder = nullptr;
  return code;
}

void WizTest::SetUp() {
  base_.emplace();
  previous_ = fs::current_path();
  fs::current_path(base_->path());
}

void WizTest::TearDown() {
  fs::current_path(previous_);
  base_.reset();
}

std::string pad(const std::string& text, std::size_t width) {
  return text + std::string(text.size() < width ? width - text.size() : 0, ' ');
}

}  // namespace unzip::test
