// Opening: what is not a ZIP, where the archive starts inside a file, odd directories
// (a stub in front, plain files, missing files and folders go through the whole call).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "test_support.h"

namespace unzip::test {
namespace {

std::vector<unsigned char> concat(std::vector<unsigned char> a,
                                  const std::vector<unsigned char>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class OpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write_zip(dir_ / "plain.zip",
              {Entry("a.txt", "first entry\n", ZIP_CM_DEFLATE),
               Entry("sub/b.bin", as_text(sample_bytes(50000)), ZIP_CM_DEFLATE)});
    plain_ = read_bytes(dir_ / "plain.zip");
  }

  // Opens bytes written to a file and checks the second entry decodes.
  void expect_readable(const std::vector<unsigned char>& bytes, uint64_t prefix) {
    write_bytes(dir_ / "probe.zip", bytes);
    OpenResult result;
    auto archive = open_ok(dir_ / "probe.zip", result);
    ASSERT_TRUE(archive);
    EXPECT_EQ(result.prefix_bytes, prefix);
    EXPECT_EQ(archive->comment(), "");
    const Decoded decoded = decode(*archive, archive->entries().at(1));
    EXPECT_EQ(decoded.outcome(), ReadStatus::Ok);
    EXPECT_EQ(decoded.data, sample_bytes(50000));
  }

  OpenStatus open_status(const std::vector<unsigned char>& bytes) {
    write_bytes(dir_ / "probe.zip", bytes);
    OpenResult result;
    auto archive = ZipArchive::open((dir_ / "probe.zip").string(), result);
    EXPECT_EQ(archive == nullptr, result.status != OpenStatus::Ok);
    return result.status;
  }

  TempDir dir_;
  std::vector<unsigned char> plain_;
};

TEST_F(OpenTest, PipeIsRefusedWithoutBlocking) {
  const std::string pipe = (dir_ / "pipe.zip").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  OpenResult result;
  EXPECT_EQ(ZipArchive::open(pipe, result), nullptr);
  EXPECT_EQ(result.status, OpenStatus::NoEndRecord);
}

// No end record (more than the search span of other data after the archive hides
// it), or a directory that is not where the end record says.
TEST_F(OpenTest, WhatIsNoUsableZipSaysWhy) {
  const std::size_t eocd = plain_.size() - 22;
  auto badSignature = plain_;
  badSignature[plain_[eocd + 16] | (plain_[eocd + 17] << 8)] = 'X';  // first central record
  auto farOffset = plain_;
  farOffset[eocd + 19] = 0x7F;
  const std::pair<std::vector<unsigned char>, OpenStatus> cases[] = {
      {{}, OpenStatus::NoEndRecord},
      {text_bytes("PK\x05"), OpenStatus::NoEndRecord},
      {concat(plain_, std::vector<unsigned char>(100 * 1024)), OpenStatus::NoEndRecord},
      {badSignature, OpenStatus::Damaged},
      {farOffset, OpenStatus::Damaged},
  };
  for (const auto& [bytes, status] : cases) EXPECT_EQ(open_status(bytes), status) << bytes.size();
}

// Data after the archive within the search span is ignored; a stub in front that
// zip -A adjusted the offsets for is no prefix; a recorded comment longer than what
// was written is tolerated (some writers do so), with a stub in front too.
TEST_F(OpenTest, ArchivesAmongOtherBytes) {
  const std::vector<unsigned char> stub = sample_bytes(20480, 7);
  auto long_comment = plain_;
  long_comment[long_comment.size() - 2] = 100;
  write_bytes(dir_ / "sfx.zip", concat(stub, plain_));
  ASSERT_EQ(run_in(dir_.path(), "zip -A sfx.zip"), 0);
  const std::pair<std::vector<unsigned char>, uint64_t> cases[] = {
      {concat(plain_, std::vector<unsigned char>(20 * 1024)), 0},
      {read_bytes(dir_ / "sfx.zip"), 0},
      {long_comment, 0},
      {concat(stub, long_comment), 20480},
  };
  for (const auto& [bytes, prefix] : cases) {
    SCOPED_TRACE(bytes.size());
    expect_readable(bytes, prefix);
  }
}

// Old writers recorded wrong directory sizes; the directory at its recorded
// offset still reads, up to the end record.
TEST_F(OpenTest, WrongDirectorySizeIsCompensated) {
  for (int error : {-10, +10, +0x10000}) {
    SCOPED_TRACE(error);
    auto bytes = plain_;
    const std::size_t eocd = bytes.size() - 22;
    uint32_t size = bytes[eocd + 12] | (bytes[eocd + 13] << 8) | (bytes[eocd + 14] << 16);
    size += error;
    for (int i = 0; i < 4; ++i) bytes[eocd + 12 + i] = static_cast<unsigned char>(size >> (8 * i));
    expect_readable(bytes, 0);
  }
}

}  // namespace
}  // namespace unzip::test
