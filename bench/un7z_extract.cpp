// Extracts (or with --test, tests) a 7z archive through the 7z library's C API, every
// entry in turn, as the backend does: the library's side of bench/sevenzip_extract.sh.
//
//   un7z_extract [--threads N] [--test] ARCHIVE DESTINATION
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "un7z.h"

int main(int argc, char** argv) {
  int threads = 0;
  int operation = UN7Z_EXTRACT;
  int first = 1;
  if (argc > first + 1 && std::strcmp(argv[first], "--threads") == 0) {
    threads = std::atoi(argv[first + 1]);
    first += 2;
  }
  if (argc > first && std::strcmp(argv[first], "--test") == 0) {
    operation = UN7Z_TEST;
    ++first;
  }
  if (argc - first != 2) {
    std::fprintf(stderr, "usage: un7z_extract [--threads N] [--test] ARCHIVE DESTINATION\n");
    return 2;
  }
  Un7zOpenArchiveData open{argv[first], UN7Z_OM_EXTRACT, 0, nullptr};
  HANDLE archive = Un7zOpenArchive(&open);
  if (!archive) {
    std::fprintf(stderr, "%s: cannot open (code %u)\n", argv[first], open.OpenResult);
    return 1;
  }
  Un7zSetThreads(archive, threads);
  Un7zHeaderData header{};
  int failures = 0;
  while (Un7zReadHeader(archive, &header) == UN7Z_SUCCESS) {
    const int code = Un7zProcessFile(archive, operation, argv[first + 1]);
    if (code != UN7Z_SUCCESS) {
      std::fprintf(stderr, "%s: code %d\n", header.FileName, code);
      ++failures;
    }
  }
  Un7zCloseArchive(archive);
  return failures == 0 ? 0 : 1;
}
