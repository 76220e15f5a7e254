// Data for the writer tests: deterministic text, random bytes and copies from far
// back, a temporary folder, and reading files back.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace writer_data {

namespace fs = std::filesystem;

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  uint64_t below(uint64_t n) { return next() % n; }

 private:
  uint64_t state_;
};

inline std::string RandomBytes(uint64_t seed, size_t size) {
  Random random(seed);
  std::string out(size, '\0');
  for (char& byte : out) byte = static_cast<char>(random.next() >> 32);
  return out;
}

// Log lines: many short and long repeats at all distances.
inline std::string LogText(uint64_t seed, size_t size) {
  static const char* const kWords[] = {"request", "worker", "processed", "cache", "miss",
                                       "upload",  "retry",  "archive",   "entry", "folder"};
  Random random(seed);
  std::string out;
  char line[160];
  while (out.size() < size) {
    const int length = std::snprintf(line, sizeof line, "%06llu %s %s id=%llu\n",
                                     static_cast<unsigned long long>(random.below(1000000)),
                                     kWords[random.below(10)], kWords[random.below(10)],
                                     static_cast<unsigned long long>(random.below(1u << 20)));
    out.append(line, static_cast<size_t>(length));
  }
  out.resize(size);
  return out;
}

// Random runs that recur about distance bytes later.
inline std::string FarCopies(uint64_t seed, size_t size, size_t distance) {
  Random random(seed);
  std::string out = RandomBytes(seed + 1, distance);
  while (out.size() < size) {
    const size_t from = out.size() - distance + random.below(distance / 4);
    const size_t length = 100 + random.below(2000);
    for (size_t i = 0; i < length; ++i) out += out[from + i];
    out += RandomBytes(random.next(), 50 + random.below(500));
  }
  out.resize(size);
  return out;
}

// Text, zeros and noise in short turns, so blocks mix literals and all match kinds.
inline std::string Interleaved(uint64_t seed, size_t size) {
  Random random(seed);
  std::string out;
  while (out.size() < size) {
    switch (random.below(3)) {
      case 0:
        out += LogText(random.next(), 200 + random.below(3000));
        break;
      case 1:
        out.append(random.below(600), static_cast<char>(random.below(3)));
        break;
      default:
        out += RandomBytes(random.next(), random.below(300));
    }
  }
  out.resize(size);
  return out;
}

inline std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "ace-writer-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

}  // namespace writer_data
