// libFuzzer target for the whole call: the input is the archive; it is listed, then
// extracted into a fresh folder (scanning the local headers when the directory is
// damaged) with callbacks that answer every question. The same
// input is also the data of a one-entry archive whose method is one of our own
// decoders (shrink, reduce, implode, deflate64), so their streams get fuzzed
// without the archive structure in the way.
// Build with clang (the target exists only then) and run on the ZIP corpus:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTESSALY_SANITIZE=ON -DTESSALY_TESTS=OFF
//   cmake --build build-fuzz --target fuzz_unzip
//   mkdir -p fuzz-work
//   build-fuzz/libs/unzip/fuzz_unzip -max_total_time=60 fuzz-work tests/corpus/zip
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "unzip.h"

namespace {

int32_t ignore_text(char*, uint32_t) {
  return 0;
}
void no_sound() {}
int32_t overwrite(char*, uint32_t, uint64_t, int64_t) {
  return 102;
}
void ignore_entry(uint64_t, uint64_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                  char, const char*, const char*, uint32_t, char) {}
int32_t go_on(const char*, uint64_t) {
  return 0;
}

// A password first, "no password" when asked again: both paths run, and the answers
// depend only on the input, so every finding reproduces.
int32_t answer_password(char* buffer, int32_t size, const char* prompt, const char*) {
  if (std::strcmp(prompt, "Enter password for: ") != 0) return 1;
  std::snprintf(buffer, static_cast<size_t>(size), "%s", "password");
  return 0;
}

void run_call(const std::string& zip, const std::string& folder, int32_t list) {
  DCL options{};
  options.ndflag = 1;
  options.noflag = 1;
  options.nvflag = list;
  // Extracting reads a damaged directory's entries from their local headers.
  options.ScanLocalHeaders = list ? 0 : 1;
  options.lpszZipFN = zip.c_str();
  options.lpszExtractDir = folder.c_str();
  USERFUNCTIONS functions{};
  functions.print = ignore_text;
  functions.sound = no_sound;
  functions.replace = overwrite;
  functions.password = answer_password;
  functions.SendApplicationMessage = ignore_entry;
  functions.ServCallBk = go_on;
  Wiz_SingleEntryUnzip(0, nullptr, 0, nullptr, &options, &functions);
}

constexpr uint16_t kOwnDecoderMethods[] = {1, 2, 3, 4, 5, 6, 9};
constexpr std::size_t kEntryHeader = 4;

void put16(std::vector<unsigned char>& out, uint32_t value) {
  out.push_back(static_cast<unsigned char>(value));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

void put32(std::vector<unsigned char>& out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

// A ZIP whose one entry holds data as its compressed stream. The input's first
// bytes choose the method, the general-purpose bits 1-2 (implode's variants) and
// the announced size (up to 64 KiB, so each run stays short).
std::vector<unsigned char> one_entry_archive(const uint8_t* data, size_t size) {
  const uint16_t method = kOwnDecoderMethods[data[0] % std::size(kOwnDecoderMethods)];
  const uint16_t flags = data[1] & 6;
  const uint32_t uncompressed = data[2] | (data[3] << 8);
  const std::string name = "e";
  const auto compressed = static_cast<uint32_t>(size - kEntryHeader);
  std::vector<unsigned char> out;
  put32(out, 0x04034b50);
  put16(out, 20);
  put16(out, flags);
  put16(out, method);
  put32(out, 0);  // time and date
  put32(out, 0);  // CRC: wrong for nearly every input, which the call reports
  put32(out, compressed);
  put32(out, uncompressed);
  put16(out, static_cast<uint32_t>(name.size()));
  put16(out, 0);
  out.insert(out.end(), name.begin(), name.end());
  out.insert(out.end(), data + kEntryHeader, data + size);
  const auto central = static_cast<uint32_t>(out.size());
  put32(out, 0x02014b50);
  put16(out, 20);
  put16(out, 20);
  put16(out, flags);
  put16(out, method);
  put32(out, 0);
  put32(out, 0);
  put32(out, compressed);
  put32(out, uncompressed);
  put16(out, static_cast<uint32_t>(name.size()));
  for (int i = 0; i < 4; ++i) put16(out, 0);  // extra, comment, disk, internal attributes
  put32(out, 0);                              // external attributes
  put32(out, 0);                              // local header offset
  out.insert(out.end(), name.begin(), name.end());
  const auto central_size = static_cast<uint32_t>(out.size()) - central;
  put32(out, 0x06054b50);
  put32(out, 0);
  put16(out, 1);
  put16(out, 1);
  put32(out, central_size);
  put32(out, central);
  put16(out, 0);
  return out;
}

bool write_file(const std::string& path, const unsigned char* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  std::string base_pattern = (fs::temp_directory_path() / "fuzz-unzip-XXXXXX").string();
  if (!mkdtemp(base_pattern.data())) return 0;
  const fs::path base = base_pattern;
  const std::string zip = (base / "input.zip").string();
  if (write_file(zip, data, size)) {
    run_call(zip, "", 1);
    run_call(zip, (base / "out").string(), 0);
  }
  if (size >= kEntryHeader) {
    const std::vector<unsigned char> archive = one_entry_archive(data, size);
    const std::string own = (base / "own-method.zip").string();
    if (write_file(own, archive.data(), archive.size())) {
      run_call(own, (base / "own-out").string(), 0);
    }
  }
  std::error_code ignored;
  fs::remove_all(base, ignored);  // never follows links
  return 0;
}
