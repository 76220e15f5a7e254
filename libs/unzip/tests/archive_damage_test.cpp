// Damaged data ends in an error, never in a crash, a hang or a short success.
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <random>

#include "test_support.h"
#include "zip_decoders.h"

namespace unzip::test {
namespace {

// Test double: hands out fixed bytes in small pieces.
class MemoryStream final : public ByteStream {
 public:
  explicit MemoryStream(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}
  long long read(unsigned char* buffer, std::size_t size) override {
    const std::size_t count = std::min({size, bytes_.size() - pos_, std::size_t{999}});
    std::copy_n(bytes_.begin() + static_cast<long>(pos_), count, buffer);
    pos_ += count;
    return static_cast<long long>(count);
  }
  ReadStatus status() const override { return ReadStatus::Ok; }

 private:
  std::vector<unsigned char> bytes_;
  std::size_t pos_ = 0;
};

struct StreamOutcome {
  ReadStatus status = ReadStatus::Ok;
  uint64_t produced = 0;
};

StreamOutcome run_decoder(uint16_t method, uint64_t size, std::vector<unsigned char> raw) {
  StreamOutcome outcome;
  auto decoder =
      make_decoder(method, 0, size, std::make_unique<MemoryStream>(std::move(raw)), outcome.status);
  if (!decoder) return outcome;
  std::vector<unsigned char> buffer(4096);
  for (;;) {
    const long long count = decoder->read(buffer.data(), buffer.size());
    if (count < 0) {
      outcome.status = decoder->status();
      return outcome;
    }
    if (count == 0) return outcome;
    outcome.produced += static_cast<uint64_t>(count);
    if (outcome.produced > 2 * size + 1000) return outcome;  // runaway output
  }
}

// The raw compressed stream of the archive's first entry, read through libzip.
std::vector<unsigned char> raw_stream(const std::filesystem::path& path) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  EXPECT_NE(archive, nullptr);
  if (!archive) return {};
  std::vector<unsigned char> raw;
  zip_file_t* file = zip_fopen_index(archive, 0, ZIP_FL_COMPRESSED);
  EXPECT_NE(file, nullptr);
  unsigned char buffer[4096];
  zip_int64_t count;
  while (file && (count = zip_fread(file, buffer, sizeof buffer)) > 0) {
    raw.insert(raw.end(), buffer, buffer + count);
  }
  if (file) zip_fclose(file);
  zip_discard(archive);
  return raw;
}

struct MethodMaker {
  const char* label;
  const char* command;  // writes a.zip from data.bin
  uint16_t method;
};

class DamagedStream : public ::testing::TestWithParam<MethodMaker> {
 protected:
  void SetUp() override {
    write_bytes(dir_ / "data.bin", data_);
    ASSERT_EQ(run_in(dir_.path(), GetParam().command), 0);
    raw_ = raw_stream(dir_ / "a.zip");
    ASSERT_GT(raw_.size(), 100u);
  }

  TempDir dir_;
  const std::vector<unsigned char> data_ = sample_bytes(60000, 5);
  std::vector<unsigned char> raw_;
};

TEST_P(DamagedStream, WholeStreamDecodes) {
  const StreamOutcome outcome = run_decoder(GetParam().method, data_.size(), raw_);
  EXPECT_EQ(outcome.status, ReadStatus::Ok);
  EXPECT_EQ(outcome.produced, data_.size());
}

TEST_P(DamagedStream, TruncatedStreamFails) {
  for (std::size_t keep : {raw_.size() / 2, raw_.size() - 1, std::size_t{3}, std::size_t{0}}) {
    SCOPED_TRACE(keep);
    std::vector<unsigned char> cut(raw_.begin(), raw_.begin() + static_cast<long>(keep));
    const StreamOutcome outcome = run_decoder(GetParam().method, data_.size(), cut);
    EXPECT_TRUE(outcome.status != ReadStatus::Ok || outcome.produced < data_.size());
  }
}

// Garbled streams may decode to something; they must stay in bounds (ASan) and
// never produce much more than the entry's size.
TEST_P(DamagedStream, GarbledStreamStaysInBounds) {
  std::mt19937 random(42);
  for (int round = 0; round < 40; ++round) {
    auto garbled = raw_;
    for (int flips = 0; flips < 1 + round % 4; ++flips) {
      garbled[random() % garbled.size()] ^= static_cast<unsigned char>(1 + random() % 255);
    }
    const StreamOutcome outcome = run_decoder(GetParam().method, data_.size(), garbled);
    EXPECT_LE(outcome.produced, 2 * data_.size() + 1000);
  }
}

TEST_P(DamagedStream, CorruptedEntryIsNeverOk) {
  auto bytes = read_bytes(dir_ / "a.zip");
  const std::size_t middle = data_at(dir_ / "a.zip", "data.bin") + raw_.size() / 2;
  for (std::size_t i = 0; i < 8; ++i) bytes.at(middle + i) ^= 0x5A;
  write_bytes(dir_ / "a.zip", bytes);
  OpenResult result;
  auto archive = open_ok(dir_ / "a.zip", result);
  ASSERT_TRUE(archive);
  const Decoded decoded = decode(*archive, archive->entries().at(0));
  EXPECT_NE(decoded.outcome(), ReadStatus::Ok);
}

const MethodMaker kMethodMakers[] = {
    {"Deflate", "zip -q a.zip data.bin", 8},
    {"Bzip2", "zip -q -Z bzip2 a.zip data.bin", 12},
    {"LzmaEndMarker", "7z a -tzip -mm=LZMA a.zip data.bin", 14},
    {"LzmaNoEndMarker", "7z a -tzip -m0=LZMA:eos=off a.zip data.bin", 14},
};

INSTANTIATE_TEST_SUITE_P(Methods, DamagedStream, ::testing::ValuesIn(kMethodMakers),
                         [](const auto& info) { return std::string(info.param.label); });

struct CorpusStream {
  const char* archive;
  const char* entry;
  uint16_t method;
};

// XZ and zstd have no writer here; their fixture streams are cut instead.
TEST(DamagedCorpusStream, TruncatedXzAndZstdFail) {
  SKIP_WITHOUT_CORPUS();
  for (const CorpusStream& row : {CorpusStream{"zip2-xz.zip", "hello.txt", 95},
                                  CorpusStream{"sc-WinZip27_ZSTD.zipx", "exe/test.exe", 93}}) {
    SCOPED_TRACE(row.archive);
    int error = 0;
    zip_t* archive = zip_open(corpus_file(row.archive).c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(archive, nullptr);
    const zip_int64_t index = zip_name_locate(archive, row.entry, 0);
    zip_stat_t stat;
    ASSERT_EQ(zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat), 0);
    zip_file_t* file =
        zip_fopen_index(archive, static_cast<zip_uint64_t>(index), ZIP_FL_COMPRESSED);
    ASSERT_NE(file, nullptr);
    std::vector<unsigned char> raw(stat.comp_size);
    ASSERT_EQ(zip_fread(file, raw.data(), raw.size()), static_cast<zip_int64_t>(raw.size()));
    zip_fclose(file);
    zip_discard(archive);

    EXPECT_EQ(run_decoder(row.method, stat.size, raw).status, ReadStatus::Ok);
    raw.resize(raw.size() - 5);
    const StreamOutcome outcome = run_decoder(row.method, stat.size, raw);
    EXPECT_TRUE(outcome.status != ReadStatus::Ok || outcome.produced < stat.size);
  }
}

TEST(DamagedLzmaHeader, WrongPropertiesSizeIsInvalid) {
  std::vector<unsigned char> raw = {9, 20, 6, 0, 0x5d, 0, 0, 1, 0, 0};
  ReadStatus status = ReadStatus::Ok;
  EXPECT_EQ(make_decoder(14, 0, 10, std::make_unique<MemoryStream>(raw), status), nullptr);
  EXPECT_EQ(status, ReadStatus::InvalidData);
}

// Sizes that reach past the data (into the directory, or past the file's end).
TEST(DamagedSizes, EntryLongerThanItsDataIsNeverOk) {
  TempDir dir;
  int decoded = 0;
  for (uint32_t recorded : {200u, 100000u}) {
    SCOPED_TRACE(recorded);
    for (uint16_t method : {uint16_t{0}, uint16_t{8}, uint16_t{95}}) {
      RawEntry entry = stored_entry("e", sample_bytes(100));
      entry.method = method;
      entry.recorded_compressed_size = recorded;
      write_raw_zip(dir / "s.zip", {entry});
      OpenResult result;
      auto archive = ZipArchive::open((dir / "s.zip").string(), result);
      if (!archive) continue;  // refused at open: fine too
      EXPECT_NE(decode(*archive, archive->entries().at(0)).outcome(), ReadStatus::Ok);
      ++decoded;
    }
  }
  EXPECT_GT(decoded, 0);  // libzip opens at least some of them
}

// Random byte flips across whole corpus archives: whatever opens must decode or
// fail cleanly.
TEST(DamagedArchive, SlowFlippedCorpusBytesNeverCrash) {
  SKIP_WITHOUT_CORPUS();
  TempDir dir;
  std::mt19937 random(7);
  const std::pair<const char*, const char*> fixtures[] = {{"sc-Zip.zip64.zip", ""},
                                                          {"zip2-aes_archive.zip", "helloworld"},
                                                          {"sc-zipcrypto.zip", "test"},
                                                          {"sc-WinZip27_ZSTD.zipx", ""},
                                                          {"zip2-xz.zip", ""},
                                                          {"sc-Zip.UnicodePathExtra.zip", ""},
                                                          {"sc-Zip.none.encrypted.zip", "test"},
                                                          {"zip2-data_descriptor.zip", ""}};
  for (const auto& [name, password] : fixtures) {
    const auto original = read_bytes(corpus_file(name));
    for (int round = 0; round < 25; ++round) {
      auto bytes = original;
      for (int flips = 0; flips < 1 + round % 5; ++flips) {
        bytes[random() % bytes.size()] = static_cast<unsigned char>(random());
      }
      write_bytes(dir / "f.zip", bytes);
      OpenResult result;
      auto archive = ZipArchive::open((dir / "f.zip").string(), result);
      if (!archive) continue;
      for (const EntryInfo& entry : archive->entries()) {
        archive->password_matches(entry, password);
        decode(*archive, entry, password);
      }
    }
  }
}

}  // namespace
}  // namespace unzip::test
