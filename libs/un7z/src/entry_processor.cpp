#include "entry_processor.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "archivekit/entry_output.h"
#include "archivekit/staged_file.h"

namespace un7z {
namespace {

constexpr size_t kReadChunk = 256 * 1024;
constexpr uint64_t kLongestLinkTarget = 64 * 1024;
constexpr uint32_t kWindowsReadOnly = 0x01;

timespec time_of(const SevenZipEntry& entry) {
  if (!entry.mtime) return {0, UTIME_OMIT};
  return {static_cast<time_t>(entry.mtime->seconds), static_cast<long>(entry.mtime->nanoseconds)};
}

void apply_file_metadata(int fd, const SevenZipEntry& entry) {
  const timespec times[2] = {{0, UTIME_OMIT}, time_of(entry)};
  futimens(fd, times);
  if (const std::optional<uint32_t> mode = entry.unix_mode()) {
    fchmod(fd, archivekit::permitted_mode(*mode));
  } else if (entry.attributes && (*entry.attributes & kWindowsReadOnly)) {
    struct stat info {};
    if (fstat(fd, &info) == 0) fchmod(fd, info.st_mode & ~mode_t{0222});
  }
}

}  // namespace

void EntryProcessor::set_recorded_time(const std::string& path, const SevenZipEntry& entry) {
  const timespec times[2] = {{0, UTIME_OMIT}, time_of(entry)};
  utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

int EntryProcessor::process(const SevenZipEntry& entry, archivekit::EntryAction action,
                            const std::string& destination) {
  keptName_.clear();
  if (action == archivekit::EntryAction::skip) return skip(entry);
  if (entry.anti) return UN7Z_SUCCESS;
  if (entry.hasStream) prefetch_.note(entry, true);
  if (action == archivekit::EntryAction::extract) return extract(entry, destination);
  if (!entry.hasStream) return UN7Z_SUCCESS;
  EntrySink sink(-1, nullptr, callback_);
  return unpack(entry, sink);
}

int EntryProcessor::extract(const SevenZipEntry& entry, const std::string& destination) {
  std::string path, relative;
  if (!archivekit::resolve_output_path(destination, entry.name, path, relative)) {
    errno = EACCES;
    return UN7Z_ECREATE;
  }
  if (!archivekit::make_folders(path, entry.directory)) return UN7Z_ECREATE;
  if (entry.directory) {
    folders_.add(path, entry);
    return UN7Z_SUCCESS;
  }
  if (entry.symlink() && entry.size <= kLongestLinkTarget) {
    std::string target;
    EntrySink sink(-1, &target, callback_);
    const int result = unpack(entry, sink);
    if (result != UN7Z_SUCCESS) return result;
    switch (archivekit::create_symlink(destination, relative, path, target)) {
      case archivekit::LinkResult::made:
        set_recorded_time(path, entry);
        return UN7Z_SUCCESS;
      case archivekit::LinkResult::outside:
        return UN7Z_UNSAFE_LINK;
      case archivekit::LinkResult::failed:
        break;
    }
    return UN7Z_ECREATE;
  }
  archivekit::StagedFile file;
  if (!file.open(path)) return UN7Z_ECREATE;
  EntrySink sink(file.fd(), nullptr, callback_);
  const int result = entry.hasStream ? unpack(entry, sink) : UN7Z_SUCCESS;
  if (result != UN7Z_SUCCESS) {
    const bool damaged =
        result == UN7Z_BAD_DATA || result == UN7Z_BAD_ARCHIVE || result == UN7Z_VOLUME_MISSING;
    if (keepBroken_ && damaged) keptName_ = file.keep_damaged();
    return result;
  }
  apply_file_metadata(file.fd(), entry);
  return file.commit() ? UN7Z_SUCCESS : UN7Z_EWRITE;
}

int EntryProcessor::unpack(const SevenZipEntry& entry, EntrySink& sink) {
  const int positioned = position_at(entry);
  if (positioned != UN7Z_SUCCESS) return positioned;
  const int pumped = pump(entry.size, sink);
  if (pumped != UN7Z_SUCCESS) return pumped;
  ++open_->nextSubstream;
  if (!entry.crc || sink.crc32() == *entry.crc) return UN7Z_SUCCESS;
  // Damage in one file of a folder leaves the stream in step for the next.
  if (!reader_.streams().folders[entry.folder].encrypted()) return UN7Z_BAD_DATA;
  return password_failure();
}

int EntryProcessor::position_at(const SevenZipEntry& entry) {
  if (broken_ && broken_->index == entry.folder) return broken_->code;
  if (!open_ || open_->index != entry.folder || open_->nextSubstream > entry.indexInFolder) {
    open_.reset();
    std::unique_ptr<ByteStream> stream;
    const int result = prefetch_.open(entry.folder, stream);
    if (result == UN7Z_MISSING_PASSWORD) return result;  // one may be given later
    if (result != UN7Z_SUCCESS) return decode_failure(entry.folder, result);
    open_ = OpenFolder{entry.folder, 0, std::move(stream)};
  }
  // The entries before it in a solid folder were skipped: decode and pass over them.
  while (open_->nextSubstream < entry.indexInFolder) {
    EntrySink passOver(-1, nullptr, callback_);
    const int result = pump(reader_.substream_size(entry.folder, open_->nextSubstream), passOver);
    if (result != UN7Z_SUCCESS) return result;
    ++open_->nextSubstream;
  }
  return UN7Z_SUCCESS;
}

int EntryProcessor::pump(uint64_t size, EntrySink& sink) {
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(size, kReadChunk)));
  while (size > 0) {
    // Whole chunks, however the stream splits its output: the callback sees the same
    // pieces whichever thread decoded them.
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size));
    size_t got = 0;
    while (got < want) {
      const size_t more = open_->stream->read(buffer.data() + got, want - got);
      if (more == 0) break;
      got += more;
    }
    if (got < want) {
      const int status = open_->stream->status();
      return decode_failure(open_->index, status != 0 ? status : UN7Z_BAD_DATA);
    }
    if (!sink.write(buffer.data(), got)) {
      // The stream stopped inside the entry: the next one starts the folder afresh.
      open_.reset();
      return sink.failure();
    }
    size -= got;
  }
  return UN7Z_SUCCESS;
}

int EntryProcessor::decode_failure(size_t folder, int code) {
  open_.reset();
  if (code == UN7Z_BAD_DATA && reader_.streams().folders[folder].encrypted()) {
    code = password_failure();
  }
  broken_ = BrokenFolder{folder, code};
  return code;
}

int EntryProcessor::password_failure() {
  reader_.passwords().forget();
  // The folders opened ahead with it would fail alike, without the question again.
  prefetch_.forget();
  return UN7Z_BAD_PASSWORD;
}

}  // namespace un7z
