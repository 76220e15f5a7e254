#include "engine/libarchive/libarchive_reader.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "engine/file_signature.h"
#include "engine/libarchive/bzip2_stream.h"
#include "engine/libarchive/decode_ahead.h"
#include "engine/libarchive/decompressed_stream.h"
#include "engine/libarchive/gzip_stream.h"
#include "engine/libarchive/libarchive_names.h"
#include "platform/ascii_case.h"

namespace tessaly {

namespace {

constexpr size_t kBlockSize = 64 * 1024;
constexpr int kMaxVolumes = 999;
constexpr size_t kTarBlock = 512;
// The start of a compressed archive whose names are judged, kept to be read again.
constexpr size_t kJudgedBytes = size_t{16} << 20;
constexpr size_t kHeadPiece = 256 * 1024;

// ZIP and RAR stay with our own readers; raw is only for compressed single files.
// libarchive takes a stream that begins with zeros (a disk image) for an empty tar:
// tar is offered only when the first header's checksum is right.
void SupportArchiveFormats(struct archive* reader, bool tar) {
  archive_read_support_filter_all(reader);
  archive_read_support_format_7zip(reader);
  if (tar) archive_read_support_format_tar(reader);
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
  static constexpr std::array<std::string_view, 8> kCompressed = {".gz", ".bz2", ".xz", ".zst",
                                                                  ".lz", ".lz4", ".z",  ".lzma"};
  for (std::string_view extension : kCompressed) {
    if (lower.ends_with(extension) && name.size() > extension.size()) {
      return name.substr(0, name.size() - extension.size());
    }
  }
  // libarchive names the data "data" when the stream keeps no name of its own.
  if (!storedName.empty() && storedName != "data") return FileNameOf(storedName);
  return name + ".out";
}

// A tar header's checksum: the sum of its bytes with the checksum field taken as
// blanks, unsigned or (as old tars wrote it) signed, in octal in that field.
bool IsTarHeader(const std::vector<uint8_t>& block) {
  constexpr size_t kField = 148;
  constexpr size_t kFieldSize = 8;
  if (block.size() < kTarBlock) return false;
  unsigned stored = 0;
  size_t at = kField;
  while (at < kField + kFieldSize && block[at] == ' ') ++at;
  const size_t digits = at;
  for (; at < kField + kFieldSize && block[at] >= '0' && block[at] <= '7'; ++at) {
    stored = stored * 8 + (block[at] - '0');
  }
  if (at == digits) return false;
  unsigned unsignedSum = 0;
  int signedSum = 0;
  for (size_t i = 0; i < kTarBlock; ++i) {
    const uint8_t byte = i >= kField && i < kField + kFieldSize ? ' ' : block[i];
    unsignedSum += byte;
    signedSum += static_cast<signed char>(byte);
  }
  return stored == unsignedSum || static_cast<int>(stored) == signedSum;
}

locale_t Utf8Locale() {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  return utf8;
}

}  // namespace

Utf8Names::Utf8Names() {
  if (Utf8Locale() != nullptr) previous_ = uselocale(Utf8Locale());
}

Utf8Names::~Utf8Names() {
  if (previous_ != nullptr) uselocale(previous_);
}

// The text in UTF-8 where libarchive has it so, else as stored.
std::string Utf8OrStored(const char* utf8, const char* stored) {
  if (utf8 != nullptr) return utf8;
  return stored != nullptr ? stored : "";
}

LibarchiveReader::LibarchiveReader(int threads) : threads_(threads) {}

LibarchiveReader::~LibarchiveReader() {
  if (sourceFd_ >= 0) close(sourceFd_);
  if (archive_ != nullptr) archive_read_free(archive_);
  if (singleEntry_ != nullptr) archive_entry_free(singleEntry_);
}

template <typename OpenArchive, typename MakeInput>
std::unique_ptr<DecompressedStream> LibarchiveReader::Decompress(OpenArchive open,
                                                                 MakeInput makeInput) {
  std::unique_ptr<DecompressedStream> stream = DecompressOnCaller(open, makeInput);
  if (threads_ == 1 || stream == nullptr) return stream;
  return DecodedAhead(std::move(stream));
}

// gzip, xz and bzip2 by us; the other compressions when libarchive's filters know one.
template <typename OpenArchive, typename MakeInput>
std::unique_ptr<DecompressedStream> LibarchiveReader::DecompressOnCaller(OpenArchive open,
                                                                         MakeInput makeInput) {
  std::array<uint8_t, kTarBlock> head{};
  ByteInput input = makeInput();
  const size_t size = std::max<ssize_t>(input.Read(head.data(), head.size()), 0);
  const std::string_view type =
      IdentifyBytes({reinterpret_cast<const char*>(head.data()), size}).name;
  if (type == "gzip" && StartsLikeGzip(head.data(), size)) return GzipDecompressed(makeInput());
  if (type == "xz") return XzDecompressed(makeInput(), threads_);
  if (type == "bzip2" && StartsLikeBzip2(head.data(), size)) {
    return Bzip2Decompressed(makeInput, threads_);
  }
  struct archive* raw = archive_read_new();
  if (raw == nullptr) return nullptr;
  archive_read_support_filter_all(raw);
  archive_read_support_format_raw(raw);
  archive_read_support_format_empty(raw);
  // The bottom filter ("none") is always there.
  const int opened = open(raw);
  if (opened == ARCHIVE_OK && archive_filter_count(raw) > 1) {
    return FilterDecompressed(raw);
  }
  // Raw data always opens: a failure that is no system error is a filter's that met
  // damaged data at once (a small file's checksum is checked while it is opened).
  const bool damaged = opened != ARCHIVE_OK && archive_errno(raw) <= 0;
  archive_read_free(raw);
  return damaged ? DamagedDecompressed() : nullptr;
}

// The formats take the decompressed bytes, or the file itself when it is not
// compressed; when none does, a compressed file is a single compressed file.
template <typename OpenArchive, typename MakeInput>
bool LibarchiveReader::OpenWith(OpenArchive open, MakeInput makeInput) {
  Utf8Names names;
  stream_ = Decompress(open, makeInput);
  head_.assign(kTarBlock, 0);
  if (stream_ == nullptr) {
    ByteInput input = makeInput();
    const ssize_t got = input.Read(head_.data(), head_.size());
    head_.resize(got > 0 ? static_cast<size_t>(got) : 0);
  } else {
    head_.clear();
    const size_t wanted = judgeNames_ ? kJudgedBytes : kTarBlock;
    const void* block = nullptr;
    ssize_t got = 0;
    while (head_.size() < wanted && (got = stream_->Read(&block)) > 0) {
      head_.insert(head_.end(), static_cast<const uint8_t*>(block),
                   static_cast<const uint8_t*>(block) + got);
    }
  }
  if (judgeNames_) {
    nameEncoding_ = stream_ == nullptr
                        ? CodePageOfNames(open, chosenEncoding_)
                        : CodePageOfNames(
                              [this](struct archive* reader) {
                                return archive_read_open_memory(reader, head_.data(), head_.size());
                              },
                              chosenEncoding_);
  }
  archive_ = archive_read_new();
  if (archive_ == nullptr) return false;
  tar_ = IsTarHeader(head_);
  SupportArchiveFormats(archive_, tar_);
  // Only the formats with names in a code page know the option.
  if (!nameEncoding_.empty())
    archive_read_set_options(archive_, ("hdrcharset=" + nameEncoding_).c_str());
  if (stream_ == nullptr) openPlain_ = open;
  const int opened = stream_ == nullptr
                         ? open(archive_)
                         : archive_read_open(archive_, this, nullptr, ReadDecompressed, nullptr);
  if (opened == ARCHIVE_OK) return true;
  archive_read_free(archive_);
  archive_ = nullptr;
  if (stream_ == nullptr) return false;
  // From the start again, as one file.
  stream_ = Decompress(open, makeInput);
  if (stream_ == nullptr) return false;
  streamFailed_ = false;
  head_.clear();
  singleFile_ = true;
  singleEntry_ = archive_entry_new();
  archive_entry_set_pathname(singleEntry_, "data");
  archive_entry_set_filetype(singleEntry_, AE_IFREG);
  archive_entry_set_perm(singleEntry_, 0644);
  return true;
}

ssize_t LibarchiveReader::ReadDecompressed(struct archive* reader, void* self, const void** block) {
  auto* owner = static_cast<LibarchiveReader*>(self);
  const ssize_t got = owner->NextDecompressed(block);
  if (got < 0) archive_set_error(reader, EIO, "damaged compressed data");
  return got;
}

ssize_t LibarchiveReader::NextDecompressed(const void** block) {
  if (headGiven_ < head_.size()) {
    // In pieces no larger than the stream's own, so a file is written as it comes.
    const size_t count = std::min(head_.size() - headGiven_, kHeadPiece);
    *block = head_.data() + headGiven_;
    headGiven_ += count;
    return static_cast<ssize_t>(count);
  }
  if (!head_.empty()) {
    head_ = {};
    headGiven_ = 0;
  }
  const ssize_t got = stream_->Read(block);
  if (got < 0) streamFailed_ = true;
  return got;
}

bool LibarchiveReader::Open(const std::string& path) {
  path_ = path;
  volumes_ = LibarchiveVolumes(path);
  totalBytes_ = 0;
  for (const std::string& volume : volumes_) totalBytes_ += FileSize(volume);
  // Kept for opening again (LHA's names).
  return OpenWith(
      [this](struct archive* reader) {
        std::vector<const char*> names;
        for (const std::string& volume : volumes_) names.push_back(volume.c_str());
        names.push_back(nullptr);
        return archive_read_open_filenames(reader, names.data(), kBlockSize);
      },
      [this] { return ByteInput(volumes_); });
}

bool LibarchiveReader::OpenMemory(const void* data, size_t size, const std::string& name) {
  path_ = name;
  totalBytes_ = size;
  return OpenWith(
      [data, size](struct archive* reader) { return archive_read_open_memory(reader, data, size); },
      [data, size] { return ByteInput(data, size); });
}

int LibarchiveReader::NextHeader(struct archive_entry** entry) {
  if (singleFile_) {
    if (singleRead_) return ARCHIVE_EOF;
    singleRead_ = true;
    stream_->Describe(singleEntry_);
    *entry = singleEntry_;
    return ARCHIVE_OK;
  }
  int read = archive_read_next_header(archive_, entry);
  if (read == ARCHIVE_FATAL && ReopenWithCp932Names())
    read = archive_read_next_header(archive_, entry);
  if (read == ARCHIVE_OK || read == ARCHIVE_WARN) ++headersRead_;
  if (read != ARCHIVE_EOF || stream_ == nullptr) return read;
  // The archive ends before its compression does: the rest is read for its checksums.
  const void* block = nullptr;
  ssize_t got = 0;
  while ((got = NextDecompressed(&block)) > 0) {
  }
  return got < 0 ? ARCHIVE_FATAL : ARCHIVE_EOF;
}

bool LibarchiveReader::ReopenWithCp932Names() {
  if (cp932Names_ || !openPlain_ || archive_error_string(archive_) != nullptr ||
      (archive_format(archive_) & ARCHIVE_FORMAT_BASE_MASK) != ARCHIVE_FORMAT_LHA) {
    return false;
  }
  cp932Names_ = true;
  archive_read_free(archive_);
  archive_ = archive_read_new();
  if (archive_ == nullptr) return false;
  SupportArchiveFormats(archive_, tar_);
  if (archive_read_set_options(archive_, "lha:hdrcharset=CP932") != ARCHIVE_OK ||
      openPlain_(archive_) != ARCHIVE_OK) {
    return false;
  }
  // Back to where the first reading stopped.
  for (int64_t header = 0; header < headersRead_; ++header) {
    struct archive_entry* entry = nullptr;
    const int read = archive_read_next_header(archive_, &entry);
    if (read != ARCHIVE_OK && read != ARCHIVE_WARN) return false;
  }
  return true;
}

int LibarchiveReader::ReadBlock(const void** block, size_t* size, int64_t* offset) {
  if (!singleFile_) {
    la_int64_t at = 0;
    const int read = archive_read_data_block(archive_, block, size, &at);
    *offset = at;
    return read;
  }
  const ssize_t got = NextDecompressed(block);
  if (got < 0) return ARCHIVE_FATAL;
  *size = static_cast<size_t>(got);
  *offset = singleOffset_;
  singleOffset_ += got;
  return got == 0 ? ARCHIVE_EOF : ARCHIVE_OK;
}

std::optional<int64_t> LibarchiveReader::StoredRest(struct archive_entry* entry,
                                                    const void* firstBlock, size_t size) {
  if (archive_ == nullptr || singleFile_ || stream_ != nullptr || volumes_.size() != 1 ||
      (archive_format(archive_) & ARCHIVE_FORMAT_BASE_MASK) != ARCHIVE_FORMAT_TAR ||
      archive_entry_filetype(entry) != AE_IFREG || !archive_entry_size_is_set(entry) ||
      archive_entry_sparse_count(entry) > 0) {
    return std::nullopt;
  }
  if (sourceFd_ < 0) sourceFd_ = open(volumes_.front().c_str(), O_RDONLY | O_CLOEXEC);
  // libarchive has taken the headers and not yet the data: it stands at the data.
  const la_int64_t start = archive_filter_bytes(archive_, 0);
  if (sourceFd_ < 0 || start < 0) return std::nullopt;
  std::vector<uint8_t> stored(size);
  if (pread(sourceFd_, stored.data(), size, start) != static_cast<ssize_t>(size) ||
      std::memcmp(stored.data(), firstBlock, size) != 0) {
    return std::nullopt;
  }
  return start + static_cast<int64_t>(size);
}

bool LibarchiveReader::SkipData() {
  return archive_read_data_skip(archive_) == ARCHIVE_OK;
}

ReadFailure LibarchiveReader::failure() const {
  if (streamFailed_ || archive_ == nullptr) return ReadFailure::BadData;
  const char* error = archive_error_string(archive_);
  const std::string_view text = error != nullptr ? error : "";
  // 7z names a coder it lacks (zstd, ARM64, RISC-V) by its ID.
  for (std::string_view lacking : {"nsupported", "not supported", "Unexpected codec ID"}) {
    if (text.find(lacking) != std::string_view::npos) return ReadFailure::UnsupportedMethod;
  }
  // ISO 9660 keeps no checksums: what fails is its structure.
  if ((archive_format(archive_) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ISO9660) {
    return ReadFailure::Damaged;
  }
  return ReadFailure::BadData;
}

bool LibarchiveReader::encrypted() const {
  return archive_ != nullptr && archive_read_has_encrypted_entries(archive_) > 0;
}

std::string LibarchiveReader::format_name() const {
  if (singleFile_) return stream_->compression();
  const char* name = archive_ != nullptr ? archive_format_name(archive_) : nullptr;
  return name != nullptr ? name : "";
}

std::string LibarchiveReader::entry_name(struct archive_entry* entry) const {
  const std::string stored =
      Utf8OrStored(archive_entry_pathname_utf8(entry), archive_entry_pathname(entry));
  return singleFile_ ? SingleFileName(path_, stored) : stored;
}

uint64_t LibarchiveReader::bytes_read() const {
  if (stream_ != nullptr) return stream_->bytes_read();
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
  Utf8Names names;
  // Only the first header is read: not worth a decoding thread.
  LibarchiveReader reader(1);
  if (!reader.Open(path)) return "";
  struct archive_entry* entry = nullptr;
  // The format is known from the open; its name from the first header (read or not).
  reader.NextHeader(&entry);
  return reader.format_name();
}

}  // namespace tessaly
