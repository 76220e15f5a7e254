// The text helpers of the engine: path parts, command-line tokens, icon keys; and what makes a tar
// header, an ARJ header and an ISO image certain, and what does not (real archives of each type go
// through the probe in the backends' tests).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/driver.h"
#include "engine/file_signature.h"
#include "engine/selection.h"
#include "platform/file_icons.h"

namespace tessaly {
namespace {

struct ParsePathCase {
  const char* path;
  const char* drive;
  const char* folder;
  const char* name;
  const char* extension;
};

TEST(ParsePathTest, SplitsIntoDriveFolderNameAndExtension) {
  const ParsePathCase cases[] = {
      {"/x/a.b.zip", "", "/x/", "a", ".b"},
      {"/a/b/", "", "/a/", "b/", ""},
      {"/dir.v2/file", "", "/dir.v2/", "file", ""},
      {"C:/a/b.zip", "C:", "/a/", "b", ".zip"},
  };
  for (const ParsePathCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ParsePath(c.path, 0), c.drive);
    EXPECT_EQ(ParsePath(c.path, 1), c.folder);
    EXPECT_EQ(ParsePath(c.path, 2), c.name);
    EXPECT_EQ(ParsePath(c.path, 3), c.extension);
  }
}

TEST(SplitCommandLineTest, SplitsAtBlanksAndTabsAndKeepsQuotedRunsWhole) {
  using Tokens = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("a.zip  b.zip\tc.zip"), (Tokens{"a.zip", "b.zip", "c.zip"}));
  EXPECT_EQ(SplitCommandLine("\"/my dir/a b.zip\" c.zip"), (Tokens{"/my dir/a b.zip", "c.zip"}));
  EXPECT_EQ(SplitCommandLine("/x/\"a b\".zip"), (Tokens{"/x/a b.zip"}));
  EXPECT_EQ(SplitCommandLine("\"unclosed run.zip"), (Tokens{"unclosed run.zip"}));
  EXPECT_TRUE(SplitCommandLine(" \t  \t").empty());
}

// The file list's icons for the keys the folder-listing tests do not reach.
TEST(IconKeyForTest, MapsExtensionsToImageKeys) {
  const std::pair<const char*, const char*> cases[] = {
      {"TXT", "txt"}, {"jpg", "gif"}, {"Rar", "tessaly"}, {"", "Others"}};
  for (const auto& [extension, key] : cases) EXPECT_EQ(IconKeyFor(extension), key) << extension;
  EXPECT_EQ(ListExtension("a.tar.gz"), "tar");
  EXPECT_EQ(ListExtension("Makefile"), "Mak");
}

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
