// Our LZMA2 decoder against liblzma's encoder: every chunk kind, each literal and
// position setting, a window that turns many times, output and input in small pieces,
// and damage caught where the format shows it.
#include "archivekit/lzma2_decoder.h"

#include <gtest/gtest.h>
#include <lzma.h>

#include <random>
#include <string>
#include <vector>

namespace archivekit {
namespace {

using Bytes = std::vector<uint8_t>;
using Result = Lzma2Decoder::Result;

// Text that repeats near and far, runs of one byte, and random stretches that the
// encoder stores rather than packs.
Bytes Sample(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes data;
  while (data.size() < size) {
    switch (random() % 4) {
      case 0: {
        const std::string line = "entry " + std::to_string(random() % 700) + " at line\n";
        data.insert(data.end(), line.begin(), line.end());
        break;
      }
      case 1:
        data.insert(data.end(), random() % 600, static_cast<uint8_t>(random()));
        break;
      case 2:
        // Now and then long enough that a whole chunk is stored.
        for (unsigned i = random() % 3000 + (random() % 64 == 0 ? 160000 : 0); i > 0; --i)
          data.push_back(static_cast<uint8_t>(random()));
        break;
      default:
        if (data.size() > 100) {
          const size_t from = random() % (data.size() - 50);
          const Bytes copy(data.begin() + static_cast<ptrdiff_t>(from),
                           data.begin() + static_cast<ptrdiff_t>(from + 1 + random() % 49));
          data.insert(data.end(), copy.begin(), copy.end());
        }
    }
  }
  data.resize(size);
  return data;
}

Bytes Encode(const Bytes& data, uint32_t dictionary, unsigned lc, unsigned lp, unsigned pb,
             uint32_t preset) {
  lzma_options_lzma options;
  EXPECT_FALSE(lzma_lzma_preset(&options, preset));
  options.dict_size = dictionary;
  options.lc = lc;
  options.lp = lp;
  options.pb = pb;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  Bytes packed(lzma_stream_buffer_bound(data.size()));
  size_t written = 0;
  EXPECT_EQ(lzma_raw_buffer_encode(filters, nullptr, data.data(), data.size(), packed.data(),
                                   &written, packed.size()),
            LZMA_OK);
  packed.resize(written);
  return packed;
}

struct Decoded {
  Result result;
  Bytes data;
};

// As the 7z coder feeds it: input given inPiece bytes at a time and more when a chunk
// needs it, output taken outPiece bytes at a time.
Decoded Decode(const Bytes& packed, uint32_t window, size_t outPiece, size_t inPiece) {
  Lzma2Decoder decoder(window);
  Decoded decoded{Result::more, {}};
  Bytes out(outPiece);
  size_t at = 0, offered = inPiece;
  for (;;) {
    const size_t given = std::min(offered, packed.size() - at);
    size_t consumed = 0, produced = 0;
    decoded.result = decoder.decode(packed.data() + at, given, at + given == packed.size(),
                                    consumed, out.data(), out.size(), produced);
    at += consumed;
    decoded.data.insert(decoded.data.end(), out.begin(),
                        out.begin() + static_cast<ptrdiff_t>(produced));
    if (decoded.result != Result::more) return decoded;
    offered = consumed == 0 && produced == 0 ? offered * 2 : inPiece;
  }
}

struct RoundTrip {
  const char* name;
  size_t size;
  uint32_t dictionary;
  unsigned lc, lp, pb;
  uint32_t preset;
  size_t outPiece, inPiece;
};

class Lzma2RoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(Lzma2RoundTrip, DecodesWhatLiblzmaEncoded) {
  const RoundTrip& row = GetParam();
  const Bytes data = Sample(row.size, static_cast<unsigned>(row.size));
  const Bytes packed = Encode(data, row.dictionary, row.lc, row.lp, row.pb, row.preset);
  const Decoded decoded = Decode(packed, row.dictionary, row.outPiece, row.inPiece);
  EXPECT_EQ(decoded.result, Result::end);
  ASSERT_EQ(decoded.data.size(), data.size());
  EXPECT_TRUE(decoded.data == data);
}

const RoundTrip kRoundTrips[] = {
    {"Default", 3 << 20, 8 << 20, 3, 0, 2, 6, 1 << 20, 256 << 10},
    // The window turns hundreds of times, matches reaching back across its end.
    {"SmallWindow", 2 << 20, 4096, 3, 0, 2, 6, 1 << 20, 256 << 10},
    {"PositionBits", 1 << 20, 64 << 10, 0, 4, 4, 6, 1 << 20, 256 << 10},
    {"ContextBits", 1 << 20, 64 << 10, 4, 0, 0, 6, 1 << 20, 256 << 10},
    {"Extreme", 1 << 20, 64 << 10, 3, 0, 2, 9 | LZMA_PRESET_EXTREME, 1 << 20, 256 << 10},
    {"Fastest", 1 << 20, 64 << 10, 3, 0, 2, 0, 1 << 20, 256 << 10},
    // Matches cut by the output's end, and chunk headers that arrive in pieces.
    {"ByteByByte", 200 << 10, 8192, 3, 0, 2, 6, 1, 1},
    {"OddPieces", 1 << 20, 32 << 10, 1, 3, 1, 6, 4093, 777},
};

INSTANTIATE_TEST_SUITE_P(Lzma2, Lzma2RoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

// Damage the format itself shows is said as such, never taken for an end.
struct Damage {
  const char* name;
  void (*harm)(Bytes& packed);
};

class Lzma2Damage : public ::testing::TestWithParam<Damage> {};

TEST_P(Lzma2Damage, IsBadData) {
  const Bytes data = Sample(300 << 10, 11);
  Bytes packed = Encode(data, 64 << 10, 3, 0, 2, 6);
  ASSERT_EQ(packed[0], 0xE0 | packed[0]) << "the first chunk is packed and resets all";
  GetParam().harm(packed);
  EXPECT_EQ(Decode(packed, 64 << 10, 1 << 20, 256 << 10).result, Result::bad_data);
}

const Damage kDamages[] = {
    {"CutInAChunk", [](Bytes& p) { p.resize(p.size() / 2); }},
    {"CutBeforeTheEnd", [](Bytes& p) { p.pop_back(); }},
    {"UnknownControl", [](Bytes& p) { p[0] = 0x03; }},
    {"NoDictionaryReset", [](Bytes& p) { p[0] = static_cast<uint8_t>(0x80 | (p[0] & 0x1F)); }},
    {"RangeCoderStart", [](Bytes& p) { p[6] = 1; }},
    // The chunk says it unpacks one byte more than its input holds.
    {"LongerThanItsInput", [](Bytes& p) { ++p[2]; }},
};

INSTANTIATE_TEST_SUITE_P(Lzma2, Lzma2Damage, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

// A block repeated 40 KiB later, decoded with a 4 KiB window: the match reaches past it.
TEST(Lzma2Decoder, RefusesADistanceBeyondItsWindow) {
  const Bytes block = Sample(20 << 10, 3), other = Sample(20 << 10, 4);
  Bytes data = block;
  data.insert(data.end(), other.begin(), other.end());
  data.insert(data.end(), block.begin(), block.end());
  const Bytes packed = Encode(data, 64 << 10, 3, 0, 2, 6);
  EXPECT_EQ(Decode(packed, 64 << 10, 1 << 20, 256 << 10).data, data);
  EXPECT_EQ(Decode(packed, 4096, 1 << 20, 256 << 10).result, Result::bad_data);
}

}  // namespace
}  // namespace archivekit
