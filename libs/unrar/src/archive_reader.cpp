#include "archive_reader.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "rar4_names.h"
#include "rar5_blocks.h"
#include "unrar.h"
#include "volume_names.h"

namespace unrar {
namespace {

constexpr size_t kSfxSearchBytes = 0x200000 - 16;
constexpr size_t kQuickSearchBytes = 0x10000;
constexpr uint8_t kMarker[6] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07};
constexpr size_t kRar4SignatureBytes = 7;
// Blocks looked at for the comment, or for an entry ahead, before giving up (locators,
// recovery records).
constexpr int kCommentSearchBlocks = 16;

// Under a wrong password every header decrypts to noise, so any damage to an
// encrypted header reads as bad data.
int status_code(BlockStatus status, bool encrypted) {
  if (status == BlockStatus::ok) return ERAR_SUCCESS;
  if (status == BlockStatus::end_of_volume) return ERAR_END_ARCHIVE;
  return encrypted ? ERAR_BAD_DATA : ERAR_BAD_ARCHIVE;
}

// A RAR 1.5-4 main header right after the signature whose CRC matches.
bool valid_rar4_start(VolumeFile& file, uint64_t blockOffset) {
  Rar4Block block;
  return read_rar4_block(file, blockOffset, nullptr, 0, block) == BlockStatus::ok &&
         block.type == kRar4MainBlock;
}

bool valid_rar5_start(VolumeFile& file, uint64_t blockOffset) {
  Rar5ReadBlock block;
  return read_rar5_block(file, blockOffset, nullptr, 0, block) == BlockStatus::ok &&
         (block.block.type == Rar5BlockType::main || block.block.type == Rar5BlockType::encryption);
}

// The first place in head that holds a signature followed by a sound main header.
bool scan_for_archive(VolumeFile& file, const std::vector<uint8_t>& head, uint64_t& firstBlock,
                      ArchiveFormat& format) {
  for (size_t pos = 0; pos + kRar4SignatureBytes <= head.size(); ++pos) {
    if (std::memcmp(&head[pos], kMarker, sizeof kMarker) != 0) continue;
    const uint8_t kind = head[pos + 6];
    if (kind == 0 && valid_rar4_start(file, pos + kRar4SignatureBytes)) {
      firstBlock = pos + kRar4SignatureBytes;
      format = ArchiveFormat::rar4;
      return true;
    }
    if (kind == 1 && pos + kRar5Signature.size() <= head.size() && head[pos + 7] == 0 &&
        valid_rar5_start(file, pos + kRar5Signature.size())) {
      firstBlock = pos + kRar5Signature.size();
      format = ArchiveFormat::rar5;
      return true;
    }
  }
  return false;
}

// A ZIP, ACE or ARJ archive keeps a RAR archive it stores as one of its entries;
// that is no self-extracting RAR archive.
bool starts_as_other_archive(const std::vector<uint8_t>& head) {
  const auto starts_with = [&head](size_t offset, std::string_view bytes) {
    return head.size() >= offset + bytes.size() &&
           std::memcmp(head.data() + offset, bytes.data(), bytes.size()) == 0;
  };
  constexpr size_t kArjLargestHeader = 2600;
  const bool arj = starts_with(0, "\x60\xEA") && head.size() >= 4 &&
                   static_cast<size_t>(head[2] | head[3] << 8) <= kArjLargestHeader;
  return arj || starts_with(0, "PK\x03\x04") || starts_with(7, "**ACE**");
}

// Where the archive's first block starts, and its format. Most archives start at
// the signature, so a short head is searched before the whole search range is read.
bool find_archive(VolumeFile& file, uint64_t& firstBlock, ArchiveFormat& format) {
  for (const size_t range : {kQuickSearchBytes, kSfxSearchBytes}) {
    std::vector<uint8_t> head(std::min<uint64_t>(file.size(), range + 8));
    if (!file.read_exact(0, head.data(), head.size())) return false;
    if (starts_as_other_archive(head)) return false;
    if (scan_for_archive(file, head, firstBlock, format)) return true;
    if (head.size() == file.size()) return false;
  }
  return false;
}

// Could a file, service or end block start at chunk[i]? A cheap look at its type
// before the whole header is read and checked; true where the bytes run out.
bool could_start_block(const std::vector<uint8_t>& chunk, size_t i, size_t count,
                       ArchiveFormat format) {
  if (format == ArchiveFormat::rar4) {
    if (i + 2 >= count) return true;
    const uint8_t type = chunk[i + 2];
    return type == kRar4FileBlock || type == kRar4ServiceBlock || type == kRar4EndBlock;
  }
  // CRC32, then the header size and the type as variable-length numbers.
  size_t at = i + 4;
  for (int bytes = 0; at < count && (chunk[at] & 0x80); ++at) {
    if (++bytes == 3) return false;
  }
  if (at + 1 >= count) return true;
  const uint8_t type = chunk[at + 1];
  return type == 2 || type == 3 || type == 5;
}

}  // namespace

bool ArchiveReader::sound_block_at(uint64_t offset) {
  if (format_ == ArchiveFormat::rar4) {
    Rar4Block block;
    return read_rar4_block(*file_, offset, nullptr, volumeIndex_, block) == BlockStatus::ok &&
           (block.type == kRar4FileBlock || block.type == kRar4ServiceBlock ||
            block.type == kRar4EndBlock);
  }
  Rar5ReadBlock block;
  if (read_rar5_block(*file_, offset, nullptr, volumeIndex_, block) != BlockStatus::ok) {
    return false;
  }
  const Rar5BlockType type = block.block.type;
  return type == Rar5BlockType::file || type == Rar5BlockType::service ||
         type == Rar5BlockType::end;
}

int ArchiveReader::skip_damaged_block() {
  if (rar4EncryptedHeaders_ || rar5Encryption_) return ERAR_BAD_ARCHIVE;
  constexpr size_t kChunk = 1 << 16;
  std::vector<uint8_t> chunk(kChunk);
  // Every offset is looked at once: the search ends.
  for (uint64_t from = position_ + 1; from < file_->size();) {
    const size_t count = file_->read_some(from, chunk.data(), chunk.size());
    if (count == 0) break;
    for (size_t i = 0; i < count; ++i) {
      if (could_start_block(chunk, i, count, format_) && sound_block_at(from + i)) {
        position_ = from + i;
        finished_ = false;
        return ERAR_SUCCESS;
      }
    }
    from += count;
  }
  position_ = file_->size();
  return ERAR_END_ARCHIVE;
}

int ArchiveReader::open(const std::string& path) {
  const int result = open_volume(path);
  if (result != ERAR_SUCCESS || !laterVolume_) return result;
  // A later volume was named: the set is read from its first volume when that is there.
  std::string first = first_volume_name(path, newNumbering_);
  if (!VolumeFile::open(first)) first = first_volume_name(path, !newNumbering_);
  if (first == path || !VolumeFile::open(first)) return result;
  *this = ArchiveReader();
  return open_volume(first);
}

void ArchiveReader::set_password(const std::string& password) {
  if (password_ != password) {
    rar4Keys_.reset();
    rar5HeaderKey_.reset();
  }
  password_ = password;
}

int ArchiveReader::open_volume(const std::string& path) {
  std::unique_ptr<VolumeFile> file = VolumeFile::open(path);
  if (!file) return ERAR_EOPEN;
  // A volume that comes round again: the rest of the set cannot be found.
  if (opened_.count(file->identity())) return ERAR_EOPEN;
  uint64_t firstBlock = 0;
  ArchiveFormat format = ArchiveFormat::rar4;
  if (!find_archive(*file, firstBlock, format)) {
    if (file_) return ERAR_EOPEN;
    // A file that starts like an archive but whose main header is damaged.
    uint8_t start[sizeof kMarker];
    const bool marked = file->read_exact(0, start, sizeof start) &&
                        std::memcmp(start, kMarker, sizeof kMarker) == 0;
    return marked ? ERAR_BAD_ARCHIVE : ERAR_UNKNOWN_FORMAT;
  }
  if (file_ && format != format_) return ERAR_BAD_ARCHIVE;
  const bool nextVolume = file_ != nullptr;
  opened_.insert(file->identity());
  file_ = std::move(file);
  format_ = format;
  if (nextVolume) ++volumeIndex_;
  return read_main_header(firstBlock);
}

int ArchiveReader::read_main_header(uint64_t offset) {
  if (format_ == ArchiveFormat::rar4) {
    Rar4Block block;
    const BlockStatus status = read_rar4_block(*file_, offset, nullptr, volumeIndex_, block);
    if (status != BlockStatus::ok) return ERAR_BAD_ARCHIVE;
    isVolume_ = block.flags & kRar4MainVolume;
    laterVolume_ = isVolume_ && !(block.flags & kRar4MainFirstVolume);
    newNumbering_ = block.flags & kRar4MainNewNumbering;
    solid_ = block.flags & kRar4MainSolid;
    const bool encrypted = block.flags & kRar4MainEncryptedHeaders;
    if (volumeIndex_ > 0 && encrypted != rar4EncryptedHeaders_) return ERAR_BAD_ARCHIVE;
    rar4EncryptedHeaders_ = encrypted;
    if (volumeIndex_ == 0) oldComment_ = std::move(block.oldComment);
    position_ = block.next;
    return ERAR_SUCCESS;
  }
  Rar5ReadBlock block;
  if (read_rar5_block(*file_, offset, nullptr, volumeIndex_, block) != BlockStatus::ok) {
    return ERAR_BAD_ARCHIVE;
  }
  newNumbering_ = true;
  endBlockRead_ = false;
  if (block.block.type == Rar5BlockType::encryption) {
    if (!rar5Encryption_) rar5Encryption_ = block.block.encryption;
    position_ = block.next;
    return ERAR_SUCCESS;
  }
  isVolume_ = block.block.main.volume;
  solid_ = block.block.main.solid;
  laterVolume_ = block.block.main.volumeNumber.value_or(0) > 0;
  position_ = block.next;
  return ERAR_SUCCESS;
}

int ArchiveReader::ensure_header_key() {
  if (format_ == ArchiveFormat::rar4) {
    if (!rar4EncryptedHeaders_ || rar4Keys_) return ERAR_SUCCESS;
    if (!password_ || password_->empty()) return ERAR_MISSING_PASSWORD;
    rar4Keys_ = std::make_unique<Rar4HeaderKeys>(*password_);
    return ERAR_SUCCESS;
  }
  if (!rar5Encryption_ || rar5HeaderKey_) return ERAR_SUCCESS;
  if (!password_ || password_->empty()) return ERAR_MISSING_PASSWORD;
  Bytes32 key{};
  if (!rar5_header_key(*rar5Encryption_, *password_, key)) return ERAR_BAD_DATA;
  rar5HeaderKey_ = key;
  return ERAR_SUCCESS;
}

int ArchiveReader::read_block(ArchiveEntry& entry, Step& step) {
  const int keyResult = ensure_header_key();
  if (keyResult != ERAR_SUCCESS) return keyResult;
  const bool encrypted = rar4Keys_ || rar5HeaderKey_;
  if (format_ == ArchiveFormat::rar4) {
    Rar4Block block;
    const BlockStatus status =
        read_rar4_block(*file_, position_, rar4Keys_.get(), volumeIndex_, block);
    if (status == BlockStatus::end_of_volume) {
      // RAR 2.x volumes end without an end block: the set goes on while volumes follow.
      const bool unmarkedEnd = isVolume_ && !endBlockRead_;
      step = unmarkedEnd && next_volume_exists() ? Step::volume_end : Step::archive_end;
      return ERAR_SUCCESS;
    }
    if (status != BlockStatus::ok) return status_code(status, encrypted);
    position_ = block.next;
    endBlockRead_ = block.type == kRar4EndBlock;
    step = block.type == kRar4FileBlock      ? Step::entry
           : block.type == kRar4ServiceBlock ? Step::service
           : block.type == kRar4EndBlock
               ? (block.moreVolumes ? Step::volume_end : Step::archive_end)
               : Step::skip;
    if (step == Step::entry || step == Step::service) entry = std::move(block.entry);
    return ERAR_SUCCESS;
  }
  Rar5ReadBlock block;
  const BlockStatus status = read_rar5_block(
      *file_, position_, rar5HeaderKey_ ? &*rar5HeaderKey_ : nullptr, volumeIndex_, block);
  if (status == BlockStatus::end_of_volume) {
    // RAR5 writers close every archive and every volume with an end block: one that
    // stops exactly where a block would start, before it, was cut there (the last
    // volume of a set as well). A tail too short for any block is taken for stray
    // bytes after the last entry; after an end block that names a further volume, a
    // missing volume has its own code.
    step = !endBlockRead_ && position_ == file_->size() ? Step::cut_short : Step::archive_end;
    return ERAR_SUCCESS;
  }
  if (status != BlockStatus::ok) return status_code(status, encrypted);
  position_ = block.next;
  const Rar5BlockType type = block.block.type;
  endBlockRead_ = type == Rar5BlockType::end;
  // With encrypted headers the main header comes after the encryption header.
  if (type == Rar5BlockType::main) {
    isVolume_ = block.block.main.volume;
    solid_ = block.block.main.solid;
  }
  step = type == Rar5BlockType::file      ? Step::entry
         : type == Rar5BlockType::service ? Step::service
         : type == Rar5BlockType::end
             ? (block.block.end.moreVolumes ? Step::volume_end : Step::archive_end)
             : Step::skip;
  if (step == Step::entry || step == Step::service) entry = std::move(block.entry);
  return ERAR_SUCCESS;
}

bool ArchiveReader::next_volume_exists() const {
  const std::string& current = file_->path();
  return VolumeFile::open(next_volume_name(current, newNumbering_)) ||
         VolumeFile::open(next_volume_name(current, !newNumbering_));
}

int ArchiveReader::switch_volume() {
  const std::string current = file_->path();
  const std::string preferred = next_volume_name(current, newNumbering_);
  int result = open_volume(preferred);
  if (result == ERAR_EOPEN) {
    const std::string other = next_volume_name(current, !newNumbering_);
    if (other != preferred) result = open_volume(other);
  }
  return result;
}

int ArchiveReader::next_entry(ArchiveEntry& entry) {
  while (!finished_) {
    Step step = Step::skip;
    const int result = read_block(entry, step);
    if (result != ERAR_SUCCESS) return result;
    if (step == Step::entry) {
      // RAR 1.5 files carry no solid flag: in a solid archive every file after the
      // first continues the stream.
      if (format_ == ArchiveFormat::rar4 && entry.unpackVersion < 20 && solid_ && fileSeen_) {
        entry.solid = true;
      }
      fileSeen_ = true;
      if (!entry.codePageName.empty() && !nameEncoding_.empty()) {
        entry.name = read_code_page_name(entry.codePageName, nameEncoding_);
      }
      return ERAR_SUCCESS;
    }
    if (step == Step::archive_end) finished_ = true;
    if (step == Step::cut_short) {
      // Said once: nothing follows to skip to, so the next read ends the archive.
      finished_ = true;
      return ERAR_BAD_ARCHIVE;
    }
    if (step == Step::volume_end) {
      const int switched = switch_volume();
      if (switched != ERAR_SUCCESS) return switched;
    }
  }
  return ERAR_END_ARCHIVE;
}

std::optional<ArchiveEntry> ArchiveReader::comment_entry() {
  const uint64_t start = position_;
  std::optional<ArchiveEntry> comment;
  for (int blocks = 0; blocks < kCommentSearchBlocks; ++blocks) {
    ArchiveEntry entry;
    Step step = Step::skip;
    if (read_block(entry, step) != ERAR_SUCCESS) break;
    if (step == Step::service && entry.name == "CMT") comment = std::move(entry);
    if (comment || (step != Step::service && step != Step::skip)) break;
  }
  position_ = start;
  return comment;
}

std::optional<ArchiveEntry> ArchiveReader::entry_ahead(uint64_t& offset) {
  if (solid_ || finished_ || rar4EncryptedHeaders_ || rar5Encryption_) return std::nullopt;
  const uint64_t start = position_;
  const bool endBlockRead = endBlockRead_;
  const bool isVolume = isVolume_;
  position_ = offset;
  std::optional<ArchiveEntry> found;
  for (int blocks = 0; blocks < kCommentSearchBlocks; ++blocks) {
    ArchiveEntry entry;
    Step step = Step::skip;
    if (read_block(entry, step) != ERAR_SUCCESS) break;
    if (step == Step::entry) found = std::move(entry);
    if (found || (step != Step::service && step != Step::skip)) break;
  }
  offset = position_;
  position_ = start;
  endBlockRead_ = endBlockRead;
  isVolume_ = isVolume;
  return found;
}

int ArchiveReader::next_part(const ArchiveEntry& current, ArchiveEntry& part) {
  bool switched = false;
  while (!finished_) {
    Step step = Step::skip;
    const int result = read_block(part, step);
    if (result != ERAR_SUCCESS) return result;
    if (step == Step::entry) {
      if (!switched || !part.splitBefore || part.name != current.name) return ERAR_BAD_ARCHIVE;
      return ERAR_SUCCESS;
    }
    if (step == Step::archive_end) break;
    if (step == Step::cut_short) return ERAR_BAD_ARCHIVE;
    if (step == Step::volume_end) {
      // An entry's parts may run through a long chain of volumes inside one call:
      // the caller may stop it before each.
      if (volumeCallback_ && volumeCallback_(nullptr, 0) == 0) return ERAR_UNKNOWN;
      const int opened = switch_volume();
      if (opened != ERAR_SUCCESS) return opened == ERAR_UNKNOWN_FORMAT ? ERAR_EOPEN : opened;
      switched = true;
    }
  }
  // The set ends while the entry says it goes on: a volume is missing.
  return ERAR_EOPEN;
}

}  // namespace unrar
