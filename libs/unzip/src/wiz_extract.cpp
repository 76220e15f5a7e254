#include "wiz_extract.h"

#include <vector>

#include "unzip.h"
#include "wiz_entry_writer.h"
#include "wiz_messages.h"
#include "wiz_names.h"
#include "wiz_output.h"
#include "wiz_password.h"
#include "wiz_replace.h"

namespace unzip {

namespace {

constexpr uint16_t kStrongEncryptionFlag = 0x40;

void report_unsupported(CallState& call, const EntryInfo& entry) {
  // Strong encryption is a matter of version, whatever the method field says.
  if (entry.flags & kStrongEncryptionFlag) {
    call.printer.say_verbose(chunk::skip_version(display_name(entry), entry.version_needed));
  } else {
    call.printer.say_verbose(
        chunk::skip_unsupported_method(display_name(entry), entry.real_method));
  }
}

// Folder creation and name checks; true when the entry goes on to be written.
bool prepare_target(CallState& call, const EntryInfo& entry, MappedName& target) {
  switch (target.kind) {
    case MappedName::Kind::Nothing:
      return false;
    case MappedName::Kind::Unsafe:
      call.printer.say(chunk::skip_unsafe(display_name(entry)));
      call.codes.raise(PK_ERR);
      return false;
    case MappedName::Kind::Folder:
      if (make_folders(call, target.relative, display_name(entry)) == FolderResult::Created)
        call.printer.say_verbose(chunk::creating(call.output_path(target.relative) + "/"));
      return false;
    case MappedName::Kind::File:
      break;
  }
  const std::size_t slash = target.relative.rfind('/');
  if (slash != std::string::npos &&
      make_folders(call, std::string_view(target.relative).substr(0, slash), display_name(entry)) ==
          FolderResult::Failed)
    return false;
  return decide_existing(call, entry, target) == ReplaceDecision::Write;
}

EntryEnd process_entry(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                       ExtractTally& tally) {
  std::string password;
  if (entry.encrypted) {
    const PasswordOutcome outcome = obtain_password(call, archive, entry, password);
    if (outcome == PasswordOutcome::Incorrect) ++tally.bad_password;
    if (outcome != PasswordOutcome::Ready) return EntryEnd::Next;
  }
  MappedName target = map_entry_name(call, entry);
  if (!prepare_target(call, entry, target)) return EntryEnd::Next;
  if (call.callbacks.sound) call.callbacks.sound();
  return write_entry(call, archive, entry, password, target.relative);
}

}  // namespace

int32_t extract_entries(CallState& call, ZipArchive& archive, Selection& selection) {
  ExtractTally tally;
  std::vector<const EntryInfo*> accepted;
  for (const EntryInfo& entry : archive.entries()) {
    if (!selection.selects(entry.name)) continue;
    // A damaged archive, not an entry to be written again and again.
    if (archive.overlaps_another(entry)) {
      call.printer.say(chunk::skip_overlapping(display_name(entry)));
      call.codes.raise(PK_BADERR);
      continue;
    }
    if (!archive.can_decode(entry)) {
      report_unsupported(call, entry);
      ++tally.skipped;
      continue;
    }
    accepted.push_back(&entry);
  }

  for (const EntryInfo* entry : accepted) {
    ++tally.processed;
    if (process_entry(call, archive, *entry, tally) == EntryEnd::Stop) return call.codes.worst();
  }

  const std::vector<std::string> unmatched = selection.unmatched_includes();
  for (const std::string& pattern : unmatched) call.printer.say(chunk::include_unmatched(pattern));
  for (const std::string& pattern : selection.unmatched_excludes())
    call.printer.say(chunk::exclude_unmatched(pattern));
  return final_extract_code(call.codes.worst(), tally, unmatched.size());
}

}  // namespace unzip
