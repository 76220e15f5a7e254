// Writes the benchmark's input tree: many small files and a few large ones, with
// text, random bytes and zeros, all from a fixed seed so every run zips the same data.
//   make_zip_input <folder>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_random.h"

namespace {

namespace fs = std::filesystem;

const char* const kWords[] = {
    "request", "worker",  "processed", "cache",   "miss",   "hit",     "upload", "session",
    "timeout", "retry",   "archive",   "entry",   "folder", "client",  "server", "queue",
    "flushed", "opened",  "closed",    "user",    "token",  "refresh", "index",  "segment",
    "merged",  "written", "skipped",   "checked", "failed", "ok",      "state",  "changed"};
const char* const kLevels[] = {"INFO", "DEBUG", "WARN", "INFO", "TRACE", "ERROR"};

// Log-like lines: compress a few times, as real text does, but not to nothing.
std::string TextBytes(Random& random, size_t size) {
  std::string out;
  out.reserve(size + 160);
  char line[160];
  while (out.size() < size) {
    int n = std::snprintf(line, sizeof line, "2026-%02d-%02d %02d:%02d:%02d.%03d %s worker-%d",
                          int(1 + random.Below(12)), int(1 + random.Below(28)),
                          int(random.Below(24)), int(random.Below(60)), int(random.Below(60)),
                          int(random.Below(1000)), kLevels[random.Below(6)], int(random.Below(64)));
    out.append(line, n);
    const int words = 4 + int(random.Below(9));
    for (int w = 0; w < words; ++w) {
      out += ' ';
      if (random.Below(4) == 0) {
        out += std::to_string(random.Below(100000));
      } else {
        out += kWords[random.Below(32) * random.Below(32) / 32];  // skewed like real text
      }
    }
    out += '\n';
  }
  out.resize(size);
  return out;
}

std::string RandomBytes(Random& random, size_t size) {
  std::string out(size, '\0');
  for (size_t i = 0; i < size; i += 8) {
    const uint64_t r = random.Next();
    for (size_t b = 0; b < 8 && i + b < size; ++b) out[i + b] = char(r >> (8 * b));
  }
  return out;
}

enum class Kind { Text, Random, Zeros };

std::string Bytes(Random& random, Kind kind, size_t size) {
  switch (kind) {
    case Kind::Text:
      return TextBytes(random, size);
    case Kind::Random:
      return RandomBytes(random, size);
    case Kind::Zeros:
      return std::string(size, '\0');
  }
  return {};
}

bool WriteChunks(Random& random, const fs::path& path, size_t size,
                 const std::vector<Kind>& kinds) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  constexpr size_t kChunk = 1 << 20;
  bool ok = true;
  for (size_t done = 0, i = 0; ok && done < size; done += kChunk, ++i) {
    const size_t n = std::min(kChunk, size - done);
    const std::string chunk = Bytes(random, kinds[i % kinds.size()], n);
    ok = std::fwrite(chunk.data(), 1, n, file) == n;
  }
  return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  Random random(0x9E3779B97F4A7C15ull);
  constexpr size_t kMiB = size_t(1) << 20;

  struct Large {
    const char* name;
    size_t size;
    std::vector<Kind> kinds;
  };
  const Large large[] = {
      {"large/random-1.bin", 96 * kMiB, {Kind::Random}},
      {"large/random-2.bin", 96 * kMiB, {Kind::Random}},
      {"large/zeros.img", 256 * kMiB, {Kind::Zeros}},
      {"large/server.log", 128 * kMiB, {Kind::Text}},
      {"large/mixed.dat", 48 * kMiB, {Kind::Random, Kind::Text, Kind::Zeros}},
  };
  fs::create_directories(root / "large");
  for (const Large& file : large) {
    if (!WriteChunks(random, root / file.name, file.size, file.kinds)) {
      std::perror(file.name);
      return 1;
    }
  }

  // Sizes spread evenly on a log scale from 100 bytes to 64 KiB.
  constexpr int kSmallFiles = 12000;
  constexpr int kFilesPerFolder = 200;
  const char* const extensions[] = {".txt", ".txt", ".txt", ".txt", ".txt", ".bin", ".bin", ".dat"};
  const Kind kinds[] = {Kind::Text, Kind::Text,   Kind::Text,   Kind::Text,
                        Kind::Text, Kind::Random, Kind::Random, Kind::Zeros};
  for (int i = 0; i < kSmallFiles; ++i) {
    const fs::path folder = root / "small" / ("d" + std::to_string(i / kFilesPerFolder));
    if (i % kFilesPerFolder == 0) fs::create_directories(folder);
    const double exponent = double(random.Below(1000)) / 1000.0;
    const size_t size = size_t(100.0 * std::pow(655.36, exponent));
    const int kind = int(random.Below(8));
    const fs::path path = folder / ("f" + std::to_string(i) + extensions[kind]);
    if (!WriteChunks(random, path, size, {kinds[kind]})) {
      std::perror(path.c_str());
      return 1;
    }
  }
  return 0;
}
