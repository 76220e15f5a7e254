// A file's type from its bytes: one table of signatures for every backend. A
// signature at offset 0 decides; executables and files no signature claims are left
// to the search for an archive after a prefix (self-extracting files).
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// Who reads a file, by its signature.
enum class SignatureOwner {
  Unclaimed,   // no signature: search for an archive after a prefix
  Executable,  // a program (MZ, ELF): search for an archive after it
  Zip,
  Rar,
  Ace,
  Arj,
  SevenZip,
  Libarchive,
};

struct FileSignature {
  SignatureOwner owner = SignatureOwner::Unclaimed;
  std::string_view name;  // "gzip", "tar", "ISO 9660" ...; "" when unclaimed
};

// How many bytes from the start IdentifyBytes needs to see every signature
// (an ISO 9660 volume descriptor's "CD001" ends at offset 0x8006).
inline constexpr size_t kSignatureSpan = 0x8006;

// The signature of the bytes at the start of a file (all of them, or at least the
// first kSignatureSpan).
FileSignature IdentifyBytes(std::string_view head);
// The signature of the file at path; unclaimed when it cannot be read.
FileSignature IdentifyFile(const std::string& path);

}  // namespace tessaly
