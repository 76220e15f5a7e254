// The RAR5 block parser on the corpus's archives, walked block after block.
#include "rar5_headers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "corpus_cases.h"
#include "rar5_block_builder.h"

namespace unrar {
namespace {

using namespace rar5_test_blocks;

const std::filesystem::path kRarCorpus = std::filesystem::path(TESSALY_CORPUS_DIR) / "rar";

Bytes read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  Bytes bytes(std::filesystem::file_size(path));
  in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
  return bytes;
}

// Offset of the first block, after the signature (searched for in SFX files).
std::optional<size_t> first_block_offset(const Bytes& archive) {
  auto hit =
      std::search(archive.begin(), archive.end(), kRar5Signature.begin(), kRar5Signature.end());
  if (hit == archive.end()) return std::nullopt;
  return size_t(hit - archive.begin()) + kRar5Signature.size();
}

struct Walk {
  std::vector<Rar5Block> blocks;
  Rar5ParseResult last = Rar5ParseResult::ok;
  bool reachedEnd = false;
};

// Parses block after block until the end block, an error, or an encryption header
// (what follows it needs the password).
Walk walk_archive(const Bytes& archive) {
  Walk walk;
  std::optional<size_t> offset = first_block_offset(archive);
  if (!offset) {
    walk.last = Rar5ParseResult::bad_header;
    return walk;
  }
  while (*offset < archive.size()) {
    // The archive's buffer ends where the bytes given end, so ASan sees any read
    // past them.
    Rar5Block block;
    size_t headerBytes = 0;
    walk.last =
        parse_rar5_block(archive.data() + *offset, archive.size() - *offset, block, headerBytes);
    if (walk.last != Rar5ParseResult::ok) return walk;
    walk.blocks.push_back(block);
    if (block.type == Rar5BlockType::end) {
      walk.reachedEnd = true;
      return walk;
    }
    if (block.type == Rar5BlockType::encryption) return walk;
    if (block.dataSize > archive.size()) return walk;
    *offset += headerBytes + block.dataSize;
  }
  walk.last = Rar5ParseResult::need_more;
  return walk;
}

std::vector<Rar5FileHeader> files_of(const Walk& walk) {
  std::vector<Rar5FileHeader> files;
  for (const Rar5Block& block : walk.blocks)
    if (block.type == Rar5BlockType::file) files.push_back(block.file);
  return files;
}

TEST(Rar5HeadersCorpus, EveryArchiveListsItsExpectedEntries) {
  int checkedCases = 0;
  int checkedEntries = 0;
  for (const unrar_test::Case& c : unrar_test::load_cases()) {
    if (!first_block_offset(read_file(kRarCorpus / c.archive))) continue;  // not RAR5
    SCOPED_TRACE(c.archive);
    ++checkedCases;
    const bool damaged = c.has("damaged");
    const std::vector<unrar_test::Row>& rows = c.rows;
    std::map<std::string, Rar5FileHeader> headers;
    bool encryptedHeaders = false;
    for (const unrar_test::Row& row : rows) {
      if (row.type != "part") continue;
      const Walk walk = walk_archive(read_file(kRarCorpus / row.path));
      if (!walk.blocks.empty() && walk.blocks.front().type == Rar5BlockType::encryption) {
        encryptedHeaders = true;
        continue;
      }
      if (damaged) continue;
      // This one ends in five stray bytes instead of an end block; its entry is whole.
      if (row.path != "test_read_format_rar5_owner_name_toolong.rar") {
        EXPECT_TRUE(walk.reachedEnd) << row.path << " stopped with " << int(walk.last);
      }
      for (const Rar5FileHeader& file : files_of(walk)) headers[file.name] = file;
    }
    if (damaged || encryptedHeaders) continue;
    for (const unrar_test::Row& row : rows) {
      const auto found = headers.find(row.path);
      if (row.type == "dir") {
        if (found != headers.end()) {
          EXPECT_TRUE(found->second.directory) << row.path;
        }
        continue;
      }
      if (row.type != "file" && row.type != "link") continue;
      ASSERT_NE(found, headers.end()) << row.path;
      EXPECT_FALSE(found->second.directory) << row.path;
      if (row.type == "link") {
        ASSERT_TRUE(found->second.redirection) << row.path;
        EXPECT_EQ(std::to_string(found->second.redirection->target.size()), row.size);
      } else {
        EXPECT_EQ(std::to_string(found->second.unpackedSize), row.size) << row.path;
      }
      ++checkedEntries;
    }
  }
  EXPECT_GE(checkedCases, 40);
  EXPECT_GE(checkedEntries, 60);
}

TEST(Rar5HeadersCorpus, VolumesCarrySplitFlagsAndNumbers) {
  struct Part {
    const char* name;
    std::optional<uint64_t> volumeNumber;
    bool splitBefore, splitAfter, moreVolumes;
  };
  const Part parts[] = {{"rar5-vols.part1.rar", std::nullopt, false, true, true},
                        {"rar5-vols.part2.rar", 1, true, true, true},
                        {"rar5-vols.part3.rar", 2, true, false, false}};
  for (const Part& part : parts) {
    SCOPED_TRACE(part.name);
    const Walk walk = walk_archive(read_file(kRarCorpus / part.name));
    ASSERT_TRUE(walk.reachedEnd);
    ASSERT_EQ(walk.blocks.front().type, Rar5BlockType::main);
    EXPECT_TRUE(walk.blocks.front().main.volume);
    EXPECT_EQ(walk.blocks.front().main.volumeNumber, part.volumeNumber);
    EXPECT_EQ(walk.blocks.back().end.moreVolumes, part.moreVolumes);
    const auto files = files_of(walk);
    const auto big = std::find_if(files.begin(), files.end(), [](const Rar5FileHeader& file) {
      return file.name == "vols/bigfile.txt";
    });
    ASSERT_NE(big, files.end());
    EXPECT_EQ(big->splitBefore, part.splitBefore);
    EXPECT_EQ(big->splitAfter, part.splitAfter);
    EXPECT_EQ(big->unpackedSize, 205000u);
  }
}

TEST(Rar5HeadersCorpus, SymbolicLinksAndFineTimes) {
  const auto files = files_of(walk_archive(read_file(kRarCorpus / "rar5-symlink-unix.rar")));
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].name, "data_link");
  ASSERT_TRUE(files[0].redirection);
  EXPECT_EQ(files[0].redirection->type, uint64_t(Rar5RedirectionType::unix_symlink));
  EXPECT_EQ(files[0].redirection->target, "data.txt");
  EXPECT_FALSE(files[0].redirection->targetIsDirectory);
  ASSERT_TRUE(files[0].modified);
  EXPECT_EQ(files[0].modified->unixSeconds, 1595794438);
  EXPECT_EQ(files[0].modified->nanoseconds, 125453113u);
  EXPECT_EQ(files[0].hostOs, 1u);
  EXPECT_FALSE(files[1].redirection);
  ASSERT_TRUE(files[2].redirection);
  EXPECT_EQ(files[2].redirection->target, "../random123");
}

TEST(Rar5HeadersCorpus, WindowsFiletimeBecomesUnixTime) {
  const auto files = files_of(walk_archive(read_file(kRarCorpus / "rar5-times2.rar")));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].name, "afile.txt");
  ASSERT_TRUE(files[0].modified);
  EXPECT_EQ(files[0].modified->unixSeconds, 1305052127);  // 2011-05-10 18:28:47 UTC
  EXPECT_EQ(files[0].modified->nanoseconds, 899345100u);
  EXPECT_FALSE(files[0].created);
  EXPECT_FALSE(files[0].accessed);
}

TEST(Rar5HeadersCorpus, DictionaryAndChecksumsOfCompressedEntries) {
  const auto files =
      files_of(walk_archive(read_file(kRarCorpus / "test_read_format_rar5_blake2.rar")));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(files[0].blake2);
  EXPECT_FALSE(files[0].crc32);
  EXPECT_GE(files[0].dictionarySize, 128u * 1024);
  EXPECT_EQ(files[0].dictionarySize & (files[0].dictionarySize - 1), 0u);
  EXPECT_EQ(files[0].algorithmVersion(), 0);
}

// Every byte of the corpus's first file headers changed in turn, the CRC fixed so
// that the parser goes past it: each ends in a result, in bounds.
TEST(Rar5HeadersCorpus, MutatedHeadersEndInAResult) {
  for (const char* name : {"rar5-symlink-unix.rar", "test_read_format_rar5_blake2.rar",
                           "rar5-vols.part2.rar", "test_read_format_rar5_win32.rar"}) {
    const Bytes archive = read_file(kRarCorpus / name);
    const Walk walk = walk_archive(archive);
    ASSERT_GE(walk.blocks.size(), 2u) << name;
    // The main header of these archives is followed by the first file header.
    size_t offset = *first_block_offset(archive);
    Rar5Block block;
    size_t headerBytes = 0;
    ASSERT_EQ(
        parse_rar5_block(archive.data() + offset, archive.size() - offset, block, headerBytes),
        Rar5ParseResult::ok);
    offset += headerBytes + block.dataSize;
    ASSERT_EQ(
        parse_rar5_block(archive.data() + offset, archive.size() - offset, block, headerBytes),
        Rar5ParseResult::ok);
    const Bytes header(archive.begin() + offset, archive.begin() + offset + headerBytes);
    const size_t bodyStart = headerBytes - size_t(block.headerSize);
    for (size_t i = bodyStart; i < header.size(); ++i) {
      for (uint8_t change : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
        Bytes body(header.begin() + bodyStart, header.end());
        body[i - bodyStart] ^= change;
        const Bytes mutated = with_crc(body);
        Rar5Block parsed;
        size_t used = 0;
        const Rar5ParseResult result =
            parse_rar5_block(mutated.data(), mutated.size(), parsed, used);
        EXPECT_TRUE(result == Rar5ParseResult::ok || result == Rar5ParseResult::bad_header)
            << name << " byte " << i;
      }
    }
  }
}

}  // namespace
}  // namespace unrar
