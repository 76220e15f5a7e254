#include "zip_archive.h"

#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "zip_central.h"
#include "zip_entry_open.h"
#include "zip_libzip_stream.h"
#include "zip_locate.h"
#include "zip_names.h"
#include "zip_numbered_pieces.h"
#include "zip_overlap.h"
#include "zip_split.h"
#include "zip_window_source.h"

namespace unzip {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class LibzipArchive final : public ZipArchive {
 public:
  // bytes: the source libzip reads the archive from, one reference of it ours.
  LibzipArchive(zip_t* archive, zip_source_t* bytes, std::vector<EntryInfo> entries,
                std::string comment)
      : bytes_(bytes), entries_(std::move(entries)), comment_(std::move(comment)) {
    zip_.archive = archive;
  }
  ~LibzipArchive() override {
    zip_discard(zip_.archive);
    zip_source_free(bytes_);
  }
  LibzipArchive(const LibzipArchive&) = delete;
  LibzipArchive& operator=(const LibzipArchive&) = delete;

  const std::vector<EntryInfo>& entries() const override { return entries_; }
  const std::string& comment() const override { return comment_; }

  bool can_decode(const EntryInfo& entry) const override { return entry_decodable(entry); }

  bool password_matches(const EntryInfo& entry, const std::string& password) override {
    const EntryInfo* known = lookup(entry);
    return known && check_entry_password(raw_opener(), *known, password) == ReadStatus::Ok;
  }

  bool overlaps_another(const EntryInfo& entry) override {
    // Only extracting asks, so listings never read the local headers.
    if (overlapping_.empty()) overlapping_ = find_overlaps(stored_extents(bytes_, entries_));
    return entry.index < overlapping_.size() && overlapping_[entry.index];
  }

  std::unique_ptr<EntryReader> open_entry(const EntryInfo& entry, const std::string& password,
                                          ReadStatus& status) override {
    const EntryInfo* known = lookup(entry);
    if (!known) {
      status = ReadStatus::Unsupported;
      return nullptr;
    }
    return open_entry_reader(raw_opener(), *known, password, status);
  }

 private:
  RawOpener raw_opener() {
    return [this](const EntryInfo& entry, ReadStatus& status) {
      return open_libzip_raw(zip_, entry.index, entry.compressed_size, status);
    };
  }

  // Our own copy, so a caller's edited EntryInfo cannot point libzip elsewhere.
  const EntryInfo* lookup(const EntryInfo& entry) const {
    return entry.index < entries_.size() ? &entries_[entry.index] : nullptr;
  }

  SharedZip zip_;
  zip_source_t* bytes_;
  std::vector<EntryInfo> entries_;
  std::string comment_;
  std::vector<bool> overlapping_;
};

OpenStatus status_from_open_error(int code) {
  return code == ZIP_ER_MULTIDISK ? OpenStatus::MultiDisk : OpenStatus::Damaged;
}

// The central directory as stored, for what libzip does not expose.
bool read_central_records(std::FILE* file, const ArchiveLocation& location, uint64_t file_size,
                          std::vector<unsigned char>& bytes) {
  if (location.central_start > file_size) return false;
  bytes.resize(std::min(location.central_size, file_size - location.central_start));
  return fseeko(file, static_cast<off_t>(location.central_start), SEEK_SET) == 0 &&
         std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// Sizes and CRC as libzip reads the entry, so both agree on where its data ends.
void apply_libzip_stat(zip_t* archive, EntryInfo& entry) {
  zip_stat_t stat;
  if (zip_stat_index(archive, entry.index, 0, &stat) != 0) return;
  if (stat.valid & ZIP_STAT_SIZE) entry.uncompressed_size = stat.size;
  if (stat.valid & ZIP_STAT_COMP_SIZE) entry.compressed_size = stat.comp_size;
  if (stat.valid & ZIP_STAT_CRC) entry.crc = stat.crc;
}

// libzip on the source, which it takes over; nullptr with result set when it refuses.
// When it accepts, the source carries one more reference, for the caller.
zip_t* open_with_libzip(zip_source_t* source, zip_error_t& error, OpenResult& result) {
  zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  if (archive == nullptr) {
    if (source) zip_source_free(source);
    result.status = status_from_open_error(zip_error_code_zip(&error));
    if (zip_error_system_type(&error) == ZIP_ET_SYS) {
      result.system_error = std::strerror(zip_error_code_system(&error));
    }
  } else {
    zip_source_keep(source);
  }
  zip_error_fini(&error);
  return archive;
}

// The archive with its entries read from central_records, the directory libzip saw;
// bytes is the caller's reference of libzip's source, which this takes over.
std::unique_ptr<ZipArchive> describe(zip_t* archive, zip_source_t* bytes,
                                     const std::vector<unsigned char>& records,
                                     const std::string& name_encoding, OpenResult& result) {
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  std::vector<EntryInfo> entries;
  if (count < 0 ||
      !parse_central_directory(records.data(), records.size(), static_cast<uint64_t>(count),
                               entries, name_encoding, result.name_encoding)) {
    zip_discard(archive);
    zip_source_free(bytes);
    result.status = OpenStatus::Damaged;
    return nullptr;
  }
  for (EntryInfo& entry : entries) apply_libzip_stat(archive, entry);
  int comment_length = 0;
  const char* comment = zip_get_archive_comment(archive, &comment_length, ZIP_FL_ENC_RAW);
  std::string comment_text =
      comment ? comment_to_utf8(std::string_view(comment, static_cast<std::size_t>(comment_length)))
              : std::string();
  result.empty = entries.empty();
  return std::make_unique<LibzipArchive>(archive, bytes, std::move(entries),
                                         std::move(comment_text));
}

// A split set: the given file is its last part, the others lie beside it.
std::unique_ptr<ZipArchive> open_split(const std::string& path, const ArchiveLocation& location,
                                       const std::string& name_encoding, OpenResult& result) {
  zip_error_t error;
  zip_error_init(&error);
  SplitSet set;
  result.status = open_split_set(path, location, set, &error);
  if (result.status != OpenStatus::Ok) {
    zip_error_fini(&error);
    return nullptr;
  }
  zip_t* archive = open_with_libzip(set.source, error, result);
  return archive ? describe(archive, set.source, set.central_records, name_encoding, result)
                 : nullptr;
}

}  // namespace

std::unique_ptr<ZipArchive> ZipArchive::open(const std::string& path, OpenResult& result,
                                             const std::string& name_encoding) {
  result = OpenResult{};
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    result.status = OpenStatus::NotFound;
    result.system_error = std::strerror(errno);
    return nullptr;
  }
  if (S_ISDIR(info.st_mode)) {
    result.status = OpenStatus::IsFolder;
    return nullptr;
  }
  // A pipe or a device is no archive, and opening one could block for ever.
  if (!S_ISREG(info.st_mode)) {
    result.status = OpenStatus::NoEndRecord;
    return nullptr;
  }
  // A ZIP cut into numbered pieces reads as the pieces one after the other.
  const std::optional<std::vector<std::string>> pieces = find_numbered_pieces(path);
  std::shared_ptr<ArchiveBytes> joined = pieces ? open_pieces(*pieces) : nullptr;
  FilePtr file(joined ? open_stream(joined) : std::fopen(path.c_str(), "rb"));
  if (!file) {
    result.status = OpenStatus::NotFound;
    result.system_error = std::strerror(errno);
    return nullptr;
  }
  const uint64_t file_size = joined ? joined->size() : static_cast<uint64_t>(info.st_size);
  const ArchiveLocation location = locate_archive(file.get(), file_size);
  if (location.status == OpenStatus::MultiDisk && !joined) {
    return open_split(path, location, name_encoding, result);
  }
  result.status = location.status;
  result.prefix_bytes = location.prefix_bytes;
  result.zip64_end_moved = location.zip64_end_moved;
  result.empty = location.empty;
  if (location.status != OpenStatus::Ok) return nullptr;

  // libzip sees only the archive itself: the stub in front and anything
  // appended after the end record stay outside its window.
  zip_error_t error;
  zip_error_init(&error);
  ArchiveWindow window{
      location.prefix_bytes, location.archive_end, location.end_record, {}, location.central_start};
  if (location.central_size_corrected) {
    window.central_size = static_cast<uint32_t>(location.central_size);
  }
  std::unique_ptr<ArchiveBytes> window_bytes = joined ? open_pieces(*pieces) : nullptr;
  zip_source_t* source = window_bytes
                             ? create_window_source(std::move(window_bytes), window, &error)
                             : create_window_source(path, window, &error);
  zip_t* archive = open_with_libzip(source, error, result);
  if (archive == nullptr) return nullptr;
  std::vector<unsigned char> records;
  if (!read_central_records(file.get(), location, file_size, records)) {
    zip_discard(archive);
    zip_source_free(source);
    result.status = OpenStatus::Damaged;
    return nullptr;
  }
  return describe(archive, source, records, name_encoding, result);
}

}  // namespace unzip
