#include "engine/libarchive/libarchive_reader.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <string_view>

#include "platform/ascii_case.h"

namespace tessaly {

namespace {

constexpr size_t kBlockSize = 64 * 1024;
constexpr int kMaxVolumes = 999;

// ZIP and RAR stay with our own readers; raw is only for compressed single files.
void SupportArchiveFormats(struct archive* reader) {
  archive_read_support_filter_all(reader);
  archive_read_support_format_7zip(reader);
  archive_read_support_format_tar(reader);
  archive_read_support_format_cpio(reader);
  archive_read_support_format_iso9660(reader);
  archive_read_support_format_cab(reader);
  archive_read_support_format_lha(reader);
  archive_read_support_format_xar(reader);
  archive_read_support_format_ar(reader);
}

uint64_t FileSize(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name a single compressed file extracts to: the name of the archive less its
// compression extension, or the name stored in it.
std::string SingleFileName(const std::string& archivePath, const std::string& storedName) {
  const std::string name = FileNameOf(archivePath);
  const std::string lower = AsciiLower(name);
  static constexpr std::array<std::string_view, 6> kCompressed = {".gz",  ".bz2", ".xz",
                                                                  ".zst", ".lz",  ".lz4"};
  for (std::string_view extension : kCompressed) {
    if (lower.ends_with(extension) && name.size() > extension.size()) {
      return name.substr(0, name.size() - extension.size());
    }
  }
  // libarchive names the data "data" when the stream keeps no name of its own.
  if (!storedName.empty() && storedName != "data") return FileNameOf(storedName);
  return name + ".out";
}

}  // namespace

// The text in UTF-8 where libarchive has it so, else as stored.
std::string Utf8OrStored(const char* utf8, const char* stored) {
  if (utf8 != nullptr) return utf8;
  return stored != nullptr ? stored : "";
}

LibarchiveReader::~LibarchiveReader() {
  if (archive_ != nullptr) archive_read_free(archive_);
}

// Our formats first; when none takes the data, a compression filter over raw data
// makes it a single compressed file. Raw data without one is no archive.
template <typename OpenArchive>
bool LibarchiveReader::OpenWith(OpenArchive open) {
  archive_ = archive_read_new();
  if (archive_ == nullptr) return false;
  SupportArchiveFormats(archive_);
  if (open(archive_) == ARCHIVE_OK) return true;
  archive_read_free(archive_);
  archive_ = archive_read_new();
  if (archive_ == nullptr) return false;
  archive_read_support_filter_all(archive_);
  archive_read_support_format_raw(archive_);
  // The bottom filter ("none") is always there.
  if (open(archive_) == ARCHIVE_OK && archive_filter_count(archive_) > 1) {
    singleFile_ = true;
    return true;
  }
  archive_read_free(archive_);
  archive_ = nullptr;
  return false;
}

bool LibarchiveReader::Open(const std::string& path) {
  path_ = path;
  volumes_ = LibarchiveVolumes(path);
  totalBytes_ = 0;
  for (const std::string& volume : volumes_) totalBytes_ += FileSize(volume);
  std::vector<const char*> names;
  for (const std::string& volume : volumes_) names.push_back(volume.c_str());
  names.push_back(nullptr);
  return OpenWith([&](struct archive* reader) {
    return archive_read_open_filenames(reader, names.data(), kBlockSize);
  });
}

bool LibarchiveReader::OpenMemory(const void* data, size_t size, const std::string& name) {
  path_ = name;
  totalBytes_ = size;
  return OpenWith(
      [&](struct archive* reader) { return archive_read_open_memory(reader, data, size); });
}

std::string LibarchiveReader::entry_name(struct archive_entry* entry) const {
  const std::string stored =
      Utf8OrStored(archive_entry_pathname_utf8(entry), archive_entry_pathname(entry));
  return singleFile_ ? SingleFileName(path_, stored) : stored;
}

uint64_t LibarchiveReader::bytes_read() const {
  if (archive_ == nullptr) return 0;
  const la_int64_t read = archive_filter_bytes(archive_, -1);
  return read > 0 ? static_cast<uint64_t>(read) : 0;
}

std::vector<std::string> LibarchiveVolumes(const std::string& path) {
  std::vector<std::string> volumes = {path};
  if (!path.ends_with(".001")) return volumes;
  const std::string stem = path.substr(0, path.size() - 3);
  for (int number = 2; number <= kMaxVolumes; ++number) {
    std::array<char, 4> digits{};
    std::snprintf(digits.data(), digits.size(), "%03d", number);
    const std::string next = stem + digits.data();
    struct stat info {};
    if (stat(next.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) break;
    volumes.push_back(next);
  }
  return volumes;
}

std::string LibarchiveFormatName(const std::string& path) {
  LibarchiveReader reader;
  if (!reader.Open(path)) return "";
  struct archive_entry* entry = nullptr;
  // The format is known from the open; its name from the first header (read or not).
  archive_read_next_header(reader.handle(), &entry);
  // A single compressed file is named by its compression ("gzip").
  const char* name = reader.single_file() ? archive_filter_name(reader.handle(), 0)
                                          : archive_format_name(reader.handle());
  return name != nullptr ? name : "";
}

}  // namespace tessaly
