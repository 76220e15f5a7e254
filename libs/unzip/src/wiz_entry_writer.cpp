#include "wiz_entry_writer.h"

#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "archivekit/staged_file.h"
#include "safe_path.h"
#include "unzip.h"
#include "wiz_messages.h"
#include "wiz_names.h"
#include "wiz_output.h"

namespace unzip {

namespace {

constexpr std::size_t kChunkSize = 64 * 1024;
constexpr uint64_t kServiceInterval = 256 * 1024;
constexpr std::size_t kLinkTargetLimit = 4096;

EntryEnd after_attempt(CallState& call, const std::string& out, const EntryInfo& entry) {
  return service_says_stop(call, out, entry.uncompressed_size) ? EntryEnd::Stop : EntryEnd::Next;
}

void report_read_failure(CallState& call, ReadStatus status, const EntryInfo& entry,
                         const std::string& out) {
  const bool quiet = call.printer.quiet() > 0;
  if (status == ReadStatus::NoMemory) {
    call.printer.say(chunk::decode_failure("not enough memory", entry.real_method, out, quiet));
    call.codes.raise(PK_MEM3);
    return;
  }
  call.printer.say(chunk::decode_failure("invalid compressed data", entry.real_method, out, quiet));
  call.codes.raise(status == ReadStatus::ReadError ? PK_BADERR : PK_ERR);
}

void report_bad_crc(CallState& call, const EntryReader& reader, const EntryInfo& entry,
                    const std::string& out) {
  if (call.printer.quiet() > 0) call.printer.say(chunk::bad_crc_quiet_name(out));
  call.printer.say(chunk::bad_crc(reader.computed_crc(), reader.expected_crc()));
  if (entry.encrypted) call.printer.say(chunk::may_be_password());
  call.codes.raise(PK_ERR);
}

// The verdict after the last byte; true when the data checked out.
bool check_finish(CallState& call, EntryReader& reader, const EntryInfo& entry,
                  const std::string& out) {
  const ReadStatus status = reader.finish();
  if (status == ReadStatus::Ok) return true;
  if (status == ReadStatus::BadCrc) {
    report_bad_crc(call, reader, entry, out);
  } else {
    report_read_failure(call, status, entry, out);
  }
  return false;
}

bool write_all(int fd, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

enum class StreamEnd { Complete, ReadFailed, WriteFailed, Interrupted };

StreamEnd stream(EntryReader& reader, int fd, const ServicePoint& service_point) {
  std::vector<unsigned char> buffer(kChunkSize);
  uint64_t since_service = 0;
  uint64_t written = 0;
  for (;;) {
    const long long got = reader.read(buffer.data(), buffer.size());
    if (got < 0) return StreamEnd::ReadFailed;
    if (got == 0) return StreamEnd::Complete;
    if (!write_all(fd, buffer.data(), static_cast<std::size_t>(got))) return StreamEnd::WriteFailed;
    since_service += static_cast<uint64_t>(got);
    written += static_cast<uint64_t>(got);
    // Long entries must not freeze the caller's window: it pumps events here.
    if (since_service >= kServiceInterval) {
      since_service = 0;
      if (service_point(written)) return StreamEnd::Interrupted;
    }
  }
}

// Opens the entry's data; nullptr after reporting why, with what that came to.
std::unique_ptr<EntryReader> open_reader(CallState& call, ZipArchive& archive,
                                         const EntryInfo& entry, const std::string& password,
                                         const std::string& out, Decoded& failure) {
  ReadStatus status = ReadStatus::Ok;
  std::unique_ptr<EntryReader> reader = archive.open_entry(entry, password, status);
  if (reader) return reader;
  if (status == ReadStatus::Unsupported) {
    call.printer.say_verbose(
        chunk::skip_unsupported_method(display_name(entry), entry.real_method));
    call.codes.raise(IZ_UNSUP);
    failure = Decoded::Skipped;
    return nullptr;
  }
  call.printer.say_verbose(chunk::per_file(entry.real_method, out));
  report_read_failure(call, status, entry, out);
  failure = Decoded::Failed;
  return nullptr;
}

// A link is made only from a complete, checked target that stays inside the folder.
EntryEnd write_link(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                    const std::string& password, const std::string& relative,
                    const std::string& out) {
  Decoded failure = Decoded::Failed;
  const std::unique_ptr<EntryReader> opened =
      open_reader(call, archive, entry, password, out, failure);
  if (!opened)
    return failure == Decoded::Skipped ? EntryEnd::Next : after_attempt(call, out, entry);
  EntryReader& reader = *opened;
  std::string target;
  unsigned char buffer[1024];
  for (;;) {
    const long long got = reader.read(buffer, sizeof buffer);
    if (got < 0) {
      call.printer.say_verbose(chunk::per_file(entry.real_method, out));
      report_read_failure(call, reader.status(), entry, out);
      return after_attempt(call, out, entry);
    }
    if (got == 0) break;
    target.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(got));
    if (target.size() > kLinkTargetLimit) break;
  }
  const bool complete = target.size() <= kLinkTargetLimit;
  if (complete && !check_finish(call, reader, entry, out)) return after_attempt(call, out, entry);
  if (!complete || target.find('\0') != std::string::npos ||
      safepath_check_link(call.safepath_root(), relative.c_str(), target.c_str()) != SAFEPATH_OK) {
    call.printer.say(chunk::skip_unsafe(display_name(entry)));
    call.codes.raise(PK_ERR);
    return EntryEnd::Next;
  }
  call.printer.say_verbose(chunk::per_file(entry.real_method, out));
  if (write_symlink(call, out, target, entry)) call.printer.say_verbose("\n");
  return after_attempt(call, out, entry);
}

}  // namespace

bool service_says_stop(CallState& call, const std::string& out, uint64_t written) {
  if (!call.callbacks.ServCallBk) return false;
  if (call.callbacks.ServCallBk(out.c_str(), written) == 0) return false;
  call.codes.raise(IZ_CTRLC);
  return true;
}

Decoded decode_entry(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                     const std::string& password, const std::string& out,
                     archivekit::StagedFile& file, const ServicePoint& service_point) {
  Decoded failure = Decoded::Failed;
  const std::unique_ptr<EntryReader> reader =
      open_reader(call, archive, entry, password, out, failure);
  if (!reader) return failure;
  if (!open_output(call, file, out)) return Decoded::Failed;
  call.printer.say_verbose(chunk::per_file(entry.real_method, out));
  switch (stream(*reader, file.fd(), service_point)) {
    case StreamEnd::Interrupted:
      return Decoded::Interrupted;
    case StreamEnd::WriteFailed:
      call.printer.say(chunk::write_error(out));
      call.codes.raise(PK_DISK);
      return Decoded::DiskFull;
    case StreamEnd::ReadFailed:
      report_read_failure(call, reader->status(), entry, out);
      return Decoded::Damaged;
    case StreamEnd::Complete:
      break;
  }
  if (!check_finish(call, *reader, entry, out)) return Decoded::Damaged;
  finish_output(file.fd(), entry);
  return Decoded::Staged;
}

// The old file at out is replaced only by an entry that decoded whole and checked out;
// anything less leaves it as it was and no partial file beside it.
EntryEnd place_entry(CallState& call, Decoded decoded, archivekit::StagedFile& file,
                     const EntryInfo& entry, const std::string& out) {
  switch (decoded) {
    case Decoded::Skipped:
      return EntryEnd::Next;
    case Decoded::DiskFull:
    case Decoded::Interrupted:
      return EntryEnd::Stop;
    case Decoded::Staged:
      if (commit_output(call, file)) call.printer.say_verbose("\n");
      break;
    case Decoded::Damaged:
      if (call.options.KeepBroken) {
        const std::string kept = file.keep_damaged();
        if (!kept.empty()) call.printer.say(chunk::kept_damaged(kept));
      }
      break;
    case Decoded::Failed:
      break;
  }
  return after_attempt(call, out, entry);
}

EntryEnd write_entry(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                     const std::string& password, const std::string& relative) {
  const std::string out = call.output_path(relative);
  if (entry.is_symlink) return write_link(call, archive, entry, password, relative, out);
  archivekit::StagedFile file;
  const Decoded decoded =
      decode_entry(call, archive, entry, password, out, file,
                   [&](uint64_t written) { return service_says_stop(call, out, written); });
  return place_entry(call, decoded, file, entry, out);
}

}  // namespace unzip
