// What the library's tests share: temporary folders, whole-file reads and writes,
// archives written with libzip, the zip command or byte by byte, corpus files,
// decoding a whole entry, and a recorder behind the call's plain C callbacks.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "unzip.h"
#include "zip_archive.h"

namespace unzip::test {

namespace fs = std::filesystem;

// A file of the corpus; a missing one fails the calling test, naming it.
fs::path corpus_file(const std::string& name);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

std::string read_text(const fs::path& path);
void write_text(const fs::path& path, const std::string& text);
std::vector<unsigned char> text_bytes(const std::string& text);
std::string as_text(const std::vector<unsigned char>& bytes);
inline std::vector<unsigned char> read_bytes(const fs::path& path) {
  return text_bytes(read_text(path));
}
inline void write_bytes(const fs::path& path, const std::vector<unsigned char>& bytes) {
  write_text(path, as_text(bytes));
}
// Deterministic bytes that compress a little but not to nothing.
std::vector<unsigned char> sample_bytes(std::size_t size, uint32_t seed = 1);
// CRC-32 computed here, apart from the library's own.
uint32_t crc32_of(const std::string& data);

// Runs a shell command in folder, its output dropped; returns its exit status.
int run_in(const fs::path& folder, const std::string& command);

// One entry written with libzip's C API; the setters cover the odd cases.
struct Entry {
  Entry(std::string entry_name, std::string bytes = {}, int32_t compression = ZIP_CM_STORE)
      : name(std::move(entry_name)), data(std::move(bytes)), method(compression) {}
  Entry& host(int system) {
    opsys = system;
    return *this;
  }
  Entry& mode(uint32_t unix_mode_bits) {
    unix_mode = unix_mode_bits;
    return *this;
  }
  Entry& encrypt(uint16_t cipher, std::string secret) {
    encryption = cipher;
    password = std::move(secret);
    return *this;
  }
  Entry& time(time_t when) {
    mtime = when;
    return *this;
  }

  std::string name;
  std::string data;
  int32_t method;
  int opsys = ZIP_OPSYS_UNIX;
  uint32_t unix_mode = 0100644;
  uint16_t encryption = ZIP_EM_NONE;
  std::string password;
  time_t mtime = 0;  // 0 = libzip's default
};
void write_zip(const fs::path& path, const std::vector<Entry>& entries,
               const std::string& archive_comment = {});

// One stored entry for the hand-made writer, with fields libzip would not write.
struct RawEntry {
  std::string name;                   // bytes as stored
  std::vector<unsigned char> stored;  // the entry's data bytes
  uint32_t crc = 0;
  std::vector<unsigned char> extra;  // written to local and central headers
};
void write_raw_zip(const fs::path& path, const std::vector<RawEntry>& entries,
                   const std::string& archive_comment = {});
// A stored entry with the right CRC and size.
RawEntry stored_entry(std::string name, const std::vector<unsigned char>& data);
std::vector<unsigned char> extra_field(uint16_t id, const std::vector<unsigned char>& data);
// Appends value as a little-endian field of the given width in bytes.
void put_le(std::vector<unsigned char>& out, uint64_t value, int bytes);

// Byte surgery on archives written by the tests.
// Offset of the first byte of an entry's data, its local header found by its name.
std::size_t data_at(const fs::path& path, const std::string& name);
void overwrite_byte(const fs::path& path, std::size_t at, unsigned char value);
// Replaces every occurrence of from by to (same length): names libzip refuses to write.
void replace_bytes(const fs::path& path, const std::string& from, const std::string& to);
// Rewrites the method field of an entry in both headers (to stand for methods no
// tool here writes).
void set_method(const fs::path& path, const std::string& name, uint16_t method);

struct Decoded {
  ReadStatus open_status = ReadStatus::Ok;
  ReadStatus read_status = ReadStatus::Ok;  // status of the failing read, or Ok
  ReadStatus finish_status = ReadStatus::Ok;
  std::vector<unsigned char> data;
  ReadStatus outcome() const;  // the first status that is not Ok
};
Decoded decode(ZipArchive& archive, const EntryInfo& entry, const std::string& password = "");
const EntryInfo* find_entry(const ZipArchive& archive, const std::string& name);
std::unique_ptr<ZipArchive> open_ok(const fs::path& path, OpenResult& result);

// The call, Wiz_SingleEntryUnzip, with every callback recording.
struct PasswordQuestion {
  int32_t size;
  std::string prompt;
  std::string name;
};

struct ReplaceQuestion {
  std::string path;
  uint32_t size;
};

struct ServiceCall {
  std::string name;
  uint64_t size;
  bool operator==(const ServiceCall&) const = default;
};

struct PasswordAnswer {
  int32_t code;
  std::string text;
};

struct ReplaceAnswer {
  int32_t code;
  std::string rename;  // written into the buffer for 105
};

// Everything the callbacks saw during one call, and what they answer.
struct Recorder {
  std::vector<std::string> chunks;
  std::vector<PasswordQuestion> password_questions;
  std::deque<PasswordAnswer> password_answers;
  std::vector<ReplaceQuestion> replace_questions;
  std::deque<ReplaceAnswer> replace_answers;
  std::vector<ServiceCall> service_calls;
  int sounds = 0;
  // Service answer for the n-th call (1-based); 0 = never stop.
  std::size_t stop_at_service_call = 0;
  std::vector<std::string> events;  // "chunk", "sound", "service", "password", "replace"

  std::string joined() const;
};

// The recorder the callbacks write to while a call runs.
extern thread_local Recorder* current_recorder;
int32_t record_print(char* buffer, uint32_t length);
int32_t record_replace(char* buffer, uint32_t size);

// One call with every callback recording; the records start as the caller fills them.
struct Call {
  DCL options{};
  USERFUNCTIONS functions{};
  std::vector<std::string> includes;
  std::vector<std::string> excludes;
  std::string zip;
  std::string folder;

  Call();
  int32_t run(Recorder& recorder);
};

// A fresh folder that is also the current folder, so chunks show short relative paths.
class WizTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // One call extracting zip into "out", recorded by recorder_.
  int32_t extract(const std::string& zip) {
    call_.zip = zip;
    call_.folder = "out";
    return call_.run(recorder_);
  }
  // The same for the entries, written to n.zip first.
  int32_t extract(const std::vector<Entry>& entries) {
    write_zip("n.zip", entries);
    return extract("n.zip");
  }

  Call call_;
  Recorder recorder_;

 private:
  std::optional<TempDir> base_;
  fs::path previous_;
};

// "%-22s" as the chunks use it.
std::string pad(const std::string& text, std::size_t width = 22);
// The chunk that opens a stored or deflated entry's line.
inline std::string extracting(const std::string& path) {
  return " extracting: " + pad(path) + "  ";
}
inline std::string inflating(const std::string& path) {
  return "  inflating: " + pad(path) + "  ";
}
// The line that says why an entry is not extracted.
inline std::string skipping(const std::string& name, const std::string& why) {
  return "   skipping: " + pad(name) + "  " + why + "\n";
}
inline std::vector<std::string> chunks(std::initializer_list<std::string> list) {
  return list;
}

}  // namespace unzip::test
