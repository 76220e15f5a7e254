// libFuzzer target for the whole call: the input is the archive; it is listed, then
// extracted into a fresh folder with callbacks that answer every question.
// Build with clang (the target exists only then) and run on the ZIP corpus:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTESSALY_SANITIZE=ON -DTESSALY_TESTS=OFF
//   cmake --build build-fuzz --target fuzz_unzip
//   mkdir -p fuzz-work
//   build-fuzz/libs/unzip/fuzz_unzip -max_total_time=60 fuzz-work ../shared/corpus/zip
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "unzip.h"

namespace {

int32_t ignore_text(char*, uint32_t) {
  return 0;
}
void no_sound() {}
int32_t overwrite(char*, uint32_t) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  std::string base_pattern = (fs::temp_directory_path() / "fuzz-unzip-XXXXXX").string();
  if (!mkdtemp(base_pattern.data())) return 0;
  const fs::path base = base_pattern;
  const std::string zip = (base / "input.zip").string();
  if (FILE* file = std::fopen(zip.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    run_call(zip, "", 1);
    run_call(zip, (base / "out").string(), 0);
  }
  std::error_code ignored;
  fs::remove_all(base, ignored);  // never follows links
  return 0;
}
