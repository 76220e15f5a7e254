// ACE archives for tests: stored entries, LZ77 entries (with real matches) as ACE 1.0
// or ACE 2.0 compression types, folders, empty files, volume sets (name.ace, name.c00
// ...), a self-extracting prefix, and encrypted entries. Written from the format
// alone, so it checks the library's reading independently; only the cipher is the
// library's own (the corpus's encrypted archives check it). File headers carry 4 zero
// bytes after the name, which Debian's unace 1.2b needs to list them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tessaly::testing {

enum class AceMethod {
  Stored,
  Lz77,        // ACE 1.0 (type 1)
  BlockedLz77  // ACE 2.0 (type 2), no mode change
};

struct AceTestEntry {
  std::string name;  // "/" separated; stored with "\" as the format wants
  std::string data;
  bool folder = false;
  AceMethod method = AceMethod::Lz77;
  bool encrypted = false;  // with the archive's password
};

struct AceOptions {
  std::string password;
  bool solid = false;
  std::string sfxPrefix;  // bytes before the main header
  unsigned dictionaryBits = 15;
};

AceTestEntry AceFolder(const std::string& name);

// Writes one archive to path; a failure fails the test.
void WriteAce(const std::string& path, const std::vector<AceTestEntry>& entries,
              const AceOptions& options = {});

// Writes a volume set base.ace, base.c00, base.c01 ..., each volume holding at most
// volumeData bytes of packed data (entries are split across volumes where they do
// not fit). Returns the volume paths, first volume first.
std::vector<std::string> WriteAceVolumes(const std::string& base, size_t volumeData,
                                         const std::vector<AceTestEntry>& entries,
                                         const AceOptions& options = {});

}  // namespace tessaly::testing
