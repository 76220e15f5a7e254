// Archives too large to hold in memory (one entry beyond 4 GiB), and archives whose
// directory no archiver would write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::testing {

// One entry of `size` zero bytes ending in `tail`, deflated at level 1, read from a
// sparse file so neither side holds it in memory. Returns the stored CRC-32.
uint32_t WriteLargeEntryZip(const std::string& path, const std::string& name, uint64_t size,
                            const std::string& tail);

// A stored entry's local header and data, ready to be laid down as the archive's bytes.
std::string StoredLocalEntry(const std::string& name, const std::string& data);

// What one central-directory record says: a stored entry named name, holding data,
// whose local header is at offset.
struct CentralRecord {
  std::string name;
  uint32_t offset = 0;
  std::string data;
};

// The archive made of localPart followed by a central directory of records, which may
// point anywhere into localPart (also more than one at the same entry).
void WriteZipRecords(const std::string& path, const std::string& localPart,
                     const std::vector<CentralRecord>& records);

}  // namespace tessaly::testing
