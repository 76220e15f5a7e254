#include <cstdint>
#include <string>

#include "inspect/archive_listings.h"
#include "platform/folder_listing.h"

namespace tessaly {

ContentsRow ListingRow(const std::string& storedName, bool encrypted, uint64_t unpackedSize,
                       uint64_t packedSize) {
  ContentsRow row;
  const std::string folder = NameRow(row, storedName, encrypted);
  row.subItems = {std::to_string(unpackedSize), std::to_string(packedSize), folder, "", ""};
  return row;
}

ContentsRow DatedListingRow(const std::string& storedName, bool encrypted, int64_t modified,
                            uint64_t size) {
  ContentsRow row = ListingRow(storedName, encrypted, 0, size);
  row.subItems[0] = FormatFileDate(modified);
  row.modified = modified;
  return row;
}

std::string ListingTotals(size_t fileCount, uint64_t unpackedBytes) {
  return "Total Files: " + std::to_string(fileCount) +
         "  Total Uncompressed Size: " + std::to_string(unpackedBytes);
}

}  // namespace tessaly
