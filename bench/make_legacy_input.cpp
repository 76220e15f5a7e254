// Writes the deflate64 benchmark's input: three files of 240 MiB together, from
// a fixed seed: log-like text, random bytes with copies 40-60 KiB back (which only a
// 64 KiB window finds), and plain random bytes.
//   make_legacy_input <folder>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_random.h"

namespace {

namespace fs = std::filesystem;

const char* const kWords[] = {"request", "worker", "processed", "cache",  "miss",   "hit",
                              "upload",  "retry",  "archive",   "entry",  "folder", "client",
                              "server",  "queue",  "flushed",   "opened", "closed", "token"};

std::vector<unsigned char> Text(Random& random, size_t size) {
  std::vector<unsigned char> out;
  out.reserve(size + 200);
  char line[200];
  uint64_t clock = 1700000000;
  while (out.size() < size) {
    clock += random.Below(5);
    int length = std::snprintf(line, sizeof line, "%llu [%05llu] %s %s %s id=%llu\n",
                               static_cast<unsigned long long>(clock),
                               static_cast<unsigned long long>(random.Below(40000)),
                               kWords[random.Below(std::size(kWords))],
                               kWords[random.Below(std::size(kWords))],
                               kWords[random.Below(std::size(kWords))],
                               static_cast<unsigned long long>(random.Below(1u << 30)));
    out.insert(out.end(), line, line + length);
  }
  out.resize(size);
  return out;
}

std::vector<unsigned char> RandomBytes(Random& random, size_t size) {
  std::vector<unsigned char> out(size);
  for (unsigned char& byte : out) byte = static_cast<unsigned char>(random.Next() >> 32);
  return out;
}

std::vector<unsigned char> FarCopies(Random& random, size_t size) {
  std::vector<unsigned char> out = RandomBytes(random, 65536);
  while (out.size() < size) {
    const size_t distance = 40000 + random.Below(20000);
    const size_t length = 1000 + random.Below(8000);
    for (size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
    const std::vector<unsigned char> fresh = RandomBytes(random, 500 + random.Below(4000));
    out.insert(out.end(), fresh.begin(), fresh.end());
  }
  out.resize(size);
  return out;
}

bool Write(const fs::path& path, const std::vector<unsigned char>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_legacy_input <folder>\n");
    return 2;
  }
  const fs::path folder = argv[1];
  fs::create_directories(folder);
  Random random(0x2545F4914F6CDD1Dull);
  constexpr size_t kMiB = 1024 * 1024;
  if (!Write(folder / "log.txt", Text(random, 128 * kMiB)) ||
      !Write(folder / "far-copies.bin", FarCopies(random, 72 * kMiB)) ||
      !Write(folder / "random.bin", RandomBytes(random, 40 * kMiB))) {
    std::perror("make_legacy_input");
    return 1;
  }
  return 0;
}
