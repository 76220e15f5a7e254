// What makes a tar header, an ARJ header and an ISO image certain, and what does not;
// real archives of each type go through the probe in the backends' tests.
#include "engine/file_signature.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tessaly {
namespace {

using namespace std::string_literals;

// A ustar header for a member named name, its checksum right or one off.
std::string TarHeader(const std::string& name, bool rightChecksum) {
  std::string header(512, '\0');
  header.replace(0, name.size(), name);
  header.replace(257, 6, "ustar\0"s);
  header.replace(148, 8, 8, ' ');
  unsigned sum = 0;
  for (const char c : header) sum += static_cast<unsigned char>(c);
  char field[8];
  std::snprintf(field, sizeof field, "%06o", sum + (rightChecksum ? 0 : 1));
  header.replace(148, 7, field, 7);
  return header;
}

TEST(FileSignature, AClaimIsCertainOrLeftToThePrefixSearch) {
  std::string isoBehindProgram(kSignatureSpan, '\0');
  isoBehindProgram.replace(0, 4, "\x7F\x45LF").replace(0x8001, 5, "CD001");
  const struct {
    const char* label;
    std::string bytes;
    SignatureOwner owner;
  } cases[] = {
      {"tar of a program", TarHeader("MZ.exe", true), SignatureOwner::Libarchive},
      {"wrong checksum", TarHeader("MZ.exe", false), SignatureOwner::Executable},
      {"zeros", std::string(4096, '\0'), SignatureOwner::Unclaimed},
      {"ARJ mark alone", "\x60\xEA\x08\x00 no header here"s, SignatureOwner::Unclaimed},
      {"ISO behind a program", isoBehindProgram, SignatureOwner::Libarchive},
  };
  for (const auto& c : cases) EXPECT_EQ(IdentifyBytes(c.bytes).owner, c.owner) << c.label;
}

}  // namespace
}  // namespace tessaly
