#include "wiz_extract.h"

#include <memory>
#include <vector>

#include "unzip.h"
#include "wiz_entry_pool.h"
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

// Folder creation, name checks and what to do with a file already there.
ReplaceDecision prepare_target(CallState& call, const EntryInfo& entry, MappedName& target) {
  switch (target.kind) {
    case MappedName::Kind::Nothing:
      return ReplaceDecision::Skip;
    case MappedName::Kind::Unsafe:
      call.printer.say(chunk::skip_unsafe(display_name(entry)));
      call.codes.raise(PK_ERR);
      return ReplaceDecision::Skip;
    case MappedName::Kind::Folder:
      if (make_folders(call, target.relative, display_name(entry)) == FolderResult::Created)
        call.printer.say_verbose(chunk::creating(call.output_path(target.relative) + "/"));
      return ReplaceDecision::Skip;
    case MappedName::Kind::File:
      break;
  }
  const std::size_t slash = target.relative.rfind('/');
  if (slash != std::string::npos &&
      make_folders(call, std::string_view(target.relative).substr(0, slash), display_name(entry)) ==
          FolderResult::Failed)
    return ReplaceDecision::Skip;
  return decide_existing(call, entry, target);
}

// With a pool, the entry's data is decoded by a worker. Before links, and entries whose
// path an entry in the queue is still to create, the queue is drained (as it is before
// every question): the disk looks as it would had the earlier entries been written one
// after the other.
EntryEnd process_entry(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                       ExtractTally& tally, EntryPool* pool) {
  std::string password;
  if (entry.encrypted) {
    const PasswordOutcome outcome = obtain_password(call, archive, entry, password);
    if (outcome == PasswordOutcome::Stopped) return EntryEnd::Stop;
    if (outcome == PasswordOutcome::Incorrect) ++tally.bad_password;
    if (outcome != PasswordOutcome::Ready) return EntryEnd::Next;
  }
  MappedName target = map_entry_name(call, entry);
  if (pool && (entry.is_symlink || pool->queued(target.relative)) &&
      pool->drain() == EntryEnd::Stop)
    return EntryEnd::Stop;
  switch (prepare_target(call, entry, target)) {
    case ReplaceDecision::Stop:
      return EntryEnd::Stop;
    case ReplaceDecision::Skip:
      return EntryEnd::Next;
    case ReplaceDecision::Write:
      break;
  }
  // The pool makes the sound call when the entry's turn comes.
  if (pool && !entry.is_symlink) return pool->submit(entry, password, target.relative);
  if (call.callbacks.sound) call.callbacks.sound();
  return write_entry(call, archive, entry, password, target.relative);
}

// A pool of workers when there are cores and entries to share; nullptr otherwise.
std::unique_ptr<EntryPool> start_pool(CallState& call, ZipArchive& archive, std::size_t entries) {
  const unsigned workers = worker_count(call.options.Threads);
  if (workers < 2 || entries < 2) return nullptr;
  return std::make_unique<EntryPool>(call, archive, workers);
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

  std::unique_ptr<EntryPool> pool = start_pool(call, archive, accepted.size());
  for (const EntryInfo* entry : accepted) {
    ++tally.processed;
    if (process_entry(call, archive, *entry, tally, pool.get()) == EntryEnd::Stop ||
        (pool && pool->conclude_finished() == EntryEnd::Stop))
      return call.codes.worst();
  }
  if (pool && pool->drain() == EntryEnd::Stop) return call.codes.worst();

  const std::vector<std::string> unmatched = selection.unmatched_includes();
  for (const std::string& pattern : unmatched) call.printer.say(chunk::include_unmatched(pattern));
  for (const std::string& pattern : selection.unmatched_excludes())
    call.printer.say(chunk::exclude_unmatched(pattern));
  return final_extract_code(call.codes.worst(), tally, unmatched.size());
}

}  // namespace unzip
