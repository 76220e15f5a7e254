// libFuzzer target: the input as an archive (its signature header's CRCs made to match,
// or the header parser would see almost nothing) with a password; every entry tested,
// then every other one, so that skipped substreams of a solid folder are passed over;
// the first walk decodes on worker threads, the second on the caller's.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "un7z.h"

namespace {

void match_header_crcs(std::vector<uint8_t>& archive) {
  if (archive.size() < 32 || archive[0] != '7' || archive[1] != 'z') return;
  uint64_t offset = 0, size = 0;  // little-endian, as the machines fuzzing are
  std::memcpy(&offset, &archive[12], 8);
  std::memcpy(&size, &archive[20], 8);
  if (offset <= archive.size() - 32 && size <= archive.size() - 32 - offset) {
    const uint32_t crc = static_cast<uint32_t>(crc32_z(0, &archive[32 + offset], size));
    std::memcpy(&archive[28], &crc, 4);
  }
  const uint32_t crc = static_cast<uint32_t>(crc32_z(0, &archive[12], 20));
  std::memcpy(&archive[8], &crc, 4);
}

void walk(const std::string& path, unsigned stride, int threads) {
  const auto password = [](char* out, int size) { return std::snprintf(out, size, "password"); };
  Un7zOpenArchiveData data{path.c_str(), UN7Z_OM_EXTRACT, 0, password};
  HANDLE handle = Un7zOpenArchive(&data);
  if (!handle) return;
  Un7zSetThreads(handle, threads);
  Un7zHeaderData header{};
  for (unsigned index = 0; Un7zReadHeader(handle, &header) == UN7Z_SUCCESS; ++index) {
    Un7zProcessFile(handle, index % stride == 0 ? UN7Z_TEST : UN7Z_SKIP, nullptr);
  }
  Un7zCloseArchive(handle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char path[] = "/tmp/fuzz_un7z_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return 0;
  std::vector<uint8_t> archive(data, data + size);
  match_header_crcs(archive);
  const bool written = write(fd, archive.data(), size) == static_cast<ssize_t>(size);
  close(fd);
  if (written) {
    walk(path, 1, 4);
    walk(path, 2, 1);
  }
  unlink(path);
  return 0;
}
