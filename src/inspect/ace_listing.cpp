#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/ace/ace_flags.h"
#include "engine/ace/ace_messages.h"
#include "engine/entry_messages.h"
#include "engine/name_encoding_choice.h"
#include "engine/session.h"
#include "inspect/archive_listings.h"
#include "platform/folder_listing.h"
#include "unace.h"

namespace tessaly {

namespace {

std::string AceEntryName(const ACEHeaderData& header) {
  const std::string whole(header.FileNameW, strnlen(header.FileNameW, sizeof header.FileNameW));
  if (!whole.empty()) return whole;
  return std::string(header.FileName, strnlen(header.FileName, sizeof header.FileName));
}

void ShowListingError(Session& session, const std::string& text) {
  session.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
}

// The message for a skip result that ends the listing, or "" when the walk goes on.
std::string SkipResultMessage(int result, const std::string& volume) {
  if (result == ACE_READ_ERROR) return DriveReadErrorText(volume);
  if (result == ACE_BAD_DATA) return "CRC error in " + volume + ". Operation aborted.";
  return "";
}

}  // namespace

ListingResult ListAceArchive(Session& session, const std::string& archivePath) {
  ContentsModel& contents = session.contents;
  contents.Clear();
  const size_t slash = archivePath.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : archivePath.substr(0, slash + 1);
  const std::string name = archivePath.substr(folder.size());
  // set.ace finds set.c00, set.c01 ... and any other file named set.<something>.
  const std::string pattern = name.substr(0, name.size() < 3 ? 0 : name.size() - 3) + "*";

  uint64_t listedBytes = 0;
  bool firstMatch = true;
  auto header = std::make_unique<ACEHeaderData>();
  for (const std::string& match : FilesMatching(folder, pattern)) {
    const std::string volume = folder + match;
    ACEOpenArchiveData open{};
    open.ArcName = volume.c_str();
    open.OpenMode = ACE_OM_LIST;
    HANDLE handle = ACEOpenArchive(&open);
    const bool examined = firstMatch;
    firstMatch = false;
    if (open.OpenResult == ACE_OPEN_NOT_ACE) {
      if (handle != nullptr) ACECloseArchive(handle);
      continue;
    }
    if (examined &&
        (open.OpenResult == ACE_OPEN_NO_MEMORY || open.OpenResult == ACE_OPEN_BROKEN_MAIN_HEADER)) {
      if (handle != nullptr) ACECloseArchive(handle);
      ShowListingError(session, AceOpenResultMessage(open.OpenResult));
      return ListingResult::Aborted;
    }
    if (handle == nullptr) continue;
    ACESetNameEncoding(handle, NameEncodingToRead(session).c_str());
    while (ACEReadHeader(handle, header.get()) == ACE_SUCCESS) {
      session.job.namesReadIn = ACEGetNameEncoding(handle);
      const std::string message =
          SkipResultMessage(ACEProcessFile(handle, ACE_SKIP, nullptr), volume);
      if (!message.empty()) {
        ACECloseArchive(handle);
        ShowListingError(session, message);
        return ListingResult::Aborted;
      }
      // A part continued from an earlier volume was listed there.
      if (!AceEntryCounted(header->Flags)) continue;
      contents.InsertRowAtTop(ListingRow(AceEntryName(*header), AceEntryEncrypted(header->Flags),
                                         header->UnpSize64, header->PackSize64));
      listedBytes += header->UnpSize64;
    }
    ACECloseArchive(handle);
  }
  contents.totals = ListingTotals(contents.FileCount(), listedBytes);
  return ListingResult::Listed;
}

}  // namespace tessaly
