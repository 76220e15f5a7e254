#include "engine/file_signature.h"

#include <zlib.h>

#include <array>
#include <fstream>

namespace tessaly {

namespace {

constexpr size_t kTarHeaderSize = 512;
constexpr size_t kTarChecksumOffset = 148;
constexpr size_t kTarChecksumSize = 8;
constexpr size_t kArjLargestHeader = 2600;
constexpr size_t kIsoDescriptorOffset = 0x8001;

unsigned Byte(std::string_view bytes, size_t at) {
  return static_cast<unsigned char>(bytes[at]);
}

// A tar header only when its checksum is right: 512 zero bytes, or any text, are not.
bool TarChecksumRight(std::string_view head) {
  if (head.size() < kTarHeaderSize) return false;
  const std::string_view field = head.substr(kTarChecksumOffset, kTarChecksumSize);
  size_t i = field.find_first_not_of(' ');
  if (i == std::string_view::npos || field[i] < '0' || field[i] > '7') return false;
  unsigned long stored = 0;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '7'; ++i) {
    stored = stored * 8 + static_cast<unsigned long>(field[i] - '0');
  }
  // Some old writers summed signed chars.
  unsigned long unsignedSum = 0;
  long signedSum = 0;
  for (size_t at = 0; at < kTarHeaderSize; ++at) {
    const bool inField = at >= kTarChecksumOffset && at < kTarChecksumOffset + kTarChecksumSize;
    const unsigned value = inField ? ' ' : Byte(head, at);
    unsignedSum += value;
    signedSum += inField ? ' ' : static_cast<signed char>(head[at]);
  }
  return stored == unsignedSum || static_cast<long>(stored) == signedSum;
}

// An ARJ main header: its size in range and its CRC-32 right, since two bytes alone
// are often found at the start of other files.
bool ArjHeaderRight(std::string_view head) {
  if (head.size() < 4) return false;
  const size_t size = Byte(head, 2) | Byte(head, 3) << 8;
  if (size == 0 || size > kArjLargestHeader || head.size() < 4 + size + 4) return false;
  const uLong crc =
      crc32(0L, reinterpret_cast<const Bytef*>(head.data() + 4), static_cast<uInt>(size));
  const uLong stored = Byte(head, 4 + size) | Byte(head, 5 + size) << 8 |
                       Byte(head, 6 + size) << 16 | static_cast<uLong>(Byte(head, 7 + size)) << 24;
  return crc == stored;
}

// "-lh5-", "-lzs-": the method of an LHA header's first entry.
bool LhaMethodRight(std::string_view head) {
  return head.size() >= 7 && head[2] == '-' && head[3] == 'l' &&
         (head[4] == 'h' || head[4] == 'z') && head[6] == '-';
}

struct Signature {
  size_t offset;
  std::string_view bytes;
  bool (*confirm)(std::string_view head);  // a further check, or nullptr
  FileSignature signature;
};

using enum SignatureOwner;
using namespace std::string_view_literals;

// A tar header first: it starts with its first member's name ("BZh.txt", "MZ"), and
// its checksum makes it certain. Then the archives' signatures at the start ("**ACE**"
// at 7 is inside the ACE header), ISO 9660, whose first 32 KiB may hold a program (a
// bootable or self-mounting image), and last the programs.
constexpr std::array kSignatures = {
    Signature{0, ""sv, TarChecksumRight, {Libarchive, "tar"}},
    Signature{0, "PK\x03\x04"sv, nullptr, {Zip, "ZIP"}},
    Signature{0, "PK\x05\x06"sv, nullptr, {Zip, "ZIP"}},
    Signature{0, "PK\x07\x08"sv, nullptr, {Zip, "ZIP"}},
    Signature{0, "PK00PK"sv, nullptr, {Zip, "ZIP"}},
    Signature{0, "Rar!\x1A\x07"sv, nullptr, {Rar, "RAR"}},
    Signature{7, "**ACE**"sv, nullptr, {Ace, "ACE"}},
    Signature{0, "\x60\xEA"sv, ArjHeaderRight, {Arj, "ARJ"}},
    Signature{0, "7z\xBC\xAF\x27\x1C"sv, nullptr, {SevenZip, "7z"}},
    Signature{0, "\xFD\x37zXZ\x00"sv, nullptr, {Libarchive, "xz"}},
    Signature{0, "\x1F\x8B"sv, nullptr, {Libarchive, "gzip"}},
    Signature{0, "BZh"sv, nullptr, {Libarchive, "bzip2"}},
    Signature{0, "\x28\xB5\x2F\xFD"sv, nullptr, {Libarchive, "zstd"}},
    Signature{0, "\x04\x22\x4D\x18"sv, nullptr, {Libarchive, "lz4"}},
    Signature{0, "\x02\x21\x4C\x18"sv, nullptr, {Libarchive, "lz4"}},
    Signature{0, "LZIP"sv, nullptr, {Libarchive, "lzip"}},
    Signature{0, "\x1F\x9D"sv, nullptr, {Libarchive, "compress"}},
    Signature{0, "070707"sv, nullptr, {Libarchive, "cpio"}},
    Signature{0, "070701"sv, nullptr, {Libarchive, "cpio"}},
    Signature{0, "070702"sv, nullptr, {Libarchive, "cpio"}},
    Signature{0, "\xC7\x71"sv, nullptr, {Libarchive, "cpio"}},
    Signature{0, "\x71\xC7"sv, nullptr, {Libarchive, "cpio"}},
    Signature{0, "MSCF\x00\x00\x00\x00"sv, nullptr, {Libarchive, "CAB"}},
    Signature{0, "xar!"sv, nullptr, {Libarchive, "XAR"}},
    Signature{0, "\xED\xAB\xEE\xDB"sv, nullptr, {Libarchive, "RPM"}},
    Signature{0, "!<arch>\n"sv, nullptr, {Libarchive, "ar"}},
    Signature{0, ""sv, LhaMethodRight, {Libarchive, "LHA"}},
    Signature{kIsoDescriptorOffset, "CD001"sv, nullptr, {Libarchive, "ISO 9660"}},
    Signature{0, "MZ"sv, nullptr, {Executable, "executable"}},
    Signature{0, "\x7F\x45LF"sv, nullptr, {Executable, "executable"}},
};

}  // namespace

FileSignature IdentifyBytes(std::string_view head) {
  for (const Signature& entry : kSignatures) {
    if (head.size() < entry.offset + entry.bytes.size()) continue;
    if (head.substr(entry.offset, entry.bytes.size()) != entry.bytes) continue;
    if (entry.confirm != nullptr && !entry.confirm(head)) continue;
    return entry.signature;
  }
  return {};
}

FileSignature IdentifyFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string head(kSignatureSpan, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  return IdentifyBytes(head);
}

}  // namespace tessaly
