#include "engine/ace/ace_messages.h"

#include "engine/entry_messages.h"
#include "engine/extraction_prompts.h"
#include "unace.h"

namespace tessaly {

namespace {

// Success as well: the library's "done, with a remark".
constexpr int kAceDoneWithRemark = 11;
// The wrong-password answer of the original library.
constexpr int kAceBadPassword = 131;

constexpr const char* kMissingVolume =
    "Tessaly could not complete the extract operation because this ACE set is missing one or "
    "more of its volumes. If this archive set is located on seperate floppy disks, please copy "
    "all of the volumes to a single folder on your harddrive and extract them from there, as "
    "Tessaly does not presently support archive sets which contain volumes which are not "
    "located in the same folder.";

constexpr const char* kUnknownError =
    "There was an unknown error encountered during the extraction process. Tessaly does not "
    "currently support Ace version 2 compression. Operation Aborting.";

}  // namespace

std::string AceOpenResultMessage(unsigned int openResult) {
  switch (openResult) {
    case ACE_OPEN_NO_MEMORY:
      return "Not enough memory to allocate decompression structures. Aborting.";
    case ACE_OPEN_BROKEN_MAIN_HEADER:
      return "Main header of archive broken. Aborting.";
    case ACE_OPEN_NOT_ACE:
      return "This file is not a valid Ace archive.";
    default:
      return "";
  }
}

std::string AceResultMessage(int code, const std::string& entryName, const std::string& archiveName,
                             bool passwordAsked) {
  switch (code) {
    case ACE_SUCCESS:
    case kAceDoneWithRemark:
      return "";
    case ACE_VOLUME_MISSING:
      return kMissingVolume;
    case ACE_DISK_FULL:
      return DiskFullText(entryName);
    case ACE_READ_ERROR:
      return DriveReadErrorText(archiveName);
    case ACE_BAD_DATA:
      if (passwordAsked) return kWrongPasswordText;
      return CrcErrorText(archiveName);
    case kAceBadPassword:
      return kWrongPasswordText;
    default:
      return kUnknownError;
  }
}

}  // namespace tessaly
