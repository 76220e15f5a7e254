// libFuzzer target: the input is written to a file, opened as an archive, listed
// and every entry tested (on 1 or 4 threads), looking past damaged headers. Any crash, leak, hang
// or out-of-bounds access is a fault.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "unrar.h"

namespace {

constexpr int kMostHeaders = 10000;

const std::string& input_path() {
  static const std::string path = [] {
    char pattern[] = "/tmp/fuzz_unrar_XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) std::abort();
    close(fd);
    return std::string(pattern);
  }();
  return path;
}

void run(unsigned mode, int operation, int threads) {
  char comment[1024];
  RAROpenArchiveData open{};
  open.ArcName = input_path().c_str();
  open.OpenMode = mode;
  open.CmtBuf = comment;
  open.CmtBufSize = sizeof comment;
  HANDLE handle = RAROpenArchive(&open);
  if (!handle) return;
  // With a password, encrypted entries of every cipher reach their decoders too.
  char password[] = "password";
  if (mode == RAR_OM_EXTRACT) RARSetPassword(handle, password);
  RARSetThreads(handle, threads);
  RARHeaderData header{};
  for (int count = 0; count < kMostHeaders; ++count) {
    const int read = RARReadHeader(handle, &header);
    // Extracting looks past a damaged header for the next sound one.
    if (read == ERAR_BAD_ARCHIVE && mode == RAR_OM_EXTRACT &&
        RARSkipDamagedBlock(handle) == ERAR_SUCCESS) {
      continue;
    }
    if (read != ERAR_SUCCESS) break;
    RARProcessFile(handle, operation, nullptr, nullptr);
  }
  RARCloseArchive(handle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* file = std::fopen(input_path().c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  run(RAR_OM_LIST, RAR_SKIP, 1);
  // Every other input is tested with entries decoded ahead on workers.
  run(RAR_OM_EXTRACT, RAR_TEST, size % 2 == 0 ? 1 : 4);
  return 0;
}
