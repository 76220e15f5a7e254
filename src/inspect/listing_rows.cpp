#include <cstdint>
#include <string>

#include "inspect/archive_listings.h"
#include "platform/file_icons.h"

namespace tessaly {

ContentsRow ListingRow(const std::string& storedName, bool encrypted, uint64_t unpackedSize,
                       uint64_t packedSize) {
  const size_t slash = storedName.rfind('/');
  const std::string fileName =
      slash == std::string::npos ? storedName : storedName.substr(slash + 1);
  ContentsRow row;
  row.text = fileName + (encrypted ? "+" : "");
  row.iconKey = FileIconKey(fileName);
  row.subItems = {std::to_string(unpackedSize), std::to_string(packedSize),
                  slash == std::string::npos ? "" : storedName.substr(0, slash + 1), "", ""};
  row.storedName = storedName;
  return row;
}

std::string ListingTotals(size_t fileCount, uint64_t unpackedBytes) {
  return "Total Files: " + std::to_string(fileCount) +
         "  Total Uncompressed Size: " + std::to_string(unpackedBytes);
}

}  // namespace tessaly
