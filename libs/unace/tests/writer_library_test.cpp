// The library reads back every mode of the test writer: ACE 2.0 blocked entries with
// DELTA and EXE blocks, the largest dictionary, solid archives mixing the modes,
// encrypted entries (also split over volumes), and a wrong password.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "support/ace_writer.h"
#include "unace.h"
#include "writer_test_data.h"

namespace {

namespace fs = std::filesystem;
using tessaly::testing::AceEntrySpec;
using tessaly::testing::AceFolder;
using tessaly::testing::AceMethod;
using tessaly::testing::AceOptions;
using tessaly::testing::WriteAce;
using tessaly::testing::WriteAceVolumes;
using namespace writer_data;

struct ReadEntry {
  ACEHeaderData header;
  int result;
};

// Extracts every entry of the archive into out, in archive order.
std::vector<ReadEntry> ExtractAll(const std::string& archive, const std::string& out,
                                  const std::string& password = "") {
  ACEOpenArchiveData open{};
  open.ArcName = archive.c_str();
  open.OpenMode = ACE_OM_EXTRACT;
  HANDLE handle = ACEOpenArchive(&open);
  EXPECT_NE(handle, nullptr) << "open result " << open.OpenResult;
  if (!handle) return {};
  std::string passwordCopy = password;
  if (!password.empty()) ACESetPassword(handle, passwordCopy.data());
  std::vector<ReadEntry> entries;
  std::string destination = out + "/";
  auto header = std::make_unique<ACEHeaderData>();
  int read;
  while ((read = ACEReadHeader(handle, header.get())) == ACE_SUCCESS) {
    entries.push_back({*header, ACEProcessFile(handle, ACE_EXTRACT, destination.data())});
  }
  EXPECT_EQ(read, ACE_END_ARCHIVE);
  ACECloseArchive(handle);
  return entries;
}

std::string Name(const ReadEntry& entry) {
  return entry.header.FileNameW;
}

unsigned TypeOf(AceMethod method) {
  return method == AceMethod::Stored ? 0 : method == AceMethod::Lz77 ? 1 : 2;
}

class LibraryReadsWriter : public testing::Test {
 protected:
  void SetUp() override { fs::create_directory(out); }

  // Each entry was read once (split ones once per part), extracted without error,
  // with the record the writer meant, and is on disk with its bytes.
  void expect_extracted(const std::vector<AceEntrySpec>& entries,
                        const std::vector<ReadEntry>& read, unsigned dictionaryBits) {
    std::map<std::string, const ReadEntry*> last;
    for (const ReadEntry& entry : read) {
      EXPECT_EQ(entry.result, ACE_SUCCESS) << Name(entry);
      last[Name(entry)] = &entry;
    }
    ASSERT_EQ(last.size(), entries.size());
    for (const AceEntrySpec& entry : entries) {
      SCOPED_TRACE(entry.name);
      ASSERT_TRUE(last.count(entry.name));
      const ACEHeaderData& header = last[entry.name]->header;
      const fs::path path = fs::path(out) / entry.name;
      if (entry.folder) {
        EXPECT_TRUE(header.Flags & ACE_HDF_DIRECTORY);
        EXPECT_TRUE(fs::is_directory(path));
        continue;
      }
      EXPECT_EQ(header.UnpSize64, entry.data.size());
      EXPECT_EQ(!!(header.Flags & ACE_HDF_ENCRYPTED), entry.encrypted);
      if (!entry.data.empty()) {
        EXPECT_EQ(header.CompressionType, TypeOf(entry.method));
        EXPECT_EQ(header.DictionaryBits, dictionaryBits);
      }
      EXPECT_TRUE(ReadBytes(path) == entry.data) << "content differs";
    }
  }

  TempDir dir;
  std::string out = dir / "out";
};

// 16-bit stereo samples: smooth curves with a little noise, which DELTA suits.
std::string Samples(uint64_t seed, size_t size) {
  Random random(seed);
  std::string out;
  int left = 0;
  int right = 0;
  while (out.size() < size) {
    left += static_cast<int>(random.below(41)) - 20;
    right += static_cast<int>(random.below(9)) - 4;
    for (const int sample : {left, right}) {
      out += static_cast<char>(sample & 0xFF);
      out += static_cast<char>((sample >> 8) & 0xFF);
    }
  }
  out.resize(size);
  return out;
}

// Code-like bytes full of CALL (E8) and JMP (E9) opcodes, one of each in the last
// four bytes, where they stay unconverted.
std::string X86Like(uint64_t seed, size_t size) {
  Random random(seed);
  std::string out = Interleaved(seed, size);
  for (size_t at = 0; at + 8 < size; at += 3 + random.below(12)) {
    out[at] = random.below(3) == 0 ? '\xE9' : '\xE8';
    out[at + 1] = static_cast<char>(random.below(256));
  }
  out[size - 4] = '\xE8';
  out[size - 2] = '\xE9';
  return out;
}

std::vector<AceEntrySpec> EveryMode(bool encrypted) {
  std::vector<AceEntrySpec> entries = {
      {"stored.bin", RandomBytes(1, 3000), false, AceMethod::Stored},
      {"lz77.txt", LogText(2, 30000), false, AceMethod::Lz77},
      AceFolder("blocked"),
      {"blocked/plain.bin", Interleaved(3, 40000), false, AceMethod::BlockedLz77},
      {"blocked/samples.raw", Samples(4, 140001), false, AceMethod::Delta},
      {"blocked/tiny.raw", "abc", false, AceMethod::Delta},
      {"blocked/code32.exe", X86Like(5, 40000), false, AceMethod::Exe32},
      {"blocked/code16.com", X86Like(6, 20000), false, AceMethod::Exe16},
      {"blocked/empty", "", false, AceMethod::Exe32},
  };
  AceEntrySpec blockedFolder = AceFolder("blocked/sub");
  blockedFolder.method = AceMethod::Delta;
  entries.push_back(blockedFolder);
  for (AceEntrySpec& entry : entries) entry.encrypted = encrypted && !entry.folder;
  entries[8].encrypted = false;  // nothing to encrypt in an empty file
  return entries;
}

TEST_F(LibraryReadsWriter, EveryModeWithTheLargestDictionary) {
  const std::vector<AceEntrySpec> entries = EveryMode(false);
  AceOptions options;
  options.dictionaryBits = 22;
  const std::string archive = dir / "modes.ace";
  WriteAce(archive, entries, options);
  expect_extracted(entries, ExtractAll(archive, out), 22);
}

// Each entry continues the dictionary of the ones before it, which holds the
// filtered bytes of DELTA and EXE blocks and the bytes of stored entries.
TEST_F(LibraryReadsWriter, ASolidArchiveMixingTheModes) {
  std::vector<AceEntrySpec> entries = EveryMode(false);
  entries.push_back({"again.txt", LogText(2, 30000) + "!", false, AceMethod::Lz77});
  entries.push_back({"again.raw", Samples(4, 30000), false, AceMethod::Delta});
  AceOptions options;
  options.solid = true;
  options.dictionaryBits = 17;
  const std::string archive = dir / "solid.ace";
  WriteAce(archive, entries, options);
  expect_extracted(entries, ExtractAll(archive, out), 17);
}

TEST_F(LibraryReadsWriter, EncryptedEntriesOfEveryModeWithThePassword) {
  const std::vector<AceEntrySpec> entries = EveryMode(true);
  AceOptions options;
  options.password = "s3cret";
  const std::string archive = dir / "encrypted.ace";
  WriteAce(archive, entries, options);
  expect_extracted(entries, ExtractAll(archive, out, "s3cret"), 15);
}

TEST_F(LibraryReadsWriter, AWrongPasswordIsBadData) {
  AceOptions options;
  options.password = "right";
  const std::string archive = dir / "encrypted.ace";
  WriteAce(archive,
           {{"a.txt", LogText(7, 20000), false, AceMethod::Lz77, true},
            {"b.bin", RandomBytes(8, 500), false, AceMethod::Stored, true}},
           options);
  const std::vector<ReadEntry> read = ExtractAll(archive, out, "wrong");
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].result, ACE_BAD_DATA);
  EXPECT_EQ(read[1].result, ACE_BAD_DATA);
}

// The cipher's chain and the solid dictionary run on across the volume changes.
TEST_F(LibraryReadsWriter, ASolidEncryptedVolumeSetWithSplitEntries) {
  const std::vector<AceEntrySpec> entries = {
      {"one.txt", LogText(9, 40000), false, AceMethod::Lz77, true},
      {"two.raw", Samples(10, 70000), false, AceMethod::Delta, true},
      AceFolder("dir"),
      {"dir/three.exe", X86Like(11, 30000), false, AceMethod::Exe32, true},
      {"dir/four.bin", RandomBytes(12, 9000), false, AceMethod::Stored, true},
  };
  AceOptions options;
  options.solid = true;
  options.password = "volumes";
  const std::vector<std::string> volumes = WriteAceVolumes(dir / "set", 7000, entries, options);
  ASSERT_GE(volumes.size(), 6u);
  expect_extracted(entries, ExtractAll(volumes.front(), out, "volumes"), 15);
}

}  // namespace
