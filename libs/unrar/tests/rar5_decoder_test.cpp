// The RAR5 decoder on the packed data of real archives, found by a small block
// walker of the test's own so that the decoder is tested apart from the layer.
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "rar_decoder.h"

namespace unrar {
namespace {

const std::string kCorpus = std::string(TESSALY_CORPUS_DIR) + "/rar/";

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t crc32_of(const std::vector<uint8_t>& data) {
  uint32_t crc = 0xFFFFFFFF;
  for (uint8_t byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

std::string sha256_of(const std::vector<uint8_t>& data) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(data.data(), data.size(), digest);
  std::string hex;
  for (unsigned char byte : digest) {
    static const char kDigits[] = "0123456789abcdef";
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

struct PackedEntry {
  std::string name;
  std::vector<uint8_t> packed;
  uint64_t unpackedSize = 0;
  bool hasCrc = false;
  uint32_t crc = 0;
  int version = 0;
  uint64_t dictionary = 0;
  bool solid = false;
  bool compressed = false;
};

// Walks the blocks of a RAR5 volume set and joins each file's data parts.
class BlockWalker {
 public:
  explicit BlockWalker(const std::vector<uint8_t>& data) : data_(data) {}

  bool vint(size_t& at, size_t end, uint64_t& value) const {
    value = 0;
    for (int shift = 0; at < end && shift < 64; shift += 7) {
      const uint8_t byte = data_[at++];
      value |= uint64_t{byte & 0x7Fu} << shift;
      if (!(byte & 0x80)) return true;
    }
    return false;
  }

  void walk(std::vector<PackedEntry>& entries) const {
    static const uint8_t kSignature[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
    auto found =
        std::search(data_.begin(), data_.end(), std::begin(kSignature), std::end(kSignature));
    if (found == data_.end()) return;
    size_t at = static_cast<size_t>(found - data_.begin()) + sizeof kSignature;
    while (at + 4 < data_.size()) {
      size_t field = at + 4;
      uint64_t headerSize = 0, type = 0, flags = 0, extraSize = 0, dataSize = 0;
      if (!vint(field, data_.size(), headerSize) || headerSize > data_.size() - field) return;
      const size_t headerEnd = field + headerSize;
      if (!vint(field, headerEnd, type) || !vint(field, headerEnd, flags)) return;
      if ((flags & 1) && !vint(field, headerEnd, extraSize)) return;
      if ((flags & 2) && !vint(field, headerEnd, dataSize)) return;
      if (type == 5) return;
      // A cut archive hands over what it still has.
      dataSize = std::min<uint64_t>(dataSize, data_.size() - headerEnd);
      if (type == 2) read_file_header(field, headerEnd, flags, dataSize, entries);
      at = headerEnd + dataSize;
    }
  }

 private:
  void read_file_header(size_t field, size_t end, uint64_t blockFlags, uint64_t dataSize,
                        std::vector<PackedEntry>& entries) const {
    uint64_t fileFlags = 0, unpackedSize = 0, attributes = 0, compression = 0, host = 0,
             nameLength = 0;
    if (!vint(field, end, fileFlags) || !vint(field, end, unpackedSize) ||
        !vint(field, end, attributes)) {
      return;
    }
    if (fileFlags & 2) field += 4;
    uint32_t crc = 0;
    if ((fileFlags & 4) && field + 4 <= end) std::memcpy(&crc, &data_[field], 4);
    if (fileFlags & 4) field += 4;
    if (!vint(field, end, compression) || !vint(field, end, host) ||
        !vint(field, end, nameLength) || nameLength > end - field) {
      return;
    }
    const auto data = data_.begin() + static_cast<ptrdiff_t>(end);
    if ((blockFlags & 0x0008) && !entries.empty()) {
      entries.back().packed.insert(entries.back().packed.end(), data,
                                   data + static_cast<ptrdiff_t>(dataSize));
      entries.back().crc = crc;
      return;
    }
    if (fileFlags & 1) return;
    PackedEntry entry;
    entry.name.assign(reinterpret_cast<const char*>(&data_[field]), nameLength);
    entry.packed.assign(data, data + static_cast<ptrdiff_t>(dataSize));
    entry.unpackedSize = unpackedSize;
    entry.hasCrc = (fileFlags & 4) != 0;
    entry.crc = crc;
    entry.version = static_cast<int>(compression & 0x3F);
    entry.dictionary = uint64_t{128 << 10} << ((compression >> 10) & 0xF);
    entry.solid = (compression & 0x40) != 0;
    entry.compressed = ((compression >> 7) & 7) != 0;
    entries.push_back(std::move(entry));
  }

  const std::vector<uint8_t>& data_;
};

std::vector<PackedEntry> entries_of(const std::vector<std::string>& volumes) {
  std::vector<PackedEntry> entries;
  for (const std::string& volume : volumes) {
    const std::vector<uint8_t> data = read_file(kCorpus + volume);
    BlockWalker(data).walk(entries);
  }
  return entries;
}

// Hands the packed bytes over in uneven slices, as volumes and ciphers do.
class SlicedInput : public PackedInput {
 public:
  explicit SlicedInput(const std::vector<uint8_t>& data) : data_(data) {}
  size_t read(uint8_t* buffer, size_t size) override {
    size = std::min({size, data_.size() - at_, size_t{777}});
    if (size == 0) return 0;
    std::memcpy(buffer, data_.data() + at_, size);
    at_ += size;
    return size;
  }
  bool failed() const override { return false; }

 private:
  const std::vector<uint8_t>& data_;
  size_t at_ = 0;
};

class CollectingOutput : public UnpackedOutput {
 public:
  bool write(const uint8_t* data, size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    largestPiece = std::max(largestPiece, size);
    ++pieces;
    return pieces <= stopAfterPieces;
  }
  std::vector<uint8_t> bytes;
  size_t largestPiece = 0;
  size_t pieces = 0;
  size_t stopAfterPieces = SIZE_MAX;
};

struct Decoded {
  DecodeResult result;
  std::vector<uint8_t> bytes;
};

// Decodes every compressed entry in order on one decoder, as an extraction does.
std::vector<Decoded> decode_all(const std::vector<PackedEntry>& entries) {
  std::vector<Decoded> decoded;
  std::unique_ptr<Decoder> decoder;
  for (const PackedEntry& entry : entries) {
    if (!entry.compressed) continue;
    if (!decoder) decoder = make_rar5_decoder(entry.dictionary, entry.version);
    if (!decoder) {
      decoded.push_back({DecodeResult::out_of_memory, {}});
      continue;
    }
    SlicedInput input(entry.packed);
    CollectingOutput output;
    const DecodeResult result =
        decoder->decode_entry(input, output, entry.unpackedSize, entry.solid);
    decoded.push_back({result, std::move(output.bytes)});
  }
  return decoded;
}

struct ExpectedFile {
  uint64_t size;
  std::string sha256;
};

std::map<std::string, ExpectedFile> expected_files(const std::string& archive) {
  std::map<std::string, ExpectedFile> files;
  std::ifstream in(kCorpus + "expected.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream row(line);
    std::string name, password, outcome, type, path, size, sha256;
    std::getline(row, name, '\t');
    std::getline(row, password, '\t');
    std::getline(row, outcome, '\t');
    std::getline(row, type, '\t');
    std::getline(row, path, '\t');
    std::getline(row, size, '\t');
    std::getline(row, sha256, '\t');
    if (name == archive && type == "file") files[path] = {std::stoull(size), sha256};
  }
  return files;
}

struct CorpusCase {
  std::vector<std::string> volumes;
  size_t compressedEntries;
};

class Rar5CorpusTest : public testing::TestWithParam<CorpusCase> {};

TEST_P(Rar5CorpusTest, EveryCompressedEntryComesOutAsListed) {
  const CorpusCase& corpusCase = GetParam();
  const std::vector<PackedEntry> entries = entries_of(corpusCase.volumes);
  const std::map<std::string, ExpectedFile> expected = expected_files(corpusCase.volumes[0]);
  const std::vector<Decoded> decoded = decode_all(entries);
  ASSERT_EQ(decoded.size(), corpusCase.compressedEntries);

  size_t next = 0;
  for (const PackedEntry& entry : entries) {
    if (!entry.compressed) continue;
    SCOPED_TRACE(entry.name);
    const Decoded& result = decoded[next++];
    ASSERT_EQ(result.result, DecodeResult::ok);
    if (entry.hasCrc) {
      EXPECT_EQ(crc32_of(result.bytes), entry.crc);
    }
    const auto listed = expected.find(entry.name);
    ASSERT_NE(listed, expected.end());
    EXPECT_EQ(result.bytes.size(), listed->second.size);
    EXPECT_EQ(sha256_of(result.bytes), listed->second.sha256);
  }
}

std::vector<std::string> volume_set(const std::string& stem, int count, int digits) {
  std::vector<std::string> volumes;
  for (int i = 1; i <= count; ++i) {
    std::string number = std::to_string(i);
    number.insert(0, static_cast<size_t>(digits) - number.size(), '0');
    volumes.push_back(stem + ".part" + number + ".rar");
  }
  return volumes;
}

std::string case_name(const testing::TestParamInfo<CorpusCase>& info) {
  std::string name = info.param.volumes[0].substr(0, info.param.volumes[0].find('.'));
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, Rar5CorpusTest,
    testing::Values(CorpusCase{{"rar5-dups.rar"}, 1}, CorpusCase{{"rar5-quick-open.rar"}, 2},
                    CorpusCase{{"rar5-solid-qo.rar"}, 4}, CorpusCase{{"rar5-crc.sfx"}, 1},
                    CorpusCase{{"test_read_format_rar5_arm.rar"}, 1},
                    CorpusCase{{"test_read_format_rar5_win32.rar"}, 7},
                    CorpusCase{{"test_read_format_rar5_multiple_files.rar"}, 4},
                    CorpusCase{{"test_read_format_rar5_solid.rar"}, 7},
                    CorpusCase{{"test_read_format_rar5_blake2.rar"}, 1},
                    CorpusCase{volume_set("test_read_format_rar5_multiarchive", 8, 2), 2},
                    CorpusCase{volume_set("test_read_format_rar5_multiarchive_solid", 4, 2), 9}),
    case_name);

TEST(Rar5DecoderTest, OutputComesInPiecesSoTheProgressCallbackRuns) {
  const std::vector<PackedEntry> entries =
      entries_of(volume_set("test_read_format_rar5_multiarchive", 8, 2));
  const PackedEntry& big = entries.back();
  ASSERT_EQ(big.unpackedSize, 365672u);
  auto decoder = make_rar5_decoder(big.dictionary, big.version);
  SlicedInput input(big.packed);
  CollectingOutput output;
  ASSERT_EQ(decoder->decode_entry(input, output, big.unpackedSize, false), DecodeResult::ok);
  EXPECT_EQ(output.bytes.size(), big.unpackedSize);
  EXPECT_LE(output.largestPiece, size_t{256} << 10);
  EXPECT_GE(output.pieces, 2u);
}

TEST(Rar5DecoderTest, RefusedWriteStopsTheEntryAndTheSolidStreamAfterIt) {
  const std::vector<PackedEntry> entries = entries_of({"test_read_format_rar5_solid.rar"});
  ASSERT_GE(entries.size(), 2u);
  ASSERT_TRUE(entries[1].solid);
  auto decoder = make_rar5_decoder(entries[0].dictionary, entries[0].version);
  SlicedInput first(entries[0].packed);
  CollectingOutput refusing;
  refusing.stopAfterPieces = 0;
  EXPECT_EQ(decoder->decode_entry(first, refusing, entries[0].unpackedSize, false),
            DecodeResult::stopped);
  SlicedInput second(entries[1].packed);
  CollectingOutput output;
  EXPECT_EQ(decoder->decode_entry(second, output, entries[1].unpackedSize, true),
            DecodeResult::bad_data);

  // A fresh non-solid start recovers.
  SlicedInput again(entries[0].packed);
  CollectingOutput fresh;
  EXPECT_EQ(decoder->decode_entry(again, fresh, entries[0].unpackedSize, false), DecodeResult::ok);
  EXPECT_EQ(crc32_of(fresh.bytes), entries[0].crc);
}

TEST(Rar5DecoderTest, WrongDeclaredSizeIsBadData) {
  const PackedEntry entry = entries_of({"rar5-dups.rar"}).at(0);
  for (uint64_t size : {entry.unpackedSize - 1, entry.unpackedSize + 1}) {
    auto decoder = make_rar5_decoder(entry.dictionary, entry.version);
    SlicedInput input(entry.packed);
    CollectingOutput output;
    EXPECT_EQ(decoder->decode_entry(input, output, size, false), DecodeResult::bad_data) << size;
    EXPECT_LE(output.bytes.size(), size);
  }
}

TEST(Rar5DecoderTest, AbsurdDictionariesAreRefused) {
  EXPECT_EQ(make_rar5_decoder(0, 0), nullptr);
  EXPECT_EQ(make_rar5_decoder((uint64_t{4} << 30) + 1, 1), nullptr);
  EXPECT_EQ(make_rar5_decoder(uint64_t{1} << 40, 1), nullptr);
}

// Every flipped byte and every cut of the packed data must end in bad_data or,
// where the damage happens to decode, in output whose checksum fails.
TEST(Rar5DecoderTest, DamagedPackedDataFailsWithoutCrashing) {
  const PackedEntry entry = entries_of({"test_read_format_rar5_arm.rar"}).at(0);
  auto check = [&](const std::vector<uint8_t>& packed, const std::string& what) {
    auto decoder = make_rar5_decoder(entry.dictionary, entry.version);
    SlicedInput input(packed);
    CollectingOutput output;
    const DecodeResult result = decoder->decode_entry(input, output, entry.unpackedSize, false);
    EXPECT_TRUE(result == DecodeResult::bad_data || crc32_of(output.bytes) != entry.crc) << what;
    EXPECT_LE(output.bytes.size(), entry.unpackedSize) << what;
  };
  for (size_t at = 0; at + 1 < entry.packed.size(); at += 1601) {
    std::vector<uint8_t> flipped = entry.packed;
    flipped[at] ^= 0x5A;
    check(flipped, "flipped at " + std::to_string(at));
  }
  for (size_t length : {size_t{0}, size_t{1}, size_t{3}, size_t{200}, entry.packed.size() / 2,
                        entry.packed.size() - 1}) {
    check({entry.packed.begin(), entry.packed.begin() + static_cast<ptrdiff_t>(length)},
          "cut at " + std::to_string(length));
  }
}

std::vector<std::string> damaged_rar5_archives() {
  std::vector<std::string> archives;
  std::ifstream in(kCorpus + "expected.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream row(line);
    std::string name, password, outcome;
    std::getline(row, name, '\t');
    std::getline(row, password, '\t');
    std::getline(row, outcome, '\t');
    const bool rar5 = name.rfind("rar5", 0) == 0 || name.rfind("test_read_format_rar5", 0) == 0;
    if (rar5 && outcome == "damaged" && password == "-" &&
        std::find(archives.begin(), archives.end(), name) == archives.end()) {
      archives.push_back(name);
    }
  }
  return archives;
}

// Many of these are damaged in their headers, which the archive layer rejects;
// whichever reach the decoder must not come out whole and checked.
TEST(Rar5DecoderTest, DamagedCorpusArchivesFail) {
  size_t decodedArchives = 0;
  for (const std::string& archive : damaged_rar5_archives()) {
    SCOPED_TRACE(archive);
    const std::vector<PackedEntry> entries = entries_of({archive});
    const std::vector<Decoded> decoded = decode_all(entries);
    size_t next = 0;
    bool anyFailed = false;
    for (const PackedEntry& entry : entries) {
      if (!entry.compressed) continue;
      const Decoded& result = decoded[next++];
      anyFailed = anyFailed || result.result != DecodeResult::ok ||
                  (entry.hasCrc && crc32_of(result.bytes) != entry.crc);
    }
    if (decoded.empty()) continue;
    ++decodedArchives;
    EXPECT_TRUE(anyFailed);
  }
  EXPECT_GE(decodedArchives, 1u);
}

}  // namespace
}  // namespace unrar
