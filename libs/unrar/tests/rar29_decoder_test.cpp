// The RAR 2.9 decoder on LZ streams written bit by bit here for the paths no archive
// takes: filter records it must refuse, and where one solid file ends and the next
// begins.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "decoder_test_support.h"
#include "rar29_lz_writer.h"
#include "rar_ppmd.h"

namespace unrar {
namespace {

using namespace test;
using rar29_test::BitWriter;
using rar29_test::LzTables;

Decoded decode29(const Bytes& packed, uint64_t size) {
  auto decoder = make_rar29_decoder(4u << 20);
  return decode(*decoder, packed, size);
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

// --- Where one solid file ends and the next begins -----------------------------------
// PPMd end markers after which the next file starts with a block header that may
// keep the model, and LZ end markers that keep the tables, ask the next file for new
// ones, or start a new block, which may start a fresh PPMd model.

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
  BytesSource source(stream.packed);
  if (!stream.model->restart(source, kModelBytes, kOrder)) return stream;
  stream.command = run_until_escape(*stream.model, escape, stream.before);
  stream.commandEnd = source.used;
  return stream;
}

// Seeds found by trying each from 1 on until the stream had the wanted command.
constexpr uint32_t kEndOfFileSeed = 31;
constexpr uint32_t kEndOfFileAfterHashSeed = 758;
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
    BytesSource nextSource(next);
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
