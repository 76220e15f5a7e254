#include "zip_overlap.h"

#include <algorithm>
#include <numeric>

#include "zip_bytes.h"

namespace unzip {
namespace {

constexpr uint64_t kLocalHeaderSize = 30;

uint64_t saturating_add(uint64_t a, uint64_t b) {
  return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

uint64_t local_header_size(zip_source_t* bytes, uint64_t offset) {
  unsigned char header[kLocalHeaderSize];
  if (offset > static_cast<uint64_t>(INT64_MAX) ||
      zip_source_seek(bytes, static_cast<zip_int64_t>(offset), SEEK_SET) != 0 ||
      zip_source_read(bytes, header, sizeof header) != static_cast<zip_int64_t>(sizeof header) ||
      !has_signature(header, 3, 4)) {
    return kLocalHeaderSize;
  }
  return kLocalHeaderSize + read_le16(header + 26) + read_le16(header + 28);
}

}  // namespace

std::vector<bool> find_overlaps(const std::vector<StoredExtent>& extents) {
  std::vector<std::size_t> order(extents.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&extents](std::size_t a, std::size_t b) {
    return extents[a].start != extents[b].start ? extents[a].start < extents[b].start
                                                : extents[a].end < extents[b].end;
  });
  // In start order, an extent overlaps an earlier one exactly when it starts before
  // the farthest end so far; the extent reaching that far overlaps it too, and any
  // other earlier one it meets was marked when its own overlap was found.
  std::vector<bool> overlapping(extents.size(), false);
  bool any = false;
  std::size_t farthest = 0;
  for (const std::size_t index : order) {
    if (any && extents[index].start < extents[farthest].end) {
      overlapping[index] = true;
      overlapping[farthest] = true;
    }
    if (!any || extents[index].end > extents[farthest].end) farthest = index;
    any = true;
  }
  return overlapping;
}

std::vector<StoredExtent> stored_extents(zip_source_t* archive_bytes,
                                         const std::vector<EntryInfo>& entries) {
  std::vector<StoredExtent> extents;
  extents.reserve(entries.size());
  for (const EntryInfo& entry : entries) {
    const uint64_t header = local_header_size(archive_bytes, entry.local_offset);
    extents.push_back(
        {entry.local_offset,
         saturating_add(entry.local_offset, saturating_add(header, entry.compressed_size))});
  }
  return extents;
}

}  // namespace unzip
