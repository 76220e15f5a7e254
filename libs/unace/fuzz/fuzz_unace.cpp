// libFuzzer target: the input as an archive file, opened in both modes; every
// header read and every entry tested, every other input with entries decoded ahead on
// 4 threads (extract mode also decodes the solid entries it skips).
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "unace.h"

namespace {

void walk(const std::string& path, unsigned mode, int operation, int threads) {
  ACEOpenArchiveData data{};
  data.ArcName = path.c_str();
  data.OpenMode = mode;
  HANDLE handle = ACEOpenArchive(&data);
  if (!handle) return;
  char password[] = "password";
  ACESetPassword(handle, password);
  ACESetThreads(handle, threads);
  ACEHeaderData header{};
  while (ACEReadHeader(handle, &header) == ACE_SUCCESS) {
    ACEProcessFile(handle, operation, nullptr);
  }
  ACECloseArchive(handle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char path[] = "/tmp/fuzz_unace_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return 0;
  const bool written = write(fd, data, size) == static_cast<ssize_t>(size);
  close(fd);
  if (written) {
    walk(path, ACE_OM_LIST, ACE_TEST, size % 2 == 0 ? 1 : 4);
    walk(path, ACE_OM_EXTRACT, ACE_SKIP, 1);
  }
  unlink(path);
  return 0;
}
