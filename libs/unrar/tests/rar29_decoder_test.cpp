// The RAR 2.9 decoder on the packed data of corpus archives (damage, a failed solid
// file, its output pieces) and on LZ streams written bit by bit here for the paths
// no archive takes: where one solid file ends and the next begins; its bit reader,
// Huffman codes and the E8, E8E9 and DELTA filters.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "decoder_test_support.h"
#include "rar29_bit_input.h"
#include "rar29_huffman.h"
#include "rar29_lz_writer.h"
#include "rar_ppmd.h"
#include "rar_vm_filters.h"

namespace unrar {
namespace {

using namespace test;
using rar29_test::BitWriter;
using rar29_test::LzTables;

Decoded decode29(const Bytes& packed, uint64_t size) {
  auto decoder = make_rar29_decoder(4u << 20);
  return decode(*decoder, packed, size);
}

// An LZ file with filters and a PPMd one.
TEST(Rar29Damaged, TruncatedDataIsBadData) {
  for (const char* archive :
       {"test_read_format_rar_filter.rar", "test_read_format_rar_compress_best.rar"}) {
    const PackedFile file = rar4_files(archive).at(0);
    for (size_t keep :
         {size_t{0}, size_t{1}, size_t{100}, file.packed.size() / 2, file.packed.size() - 20}) {
      SCOPED_TRACE(testing::Message() << archive << " cut at " << keep);
      const Bytes cut(file.packed.begin(), file.packed.begin() + keep);
      EXPECT_EQ(decode29(cut, file.unpackedSize).result, DecodeResult::bad_data);
    }
  }
}

TEST(Rar29Solid, AFailedFileFailsTheSolidFilesAfterIt) {
  std::vector<PackedFile> files = rar4_files("rar3-solid.rar");
  ASSERT_EQ(files.size(), 2u);
  ASSERT_TRUE(files[1].solid);
  auto decoder = make_rar29_decoder(4u << 20);
  files[0].packed.resize(files[0].packed.size() / 2);
  EXPECT_EQ(decode(*decoder, files[0].packed, files[0].unpackedSize).result,
            DecodeResult::bad_data);
  EXPECT_EQ(decode(*decoder, files[1].packed, files[1].unpackedSize, true).result,
            DecodeResult::bad_data);
}

TEST(Rar29Output, PiecesStayWithin256KiBAndAStopIsHonoured) {
  const PackedFile file = rar4_files("test_read_format_rar_filter.rar").at(0);
  auto decoder = make_rar29_decoder(64u << 10);
  ASSERT_TRUE(decoder);
  BytesInput input(file.packed, 4093);
  CollectingOutput output;
  ASSERT_EQ(decoder->decode_entry(input, output, file.unpackedSize, false), DecodeResult::ok);
  EXPECT_LE(output.largestPiece, 256u * 1024);
  EXPECT_EQ(crc_of(output.bytes), file.crc);

  BytesInput again(file.packed);
  CollectingOutput stopping;
  stopping.stopAfter = 1;
  EXPECT_EQ(decoder->decode_entry(again, stopping, file.unpackedSize, false),
            DecodeResult::stopped);
  EXPECT_LT(stopping.bytes.size(), file.unpackedSize);
  // No window for a dictionary this large.
  EXPECT_EQ(make_rar29_decoder(uint64_t{1} << 40), nullptr);
}

// The end marker against the declared size, distances before the start (zeros)
// and an old distance never set, a PPMd block with no model started.
TEST(Rar29Stream, StreamsEndAsTheirSymbolsAndSizesSay) {
  const LzTables tables = LzTables::uniform();
  BitWriter abc, before, unset, unfinished;
  for (auto [out, text] :
       {std::pair{&abc, "abc"}, {&unfinished, "abc"}, {&before, "x"}, {&unset, "x"}}) {
    tables.header(*out);
    tables.text(*out, text);
  }
  tables.match(abc, 3, 2);  // length 6, distance 3
  tables.match(before, 3, 2);
  tables.repeat_old_distance(unset, 1, 0);
  for (BitWriter* out : {&abc, &before, &unset}) tables.end_of_file(*out);
  const struct {
    const char* label;
    Bytes packed;
    uint64_t size;
    DecodeResult result;
    std::string text;
  } rows[] = {
      {"whole", abc.bytes, 9, DecodeResult::ok, "abcabcabc"},
      {"cut by the size", abc.bytes, 5, DecodeResult::ok, "abcab"},
      {"end marker before the size", abc.bytes, 12, DecodeResult::bad_data, ""},
      {"no end marker", unfinished.bytes, 100, DecodeResult::bad_data, ""},
      {"distance before the start", before.bytes, 7, DecodeResult::ok, "x" + std::string(6, '\0')},
      {"unset old distance", unset.bytes, 3, DecodeResult::bad_data, ""},
      {"PPMd block, no model", {0x87, 0, 0, 0, 0, 0}, 10, DecodeResult::bad_data, ""},
  };
  for (const auto& row : rows) {
    const Decoded got = decode29(row.packed, row.size);
    EXPECT_EQ(got.result, row.result) << row.label;
    if (row.result == DecodeResult::ok) {
      EXPECT_EQ(got.text(), row.text) << row.label;
    }
  }
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
  const LzTables tables = LzTables::uniform();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    // Defines slot 0 with a four-byte program that is none of the standard filters.
    BitWriter record;
    record.number(0);
    record.number(c.start);
    record.number(c.length);
    record.number(4);
    for (uint8_t byte : {0x00, 0x01, 0x02, 0x03}) record.put(byte, 8);
    BitWriter out;
    tables.header(out);
    tables.text(out, "abc");
    tables.filter(out, record, 0x80 | 0x20);
    tables.text(out, "def");
    tables.end_of_file(out);
    EXPECT_EQ(decode29(out.bytes, 6).result, c.expected);
  }
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
  const std::vector<LzTables::Code> codes = LzTables::canonical(deep);
  BitWriter bits;
  for (int s : {15, 0, 11, 14}) bits.put(codes[s].bits, codes[s].length);
  BytesInput input(bits.bytes);
  Rar29BitInput reader;
  reader.reset(input);
  for (int s : {15, 0, 11, 14}) EXPECT_EQ(code.decode(reader), s);

  const uint8_t single[] = {0, 1};
  ASSERT_TRUE(code.build(single, 2));
  const Bytes oneBits = {0x7F};
  BytesInput ones(oneBits);
  reader.reset(ones);
  EXPECT_EQ(code.decode(reader), 1);
  EXPECT_EQ(code.decode(reader), -1);
}

TEST(Rar29Filters, CallAddressesBecomeRelativeAndDeltasAdd) {
  Bytes scratch;
  Bytes calls = {0xE8, 0x10, 0, 0, 0, 0xE9, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  Bytes e8 = calls;
  ASSERT_TRUE(apply_standard_filter(StandardFilter::e8, {0, 0, 0x20}, e8, scratch));
  EXPECT_EQ(e8, (Bytes{0xE8, 0xEF, 0xFF, 0xFF, 0xFF, 0xE9, 0xFF, 0xFF, 0xFF, 0xFF, 0}));
  ASSERT_TRUE(apply_standard_filter(StandardFilter::e8e9, {0, 0, 0}, calls, scratch));
  EXPECT_EQ(calls, (Bytes{0xE8, 0x0F, 0, 0, 0, 0xE9, 0xFF, 0xFF, 0xFF, 0x00, 0}));

  Bytes delta = {1, 2, 3, 4};
  ASSERT_TRUE(apply_standard_filter(StandardFilter::delta, {2, 0, 0}, delta, scratch));
  EXPECT_EQ(delta, (Bytes{0xFF, 0xFD, 0xFD, 0xF9}));
}

// The bit reader at the end of the data, where the bits read as zero and only a
// read past them marks the overrun; its refills are run by every RAR 2.9 file of
// the corpus.
TEST(Rar29BitInput, BitsPastTheEndReadAsZeroAndOnlyAReadBeyondTheLastBitOverruns) {
  const Bytes data = {0xA5, 0xFF, 0x3C};
  BytesInput input(data, 1);
  Rar29BitInput reader;
  reader.reset(input);
  EXPECT_TRUE(reader.bytes_left(3));
  EXPECT_FALSE(reader.bytes_left(4));
  EXPECT_EQ(reader.get(4), 0xAu);
  // The byte being read counts as left.
  EXPECT_TRUE(reader.bytes_left(3));
  EXPECT_EQ(reader.peek16(), 0x5FF3u);
  reader.skip(12);
  EXPECT_EQ(reader.peek16(), 0x3C00u);
  EXPECT_FALSE(reader.bytes_left(2));
  reader.skip(8);
  EXPECT_FALSE(reader.overrun());
  EXPECT_FALSE(reader.bytes_left(1));
  EXPECT_EQ(reader.next_byte(), -1);
  EXPECT_FALSE(reader.overrun());
  EXPECT_EQ(reader.get(1), 0u);
  EXPECT_TRUE(reader.overrun());
  EXPECT_EQ(reader.peek16(), 0u);

  // A fresh entry starts over, with nothing of the last one left in the reservoir.
  const Bytes next = {0x81};
  BytesInput nextInput(next);
  reader.reset(nextInput);
  EXPECT_FALSE(reader.overrun());
  EXPECT_EQ(reader.peek16(), 0x8100u);
  reader.skip(9);
  EXPECT_TRUE(reader.overrun());
}

// --- Where one solid file ends and the next begins -----------------------------------
// PPMd end markers after which the next file starts with a block header that may
// keep the model, and LZ end markers that keep the tables, ask the next file for new
// ones, or start a new block, which may start a fresh PPMd model.

class CountingSource : public ByteSource {
 public:
  explicit CountingSource(const Bytes& bytes) : bytes_(bytes) {}
  int next_byte() override { return used < bytes_.size() ? bytes_[used++] : -1; }
  size_t used = 0;

 private:
  const Bytes& bytes_;
};

constexpr int kOrder = 6;
constexpr size_t kModelBytes = size_t{1} << 20;
constexpr int kDefaultEscape = 2;

// A PPMd block header that restarts the model with 1 MiB, and a new escape
// character when it is not the default.
Bytes ppmd_block_header(int escape) {
  Bytes header = {static_cast<uint8_t>(0xA0 | (kOrder - 1)), 0};
  if (escape != kDefaultEscape) {
    header[0] |= 0x40;
    header.push_back(static_cast<uint8_t>(escape));
  }
  return header;
}

// Any bytes decode to some symbols, so PPMd streams with a chosen escape command
// are taken from pseudo-random bytes rather than compressed. A stream is read up
// to its first escape and the command after it; the model stays for a next file.
struct PpmdStream {
  Bytes packed;
  std::string before;
  int command = -1;
  size_t commandEnd = 0;  // the bytes the model has taken with escape + command
  std::unique_ptr<PpmdModel> model = std::make_unique<PpmdModel>();
};

// The symbols up to the next escape, and the command after it (-1 when none).
int run_until_escape(PpmdModel& model, int escape, std::string& symbols) {
  int c = model.decode_char();
  for (; c >= 0 && c != escape; c = model.decode_char()) symbols.push_back(static_cast<char>(c));
  return c == escape ? model.decode_char() : -1;
}

PpmdStream stream_of(uint32_t seed, int escape) {
  PpmdStream stream;
  stream.packed = noise(2048, seed);
  CountingSource source(stream.packed);
  if (!stream.model->restart(source, kModelBytes, kOrder)) return stream;
  stream.command = run_until_escape(*stream.model, escape, stream.before);
  stream.commandEnd = source.used;
  return stream;
}

// Seeds found by trying each from 1 on until the stream had the wanted command.
constexpr uint32_t kEndOfFileSeed = 31;
constexpr uint32_t kEndOfFileAfterHashSeed = 758;
constexpr uint32_t kEndOfBlockSeed = 758;
constexpr uint32_t kNextFileSeed = 5;

// Only LZ tables carry over to the next solid file. A file that ends in a PPMd
// block (escape + 2) leaves the next one to start with a block header, here one
// without the restart bit: the model and its escape go on, the range decoder
// starts again on the new file's bytes.
TEST(Rar29SolidEnd, AFileAfterAPpmdFileStartsWithABlockHeaderThatKeepsTheModel) {
  for (const auto& [seed, escape] :
       {std::pair{kEndOfFileSeed, kDefaultEscape}, std::pair{kEndOfFileAfterHashSeed, int{'#'}}}) {
    SCOPED_TRACE(escape);
    const PpmdStream stream = stream_of(seed, escape);
    ASSERT_EQ(stream.command, 2);
    const Bytes next = noise(64, kNextFileSeed);
    CountingSource nextSource(next);
    ASSERT_TRUE(stream.model->resume(nextSource));
    std::string after;
    run_until_escape(*stream.model, escape, after);
    ASSERT_GE(after.size(), 2u);

    Bytes one = ppmd_block_header(escape);
    one.insert(one.end(), stream.packed.begin(), stream.packed.begin() + stream.commandEnd);
    Bytes two = {static_cast<uint8_t>(0x80 | (kOrder - 1))};
    two.insert(two.end(), next.begin(), next.end());

    auto decoder = make_rar29_decoder(4u << 20);
    const Decoded a = decode(*decoder, one, stream.before.size(), false);
    EXPECT_EQ(a.result, DecodeResult::ok);
    EXPECT_EQ(a.text(), stream.before);
    const Decoded b = decode(*decoder, two, after.size(), true);
    EXPECT_EQ(b.result, DecodeResult::ok);
    EXPECT_EQ(b.text(), after);
  }
}

// A PPMd block may end right after a file's last byte (escape + 0); the file's
// end marker is then the first symbol of the block that follows, here an LZ
// block whose tables the next solid file goes on with.
TEST(Rar29SolidEnd, ABlockThatEndsAfterTheLastByteLeavesTheMarkerToTheNextBlock) {
  const PpmdStream stream = stream_of(kEndOfBlockSeed, kDefaultEscape);
  ASSERT_EQ(stream.command, 0);
  const LzTables tables = LzTables::uniform();
  BitWriter lz;
  tables.header(lz);
  tables.end_of_file(lz);
  Bytes one = ppmd_block_header(kDefaultEscape);
  one.insert(one.end(), stream.packed.begin(), stream.packed.begin() + stream.commandEnd);
  one.insert(one.end(), lz.bytes.begin(), lz.bytes.end());
  BitWriter two;
  tables.text(two, "then lz");
  tables.end_of_file(two);

  auto decoder = make_rar29_decoder(4u << 20);
  const Decoded a = decode(*decoder, one, stream.before.size(), false);
  EXPECT_EQ(a.result, DecodeResult::ok);
  EXPECT_EQ(a.text(), stream.before);
  const Decoded b = decode(*decoder, two.bytes, 7, true);
  EXPECT_EQ(b.result, DecodeResult::ok);
  EXPECT_EQ(b.text(), "then lz");
}

// A two-byte file's end marker keeps its tables for the next solid file, asks it
// for new ones, or ends the block, whose new tables then follow in this file.
TEST(Rar29SolidEnd, AnLzEndMarkerKeepsTheTablesOrAsksForNewOnes) {
  std::vector<uint8_t> skewed(128, 8);
  skewed.resize(256, 10);
  skewed.resize(299, 7);
  const LzTables first = LzTables::uniform(), second(skewed);
  enum class Next { same_tables, tables_in_next_file, tables_after_last_byte };

  for (Next next : {Next::same_tables, Next::tables_in_next_file, Next::tables_after_last_byte}) {
    SCOPED_TRACE(static_cast<int>(next));
    BitWriter one;
    first.header(one);
    first.text(one, "ab");
    if (next == Next::tables_after_last_byte) {
      first.end_of_block(one);
      second.header(one);
    }
    (next == Next::same_tables ? first : second)
        .end_of_file(one, next == Next::tables_in_next_file);

    BitWriter two;
    if (next == Next::same_tables) {
      // The same two bytes again, as a short match two back.
      first.symbol(two, 263);
      two.put(1, 2);
      first.end_of_file(two);
    } else {
      if (next == Next::tables_in_next_file) second.header(two);
      second.text(two, "ab");
      second.end_of_file(two);
    }

    auto decoder = make_rar29_decoder(4u << 20);
    const Decoded a = decode(*decoder, one.bytes, 2, false);
    EXPECT_EQ(a.result, DecodeResult::ok);
    EXPECT_EQ(a.text(), "ab");
    const Decoded b = decode(*decoder, two.bytes, 2, true);
    EXPECT_EQ(b.result, DecodeResult::ok);
    EXPECT_EQ(b.text(), "ab");
  }
}

// The end marker's request for new tables is also how a solid file switches to a
// PPMd block that starts its own model.
TEST(Rar29SolidEnd, AfterAnLzFileTheNextMayStartAFreshPpmdModel) {
  // The corpus's best-mode files are PPMd blocks that restart the model.
  const PackedFile text = rar4_files("test_read_format_rar_compress_best.rar").at(2);
  ASSERT_EQ(text.unpackedSize, 20u);
  ASSERT_EQ(text.packed.at(0), 0xA7);

  const LzTables tables = LzTables::uniform();
  BitWriter one;
  tables.header(one);
  tables.text(one, "lz");
  tables.end_of_file(one, true);

  auto decoder = make_rar29_decoder(4u << 20);
  ASSERT_EQ(decode(*decoder, one.bytes, 2, false).result, DecodeResult::ok);
  const Decoded two = decode(*decoder, text.packed, text.unpackedSize, true);
  ASSERT_EQ(two.result, DecodeResult::ok);
  EXPECT_EQ(crc_of(two.bytes), text.crc);
}

}  // namespace
}  // namespace unrar
