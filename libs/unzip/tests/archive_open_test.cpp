// Opening: what is not a ZIP, where the archive starts inside a file, odd archives.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "test_support.h"
#include "zip_crc32.h"

namespace unzip::test {
namespace {

std::vector<unsigned char> concat(std::vector<unsigned char> a,
                                  const std::vector<unsigned char>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<unsigned char> random_stub(std::size_t size) {
  std::vector<unsigned char> stub(size);
  uint32_t state = 7;
  for (auto& byte : stub) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<unsigned char>(state >> 24);
  }
  return stub;
}

class OpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write_zip(dir_ / "plain.zip",
              {Entry("a.txt", "first entry\n", ZIP_CM_DEFLATE),
               Entry("sub/b.bin", as_text(sample_bytes(50000)), ZIP_CM_DEFLATE)});
    plain_ = read_bytes(dir_ / "plain.zip");
  }

  // Opens bytes written to a file and checks both entries decode.
  void expect_readable(const std::vector<unsigned char>& bytes, uint64_t prefix) {
    write_bytes(dir_ / "probe.zip", bytes);
    OpenResult result;
    auto archive = open_ok(dir_ / "probe.zip", result);
    ASSERT_TRUE(archive);
    EXPECT_EQ(result.prefix_bytes, prefix);
    ASSERT_EQ(archive->entries().size(), 2u);
    const Decoded decoded = decode(*archive, archive->entries()[1]);
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

TEST_F(OpenTest, MissingFileAndFolderAreNamedAsSuch) {
  OpenResult result;
  EXPECT_EQ(ZipArchive::open((dir_ / "nothing.zip").string(), result), nullptr);
  EXPECT_EQ(result.status, OpenStatus::NotFound);
  EXPECT_FALSE(result.system_error.empty());
  EXPECT_EQ(ZipArchive::open(dir_.path().string(), result), nullptr);
  EXPECT_EQ(result.status, OpenStatus::IsFolder);
}

TEST_F(OpenTest, PipeIsRefusedWithoutBlocking) {
  const std::string pipe = (dir_ / "pipe.zip").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  OpenResult result;
  EXPECT_EQ(ZipArchive::open(pipe, result), nullptr);
  EXPECT_EQ(result.status, OpenStatus::NoEndRecord);
}

TEST_F(OpenTest, FilesWithoutEndRecordAreNotZips) {
  EXPECT_EQ(open_status({}), OpenStatus::NoEndRecord);
  EXPECT_EQ(open_status(text_bytes("PK\x05")), OpenStatus::NoEndRecord);
  EXPECT_EQ(open_status(random_stub(100000)), OpenStatus::NoEndRecord);
  // More than the search span of other data after the archive hides its end record.
  EXPECT_EQ(open_status(concat(plain_, std::vector<unsigned char>(100 * 1024))),
            OpenStatus::NoEndRecord);
}

// Other bytes before or after the archive: a stub in front is measured as the prefix,
// unless zip -A adjusted the offsets; data after it within the search span is ignored;
// a recorded comment longer than what was written is tolerated (some writers do so).
TEST_F(OpenTest, ArchivesAmongOtherBytes) {
  auto long_comment = plain_;
  long_comment[long_comment.size() - 2] = 100;
  write_bytes(dir_ / "sfx.zip", concat(random_stub(20480), plain_));
  ASSERT_EQ(run_in(dir_.path(), "zip -A sfx.zip"), 0);
  const std::pair<std::vector<unsigned char>, uint64_t> cases[] = {
      {concat(plain_, std::vector<unsigned char>(20 * 1024)), 0},
      {concat(random_stub(20480), plain_), 20480},
      {read_bytes(dir_ / "sfx.zip"), 0},
      {long_comment, 0},
      {concat(random_stub(20480), long_comment), 20480},
  };
  for (const auto& [bytes, prefix] : cases) {
    SCOPED_TRACE(prefix);
    expect_readable(bytes, prefix);
  }
  OpenResult result;
  auto archive = open_ok(dir_ / "probe.zip", result);
  ASSERT_TRUE(archive);
  EXPECT_EQ(archive->comment(), "");
}

TEST_F(OpenTest, EmptyArchiveOpensWithoutEntries) {
  const std::vector<unsigned char> empty = {'P', 'K', 5, 6, 0, 0, 0, 0, 0, 0, 0,
                                            0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0};
  write_bytes(dir_ / "empty.zip", empty);
  OpenResult result;
  auto archive = open_ok(dir_ / "empty.zip", result);
  ASSERT_TRUE(archive);
  EXPECT_TRUE(result.empty);
  EXPECT_TRUE(archive->entries().empty());
}

TEST_F(OpenTest, CentralDirectoryDamageIsReported) {
  auto bytes = plain_;
  const std::size_t eocd = bytes.size() - 22;
  const uint32_t central_offset = bytes[eocd + 16] | (bytes[eocd + 17] << 8);
  bytes[central_offset] = 'X';  // first central signature
  EXPECT_EQ(open_status(bytes), OpenStatus::Damaged);

  bytes = plain_;
  bytes[eocd + 19] = 0x7F;  // directory offset far beyond the file
  EXPECT_EQ(open_status(bytes), OpenStatus::Damaged);
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

void put(std::ofstream& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i, value >>= 8) out.put(static_cast<char>(value & 0xFF));
}

// A stored zip64 entry just over 4 GiB of zeros, written as a sparse file: sizes
// and offsets only fit in the zip64 fields, and every byte must come through.
TEST(OpenLarge, SlowZip64EntryBeyondFourGiB) {
  TempDir dir;
  const uint64_t size = (uint64_t{1} << 32) + 10;
  const std::vector<unsigned char> zeros(1 << 20);
  uint32_t crc = 0;
  for (uint64_t done = 0; done < size;) {
    const auto piece = static_cast<std::size_t>(std::min<uint64_t>(zeros.size(), size - done));
    crc = crc32_update(crc, zeros.data(), piece);
    done += piece;
  }
  const std::string name = "big.bin";
  {
    std::ofstream out(dir / "big.zip", std::ios::binary);
    auto zip64_extra = [&] {
      put(out, 0x0001, 2);
      put(out, 16, 2);
      put(out, size, 8);
      put(out, size, 8);
    };
    auto common = [&] {  // version needed .. name/extra lengths
      put(out, 45, 2);
      put(out, 0, 2);
      put(out, 0, 2);
      put(out, 0x5A2C6000, 4);
      put(out, crc, 4);
      put(out, 0xFFFFFFFF, 4);
      put(out, 0xFFFFFFFF, 4);
      put(out, name.size(), 2);
      put(out, 20, 2);
    };
    put(out, 0x04034b50, 4);
    common();
    out << name;
    zip64_extra();
    const uint64_t data_start = 30 + name.size() + 20;
    out.seekp(static_cast<std::streamoff>(data_start + size));
    const uint64_t central_offset = data_start + size;
    put(out, 0x02014b50, 4);
    put(out, 45, 2);
    common();
    put(out, 0, 6);  // comment length, disk, internal attributes
    put(out, 0, 8);  // external attributes, local header offset
    out << name;
    zip64_extra();
    const uint64_t central_size = 46 + name.size() + 20;
    const uint64_t zip64_end = central_offset + central_size;
    put(out, 0x06064b50, 4);
    put(out, 44, 8);
    put(out, 45, 2);
    put(out, 45, 2);
    put(out, 0, 8);  // this disk, directory disk
    put(out, 1, 8);
    put(out, 1, 8);
    put(out, central_size, 8);
    put(out, central_offset, 8);
    put(out, 0x07064b50, 4);
    put(out, 0, 4);
    put(out, zip64_end, 8);
    put(out, 1, 4);
    put(out, 0x06054b50, 4);
    put(out, 0, 4);
    put(out, 1, 2);
    put(out, 1, 2);
    put(out, central_size, 4);
    put(out, 0xFFFFFFFF, 4);
    put(out, 0, 2);
  }
  OpenResult result;
  auto archive = open_ok(dir / "big.zip", result);
  ASSERT_TRUE(archive);
  const EntryInfo& entry = archive->entries().at(0);
  EXPECT_EQ(entry.uncompressed_size, size);
  EXPECT_EQ(entry.compressed_size, size);
  ReadStatus status;
  auto reader = archive->open_entry(entry, "", status);
  ASSERT_TRUE(reader);
  std::vector<unsigned char> buffer(1 << 20);
  uint64_t total = 0;
  long long count;
  while ((count = reader->read(buffer.data(), buffer.size())) > 0) total += count;
  EXPECT_EQ(count, 0);
  EXPECT_EQ(total, size);
  EXPECT_EQ(reader->finish(), ReadStatus::Ok);
  EXPECT_EQ(reader->computed_crc(), crc);
}

TEST(OpenCorpus, EntryFieldsComeFromTheCentralDirectory) {
  SKIP_WITHOUT_CORPUS();
  OpenResult result;
  auto archive = open_ok(corpus_file("sc-Zip.zip64.zip"), result);
  ASSERT_TRUE(archive);
  EXPECT_EQ(result.prefix_bytes, 0u);
  const EntryInfo* exe = find_entry(*archive, "exe/test.exe");
  ASSERT_NE(exe, nullptr);
  EXPECT_EQ(exe->method, 8);
  EXPECT_EQ(exe->real_method, 8);
  EXPECT_EQ(exe->version_needed & 0xFF, 45);
  EXPECT_EQ(exe->host_system, 0);
  EXPECT_EQ(exe->uncompressed_size, 45056u);
  EXPECT_EQ(exe->crc, 0xcfb109c8u);
  EXPECT_FALSE(exe->encrypted);
  EXPECT_EQ(archive->entries().size(), 3u);
}

}  // namespace
}  // namespace unzip::test
