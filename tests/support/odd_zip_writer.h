// Archives too large to hold in memory: tens of thousands of entries, one entry beyond
// 4 GiB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::testing {

// Stored entries d<k>/f<n>.txt, 1000 to a folder, each holding "<n>\n"; a failure
// fails the test.
void WriteManyEntriesZip(const std::string& path, int count);
// The path of entry n of such an archive, relative to the destination.
std::string ManyEntriesName(int n);

// One entry of `size` zero bytes ending in `tail`, deflated at level 1, read from a
// sparse file so neither side holds it in memory. Returns the stored CRC-32.
uint32_t WriteLargeEntryZip(const std::string& path, const std::string& name, uint64_t size,
                            const std::string& tail);

// CRC-32 and length of a file, read in pieces.
struct FileDigest {
  uint64_t size = 0;
  uint32_t crc = 0;
};
FileDigest DigestOf(const std::string& path);

}  // namespace tessaly::testing
