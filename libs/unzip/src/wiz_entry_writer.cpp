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

// The service callback: non-zero stops the whole call.
bool service_says_stop(CallState& call, const std::string& out, const EntryInfo& entry) {
  if (!call.callbacks.ServCallBk) return false;
  if (call.callbacks.ServCallBk(out.c_str(), entry.uncompressed_size) == 0) return false;
  call.codes.raise(IZ_CTRLC);
  return true;
}

EntryEnd after_attempt(CallState& call, const std::string& out, const EntryInfo& entry) {
  return service_says_stop(call, out, entry) ? EntryEnd::Stop : EntryEnd::Next;
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

enum class StreamEnd { Complete, ReadFailed, WriteFailed, Cancelled };

StreamEnd stream(CallState& call, EntryReader& reader, int fd, const std::string& out,
                 const EntryInfo& entry) {
  std::vector<unsigned char> buffer(kChunkSize);
  uint64_t since_service = 0;
  for (;;) {
    const long long got = reader.read(buffer.data(), buffer.size());
    if (got < 0) return StreamEnd::ReadFailed;
    if (got == 0) return StreamEnd::Complete;
    if (!write_all(fd, buffer.data(), static_cast<std::size_t>(got))) return StreamEnd::WriteFailed;
    since_service += static_cast<uint64_t>(got);
    // Long entries must not freeze the caller's window: it pumps events here.
    if (since_service >= kServiceInterval) {
      since_service = 0;
      if (service_says_stop(call, out, entry)) return StreamEnd::Cancelled;
    }
  }
}

// The old file at out is replaced only by an entry that decoded whole and checked out;
// anything less leaves it as it was and no partial file beside it.
EntryEnd write_file(CallState& call, EntryReader& reader, const EntryInfo& entry,
                    const std::string& out) {
  archivekit::StagedFile file;
  if (!open_output(call, file, out)) return after_attempt(call, out, entry);
  call.printer.say_verbose(chunk::per_file(entry.real_method, out));
  switch (stream(call, reader, file.fd(), out, entry)) {
    case StreamEnd::Cancelled:
      return EntryEnd::Stop;
    case StreamEnd::WriteFailed:
      call.printer.say(chunk::write_error(out));
      call.codes.raise(PK_DISK);
      return EntryEnd::Stop;
    case StreamEnd::ReadFailed:
      report_read_failure(call, reader.status(), entry, out);
      break;
    case StreamEnd::Complete:
      if (!check_finish(call, reader, entry, out)) break;
      finish_output(file.fd(), entry);
      if (commit_output(call, file)) call.printer.say_verbose("\n");
      break;
  }
  return after_attempt(call, out, entry);
}

// A link is made only from a complete, checked target that stays inside the folder.
EntryEnd write_link(CallState& call, EntryReader& reader, const EntryInfo& entry,
                    const std::string& relative, const std::string& out) {
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

EntryEnd write_entry(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                     const std::string& password, const std::string& relative) {
  const std::string out = call.output_path(relative);
  ReadStatus status = ReadStatus::Ok;
  std::unique_ptr<EntryReader> reader = archive.open_entry(entry, password, status);
  if (!reader && status == ReadStatus::Unsupported) {
    call.printer.say_verbose(
        chunk::skip_unsupported_method(display_name(entry), entry.real_method));
    call.codes.raise(IZ_UNSUP);
    return EntryEnd::Next;
  }
  if (!reader) {
    call.printer.say_verbose(chunk::per_file(entry.real_method, out));
    report_read_failure(call, status, entry, out);
    return after_attempt(call, out, entry);
  }
  if (entry.is_symlink) return write_link(call, *reader, entry, relative, out);
  return write_file(call, *reader, entry, out);
}

}  // namespace unzip
