#include "rar5_headers.h"

#include <openssl/sha.h>

#include <algorithm>
#include <cstring>

#include "archive_crc.h"

namespace unrar {
namespace {

// HEAD_SIZE is a vint of at most 3 bytes, so a header stays below 2 MiB.
constexpr size_t kMaxHeadSizeVintBytes = 3;
constexpr size_t kCrcBytes = 4;
constexpr size_t kMaxVintBytes = 10;
constexpr size_t kMaxNameBytes = 0x10000;
constexpr int kMaxLg2Count = 24;
constexpr uint64_t kDictionaryBase = 128 * 1024;

constexpr uint64_t kFileIsDirectory = 0x0001;
constexpr uint64_t kFileHasMtime = 0x0002;
constexpr uint64_t kFileHasCrc = 0x0004;
constexpr uint64_t kFileSizeUnknown = 0x0008;

constexpr uint64_t kMainVolume = 0x0001;
constexpr uint64_t kMainHasVolumeNumber = 0x0002;
constexpr uint64_t kMainSolid = 0x0004;
constexpr uint64_t kMainRecovery = 0x0008;
constexpr uint64_t kMainLocked = 0x0010;

constexpr uint64_t kEncryptionHasCheck = 0x0001;
constexpr uint64_t kEncryptionMacChecksums = 0x0002;
constexpr size_t kPasswordCheckBytes = 8;
constexpr size_t kPasswordCheckSumBytes = 4;

enum ExtraType : uint64_t {
  kExtraEncryption = 1,
  kExtraHash = 2,
  kExtraTime = 3,
  kExtraVersion = 4,
  kExtraRedirection = 5,
  kExtraOwner = 6,
  kExtraServiceData = 7,
};

constexpr uint64_t kHashBlake2sp = 0;

constexpr uint64_t kTimeUnix = 0x01;
constexpr uint64_t kTimeMtime = 0x02;
constexpr uint64_t kTimeCtime = 0x04;
constexpr uint64_t kTimeAtime = 0x08;
constexpr uint64_t kTimeNanoseconds = 0x10;

constexpr uint64_t kOwnerUserName = 0x01;
constexpr uint64_t kOwnerGroupName = 0x02;
constexpr uint64_t kOwnerUid = 0x04;
constexpr uint64_t kOwnerGid = 0x08;

constexpr uint64_t kRedirectionToDirectory = 0x01;

constexpr uint64_t kEndMoreVolumes = 0x0001;

uint32_t load_u32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads fields from [p, end); every read fails instead of running past end.
class FieldReader {
 public:
  FieldReader(const uint8_t* begin, const uint8_t* end) : p_(begin), end_(end) {}

  size_t remaining() const { return size_t(end_ - p_); }
  const uint8_t* position() const { return p_; }

  bool vint(uint64_t& value) { return read_vint(p_, end_, value); }
  bool u8(uint8_t& value) {
    if (remaining() < 1) return false;
    value = *p_++;
    return true;
  }
  bool u32(uint32_t& value) {
    if (remaining() < 4) return false;
    value = load_u32(p_);
    p_ += 4;
    return true;
  }
  bool u64(uint64_t& value) {
    uint32_t low = 0, high = 0;
    if (remaining() < 8 || !u32(low) || !u32(high)) return false;
    value = uint64_t(high) << 32 | low;
    return true;
  }
  bool bytes(uint8_t* out, size_t size) {
    if (remaining() < size) return false;
    std::memcpy(out, p_, size);
    p_ += size;
    return true;
  }
  bool text(uint64_t size, std::string& out) {
    if (size > remaining()) return false;
    out.assign(reinterpret_cast<const char*>(p_), size_t(size));
    p_ += size;
    return true;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

bool has_nul(const std::string& text) {
  return text.find('\0') != std::string::npos;
}

// The check value is trusted only when the first 4 bytes of its SHA-256 match.
std::optional<std::array<uint8_t, 8>> read_password_check(FieldReader& reader, bool& ok) {
  std::array<uint8_t, kPasswordCheckBytes> check{};
  uint8_t sum[kPasswordCheckSumBytes];
  ok = reader.bytes(check.data(), check.size()) && reader.bytes(sum, sizeof sum);
  if (!ok) return std::nullopt;
  uint8_t digest[SHA256_DIGEST_LENGTH];
  SHA256(check.data(), check.size(), digest);
  if (std::memcmp(digest, sum, sizeof sum) != 0) return std::nullopt;
  return check;
}

bool parse_encryption_record(FieldReader& reader, bool serviceHeader, Rar5FileEncryption& out) {
  uint64_t flags = 0;
  uint8_t lg2Count = 0;
  if (!reader.vint(out.version) || !reader.vint(flags) || !reader.u8(lg2Count) ||
      !reader.bytes(out.salt.data(), out.salt.size()) ||
      !reader.bytes(out.iv.data(), out.iv.size()))
    return false;
  if (lg2Count > kMaxLg2Count) return false;
  out.lg2Count = lg2Count;
  out.macChecksums = (flags & kEncryptionMacChecksums) != 0;
  if (flags & kEncryptionHasCheck) {
    bool ok = false;
    out.passwordCheck = read_password_check(reader, ok);
    if (!ok) return false;
    // Old versions wrote an all-zero check value into service headers.
    const auto isZero = [](uint8_t b) { return b == 0; };
    if (serviceHeader && out.passwordCheck &&
        std::all_of(out.passwordCheck->begin(), out.passwordCheck->end(), isZero))
      out.passwordCheck.reset();
  }
  return true;
}

// Other hash types are left unread.
bool parse_hash_record(FieldReader& reader, Rar5FileHeader& file) {
  uint64_t hashType = 0;
  if (!reader.vint(hashType)) return false;
  if (hashType != kHashBlake2sp) return true;
  std::array<uint8_t, 32> digest{};
  if (!reader.bytes(digest.data(), digest.size())) return false;
  file.blake2 = digest;
  return true;
}

// 100 ns ticks from 1601-01-01 to 1970-01-01.
constexpr uint64_t kFiletimeUnixEpoch = 116444736000000000ull;
constexpr uint64_t kFiletimeTicksPerSecond = 10000000;

Rar5Time time_from_filetime(uint64_t filetime) {
  Rar5Time time;
  if (filetime >= kFiletimeUnixEpoch) {
    const uint64_t ticks = filetime - kFiletimeUnixEpoch;
    time.unixSeconds = int64_t(ticks / kFiletimeTicksPerSecond);
    time.nanoseconds = uint32_t(ticks % kFiletimeTicksPerSecond) * 100;
  } else {
    // Before 1970: round the seconds down so the nanoseconds stay positive.
    const uint64_t ticks = kFiletimeUnixEpoch - filetime;
    const uint64_t whole = ticks / kFiletimeTicksPerSecond;
    const uint64_t part = ticks % kFiletimeTicksPerSecond;
    time.unixSeconds = -int64_t(whole) - (part ? 1 : 0);
    time.nanoseconds = part ? uint32_t(kFiletimeTicksPerSecond - part) * 100 : 0;
  }
  return time;
}

bool parse_time_record(FieldReader& reader, Rar5FileHeader& file) {
  uint64_t flags = 0;
  if (!reader.vint(flags)) return false;
  const bool unixFormat = (flags & kTimeUnix) != 0;
  std::optional<Rar5Time>* const slots[] = {&file.modified, &file.created, &file.accessed};
  const uint64_t presence[] = {kTimeMtime, kTimeCtime, kTimeAtime};
  for (int i = 0; i < 3; ++i) {
    if (!(flags & presence[i])) continue;
    Rar5Time time;
    if (unixFormat) {
      uint32_t seconds = 0;
      if (!reader.u32(seconds)) return false;
      time.unixSeconds = seconds;
    } else {
      uint64_t filetime = 0;
      if (!reader.u64(filetime)) return false;
      time = time_from_filetime(filetime);
    }
    *slots[i] = time;
  }
  if (unixFormat && (flags & kTimeNanoseconds)) {
    for (int i = 0; i < 3; ++i) {
      if (!(flags & presence[i])) continue;
      uint32_t nanoseconds = 0;
      if (!reader.u32(nanoseconds)) return false;
      nanoseconds &= 0x3FFFFFFF;
      if (nanoseconds < 1000000000) (*slots[i])->nanoseconds = nanoseconds;
    }
  }
  return true;
}

bool parse_version_record(FieldReader& reader, Rar5FileHeader& file) {
  uint64_t flags = 0, version = 0;
  if (!reader.vint(flags) || !reader.vint(version)) return false;
  file.fileVersion = version;
  return true;
}

bool parse_redirection_record(FieldReader& reader, Rar5FileHeader& file) {
  Rar5Redirection redirection;
  uint64_t flags = 0, targetBytes = 0;
  if (!reader.vint(redirection.type) || !reader.vint(flags) || !reader.vint(targetBytes))
    return false;
  if (targetBytes > kMaxNameBytes || !reader.text(targetBytes, redirection.target) ||
      has_nul(redirection.target))
    return false;
  redirection.targetIsDirectory = (flags & kRedirectionToDirectory) != 0;
  file.redirection = std::move(redirection);
  return true;
}

// A name that runs past the record is cut at its end; the owner is informational.
void read_owner_name(FieldReader& reader, std::optional<std::string>& name) {
  uint64_t size = 0;
  if (!reader.vint(size)) return;
  std::string text;
  reader.text(std::min<uint64_t>(size, reader.remaining()), text);
  name = text.substr(0, text.find('\0'));
}

void parse_owner_record(FieldReader& reader, Rar5FileHeader& file) {
  Rar5UnixOwner owner;
  uint64_t flags = 0;
  if (!reader.vint(flags)) return;
  if (flags & kOwnerUserName) read_owner_name(reader, owner.userName);
  if (flags & kOwnerGroupName) read_owner_name(reader, owner.groupName);
  uint64_t id = 0;
  if ((flags & kOwnerUid) && reader.vint(id)) owner.uid = id;
  if ((flags & kOwnerGid) && reader.vint(id)) owner.gid = id;
  file.owner = std::move(owner);
}

// Unknown records are skipped; a record whose size runs past the area ends the
// area, as does a malformed size. A known record that is cut short inside its
// stated size is a damaged header.
bool parse_file_extras(const uint8_t* begin, const uint8_t* end, bool serviceHeader,
                       Rar5FileHeader& file) {
  const uint8_t* p = begin;
  while (p < end) {
    uint64_t recordSize = 0;
    if (!read_vint(p, end, recordSize) || recordSize == 0 || recordSize > uint64_t(end - p)) break;
    const uint8_t* recordEnd = p + recordSize;
    uint64_t type = 0;
    if (!read_vint(p, recordEnd, type)) return false;
    // Old versions wrote the service data record one byte short when it is last.
    if (type == kExtraServiceData && end - recordEnd == 1) recordEnd = end;
    FieldReader reader(p, recordEnd);
    bool ok = true;
    switch (type) {
      case kExtraEncryption: {
        Rar5FileEncryption encryption;
        ok = parse_encryption_record(reader, serviceHeader, encryption);
        if (ok) file.encryption = encryption;
        break;
      }
      case kExtraHash:
        ok = parse_hash_record(reader, file);
        break;
      case kExtraTime:
        ok = parse_time_record(reader, file);
        break;
      case kExtraVersion:
        ok = parse_version_record(reader, file);
        break;
      case kExtraRedirection:
        ok = parse_redirection_record(reader, file);
        break;
      case kExtraOwner:
        parse_owner_record(reader, file);
        break;
      case kExtraServiceData:
        file.serviceData.assign(reader.position(), recordEnd);
        break;
      default:
        break;
    }
    if (!ok) return false;
    p = recordEnd;
  }
  return true;
}

void decode_compression_info(uint64_t info, Rar5FileHeader& file) {
  file.compressionVersion = int(info & 0x3F);
  file.solid = (info & 0x40) != 0;
  file.method = int((info >> 7) & 0x07);
  if (file.compressionVersion == 1) file.rar5Compatible = (info & 0x100000) != 0;
  if (file.directory || file.compressionVersion > 1) return;
  if (file.compressionVersion == 0) {
    file.dictionarySize = kDictionaryBase << ((info >> 10) & 0x0F);
  } else {
    const uint64_t window = kDictionaryBase << ((info >> 10) & 0x1F);
    file.dictionarySize = window + window / 32 * ((info >> 15) & 0x1F);
  }
}

bool parse_file_fields(FieldReader& reader, Rar5FileHeader& file) {
  uint64_t compressionInfo = 0, nameBytes = 0;
  if (!reader.vint(file.fileFlags) || !reader.vint(file.unpackedSize) ||
      !reader.vint(file.attributes))
    return false;
  file.directory = (file.fileFlags & kFileIsDirectory) != 0;
  file.unknownSize = (file.fileFlags & kFileSizeUnknown) != 0;
  uint32_t value = 0;
  if (file.fileFlags & kFileHasMtime) {
    if (!reader.u32(value)) return false;
    file.mtime = value;
  }
  if (file.fileFlags & kFileHasCrc) {
    if (!reader.u32(value)) return false;
    file.crc32 = value;
  }
  if (!reader.vint(compressionInfo) || !reader.vint(file.hostOs) || !reader.vint(nameBytes))
    return false;
  if (nameBytes == 0 || nameBytes > kMaxNameBytes || !reader.text(nameBytes, file.name) ||
      has_nul(file.name))
    return false;
  decode_compression_info(compressionInfo, file);
  return true;
}

bool parse_main_fields(FieldReader& reader, Rar5MainHeader& main) {
  if (!reader.vint(main.archiveFlags)) return false;
  main.volume = (main.archiveFlags & kMainVolume) != 0;
  main.solid = (main.archiveFlags & kMainSolid) != 0;
  main.recoveryRecord = (main.archiveFlags & kMainRecovery) != 0;
  main.locked = (main.archiveFlags & kMainLocked) != 0;
  if (main.archiveFlags & kMainHasVolumeNumber) {
    uint64_t number = 0;
    if (!reader.vint(number)) return false;
    main.volumeNumber = number;
  }
  return true;
}

bool parse_encryption_fields(FieldReader& reader, Rar5EncryptionHeader& encryption) {
  uint64_t flags = 0;
  uint8_t lg2Count = 0;
  if (!reader.vint(encryption.version) || !reader.vint(flags) || !reader.u8(lg2Count) ||
      !reader.bytes(encryption.salt.data(), encryption.salt.size()))
    return false;
  if (lg2Count > kMaxLg2Count) return false;
  encryption.lg2Count = lg2Count;
  if (flags & kEncryptionHasCheck) {
    bool ok = false;
    encryption.passwordCheck = read_password_check(reader, ok);
    if (!ok) return false;
  }
  return true;
}

Rar5BlockType block_type_of(uint64_t rawType) {
  switch (rawType) {
    case 1:
      return Rar5BlockType::main;
    case 2:
      return Rar5BlockType::file;
    case 3:
      return Rar5BlockType::service;
    case 4:
      return Rar5BlockType::encryption;
    case 5:
      return Rar5BlockType::end;
    default:
      return Rar5BlockType::unknown;
  }
}

// The header's fields after HEAD_SIZE, in [begin, end).
bool parse_header_body(const uint8_t* begin, const uint8_t* end, Rar5Block& block) {
  FieldReader common(begin, end);
  uint64_t extraSize = 0;
  if (!common.vint(block.rawType) || !common.vint(block.flags)) return false;
  if ((block.flags & kRar5BlockHasExtra) && !common.vint(extraSize)) return false;
  if ((block.flags & kRar5BlockHasData) && !common.vint(block.dataSize)) return false;
  // The extra area is the header's tail; type-specific fields may leave unused
  // bytes before it.
  if (extraSize >= block.headerSize || extraSize > common.remaining()) return false;
  const uint8_t* extraBegin = end - extraSize;
  block.type = block_type_of(block.rawType);
  FieldReader fields(common.position(), extraBegin);
  switch (block.type) {
    case Rar5BlockType::main:
      return parse_main_fields(fields, block.main);
    case Rar5BlockType::file:
    case Rar5BlockType::service: {
      Rar5FileHeader& file = block.file;
      if (!parse_file_fields(fields, file)) return false;
      file.splitBefore = (block.flags & kRar5BlockSplitBefore) != 0;
      file.splitAfter = (block.flags & kRar5BlockSplitAfter) != 0;
      const bool serviceHeader = block.type == Rar5BlockType::service;
      if (!parse_file_extras(extraBegin, end, serviceHeader, file)) return false;
      if (file.fileVersion && *file.fileVersion != 0)
        file.name += ";" + std::to_string(*file.fileVersion);
      return true;
    }
    case Rar5BlockType::encryption:
      return parse_encryption_fields(fields, block.encryption);
    case Rar5BlockType::end: {
      // Some writers leave the flags out: no flags, the last volume.
      uint64_t endFlags = 0;
      if (fields.remaining() > 0 && !fields.vint(endFlags)) return false;
      block.end.moreVolumes = (endFlags & kEndMoreVolumes) != 0;
      return true;
    }
    case Rar5BlockType::unknown:
      return true;
  }
  return false;
}

}  // namespace

bool read_vint(const uint8_t*& p, const uint8_t* end, uint64_t& value) {
  uint64_t result = 0;
  const uint8_t* q = p;
  for (size_t i = 0; i < kMaxVintBytes && q < end; ++i) {
    const uint8_t byte = *q++;
    // The tenth byte holds only bit 63.
    if (i == kMaxVintBytes - 1 && (byte & 0x7E)) return false;
    result |= uint64_t(byte & 0x7F) << (7 * i);
    if (!(byte & 0x80)) {
      value = result;
      p = q;
      return true;
    }
  }
  return false;
}

Rar5ParseResult parse_rar5_block(const uint8_t* data, size_t available, Rar5Block& block,
                                 size_t& headerBytes) {
  block = Rar5Block{};
  const size_t sizeFieldEnd = kCrcBytes + kMaxHeadSizeVintBytes;
  headerBytes = sizeFieldEnd;
  if (available <= kCrcBytes) return Rar5ParseResult::need_more;
  const uint8_t* sizeField = data + kCrcBytes;
  const uint8_t* p = sizeField;
  uint64_t headSize = 0;
  if (!read_vint(p, data + std::min(available, sizeFieldEnd), headSize)) {
    const bool cutShort = available < sizeFieldEnd;
    return cutShort ? Rar5ParseResult::need_more : Rar5ParseResult::bad_header;
  }
  const size_t total = size_t(p - data) + size_t(headSize);
  // Type and flags take at least a byte each.
  if (headSize < 2) return Rar5ParseResult::bad_header;
  headerBytes = total;
  if (available < total) return Rar5ParseResult::need_more;
  if (crc32_continue(0, sizeField, total - kCrcBytes) != load_u32(data))
    return Rar5ParseResult::bad_crc;
  block.headerSize = headSize;
  if (!parse_header_body(p, data + total, block)) return Rar5ParseResult::bad_header;
  return Rar5ParseResult::ok;
}

bool rar5_encrypted_header_bytes(const uint8_t firstBlock[16], size_t& encryptedBytes) {
  const uint8_t* p = firstBlock + kCrcBytes;
  uint64_t headSize = 0;
  if (!read_vint(p, p + kMaxHeadSizeVintBytes, headSize) || headSize < 2) return false;
  encryptedBytes = size_t(rar5_padded_size(uint64_t(p - firstBlock) + headSize));
  return true;
}

}  // namespace unrar
