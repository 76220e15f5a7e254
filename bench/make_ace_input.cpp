// Writes the ACE benchmark's archive: an ACE 1.0 archive (LZ77, 1 MiB dictionary, the
// largest Debian's unace reads) of 48 MiB from a fixed seed: log-like text, random
// bytes with copies up to 900 KiB back, plain random bytes, and 3,000 small text
// files in a folder.
//   make_ace_input <archive>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "bench_random.h"
#include "support/ace_packer.h"

namespace {

using tessaly::testing::AceCrc32;
using tessaly::testing::AceFileHeader;
using tessaly::testing::AceFileHeaderFields;
using tessaly::testing::AceMainHeader;
using tessaly::testing::AceMainHeaderFields;
using tessaly::testing::AcePack;

constexpr unsigned kDictionaryBits = 20;
constexpr size_t kMiB = 1024 * 1024;

const char* const kWords[] = {"request", "worker", "processed", "cache",  "miss",   "hit",
                              "upload",  "retry",  "archive",   "entry",  "folder", "client",
                              "server",  "queue",  "flushed",   "opened", "closed", "token"};

std::string Text(Random& random, size_t size) {
  std::string out;
  out.reserve(size + 200);
  char line[200];
  uint64_t clock = 1700000000;
  while (out.size() < size) {
    clock += random.Below(5);
    const int length = std::snprintf(line, sizeof line, "%llu [%05llu] %s %s %s id=%llu\n",
                                     static_cast<unsigned long long>(clock),
                                     static_cast<unsigned long long>(random.Below(40000)),
                                     kWords[random.Below(std::size(kWords))],
                                     kWords[random.Below(std::size(kWords))],
                                     kWords[random.Below(std::size(kWords))],
                                     static_cast<unsigned long long>(random.Below(1u << 30)));
    out.append(line, static_cast<size_t>(length));
  }
  out.resize(size);
  return out;
}

std::string RandomBytes(Random& random, size_t size) {
  std::string out(size, '\0');
  for (char& byte : out) byte = static_cast<char>(random.Next() >> 32);
  return out;
}

std::string FarCopies(Random& random, size_t size) {
  std::string out = RandomBytes(random, 1 << 16);
  while (out.size() < size) {
    const size_t distance = 1000 + random.Below(std::min<size_t>(out.size() - 1000, 900 * 1024));
    const size_t length = 100 + random.Below(4000);
    for (size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
    out += RandomBytes(random, 200 + random.Below(2000));
  }
  out.resize(size);
  return out;
}

bool Put(FILE* archive, const std::string& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), archive) == bytes.size();
}

bool PutEntry(FILE* archive, const std::string& name, const std::string& data) {
  AceFileHeaderFields fields;
  fields.name = name;
  fields.dictionaryBits = kDictionaryBits;
  fields.originalSize = static_cast<uint32_t>(data.size());
  fields.crc = AceCrc32(data);
  const std::string packed = AcePack(data, {}, kDictionaryBits);
  fields.packedSize = static_cast<uint32_t>(packed.size());
  return Put(archive, AceFileHeader(fields)) && Put(archive, packed);
}

bool PutFolder(FILE* archive, const std::string& name) {
  AceFileHeaderFields fields;
  fields.name = name;
  fields.attributes = 0x10;
  fields.dictionaryBits = kDictionaryBits;
  return Put(archive, AceFileHeader(fields));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_ace_input <archive>\n");
    return 2;
  }
  FILE* archive = std::fopen(argv[1], "wb");
  if (!archive) {
    std::perror(argv[1]);
    return 1;
  }
  Random random(0x9E3779B97F4A7C15ull);
  bool ok = Put(archive, AceMainHeader(AceMainHeaderFields{})) &&
            PutEntry(archive, "log.txt", Text(random, 24 * kMiB)) &&
            PutEntry(archive, "far-copies.bin", FarCopies(random, 12 * kMiB)) &&
            PutEntry(archive, "random.bin", RandomBytes(random, 4 * kMiB)) &&
            PutFolder(archive, "small");
  for (int i = 0; ok && i < 3000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "small\\%04d.txt", i);
    ok = PutEntry(archive, name, Text(random, 100 + random.Below(5500)));
  }
  if (std::fclose(archive) != 0 || !ok) {
    std::perror("make_ace_input");
    return 1;
  }
  return 0;
}
