// What the Wiz_SingleEntryUnzip tests share: a recorder behind plain C callbacks,
// a call runner, and archives written with libzip or the zip command.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "unzip.h"

namespace unzip::wiztest {

namespace fs = std::filesystem;

struct PasswordQuestion {
  int32_t size;
  std::string prompt;
  std::string name;
};

struct ReplaceQuestion {
  std::string path;
  uint32_t size;
};

struct ListedEntry {
  uint64_t ucsize, csize;
  uint32_t factor, month, day, year, hour, minute;
  char case_flag;
  std::string name, method;
  uint32_t crc;
  char crypt;
};

struct ServiceCall {
  std::string name;
  uint64_t size;
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
  std::vector<ListedEntry> listed;
  std::vector<ServiceCall> service_calls;
  int sounds = 0;
  // Service answer for the n-th call (1-based); 0 = never stop.
  std::size_t stop_at_service_call = 0;
  std::vector<std::string> events;  // "chunk", "sound", "service", "password", "replace"

  std::string joined() const {
    std::string all;
    for (const std::string& chunk : chunks) all += chunk;
    return all;
  }
};

inline thread_local Recorder* current_recorder = nullptr;

inline int32_t record_print(char* buffer, uint32_t length) {
  EXPECT_EQ(buffer[length], '\0');
  current_recorder->chunks.emplace_back(buffer, length);
  current_recorder->events.push_back("chunk");
  return 0;
}

inline void record_sound() {
  ++current_recorder->sounds;
  current_recorder->events.push_back("sound");
}

inline int32_t record_replace(char* buffer, uint32_t size) {
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

inline int32_t record_password(char* buffer, int32_t size, const char* prompt, const char* name) {
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

inline void record_listing(uint64_t ucsize, uint64_t csize, uint32_t factor, uint32_t month,
                           uint32_t day, uint32_t year, uint32_t hour, uint32_t minute, char c,
                           const char* filename, const char* methbuf, uint32_t crc, char crypt) {
  current_recorder->listed.push_back(
      {ucsize, csize, factor, month, day, year, hour, minute, c, filename, methbuf, crc, crypt});
  current_recorder->events.push_back("list");
}

inline int32_t record_service(const char* name, uint64_t size) {
  Recorder& r = *current_recorder;
  r.service_calls.push_back({name, size});
  r.events.push_back("service");
  return (r.stop_at_service_call != 0 && r.service_calls.size() == r.stop_at_service_call) ? 1 : 0;
}

// One call with every callback recording; the records start as the caller fills them.
struct Call {
  DCL options{};
  USERFUNCTIONS functions{};
  std::vector<std::string> includes;
  std::vector<std::string> excludes;
  std::string zip;
  std::string folder;

  Call() {
    options.ndflag = 1;
    functions.print = record_print;
    functions.sound = record_sound;
    functions.replace = record_replace;
    functions.password = record_password;
    functions.SendApplicationMessage = record_listing;
    functions.ServCallBk = record_service;
  }

  int32_t run(Recorder& recorder) {
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
};

// A fresh folder that is also the current folder, so chunks show short relative paths.
class WizTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "wiz-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    base_ = pattern;
    previous_ = fs::current_path();
    fs::current_path(base_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::permissions(base_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(base_, ignored);
  }

  fs::path base_;
  fs::path previous_;
};

inline std::string read_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void write_text(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

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
  Entry& note(std::string text) {
    comment = std::move(text);
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
  std::string comment;
};

inline void write_zip(const fs::path& path, const std::vector<Entry>& entries,
                      const std::string& archive_comment = {}) {
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
    if (entry.encryption != ZIP_EM_NONE)
      zip_file_set_encryption(archive, at, entry.encryption, entry.password.c_str());
    if (entry.mtime != 0) zip_file_set_mtime(archive, at, entry.mtime, 0);
    if (!entry.comment.empty())
      zip_file_set_comment(archive, at, entry.comment.data(),
                           static_cast<zip_uint16_t>(entry.comment.size()), 0);
  }
  if (!archive_comment.empty())
    zip_set_archive_comment(archive, archive_comment.data(),
                            static_cast<zip_uint16_t>(archive_comment.size()));
  ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

// Runs a command through the shell in the current folder; its status.
inline int shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str());
}

// Flips one byte of the first occurrence of needle in the file.
inline void damage(const fs::path& path, const std::string& needle) {
  std::string bytes = read_text(path);
  const std::size_t at = bytes.find(needle);
  ASSERT_NE(at, std::string::npos) << needle;
  bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
  write_text(path, bytes);
}

// "%-22s" as the chunks use it.
inline std::string pad(const std::string& text, std::size_t width = 22) {
  return text + std::string(text.size() < width ? width - text.size() : 0, ' ');
}

inline std::vector<std::string> chunks(std::initializer_list<std::string> list) {
  return list;
}

}  // namespace unzip::wiztest

namespace unzip::wiztest {

inline uint32_t crc32_of(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// Offset of an entry's local header, found by its name.
inline std::size_t local_header_at(const std::string& bytes, const std::string& name) {
  const std::string signature("PK\x03\x04", 4);
  for (std::size_t at = bytes.find(signature); at != std::string::npos;
       at = bytes.find(signature, at + 1)) {
    if (bytes.compare(at + 30, name.size(), name) == 0) return at;
  }
  ADD_FAILURE() << "no local header for " << name;
  return 0;
}

inline uint16_t read16(const std::string& bytes, std::size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                               static_cast<unsigned char>(bytes[at + 1]) << 8);
}

inline void write16(std::string& bytes, std::size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

// Offset of the first byte of an entry's data.
inline std::size_t data_at(const fs::path& path, const std::string& name) {
  const std::string bytes = read_text(path);
  const std::size_t header = local_header_at(bytes, name);
  return header + 30 + read16(bytes, header + 26) + read16(bytes, header + 28);
}

inline void overwrite_byte(const fs::path& path, std::size_t at, unsigned char value) {
  std::string bytes = read_text(path);
  bytes[at] = static_cast<char>(value);
  write_text(path, bytes);
}

// Replaces every occurrence of from by to (same length): names libzip refuses to write.
inline void replace_bytes(const fs::path& path, const std::string& from, const std::string& to) {
  ASSERT_EQ(from.size(), to.size());
  std::string bytes = read_text(path);
  for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1))
    bytes.replace(at, from.size(), to);
  write_text(path, bytes);
}

// Rewrites the method field of an entry in both headers (to stand for methods no
// tool here writes).
inline void set_method(const fs::path& path, const std::string& name, uint16_t method) {
  std::string bytes = read_text(path);
  write16(bytes, local_header_at(bytes, name) + 8, method);
  const std::string signature("PK\x01\x02", 4);
  for (std::size_t at = bytes.find(signature); at != std::string::npos;
       at = bytes.find(signature, at + 1)) {
    if (bytes.compare(at + 46, name.size(), name) == 0) write16(bytes, at + 10, method);
  }
  write_text(path, bytes);
}

}  // namespace unzip::wiztest
