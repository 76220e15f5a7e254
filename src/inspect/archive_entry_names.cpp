// Extract Here's look at an archive before it decides where its entries go.
#include "engine/arj/arj_batch.h"
#include "inspect/archive_listings.h"
#include "platform/files.h"

namespace tessaly {

std::vector<std::string> ArchiveEntryNames(Session& session, const std::string& archivePath) {
  const std::string type = ProbeArchiveForContents(session, archivePath);
  const ListingResult result =
      type.empty() ? ListingResult::Incomplete : ListArchive(session, type, archivePath);
  // The ARJ probe's listing has served (or belongs to a file no backend took).
  DeleteFile(session.settings.tempFolder + kArjListingName);
  std::vector<std::string> names;
  if (result != ListingResult::Listed) return names;
  for (const ContentsRow& row : session.contents.rows) names.push_back(row.storedName);
  return names;
}

}  // namespace tessaly
