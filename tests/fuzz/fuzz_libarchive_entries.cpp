// Any bytes through the libarchive backend's reader and entry loop into a fresh
// folder, every question answered "replace": it never crashes, hangs or reads out of
// bounds, and writes nothing outside that folder.
#include <stdlib.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/libarchive/libarchive_entries.h"
#include "engine/libarchive/libarchive_reader.h"

namespace {

class ReplaceEverything final : public tessaly::EntryEvents {
 public:
  bool Wanted(const std::string&) override { return true; }
  void EntryStarted(const std::string&) override {}
  tessaly::ExistingFile FileExists(const std::string&, const std::string&,
                                   const tessaly::IncomingFile&) override {
    return tessaly::ExistingFile::Replace;
  }
  void Skipped(tessaly::SkippedEntry, const std::string&) override {}
  void SpecialFilesSkipped(int64_t, const std::string&) override {}
  // A small input may expand without end: the loop stops after 64 MiB read.
  bool Progress(uint64_t bytesRead) override { return bytesRead < (64u << 20); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char folder[] = "/tmp/fuzz-libarchive-XXXXXX";
  if (mkdtemp(folder) == nullptr) return 0;
  const std::string destination = std::string(folder) + "/out/";
  mkdir(destination.c_str(), 0700);
  {
    tessaly::LibarchiveReader reader;
    if (reader.OpenMemory(data, size, "fuzz.tar.gz")) {
      ReplaceEverything events;
      tessaly::ExtractEntries(reader, destination, false, 1, events);
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
