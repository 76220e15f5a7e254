// The RAR 2.9 decoder on the packed data of real archives, found by a small RAR4
// block walker of the test's own, and on streams written bit by bit here.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "rar29_bit_input.h"
#include "rar29_huffman.h"
#include "rar29_lz_writer.h"
#include "rar_crypto.h"
#include "rar_decoder.h"
#include "rar_vm_filters.h"

namespace unrar {
namespace {

const std::string kCorpus = std::string(TESSALY_CORPUS_DIR) + "/rar/";

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t le32(const std::vector<uint8_t>& d, size_t at) {
  return uint32_t{d[at]} | (uint32_t{d[at + 1]} << 8) | (uint32_t{d[at + 2]} << 16) |
         (uint32_t{d[at + 3]} << 24);
}

struct PackedEntry {
  std::string name;
  std::vector<uint8_t> packed;
  uint64_t unpackedSize = 0;
  uint32_t crc = 0;
  bool solid = false;
  bool decodable = false;  // compressed with the 2.9 algorithm
  bool encrypted = false;
  std::vector<uint8_t> salt;
};

// Walks the RAR4 blocks of each volume and joins the parts of split files.
std::vector<PackedEntry> walk_rar4(const std::vector<std::string>& volumes) {
  static const uint8_t kMarker[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  std::vector<PackedEntry> entries;
  for (const std::string& volume : volumes) {
    const std::vector<uint8_t> d = read_file(kCorpus + volume);
    auto found = std::search(d.begin(), d.end(), std::begin(kMarker), std::end(kMarker));
    size_t at = static_cast<size_t>(found - d.begin()) + sizeof kMarker;
    while (at + 7 <= d.size()) {
      const uint8_t type = d[at + 2];
      const uint16_t flags = d[at + 3] | (d[at + 4] << 8);
      const uint16_t headSize = d[at + 5] | (d[at + 6] << 8);
      if (headSize < 7 || type == 0x7B || at + headSize > d.size()) break;
      uint64_t dataSize = (flags & 0x8000) ? le32(d, at + 7) : 0;
      if (type == 0x74) {
        if (flags & 0x100) dataSize |= uint64_t{le32(d, at + 32)} << 32;
        uint64_t unpacked = le32(d, at + 11);
        if (flags & 0x100) unpacked |= uint64_t{le32(d, at + 36)} << 32;
        const size_t nameSize = d[at + 26] | (d[at + 27] << 8);
        const size_t nameAt = at + ((flags & 0x100) ? 40 : 32);
        // Damaged archives may claim more than the file holds.
        if (nameAt + nameSize > d.size()) break;
        dataSize = std::min<uint64_t>(dataSize, d.size() - at - headSize);
        std::string name(d.begin() + nameAt, d.begin() + nameAt + nameSize);
        name = name.substr(0, name.find('\0'));
        std::replace(name.begin(), name.end(), '\\', '/');
        const auto data = d.begin() + at + headSize;
        if ((flags & 0x01) && !entries.empty()) {
          entries.back().packed.insert(entries.back().packed.end(), data, data + dataSize);
          entries.back().crc = le32(d, at + 16);
        } else {
          PackedEntry entry;
          entry.name = name;
          entry.packed.assign(data, data + dataSize);
          entry.unpackedSize = unpacked;
          entry.crc = le32(d, at + 16);
          entry.solid = flags & 0x10;
          entry.decodable = d[at + 24] == 29 && d[at + 25] != 0x30 && (flags & 0xE0) != 0xE0;
          entry.encrypted = flags & 0x04;
          if ((flags & 0x400) && nameAt + nameSize + 8 <= d.size())
            entry.salt.assign(d.begin() + nameAt + nameSize, d.begin() + nameAt + nameSize + 8);
          entries.push_back(entry);
        }
      }
      at += headSize + dataSize;
    }
  }
  return entries;
}

// archive|password|path -> size and SHA-256, from the corpus's expected.tsv.
std::map<std::string, std::pair<uint64_t, std::string>> expected_files() {
  std::map<std::string, std::pair<uint64_t, std::string>> files;
  std::ifstream in(kCorpus + "expected.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> c;
    std::stringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) c.push_back(field);
    if (c.size() == 7 && c[2] == "ok" && (c[3] == "file" || c[3] == "link"))
      files[c[0] + "|" + c[1] + "|" + c[4]] = {std::stoull(c[5]), c[6]};
  }
  return files;
}

// Hands the data over in small uneven reads, so buffer refills fall everywhere.
class VectorInput : public PackedInput {
 public:
  explicit VectorInput(const std::vector<uint8_t>& data) : data_(data) {}
  size_t read(uint8_t* buffer, size_t size) override {
    const size_t n = std::min({size, data_.size() - at_, size_t{4093}});
    if (n > 0) std::memcpy(buffer, data_.data() + at_, n);
    at_ += n;
    return n;
  }
  bool failed() const override { return false; }

 private:
  const std::vector<uint8_t>& data_;
  size_t at_ = 0;
};

// Keeps the CRC-32 and SHA-256 of what it is given rather than the bytes, so
// that a file of hundreds of megabytes costs no memory.
class HashingOutput : public UnpackedOutput {
 public:
  HashingOutput() { EVP_DigestInit_ex(sha_.get(), EVP_sha256(), nullptr); }
  bool write(const uint8_t* data, size_t size) override {
    largestPiece = std::max(largestPiece, size);
    static const std::vector<uint32_t> table = [] {
      std::vector<uint32_t> t(256);
      for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
        t[i] = c;
      }
      return t;
    }();
    for (size_t i = 0; i < size; ++i) crc_ = table[(crc_ ^ data[i]) & 0xFF] ^ (crc_ >> 8);
    EVP_DigestUpdate(sha_.get(), data, size);
    if (keepBytes) bytes.insert(bytes.end(), data, data + size);
    this->size += size;
    return this->size < stopAfter;
  }
  uint32_t crc() const { return ~crc_; }
  std::string sha256() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(sha_.get(), digest, &length);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
      static const char kDigits[] = "0123456789abcdef";
      hex += kDigits[digest[i] >> 4];
      hex += kDigits[digest[i] & 15];
    }
    return hex;
  }

  uint64_t size = 0;
  size_t largestPiece = 0;
  uint64_t stopAfter = UINT64_MAX;
  bool keepBytes = false;
  std::vector<uint8_t> bytes;

 private:
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> sha_{EVP_MD_CTX_new(), EVP_MD_CTX_free};
  uint32_t crc_ = 0xFFFFFFFF;
};

struct Decoded {
  DecodeResult result;
  uint64_t size;
  uint32_t crc;
  std::string sha256;
};

Decoded decode(Decoder& decoder, const PackedEntry& entry) {
  VectorInput input(entry.packed);
  HashingOutput output;
  const DecodeResult result = decoder.decode_entry(input, output, entry.unpackedSize, entry.solid);
  return {result, output.size, output.crc(), output.sha256()};
}

// Compressed entries, with encrypted ones decrypted when a password is given and
// left out otherwise.
std::vector<PackedEntry> decodable_entries(const std::vector<std::string>& volumes,
                                           const std::string& password = "-") {
  std::vector<PackedEntry> entries = walk_rar4(volumes);
  std::erase_if(entries, [&](const PackedEntry& e) {
    return !e.decodable || (e.encrypted && (password == "-" || e.salt.empty()));
  });
  for (PackedEntry& entry : entries) {
    if (!entry.encrypted) continue;
    const Rar3Key key = derive_rar3_key(password, entry.salt.data());
    AesCbcDecryptor cipher(key.key.data(), key.key.size(), key.iv);
    cipher.decrypt(entry.packed.data(), entry.packed.size() & ~size_t{15});
  }
  return entries;
}

// Every compressed entry, in archive order through one decoder as a solid
// archive needs, must come out with the header's CRC and the corpus's content.
void expect_archive_decodes(const std::vector<std::string>& volumes,
                            const std::string& password = "-") {
  static const auto expected = expected_files();
  const std::vector<PackedEntry> entries = decodable_entries(volumes, password);
  ASSERT_FALSE(entries.empty());
  auto decoder = make_rar29_decoder(4u << 20);
  ASSERT_TRUE(decoder);
  for (const PackedEntry& entry : entries) {
    SCOPED_TRACE(entry.name);
    const Decoded out = decode(*decoder, entry);
    ASSERT_EQ(out.result, DecodeResult::ok);
    EXPECT_EQ(out.size, entry.unpackedSize);
    EXPECT_EQ(out.crc, entry.crc);
    const auto row = expected.find(volumes.front() + "|" + password + "|" + entry.name);
    ASSERT_NE(row, expected.end());
    EXPECT_EQ(out.size, row->second.first);
    EXPECT_EQ(out.sha256, row->second.second);
  }
}

class Rar29Corpus : public testing::TestWithParam<const char*> {};

TEST_P(Rar29Corpus, EveryCompressedEntryMatchesItsCrcAndContent) {
  expect_archive_decodes({GetParam()});
}

INSTANTIATE_TEST_SUITE_P(LzFiltersSolid, Rar29Corpus,
                         testing::Values("rar3-solid.rar", "seektest.rar", "rar3-comment-plain.rar",
                                         "test_read_format_rar3_lowdist_reset.rar",
                                         "test_read_format_rar_compress_normal.rar",
                                         "test_read_format_rar_filter.rar",
                                         "test_read_format_rar_sfx.exe",
                                         "test_read_format_rar_compress_best.rar",
                                         "test_read_format_rar_binary_data.rar"));

// Holds the 241 MB file that switches between PPMd and LZ blocks.
TEST(Rar29CorpusVolumes, SlowEntriesSplitAcrossVolumesDecodeWhenJoined) {
  expect_archive_decodes({"test_read_format_rar_multivolume.part0001.rar",
                          "test_read_format_rar_multivolume.part0002.rar",
                          "test_read_format_rar_multivolume.part0003.rar",
                          "test_read_format_rar_multivolume.part0004.rar"});
}

// Four files of one solid stream, each decrypted on its own before decoding.
TEST(Rar29CorpusEncrypted, SolidFilesAcrossSeparatelyEncryptedParts) {
  expect_archive_decodes({"test_read_format_rar4_solid_encrypted.rar"}, "password");
}

TEST(Rar29CorpusLarge, SlowSixtyTablesInTwentyMegabytes) {
  expect_archive_decodes({"test_read_format_rar_multi_lzss_blocks.rar"});
}

TEST(Rar29Damaged, TruncatedDataIsBadData) {
  const PackedEntry entry = decodable_entries({"test_read_format_rar_filter.rar"}).at(0);
  for (size_t keep :
       {size_t{0}, size_t{1}, size_t{100}, entry.packed.size() / 2, entry.packed.size() - 20}) {
    SCOPED_TRACE(keep);
    PackedEntry cut = entry;
    cut.packed.resize(keep);
    auto decoder = make_rar29_decoder(4u << 20);
    EXPECT_EQ(decode(*decoder, cut).result, DecodeResult::bad_data);
  }
}

TEST(Rar29Damaged, FlippedBitsNeverPassAsTheWholeFile) {
  for (const auto& [archive, trials] : {std::pair{"test_read_format_rar_compress_normal.rar", 40},
                                        std::pair{"test_read_format_rar_filter.rar", 12}}) {
    const PackedEntry entry = decodable_entries({archive}).at(0);
    uint32_t seed = 12345;
    int caught = 0;
    // One decoder throughout: a non-solid file must not inherit a damaged state.
    auto decoder = make_rar29_decoder(4u << 20);
    for (int trial = 0; trial < trials; ++trial) {
      seed = seed * 1103515245u + 12345u;
      PackedEntry damaged = entry;
      damaged.packed[(seed >> 8) % damaged.packed.size()] ^= static_cast<uint8_t>(1u << (seed & 7));
      const Decoded out = decode(*decoder, damaged);
      if (out.result == DecodeResult::ok) {
        // ok always means exactly the file's size, whatever the content.
        EXPECT_EQ(out.size, entry.unpackedSize);
        if (out.crc != entry.crc) ++caught;
      } else {
        EXPECT_TRUE(out.result == DecodeResult::bad_data ||
                    out.result == DecodeResult::unsupported);
        ++caught;
      }
    }
    // A flip may land in bits the stream never uses; nearly all must show.
    EXPECT_GE(caught, trials * 9 / 10) << archive;
  }
}

TEST(Rar29Damaged, CorpusArchivesDamagedOnPurposeFail) {
  for (const char* archive :
       {"test_read_format_rar_invalid1.rar", "test_read_format_rar_unbound_staticdata.rar"}) {
    SCOPED_TRACE(archive);
    const std::vector<PackedEntry> entries = decodable_entries({archive});
    ASSERT_FALSE(entries.empty());
    auto decoder = make_rar29_decoder(4u << 20);
    for (const PackedEntry& entry : entries) {
      const Decoded out = decode(*decoder, entry);
      EXPECT_FALSE(out.result == DecodeResult::ok && out.crc == entry.crc);
    }
  }
}

TEST(Rar29Solid, AFailedFileFailsTheSolidFilesAfterIt) {
  std::vector<PackedEntry> entries = decodable_entries({"rar3-solid.rar"});
  ASSERT_EQ(entries.size(), 2u);
  ASSERT_TRUE(entries[1].solid);
  auto decoder = make_rar29_decoder(4u << 20);
  entries[0].packed.resize(entries[0].packed.size() / 2);
  EXPECT_EQ(decode(*decoder, entries[0]).result, DecodeResult::bad_data);
  EXPECT_EQ(decode(*decoder, entries[1]).result, DecodeResult::bad_data);
}

TEST(Rar29Output, PiecesStayWithin256KiBAndAStopIsHonoured) {
  const PackedEntry entry = decodable_entries({"test_read_format_rar_filter.rar"}).at(0);
  auto decoder = make_rar29_decoder(64u << 10);
  ASSERT_TRUE(decoder);
  VectorInput input(entry.packed);
  HashingOutput output;
  ASSERT_EQ(decoder->decode_entry(input, output, entry.unpackedSize, false), DecodeResult::ok);
  EXPECT_LE(output.largestPiece, 256u * 1024);
  EXPECT_EQ(output.crc(), entry.crc);

  VectorInput again(entry.packed);
  HashingOutput stopping;
  stopping.stopAfter = 1;
  EXPECT_EQ(decoder->decode_entry(again, stopping, entry.unpackedSize, false),
            DecodeResult::stopped);
  EXPECT_LT(stopping.size, entry.unpackedSize);
}

TEST(Rar29Window, AnImpossibleDictionaryGivesNoDecoder) {
  EXPECT_EQ(make_rar29_decoder(uint64_t{1} << 40), nullptr);
}

using rar29_test::BitWriter;

struct Code {
  uint32_t bits = 0;
  unsigned length = 0;
};

std::vector<Code> canonical_codes(const std::vector<uint8_t>& lengths) {
  std::vector<Code> codes(lengths.size());
  uint32_t next = 0;
  for (unsigned length = 1; length <= 15; ++length, next <<= 1)
    for (size_t s = 0; s < lengths.size(); ++s)
      if (lengths[s] == length) codes[s] = {next++, length};
  return codes;
}

// An LZ stream whose first block gives every literal a 9-bit code, the other
// main symbols 7 bits, distance classes 6 and low distances and lengths 5.
class LzStream {
 public:
  explicit LzStream(bool withTables = true) {
    std::vector<uint8_t> lengths(256, 9);
    lengths.resize(299, 7);
    main_ = canonical_codes(lengths);
    distance_ = canonical_codes(std::vector<uint8_t>(60, 6));
    length_ = canonical_codes(std::vector<uint8_t>(28, 5));
    if (!withTables) return;
    lengths.insert(lengths.end(), 60, 6);
    lengths.insert(lengths.end(), 17 + 28, 5);
    out.put(0, 2);
    // Bit-length code: symbols 0-15 get 4 bits each, so a length is its own code.
    for (int i = 0; i < 20; ++i) out.put(i < 16 ? 4 : 0, 4);
    for (uint8_t length : lengths) out.put(length, 4);
  }
  void symbol(int s) { out.put(main_[s].bits, main_[s].length); }
  void text(const std::string& literals) {
    for (char c : literals) symbol(static_cast<uint8_t>(c));
  }
  // Length classes 0-7 and distance classes 0-3 carry no extra bits.
  void match(int lengthClass, int distanceClass) {
    symbol(271 + lengthClass);
    out.put(distance_[distanceClass].bits, distance_[distanceClass].length);
  }
  void repeat_old_distance(int k, int lengthClass) {
    symbol(259 + k);
    out.put(length_[lengthClass].bits, length_[lengthClass].length);
  }
  void end_of_file() { symbol(256), out.put(0, 2); }
  void filter(const BitWriter& record, uint8_t flags) {
    symbol(257);
    out.put(flags | 7, 8);
    out.put(static_cast<uint32_t>(record.bytes.size()), 16);
    for (uint8_t byte : record.bytes) out.put(byte, 8);
  }
  PackedEntry entry(uint64_t unpackedSize, bool solid = false) const {
    PackedEntry e;
    e.packed = out.bytes;
    e.unpackedSize = unpackedSize;
    e.solid = solid;
    return e;
  }
  BitWriter out;

 private:
  std::vector<Code> main_, distance_, length_;
};

struct Collected {
  DecodeResult result;
  std::string text;
};

Collected collect(Decoder& decoder, const PackedEntry& entry) {
  VectorInput input(entry.packed);
  HashingOutput output;
  output.keepBytes = true;
  const DecodeResult result = decoder.decode_entry(input, output, entry.unpackedSize, entry.solid);
  return {result, std::string(output.bytes.begin(), output.bytes.end())};
}

Collected collect(const PackedEntry& entry) {
  auto decoder = make_rar29_decoder(4u << 20);
  return collect(*decoder, entry);
}

TEST(Rar29Stream, LiteralsAMatchAndTheEndMarkerAgainstTheDeclaredSize) {
  LzStream stream;
  stream.text("abc");
  stream.match(3, 2);  // length 6, distance 3
  stream.end_of_file();
  const Collected whole = collect(stream.entry(9));
  EXPECT_EQ(whole.result, DecodeResult::ok);
  EXPECT_EQ(whole.text, "abcabcabc");

  const Collected cut = collect(stream.entry(5));
  EXPECT_EQ(cut.result, DecodeResult::ok);
  EXPECT_EQ(cut.text, "abcab");

  // The end marker before the declared size: the file is short.
  EXPECT_EQ(collect(stream.entry(12)).result, DecodeResult::bad_data);
}

TEST(Rar29Stream, DataThatEndsBeforeTheFileIsBadData) {
  LzStream stream;
  stream.text("abc");
  EXPECT_EQ(collect(stream.entry(100)).result, DecodeResult::bad_data);
}

TEST(Rar29Stream, DistancesBeforeTheStartReadZerosAndUnsetOnesFail) {
  LzStream zeros;
  zeros.text("x");
  zeros.match(3, 2);
  zeros.end_of_file();
  const Collected out = collect(zeros.entry(7));
  EXPECT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, std::string("x") + std::string(6, '\0'));

  LzStream unset;
  unset.text("x");
  unset.repeat_old_distance(1, 0);
  unset.end_of_file();
  EXPECT_EQ(collect(unset.entry(3)).result, DecodeResult::bad_data);
}

TEST(Rar29Stream, ASolidFileContinuesTheWindowAndTables) {
  LzStream first;
  first.text("abc");
  first.end_of_file();
  LzStream second(false);
  second.match(3, 2);
  second.end_of_file();
  auto decoder = make_rar29_decoder(4u << 20);
  EXPECT_EQ(collect(*decoder, first.entry(3)).text, "abc");
  const Collected out = collect(*decoder, second.entry(6, true));
  EXPECT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, "abcabc");
}

// A record that defines slot 0 with a program of four bytes that is none of the
// standard filters.
BitWriter filter_record(uint32_t start, uint32_t length) {
  BitWriter record;
  record.number(0);
  record.number(start);
  record.number(length);
  record.number(4);
  for (uint8_t byte : {0x00, 0x01, 0x02, 0x03}) record.put(byte, 8);
  return record;
}

TEST(Rar29Stream, FilterRecords) {
  const struct {
    uint32_t start, length;
    DecodeResult expected;
  } cases[] = {
      {0, 16, DecodeResult::unsupported},      // a program we do not know
      {0, 0x3C001, DecodeResult::bad_data},    // a range longer than any filter takes
      {4u << 20, 16, DecodeResult::bad_data},  // a start beyond the window
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    LzStream stream;
    stream.text("abc");
    stream.filter(filter_record(c.start, c.length), 0x80 | 0x20);
    stream.text("def");
    stream.end_of_file();
    EXPECT_EQ(collect(stream.entry(6)).result, c.expected);
  }
}

TEST(Rar29Stream, APpmdBlockWithoutAStartedModelIsBadData) {
  PackedEntry entry;
  entry.packed = {0x87, 0x00, 0x00, 0x00, 0x00, 0x00};
  entry.unpackedSize = 10;
  EXPECT_EQ(collect(entry).result, DecodeResult::bad_data);
}

TEST(Rar29Huffman, OverSubscribedCodesAreRefusedAndMissingCodesGiveNoSymbol) {
  Rar29Huffman code;
  const uint8_t overSubscribed[] = {1, 1, 1};
  EXPECT_FALSE(code.build(overSubscribed, 3));

  // Lengths 1..14 and two of 15: a complete code reaching the longest codes.
  std::vector<uint8_t> deep;
  for (uint8_t l = 1; l <= 15; ++l) deep.push_back(l);
  deep.push_back(15);
  ASSERT_TRUE(code.build(deep.data(), deep.size()));
  const std::vector<Code> codes = canonical_codes(deep);
  BitWriter bits;
  for (int s : {15, 0, 11, 14}) bits.put(codes[s].bits, codes[s].length);
  std::vector<uint8_t> data = bits.bytes;
  VectorInput input(data);
  Rar29BitInput reader;
  reader.reset(input);
  for (int s : {15, 0, 11, 14}) EXPECT_EQ(code.decode(reader), s);

  const uint8_t single[] = {0, 1};
  ASSERT_TRUE(code.build(single, 2));
  std::vector<uint8_t> oneBits = {0x7F};
  VectorInput ones(oneBits);
  reader.reset(ones);
  EXPECT_EQ(code.decode(reader), 1);
  EXPECT_EQ(code.decode(reader), -1);
}

TEST(Rar29Filters, CallAddressesBecomeRelativeAndDeltasAdd) {
  std::vector<uint8_t> scratch;
  std::vector<uint8_t> calls = {0xE8, 0x10, 0, 0, 0, 0xE9, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  std::vector<uint8_t> e8 = calls;
  ASSERT_TRUE(apply_standard_filter(StandardFilter::e8, {0, 0, 0x20}, e8, scratch));
  EXPECT_EQ(e8,
            (std::vector<uint8_t>{0xE8, 0xEF, 0xFF, 0xFF, 0xFF, 0xE9, 0xFF, 0xFF, 0xFF, 0xFF, 0}));
  ASSERT_TRUE(apply_standard_filter(StandardFilter::e8e9, {0, 0, 0}, calls, scratch));
  EXPECT_EQ(calls, (std::vector<uint8_t>{0xE8, 0x0F, 0, 0, 0, 0xE9, 0xFF, 0xFF, 0xFF, 0x00, 0}));

  std::vector<uint8_t> delta = {1, 2, 3, 4};
  ASSERT_TRUE(apply_standard_filter(StandardFilter::delta, {2, 0, 0}, delta, scratch));
  EXPECT_EQ(delta, (std::vector<uint8_t>{0xFF, 0xFD, 0xFD, 0xF9}));
}

TEST(Rar29Filters, ImpossibleParametersAndUnknownProgramsAreRefused) {
  std::vector<uint8_t> data(64, 7), scratch;
  EXPECT_FALSE(apply_standard_filter(StandardFilter::delta, {0, 0, 0}, data, scratch));
  EXPECT_FALSE(apply_standard_filter(StandardFilter::rgb, {2, 0, 0}, data, scratch));
  EXPECT_FALSE(apply_standard_filter(StandardFilter::rgb, {9, 3, 0}, data, scratch));
  EXPECT_FALSE(apply_standard_filter(StandardFilter::audio, {129, 0, 0}, data, scratch));
  const uint8_t unknown[] = {0x00, 0x01, 0x02, 0x03};
  EXPECT_FALSE(identify_standard_filter(unknown, sizeof unknown));
  std::vector<uint8_t> wrongXor(53, 0);
  wrongXor[0] = 1;
  EXPECT_FALSE(identify_standard_filter(wrongXor.data(), wrongXor.size()));
}

}  // namespace
}  // namespace unrar
