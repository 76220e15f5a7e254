#include <cstring>
#include <memory>
#include <string>

#include "engine/extraction_prompts.h"
#include "engine/name_encoding_choice.h"
#include "engine/rar/rar_backend.h"
#include "engine/session.h"
#include "inspect/archive_listings.h"
#include "unrar.h"

namespace tessaly {

namespace {

// The whole stored name: the record's own field cuts a long one.
std::string RarEntryName(const RARHeaderData& header) {
  const std::string whole(header.FileNameW, strnlen(header.FileNameW, sizeof header.FileNameW));
  if (!whole.empty()) return whole;
  return std::string(header.FileName, strnlen(header.FileName, sizeof header.FileName));
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ShowListingError(Session& session, const char* text) {
  session.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
}

}  // namespace

ListingResult ListRarArchive(Session& session, const std::string& archivePath) {
  ContentsModel& contents = session.contents;
  contents.Clear();
  RAROpenArchiveData open{};
  open.ArcName = archivePath.c_str();
  open.OpenMode = RAR_OM_LIST;
  // An archive that cannot be opened yields no header: an empty list with its totals.
  HANDLE handle = RAROpenArchive(&open);
  uint64_t listedBytes = 0;
  if (handle != nullptr) {
    const std::string nameEncoding = NameEncodingToRead(session);
    RARSetNameEncoding(handle, nameEncoding.c_str());
    // The record is large (two names of 4 KiB and more): keep it off the stack.
    auto header = std::make_unique<RARHeaderData>();
    // Once the user agreed, the listing goes on past a damaged header.
    const auto readNext = [&] {
      int next = RARReadHeader(handle, header.get());
      while (next == ERAR_BAD_ARCHIVE &&
             AgreeToScanDamaged(session, archivePath, kDamagedRarHeaderCause) &&
             RARSkipDamagedBlock(handle) != ERAR_BAD_ARCHIVE) {
        next = RARReadHeader(handle, header.get());
      }
      return next;
    };
    int read = readNext();
    if (read == ERAR_MISSING_PASSWORD) {
      // Encrypted headers: nothing can be listed before the password, asked as
      // extraction asks it.
      std::string password = AskPassword(session, FileNameOf(archivePath));
      if (password.empty()) {
        RARCloseArchive(handle);
        ShowListingError(session, kNoPasswordText);
        return ListingResult::Aborted;
      }
      RARSetPassword(handle, password.data());
      read = RARReadHeader(handle, header.get());
      if (read == ERAR_BAD_DATA || read == ERAR_BAD_PASSWORD) {
        RARCloseArchive(handle);
        ShowListingError(session, kWrongPasswordText);
        return ListingResult::Aborted;
      }
    }
    for (; read == ERAR_SUCCESS; read = readNext()) {
      const int processed = RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
      if (header->Flags == RHDF_DIRECTORY_FLAGS) continue;
      if (processed == ERAR_EOPEN) {
        RARCloseArchive(handle);
        return ListingResult::MissingVolume;
      }
      // Encrypted whatever its volume bits: a split entry needs the password too.
      const bool marked = (header->Flags & RHDF_ENCRYPTED) != 0;
      contents.InsertRowAtTop(
          ListingRow(RarEntryName(*header), marked, header->UnpSize64, header->PackSize64));
      listedBytes += header->UnpSize64;
    }
    session.job.namesReadIn = RARGetNameEncoding(handle);
    RARCloseArchive(handle);
  }
  contents.totals = ListingTotals(contents.FileCount(), listedBytes);
  return ListingResult::Listed;
}

}  // namespace tessaly
