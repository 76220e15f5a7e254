// The RAR5 decoder on the packed data of real archives, found by a small block
// walker of the test's own so that the decoder is tested apart from the layer.
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "rar5_filters.h"
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

struct ExpectedRow {
  std::string archive, password, outcome, type, path, size, sha256;
};

std::vector<ExpectedRow> expected_rows() {
  std::vector<ExpectedRow> rows;
  std::ifstream in(kCorpus + "expected.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    ExpectedRow row;
    for (std::string* field : {&row.archive, &row.password, &row.outcome, &row.type, &row.path,
                               &row.size, &row.sha256}) {
      std::getline(fields, *field, '\t');
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

struct CorpusCase {
  std::vector<std::string> volumes;
  size_t compressedEntries;
};

class Rar5CorpusTest : public testing::TestWithParam<CorpusCase> {};

TEST_P(Rar5CorpusTest, EveryCompressedEntryComesOutAsListed) {
  const CorpusCase& corpusCase = GetParam();
  const std::vector<PackedEntry> entries = entries_of(corpusCase.volumes);
  const std::vector<Decoded> decoded = decode_all(entries);
  ASSERT_EQ(decoded.size(), corpusCase.compressedEntries);
  const std::vector<ExpectedRow> rows = expected_rows();

  size_t next = 0;
  for (const PackedEntry& entry : entries) {
    if (!entry.compressed) continue;
    SCOPED_TRACE(entry.name);
    const Decoded& result = decoded[next++];
    ASSERT_EQ(result.result, DecodeResult::ok);
    if (entry.hasCrc) {
      EXPECT_EQ(crc32_of(result.bytes), entry.crc);
    }
    const auto listed = std::find_if(rows.begin(), rows.end(), [&](const ExpectedRow& row) {
      return row.archive == corpusCase.volumes[0] && row.type == "file" && row.path == entry.name;
    });
    ASSERT_NE(listed, rows.end());
    EXPECT_EQ(std::to_string(result.bytes.size()), listed->size);
    EXPECT_EQ(sha256_of(result.bytes), listed->sha256);
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

// A volume that cannot be read ends the entry as stopped, not as damaged data.
class FailingInput : public PackedInput {
 public:
  size_t read(uint8_t*, size_t) override {
    failed_ = true;
    return 0;
  }
  bool failed() const override { return failed_; }

 private:
  bool failed_ = false;
};

TEST(Rar5DecoderTest, FailedInputStopsTheEntry) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  FailingInput input;
  CollectingOutput output;
  EXPECT_EQ(decoder->decode_entry(input, output, 10, false), DecodeResult::stopped);
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

TEST(Rar5DecoderTest, AbsurdDictionariesAndUnknownVersionsAreRefused) {
  EXPECT_EQ(make_rar5_decoder(0, 0), nullptr);
  EXPECT_EQ(make_rar5_decoder((uint64_t{4} << 30) + 1, 1), nullptr);
  EXPECT_EQ(make_rar5_decoder(uint64_t{1} << 40, 1), nullptr);

  auto unknownVersion = make_rar5_decoder(128 << 10, 2);
  const std::vector<uint8_t> packed = entries_of({"rar5-dups.rar"}).at(0).packed;
  SlicedInput input(packed);
  CollectingOutput output;
  EXPECT_EQ(unknownVersion->decode_entry(input, output, 2048, false), DecodeResult::unsupported);
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
  for (const ExpectedRow& row : expected_rows()) {
    const bool rar5 =
        row.archive.rfind("rar5", 0) == 0 || row.archive.rfind("test_read_format_rar5", 0) == 0;
    if (rar5 && row.outcome == "damaged" && row.password == "-" &&
        std::find(archives.begin(), archives.end(), row.archive) == archives.end()) {
      archives.push_back(row.archive);
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

// Hand-made streams for paths the corpus lacks. Every symbol of a table gets the
// same code length, so a symbol's code is simply its number in that many bits.
class StreamWriter {
 public:
  void put(uint64_t value, unsigned count) {
    while (count-- > 0) {
      if (bitCount_ % 8 == 0) bytes_.push_back(0);
      if ((value >> count) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> (bitCount_ % 8));
      ++bitCount_;
    }
  }
  void tables(uint8_t bitLengthCodeLength = 5) {
    for (int i = 0; i < 20; ++i) put(bitLengthCodeLength, 4);
    for (int i = 0; i < 306; ++i) put(9, 5);
    for (int i = 0; i < 64; ++i) put(6, 5);
    for (int i = 0; i < 16; ++i) put(4, 5);
    for (int i = 0; i < 44; ++i) put(6, 5);
  }
  void literals(const std::string& text) {
    for (unsigned char c : text) put(c, 9);
  }
  // length 2..9 before the bonus the decoder adds for far distances
  void match(unsigned codedLength, uint64_t distance) {
    put(262 + codedLength - 2, 9);
    const uint64_t d = distance - 1;
    if (d < 4) return put(d, 6);
    unsigned b = 63 - static_cast<unsigned>(__builtin_clzll(d)) - 1;
    const uint64_t slot = 2 * (b + 1) + ((d >> b) & 1);
    const uint64_t extra = d - ((2 | (slot & 1)) << b);
    put(slot, 6);
    if (b < 4) return put(extra, b);
    put(extra >> 4, b - 4);
    put(extra & 15, 4);
  }
  void filter(uint32_t start, uint32_t length, unsigned type) {
    put(256, 9);
    for (uint32_t number : {start, length}) {
      put(3, 2);
      for (int i = 0; i < 4; ++i) put((number >> (8 * i)) & 0xFF, 8);
    }
    put(type, 3);
  }
  // Ends the block: header, check byte, size, data.
  void end_block(bool last, bool hasTables, std::vector<uint8_t>& packed) {
    const size_t size = bytes_.size();
    const uint8_t flags =
        static_cast<uint8_t>(((bitCount_ - 1) % 8) | (2 << 3) | (last << 6) | (hasTables << 7));
    const uint8_t sizeBytes[3] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                  static_cast<uint8_t>(size >> 16)};
    packed.push_back(flags);
    packed.push_back(0x5A ^ flags ^ sizeBytes[0] ^ sizeBytes[1] ^ sizeBytes[2]);
    packed.insert(packed.end(), sizeBytes, sizeBytes + 3);
    packed.insert(packed.end(), bytes_.begin(), bytes_.end());
    bytes_.clear();
    bitCount_ = 0;
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t bitCount_ = 0;
};

struct HandMade {
  DecodeResult result;
  std::string text;
};

HandMade decode_hand_made(Decoder& decoder, const std::vector<uint8_t>& packed, uint64_t size,
                          bool solid = false) {
  SlicedInput input(packed);
  CollectingOutput output;
  const DecodeResult result = decoder.decode_entry(input, output, size, solid);
  return {result, std::string(output.bytes.begin(), output.bytes.end())};
}

std::vector<uint8_t> one_block(const std::function<void(StreamWriter&)>& symbols) {
  StreamWriter writer;
  writer.tables();
  symbols(writer);
  std::vector<uint8_t> packed;
  writer.end_block(true, true, packed);
  return packed;
}

TEST(Rar5HandMadeStreamTest, MatchesRepeatsAndOldDistances) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  const std::vector<uint8_t> packed = one_block([](StreamWriter& w) {
    w.literals("abc");
    w.match(6, 3);  // abcabc
    w.put(257, 9);  // the same again
    w.literals("XY");
    w.match(2, 5);  // "ab": a new distance, 3 moves back
    w.put(259, 9);  // old distance 3 (second) again, length slot 1 = 3
    w.put(1, 6);
  });
  const HandMade out = decode_hand_made(*decoder, packed, 22);
  EXPECT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, "abcabcabcabcabcXYabYab");
}

TEST(Rar5HandMadeStreamTest, DistancesBeforeTheDataGiveZerosBeyondTheDictionaryFail) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  const std::vector<uint8_t> beforeTheStart = one_block([](StreamWriter& w) {
    w.literals("ab");
    w.match(4, 1000);  // one longer for being far
  });
  HandMade out = decode_hand_made(*decoder, beforeTheStart, 7);
  EXPECT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, std::string("ab\0\0\0\0\0", 7));

  const std::vector<uint8_t> beyondTheDictionary = one_block([](StreamWriter& w) {
    w.literals("ab");
    w.match(4, (128 << 10) + 1);
  });
  out = decode_hand_made(*decoder, beyondTheDictionary, 9);
  EXPECT_EQ(out.result, DecodeResult::bad_data);
}

TEST(Rar5HandMadeStreamTest, FilterRangeIsFilteredOnlyWhenWhole) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  const std::string code("\xE8\x10\0\0\0\0\0\0", 8);
  const std::vector<uint8_t> whole = one_block([&](StreamWriter& w) {
    w.literals("z");
    w.filter(0, 8, 1);
    w.literals(code);
  });
  HandMade out = decode_hand_made(*decoder, whole, 9);
  EXPECT_EQ(out.result, DecodeResult::ok);
  // The call sits at file offset 2: its absolute target 0x10 becomes relative.
  EXPECT_EQ(out.text, std::string("z\xE8\x0E\0\0\0\0\0\0", 9));

  const std::vector<uint8_t> cutShort = one_block([&](StreamWriter& w) {
    w.filter(0, 20, 1);
    w.literals(code);
  });
  out = decode_hand_made(*decoder, cutShort, 8);
  EXPECT_EQ(out.result, DecodeResult::bad_data);

  out = decode_hand_made(*decoder, one_block([&](StreamWriter& w) { w.filter(0, 8, 5); }), 0);
  EXPECT_EQ(out.result, DecodeResult::bad_data);
}

TEST(Rar5HandMadeStreamTest, SolidEntryKeepsTablesAndWindowFreshEntryNeedsTables) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  const std::vector<uint8_t> first = one_block([](StreamWriter& w) { w.literals("hello"); });
  ASSERT_EQ(decode_hand_made(*decoder, first, 5).result, DecodeResult::ok);
  StreamWriter writer;
  writer.match(5, 5);
  std::vector<uint8_t> withoutTables;
  writer.end_block(true, false, withoutTables);
  HandMade out = decode_hand_made(*decoder, withoutTables, 5, true);
  EXPECT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, "hello");

  EXPECT_EQ(decode_hand_made(*decoder, withoutTables, 5, false).result, DecodeResult::bad_data);
}

TEST(Rar5HandMadeStreamTest, DamagedBlockHeadersAndTablesAreBadData) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  std::vector<uint8_t> packed = one_block([](StreamWriter& w) { w.literals("abc"); });
  packed[1] ^= 1;  // check byte
  EXPECT_EQ(decode_hand_made(*decoder, packed, 3).result, DecodeResult::bad_data);

  StreamWriter oversubscribed;
  oversubscribed.tables(1);  // twenty codes of one bit
  packed.clear();
  oversubscribed.end_block(true, true, packed);
  EXPECT_EQ(decode_hand_made(*decoder, packed, 0).result, DecodeResult::bad_data);

  // A block whose last symbol needs bits past the block's end.
  packed = one_block([](StreamWriter& w) { w.literals("abc"); });
  packed[0] = static_cast<uint8_t>((packed[0] & ~7) | ((packed[0] - 1) & 7));
  packed[1] = static_cast<uint8_t>(0x5A ^ packed[0] ^ packed[2] ^ packed[3] ^ packed[4]);
  EXPECT_EQ(decode_hand_made(*decoder, packed, 3).result, DecodeResult::bad_data);
}

TEST(Rar5FilterTest, TransformsUndoWhatTheCompressorDid) {
  std::vector<uint8_t> scratch;
  std::vector<uint8_t> data = {1, 2, 3, 4};
  const uint8_t* out =
      apply_rar5_filter({0, 4, Rar5FilterType::delta, 2}, data.data(), 4, 0, scratch);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{0xFF, 0xFD, 0xFD, 0xF9}));

  // Positions wrap at 16 MiB: at file offset 0xFFFFFF the call's position is 0.
  data = {0xE9, 0x10, 0, 0, 0, 0};
  out = apply_rar5_filter({0, 6, Rar5FilterType::e8e9, 0}, data.data(), 6, 0xFFFFFF, scratch);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{0xE9, 0x10, 0, 0, 0, 0}));
  data = {0xE9, 0x10, 0, 0, 0, 0};
  out = apply_rar5_filter({0, 6, Rar5FilterType::e8, 0}, data.data(), 6, 0, scratch);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{0xE9, 0x10, 0, 0, 0, 0}));
  // A negative target that stays negative becomes positive by 16 MiB.
  data = {0xE8, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  out = apply_rar5_filter({0, 6, Rar5FilterType::e8, 0}, data.data(), 6, 0, scratch);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6),
            (std::vector<uint8_t>{0xE8, 0xFF, 0xFF, 0xFF, 0, 0}));

  data = {0x10, 0, 0, 0xEB, 0x10, 0, 0, 0xEA};
  out = apply_rar5_filter({0, 8, Rar5FilterType::arm, 0}, data.data(), 8, 8, scratch);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8),
            (std::vector<uint8_t>{0x0E, 0, 0, 0xEB, 0x10, 0, 0, 0xEA}));
}

}  // namespace
}  // namespace unrar
