// The PPMd model on the PPMd entries of real RAR 2.9 archives (found by walking
// their blocks here, so the archive layer is not needed) and on damaged input;
// its allocator step by step.
#include "rar_ppmd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive_crc.h"
#include "rar_ppmd_alloc.h"

namespace unrar {
namespace {

using Bytes = std::vector<uint8_t>;

struct PackedEntry {
  std::string name;
  uint32_t unpackedSize = 0;
  uint32_t crc = 0;
  Bytes packed;
};

Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t le16(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8;
}
uint32_t le32(const Bytes& b, size_t at) {
  return le16(b, at) | le16(b, at + 2) << 16;
}

// The file entries of a RAR 1.5-4 archive, with the packed data this file holds.
std::vector<PackedEntry> rar4_entries(const std::string& archive) {
  const Bytes data = read_file(std::string(TESSALY_CORPUS_DIR) + "/rar/" + archive);
  const Bytes marker = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  std::vector<PackedEntry> entries;
  if (data.size() < marker.size() || !std::equal(marker.begin(), marker.end(), data.begin())) {
    return entries;
  }
  size_t pos = marker.size();
  while (pos + 7 <= data.size()) {
    const uint32_t type = data[pos + 2];
    const uint32_t flags = le16(data, pos + 3);
    const uint32_t headSize = le16(data, pos + 5);
    if (headSize < 7 || pos + headSize > data.size()) break;
    uint64_t dataSize = 0;
    if (type == 0x74 && headSize >= 32) {
      dataSize = le32(data, pos + 7);
      const bool isDirectory = (flags & 0xE0) == 0xE0;
      const size_t nameAt = pos + 32 + ((flags & 0x100) ? 8 : 0);
      if (!isDirectory) {
        PackedEntry entry;
        entry.name.assign(data.begin() + nameAt, data.begin() + nameAt + le16(data, pos + 26));
        entry.unpackedSize = le32(data, pos + 11);
        entry.crc = le32(data, pos + 16);
        const size_t end = std::min<size_t>(pos + headSize + dataSize, data.size());
        entry.packed.assign(data.begin() + pos + headSize, data.begin() + end);
        entries.push_back(entry);
      }
    } else if (flags & 0x8000) {
      dataSize = le32(data, pos + 7);
    }
    pos += headSize + dataSize;
  }
  return entries;
}

class ByteVectorSource : public ByteSource {
 public:
  explicit ByteVectorSource(const Bytes& bytes, size_t from = 0) : bytes_(bytes), pos_(from) {}
  int next_byte() override { return pos_ < bytes_.size() ? bytes_[pos_++] : -1; }

 private:
  const Bytes& bytes_;
  size_t pos_;
};

// The block header the LZ decoder reads before handing the bytes to the model.
struct PpmdBlockHeader {
  bool valid = false;
  size_t memoryBytes = 0;
  int maxOrder = 0;
  int escape = 2;
  size_t length = 0;
};

PpmdBlockHeader parse_block_header(const Bytes& packed) {
  PpmdBlockHeader header;
  if (packed.size() < 3 || !(packed[0] & 0x80) || !(packed[0] & 0x20)) return header;
  const uint8_t flags = packed[0];
  header.memoryBytes = static_cast<size_t>(packed[1] + 1) << 20;
  header.length = 2;
  if (flags & 0x40) header.escape = packed[header.length++];
  int order = (flags & 0x1F) + 1;
  if (order > 16) order = 16 + (order - 16) * 3;
  header.maxOrder = order;
  header.valid = order > 1;
  return header;
}

enum class End { size_reached, end_of_file, end_of_block, filter, damaged, refused };

struct Decoded {
  Bytes bytes;
  End end = End::size_reached;
};

// Decodes one PPMd stream the way the LZ decoder does, with its escape commands
// (literal escape, end of file, end of block, match, run) done here; stops at
// limit bytes. memoryBytes, when given, replaces the header's model size.
Decoded decode_ppmd_stream(PpmdModel& model, const Bytes& packed, size_t limit,
                           size_t memoryBytes = 0) {
  Decoded out;
  const PpmdBlockHeader header = parse_block_header(packed);
  ByteVectorSource source(packed, header.length);
  if (!header.valid ||
      !model.restart(source, memoryBytes ? memoryBytes : header.memoryBytes, header.maxOrder)) {
    out.end = End::refused;
    return out;
  }
  bool damaged = false;
  auto next = [&]() {
    const int c = model.decode_char();
    damaged = damaged || c < 0;
    return c < 0 ? 0 : c;
  };
  auto copy = [&](size_t distance, size_t length) {
    for (size_t i = 0; i < length && out.bytes.size() < limit; ++i) {
      out.bytes.push_back(distance <= out.bytes.size() ? out.bytes[out.bytes.size() - distance]
                                                       : 0);
    }
  };
  while (out.bytes.size() < limit) {
    const int c = next();
    if (damaged) break;
    if (c != header.escape) {
      out.bytes.push_back(static_cast<uint8_t>(c));
      continue;
    }
    const int command = next();
    if (damaged) break;
    if (command == 0) return {out.bytes, End::end_of_block};
    if (command == 2) return {out.bytes, End::end_of_file};
    if (command == 3) return {out.bytes, End::filter};
    if (command == 4) {
      size_t distance = 0;
      for (int i = 0; i < 3; ++i) distance = distance << 8 | static_cast<size_t>(next());
      const int length = next();
      if (!damaged) copy(distance + 2, static_cast<size_t>(length) + 32);
    } else if (command == 5) {
      const int length = next();
      if (!damaged) copy(1, static_cast<size_t>(length) + 4);
    } else {
      out.bytes.push_back(static_cast<uint8_t>(header.escape));
    }
  }
  out.end = damaged ? End::damaged : End::size_reached;
  return out;
}

uint32_t crc_of(const Bytes& bytes) {
  return crc32_continue(0, bytes.data(), bytes.size());
}

std::vector<PackedEntry> best_mode_ppmd_entries() {
  std::vector<PackedEntry> ppmd;
  for (PackedEntry& entry : rar4_entries("test_read_format_rar_compress_best.rar")) {
    if (parse_block_header(entry.packed).valid) ppmd.push_back(std::move(entry));
  }
  return ppmd;
}

TEST(RarPpmd, DecodesEveryPpmdEntryOfTheBestModeArchive) {
  const std::vector<PackedEntry> entries = best_mode_ppmd_entries();
  ASSERT_EQ(entries.size(), 3u);
  // One model for all: each restart must forget everything of the entry before.
  PpmdModel model;
  for (const PackedEntry& entry : entries) {
    SCOPED_TRACE(entry.name);
    const Decoded decoded = decode_ppmd_stream(model, entry.packed, entry.unpackedSize);
    EXPECT_EQ(decoded.end, End::size_reached);
    EXPECT_EQ(decoded.bytes.size(), entry.unpackedSize);
    EXPECT_EQ(crc_of(decoded.bytes), entry.crc);
  }
}

TEST(RarPpmd, FirstBlockOfTheMixedFileEndsWithItsBlockEndCommand) {
  // This file repeats the best-mode HTML page; its packed data starts with a
  // PPMd block of 32 KiB (matches 20111 bytes back) before LZ blocks follow.
  const std::vector<PackedEntry> html = best_mode_ppmd_entries();
  ASSERT_FALSE(html.empty());
  PpmdModel model;
  const Bytes page = decode_ppmd_stream(model, html[0].packed, html[0].unpackedSize).bytes;
  const std::vector<PackedEntry> entries =
      rar4_entries("test_read_format_rar_multivolume.part0001.rar");
  ASSERT_EQ(entries.size(), 1u);

  const Decoded decoded = decode_ppmd_stream(model, entries[0].packed, 1 << 20);
  EXPECT_EQ(decoded.end, End::end_of_block);
  ASSERT_EQ(decoded.bytes.size(), 32768u);
  Bytes repeated = page;
  repeated.insert(repeated.end(), page.begin(), page.end());
  repeated.resize(decoded.bytes.size());
  EXPECT_EQ(decoded.bytes, repeated);
}

TEST(RarPpmd, RefusesModelSizesAndOrdersNoBlockHeaderCanAsk) {
  const Bytes packed(16, 0);
  ByteVectorSource source(packed);
  PpmdModel model;
  EXPECT_EQ(model.decode_char(), -1) << "no model yet";
  EXPECT_FALSE(model.resume(source)) << "no model yet";
  EXPECT_FALSE(model.restart(source, 0, 8));
  EXPECT_FALSE(model.restart(source, 100, 8));
  EXPECT_FALSE(model.restart(source, (size_t{256} << 20) + 1, 8));
  EXPECT_FALSE(model.restart(source, size_t{1} << 40, 8));
  EXPECT_FALSE(model.restart(source, 1 << 20, 1));
  EXPECT_FALSE(model.restart(source, 1 << 20, 65));
  EXPECT_EQ(model.decode_char(), -1);
  EXPECT_TRUE(model.restart(source, 1 << 20, 2));
  EXPECT_TRUE(model.restart(source, 1 << 20, 64));
  EXPECT_TRUE(model.resume(source));
}

// Pseudo-random bytes decode to symbols that fill a small model within a few
// hundred symbols: the allocator runs out, glues its free blocks and the model
// restarts. Noise also escapes past the root now and then (-1); the model is
// then started again on the following bytes, as a new block would.
Bytes noise(size_t size, uint32_t seed) {
  Bytes bytes(size);
  for (uint8_t& b : bytes) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  return bytes;
}

TEST(RarPpmd, SmallModelsRunOutOfMemoryAndRestartDeterministically) {
  struct Case {
    const char* name;
    size_t memoryBytes;
    int order;
    size_t symbols;
  };
  const Case cases[] = {
      {"smallest model, order 64", 4096, 64, 8000},
      {"16 KiB, order 8", 16 << 10, 8, 8000},
      {"64 KiB, order 64", 64 << 10, 64, 16000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes input = noise(c.symbols * 2, 7);
    Bytes first;
    Bytes second;
    for (Bytes* out : {&first, &second}) {
      PpmdModel model;
      ByteVectorSource source(input);
      ASSERT_TRUE(model.restart(source, c.memoryBytes, c.order));
      int starts = 1;
      while (out->size() < c.symbols && starts < 1000) {
        const int symbol = model.decode_char();
        if (symbol >= 0) {
          out->push_back(static_cast<uint8_t>(symbol));
        } else {
          ASSERT_TRUE(model.restart(source, c.memoryBytes, c.order));
          ++starts;
        }
      }
    }
    EXPECT_EQ(first.size(), c.symbols);
    EXPECT_EQ(first, second);
  }
}

TEST(RarPpmd, DamagedStreamsEndWithoutReachingOutsideTheModel) {
  const std::vector<PackedEntry> entries = best_mode_ppmd_entries();
  ASSERT_FALSE(entries.empty());
  const PackedEntry& page = entries[0];
  PpmdModel model;

  Bytes truncated(page.packed.begin(), page.packed.begin() + page.packed.size() / 2);
  const Decoded cut = decode_ppmd_stream(model, truncated, page.unpackedSize);
  EXPECT_EQ(cut.end, End::damaged) << "a stream cut in half";
  EXPECT_LT(cut.bytes.size(), page.unpackedSize);

  // Flips in the range decoder's first bytes, then spread over the stream.
  for (size_t at = 3; at < page.packed.size(); at += at < 10 ? 1 : 797) {
    SCOPED_TRACE("byte " + std::to_string(at) + " flipped");
    Bytes flipped = page.packed;
    flipped[at] ^= 0x5A;
    const Decoded decoded = decode_ppmd_stream(model, flipped, page.unpackedSize);
    EXPECT_TRUE(decoded.end != End::size_reached || crc_of(decoded.bytes) != page.crc);
  }

  // The fuzzer-made archive's entry claims order 64 and 1 MiB of model.
  const std::vector<PackedEntry> invalid = rar4_entries("test_read_format_rar_invalid1.rar");
  ASSERT_EQ(invalid.size(), 1u);
  const Decoded fuzzed = decode_ppmd_stream(model, invalid[0].packed, 1 << 20);
  EXPECT_EQ(fuzzed.end, End::damaged);

  // Bytes of all ones always pick the top of the interval, the escape: past
  // the root that is the end.
  const Bytes ones(4096, 0xFF);
  ByteVectorSource source(ones);
  ASSERT_TRUE(model.restart(source, 1 << 20, 16));
  EXPECT_EQ(model.decode_char(), -1);
}

TEST(RarPpmd, AModelThatSawDamageStaysStoppedUntilRestarted) {
  const std::vector<PackedEntry> entries = best_mode_ppmd_entries();
  ASSERT_FALSE(entries.empty());
  const PackedEntry& page = entries[0];
  PpmdModel model;
  const Bytes truncated(page.packed.begin(), page.packed.begin() + 200);
  ASSERT_EQ(decode_ppmd_stream(model, truncated, page.unpackedSize).end, End::damaged);

  ByteVectorSource rest(page.packed, 200);
  EXPECT_FALSE(model.resume(rest));
  EXPECT_EQ(model.decode_char(), -1);

  const Decoded decoded = decode_ppmd_stream(model, page.packed, page.unpackedSize);
  EXPECT_EQ(decoded.end, End::size_reached);
  EXPECT_EQ(crc_of(decoded.bytes), page.crc);
}

// The allocator decides when the model restarts, so it has to run out exactly
// when the encoder's did; the corpus's models never fill up, so its steps are
// checked here one by one on a heap of 960 bytes: 120 of text, 70 units.
class PpmdAllocatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(heap.allocate(960));
    alloc.reset();
  }
  // Takes the units not yet handed out as contexts, exactly: one more would
  // already glue and take from the text area.
  void fill_the_gap(int unitsUsed) {
    for (int i = unitsUsed; i < 70; ++i) ASSERT_NE(alloc.alloc_context(), 0u);
  }
  HeapOffset unit(int n) const { return heap.start() + 120 + 12 * n; }

  PpmdHeap heap;
  PpmdAllocator alloc{heap};
};

TEST_F(PpmdAllocatorTest, ContextsComeFromTheTopAndUnitsFromAboveTheText) {
  EXPECT_EQ(alloc.units_start(), unit(0));
  EXPECT_EQ(alloc.alloc_context(), heap.end() - 12);
  EXPECT_EQ(alloc.alloc_units(1), unit(0));
  EXPECT_EQ(alloc.alloc_units(5), unit(1)) << "5 units take a block of 6";
  EXPECT_EQ(alloc.alloc_units(1), unit(7));
  alloc.free_units(unit(0), 1);
  alloc.free_units(unit(7), 1);
  EXPECT_EQ(alloc.alloc_units(1), unit(7)) << "the last freed comes back first";
  EXPECT_EQ(alloc.alloc_units(1), unit(0));
  EXPECT_FALSE(heap.fault());
}

TEST_F(PpmdAllocatorTest, ALargerFreeBlockIsSplitAndItsRestKept) {
  const HeapOffset four = alloc.alloc_units(4);
  fill_the_gap(4);
  alloc.free_units(four, 4);
  EXPECT_EQ(alloc.alloc_units(1), four);
  EXPECT_EQ(alloc.alloc_units(3), four + 12) << "the three units after it";
  EXPECT_FALSE(heap.fault());
}

TEST_F(PpmdAllocatorTest, AdjacentFreeBlocksAreGluedWhenMemoryRunsOut) {
  const HeapOffset a = alloc.alloc_units(1);
  const HeapOffset b = alloc.alloc_units(1);
  const HeapOffset c = alloc.alloc_units(2);
  ASSERT_EQ(b, a + 12);
  ASSERT_EQ(c, a + 24);
  fill_the_gap(4);
  alloc.free_units(a, 1);
  alloc.free_units(b, 1);
  alloc.free_units(c, 2);
  EXPECT_EQ(alloc.alloc_units(4), a) << "1 + 1 + 2 units glued into one block";
  EXPECT_FALSE(heap.fault());
}

TEST_F(PpmdAllocatorTest, UnitsComeFromTheTextAreaLastAndThenNothing) {
  fill_the_gap(0);
  alloc.set_text(heap.start() + 60);
  EXPECT_EQ(alloc.alloc_units(2), unit(0) - 24);
  EXPECT_EQ(alloc.units_start(), unit(0) - 24);
  EXPECT_EQ(alloc.alloc_units(2), unit(0) - 48);
  EXPECT_EQ(alloc.alloc_units(1), 0u) << "the text area keeps at least one unit";
  EXPECT_EQ(alloc.alloc_context(), 0u);
  EXPECT_FALSE(heap.fault());
}

TEST_F(PpmdAllocatorTest, ExpandMovesAndCopiesShrinkSplitsInPlace) {
  const HeapOffset one = alloc.alloc_units(1);
  heap.set_u32(one + 4, 0x12345678);
  const HeapOffset two = alloc.expand_units(one, 1);
  EXPECT_EQ(two, unit(1));
  EXPECT_EQ(heap.u32(two + 4), 0x12345678u);
  EXPECT_EQ(alloc.alloc_units(1), one) << "the old block was freed";
  const HeapOffset five = alloc.alloc_units(5);
  EXPECT_EQ(alloc.expand_units(five, 5), five) << "its block already has 6 units";

  const HeapOffset eight = alloc.alloc_units(8);
  EXPECT_EQ(alloc.shrink_units(eight, 8, 2), eight);
  EXPECT_EQ(alloc.alloc_units(6), eight + 24) << "the rest went to the free list";
  EXPECT_FALSE(heap.fault());
}

TEST_F(PpmdAllocatorTest, AccessOutsideTheHeapIsRefusedAndMarked) {
  EXPECT_EQ(heap.u32(heap.end() + 100), 0u);
  EXPECT_TRUE(heap.fault());
  heap.clear_fault();
  heap.set_u32(0, 1);
  EXPECT_TRUE(heap.fault()) << "offset 0 means none";
}

}  // namespace
}  // namespace unrar
