#include "archive_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "unace.h"

namespace unace {
namespace {

// Self-extracting stubs of the archiver stay well inside this.
constexpr uint64_t kSearchWindow = 512 * 1024;
constexpr uint8_t kNewestVersion = 20;
// Each candidate costs a CRC over up to 64 KiB: a file packed with false
// signatures must not keep the search busy for long.
constexpr int kMostCandidates = 64;

struct Block {
  std::vector<uint8_t> body;
  uint64_t end = 0;  // offset just after the header
};

enum class BlockStatus { ok, broken };

BlockStatus read_block(VolumeFile& file, uint64_t offset, Block& block) {
  uint8_t prefix[kBlockPrefixSize];
  if (!file.read_exact(offset, prefix, sizeof prefix)) return BlockStatus::broken;
  const size_t size = read_le16(prefix + 2);
  if (size < 3) return BlockStatus::broken;
  block.body.resize(size);
  if (!file.read_exact(offset + sizeof prefix, block.body.data(), size)) {
    return BlockStatus::broken;
  }
  if (!block_crc_matches(read_le16(prefix), block.body.data(), size)) return BlockStatus::broken;
  block.end = offset + sizeof prefix + size;
  return BlockStatus::ok;
}

// Finds the first main header whose CRC holds within the search window. The window
// is searched in pieces, since most files probed are no ACE archive: a buffer of the
// whole window would take (and fault in) fresh memory on every probe.
int locate_main_header(VolumeFile& file, MainHeader& header, uint64_t& end) {
  constexpr size_t kPiece = 64 * 1024;
  constexpr size_t kSignatureAt = kBlockPrefixSize + kSignatureOffset;
  // Each piece repeats the end of the last, so that a signature found in it has the
  // block's prefix in it too.
  constexpr size_t kOverlap = kSignatureAt + sizeof kSignature - 1;
  const uint64_t searchEnd = std::min<uint64_t>(file.size(), kSearchWindow + kOverlap + 1);
  std::vector<uint8_t> piece(kPiece);
  std::vector<uint8_t> body;
  bool brokenCandidate = false;
  int candidates = 0;
  for (uint64_t base = 0; base < searchEnd; base += kPiece - kOverlap) {
    const size_t got = file.read_some(
        base, piece.data(), static_cast<size_t>(std::min<uint64_t>(kPiece, searchEnd - base)));
    const auto pieceEnd = piece.begin() + static_cast<std::ptrdiff_t>(got);
    for (auto from = piece.begin();;) {
      if (candidates >= kMostCandidates)
        return brokenCandidate ? ACE_OPEN_BROKEN_MAIN_HEADER : ACE_OPEN_NOT_ACE;
      const auto found = std::search(from, pieceEnd, std::begin(kSignature), std::end(kSignature));
      if (found == pieceEnd) break;
      from = found + 1;
      const size_t q = static_cast<size_t>(found - piece.begin());
      // Too near the piece's start: before any block could begin, or seen in the last piece.
      if (q < kSignatureAt) continue;
      const uint8_t* prefix = &piece[q - kSignatureAt];
      const uint64_t start = base + (q - kSignatureAt);
      if (start >= kSearchWindow)
        return brokenCandidate ? ACE_OPEN_BROKEN_MAIN_HEADER : ACE_OPEN_NOT_ACE;
      if (prefix[kBlockPrefixSize] != kMainHeader) continue;
      ++candidates;
      const size_t size = read_le16(prefix + 2);
      body.resize(size);
      if (!file.read_exact(start + kBlockPrefixSize, body.data(), size) ||
          !block_crc_matches(read_le16(prefix), body.data(), size)) {
        brokenCandidate = true;
        continue;
      }
      const std::optional<MainHeader> parsed = parse_main_header(body.data(), size);
      if (!parsed || parsed->versionToExtract > kNewestVersion) return ACE_OPEN_BROKEN_MAIN_HEADER;
      header = *parsed;
      end = start + kBlockPrefixSize + size;
      return ACE_OPEN_OK;
    }
    if (got < kPiece) break;
  }
  return brokenCandidate ? ACE_OPEN_BROKEN_MAIN_HEADER : ACE_OPEN_NOT_ACE;
}

bool is_file_header(uint8_t type) {
  return type == kFileHeader32 || type == kFileHeader64;
}

// The 32-bit recovery record and its two 64-bit variants.
bool is_recovery_record(uint8_t type) {
  return type == 2 || type == 4 || type == 5;
}

}  // namespace

std::string volume_name(const std::string& path, unsigned number, bool upperCase) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  std::string base = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                         ? path + "."
                         : path.substr(0, dot + 1);
  const unsigned index = number - 1;
  if (index >= 100) return base + std::to_string(index);
  const char digits[3] = {static_cast<char>('0' + index / 10), static_cast<char>('0' + index % 10),
                          '\0'};
  return base + (upperCase ? "C" : "c") + digits;
}

int ArchiveReader::open(const std::string& path, bool followVolumes) {
  followVolumes_ = followVolumes;
  file_ = VolumeFile::open(path);
  if (!file_) return ACE_OPEN_NOT_ACE;
  const int result = locate_main_header(*file_, main_, position_);
  firstBlock_ = position_;
  // Extracting a set named by a later volume starts at its first one, when it is there.
  if (result == ACE_OPEN_OK && followVolumes && main_.volumeNumber > 0) open_first_volume();
  return result;
}

void ArchiveReader::open_first_volume() {
  const std::string& path = file_->path();
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return;
  for (const char* extension : {"ace", "ACE", "exe", "EXE"}) {
    std::unique_ptr<VolumeFile> first = VolumeFile::open(path.substr(0, dot + 1) + extension);
    MainHeader header;
    uint64_t end = 0;
    if (!first || locate_main_header(*first, header, end) != ACE_OPEN_OK ||
        header.volumeNumber != 0 || !header.multiVolume()) {
      continue;
    }
    file_ = std::move(first);
    main_ = header;
    position_ = end;
    firstBlock_ = end;
    return;
  }
}

unsigned ArchiveReader::largest_dictionary_bits() {
  const uint64_t resume = position_;
  position_ = firstBlock_;
  unsigned bits = 0;
  AceEntry entry;
  while (read_entry_in_volume(entry) == ACE_SUCCESS) {
    if (entry.type != 0) bits = std::max(bits, entry.dictionaryBits);
  }
  position_ = resume;
  return bits;
}

std::optional<AceEntry> ArchiveReader::entry_ahead(uint64_t& offset) {
  if (solid()) return std::nullopt;
  const uint64_t resume = position_;
  const bool recoveryRecordSeen = recoveryRecordSeen_;
  position_ = offset;
  AceEntry entry;
  const bool found = read_entry_in_volume(entry) == ACE_SUCCESS;
  offset = position_;
  position_ = resume;
  recoveryRecordSeen_ = recoveryRecordSeen;
  if (!found) return std::nullopt;
  return entry;
}

int ArchiveReader::read_entry_in_volume(AceEntry& entry) {
  while (true) {
    if (position_ == file_->size()) {
      return main_.recoveryRecord() && !recoveryRecordSeen_ ? ACE_BAD_HEADER : ACE_END_ARCHIVE;
    }
    if (position_ > file_->size()) return ACE_BAD_HEADER;
    Block block;
    if (read_block(*file_, position_, block) != BlockStatus::ok) return ACE_BAD_HEADER;
    const uint8_t type = block.body[0];
    uint64_t dataSize = 0;
    if (is_file_header(type)) {
      const std::optional<FileHeader> header =
          parse_file_header(block.body.data(), block.body.size());
      if (!header) return ACE_BAD_HEADER;
      static_cast<FileHeader&>(entry) = *header;
      if (!entry.codePageName.empty() && !nameEncoding_.empty()) {
        entry.name = read_code_page_name(entry.codePageName, nameEncoding_);
      }
      entry.dataOffset = block.end;
      entry.volumeIndex = volumeIndex_;
      dataSize = header->packSize;
    } else {
      if (is_recovery_record(type)) recoveryRecordSeen_ = true;
      const std::optional<uint64_t> trailing =
          trailing_data_size(block.body.data(), block.body.size());
      if (!trailing) return ACE_BAD_HEADER;
      dataSize = *trailing;
    }
    // Data that runs past the end leaves the position past it: the next read says so.
    position_ = dataSize > file_->size() - std::min(block.end, file_->size())
                    ? file_->size() + 1
                    : block.end + dataSize;
    if (is_file_header(type)) return ACE_SUCCESS;
  }
}

int ArchiveReader::next_entry(AceEntry& entry) {
  while (true) {
    const int result = read_entry_in_volume(entry);
    if (result != ACE_END_ARCHIVE || !followVolumes_ || !main_.multiVolume()) return result;
    const int switched = switch_volume();
    if (switched == ACE_VOLUME_MISSING) return ACE_END_ARCHIVE;
    if (switched != ACE_SUCCESS) return switched;
  }
}

int ArchiveReader::next_part(const AceEntry& current, AceEntry& part) {
  const int switched = switch_volume();
  if (switched != ACE_SUCCESS) return switched;
  const int result = read_entry_in_volume(part);
  if (result == ACE_END_ARCHIVE) return ACE_BAD_DATA;
  if (result != ACE_SUCCESS) return result;
  if (!part.splitBefore() || part.name != current.name) return ACE_BAD_DATA;
  return ACE_SUCCESS;
}

int ArchiveReader::switch_volume() {
  const unsigned number = main_.volumeNumber + 1u;
  const std::string& path = file_->path();
  const size_t dot = path.find_last_of('.');
  const bool upperFirst = dot != std::string::npos && dot + 1 < path.size() &&
                          std::isupper(static_cast<unsigned char>(path[dot + 1]));
  std::unique_ptr<VolumeFile> next = VolumeFile::open(volume_name(path, number, upperFirst));
  if (!next) next = VolumeFile::open(volume_name(path, number, !upperFirst));
  if (!next) return ACE_VOLUME_MISSING;
  MainHeader header;
  uint64_t end = 0;
  // A volume that claims another place in the set would send the walk in circles.
  if (locate_main_header(*next, header, end) != ACE_OPEN_OK || header.volumeNumber != number) {
    return ACE_BAD_HEADER;
  }
  file_ = std::move(next);
  main_.volumeNumber = header.volumeNumber;
  main_.flags = header.flags;
  position_ = end;
  firstBlock_ = end;
  recoveryRecordSeen_ = false;
  ++volumeIndex_;
  return ACE_SUCCESS;
}

}  // namespace unace
