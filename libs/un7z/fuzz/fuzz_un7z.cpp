// libFuzzer target: the input as an archive file, with a password for its encrypted
// headers and data; every header read and every entry tested, then every other one
// (so that a solid folder's skipped substreams are decoded and passed over). The
// signature header's two CRCs are made to match first, or nearly every mutation
// would end at them and the header parser would never see it.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <zlib.h>

#include "un7z.h"

namespace {

int give_password(char* password, int size) {
  std::snprintf(password, static_cast<size_t>(size), "%s", "password");
  return 1;
}

uint64_t le64(const uint8_t* bytes) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

void put_le32(uint8_t* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

void match_header_crcs(std::vector<uint8_t>& archive) {
  if (archive.size() < 32 || archive[0] != '7' || archive[1] != 'z') return;
  const uint64_t offset = le64(&archive[12]), size = le64(&archive[20]);
  if (offset <= archive.size() - 32 && size <= archive.size() - 32 - offset) {
    put_le32(&archive[28], static_cast<uint32_t>(crc32_z(0, &archive[32 + offset], size)));
  }
  put_le32(&archive[8], static_cast<uint32_t>(crc32_z(0, &archive[12], 20)));
}

void walk(const std::string& path, unsigned stride) {
  Un7zOpenArchiveData data{path.c_str(), UN7Z_OM_EXTRACT, 0, give_password};
  HANDLE handle = Un7zOpenArchive(&data);
  if (!handle) return;
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
    walk(path, 1);
    walk(path, 2);
  }
  unlink(path);
  return 0;
}
