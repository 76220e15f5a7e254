// Archives the ordinary fixtures cannot make: tens of thousands of entries, one entry
// beyond 4 GiB, names that leave the destination, symbolic links, DOS code-page names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::testing {

struct OddEntry {
  enum class Kind { File, Symlink };
  std::string name;     // stored bytes, unchecked ("../x", "/abs", CP437 bytes)
  std::string content;  // a link's target for Kind::Symlink
  Kind kind = Kind::File;
  bool cp437 = false;  // the name is stored without the UTF-8 flag
  bool deflate = false;
};

// Stored entries d<k>/f<n>.txt, 1000 to a folder, each holding "<n>\n"; a failure
// fails the test.
void WriteManyEntriesZip(const std::string& path, int count);
// The path of entry n of such an archive, relative to the destination.
std::string ManyEntriesName(int n);

// One entry of `size` zero bytes ending in `tail`, deflated at level 1, read from a
// sparse file so neither side holds it in memory. Returns the stored CRC-32.
uint32_t WriteLargeEntryZip(const std::string& path, const std::string& name, uint64_t size,
                            const std::string& tail);

void WriteOddZip(const std::string& path, const std::vector<OddEntry>& entries);

// CRC-32 and length of a file, read in pieces.
struct FileDigest {
  uint64_t size = 0;
  uint32_t crc = 0;
};
FileDigest DigestOf(const std::string& path);

}  // namespace tessaly::testing
