// ACE 2.0 blocked streams written here: DELTA and EXE blocks built with the
// forward filters, SOUND and PIC stretches of known output, mode changes between
// them, and damaged streams that must end in a result, never a crash or a hang.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "decoder_stream_writer.h"
#include "decoder_test_io.h"

namespace {

using namespace decoder_test;
using unace::CompressionType;
using unace::DecodeResult;

constexpr unsigned kDelta = 1, kExe = 2, kSound8 = 3, kSound16 = 4, kPic = 7;

// The archiver's side of DELTA: planar order, then byte differences.
std::string delta_forward(const std::string& data, unsigned stride, uint8_t& last) {
  const size_t plane = data.size() / stride;
  std::string planar(data.size(), '\0');
  size_t k = 0;
  for (size_t column = 0; column < plane; ++column) {
    for (size_t at = column; at < data.size(); at += plane) planar[at] = data[k++];
  }
  std::string out;
  for (char c : planar) {
    out += static_cast<char>(static_cast<uint8_t>(c) - last);
    last = static_cast<uint8_t>(c);
  }
  return out;
}

// The archiver's side of EXE: operands get the position added.
std::string exe_forward(std::string data, bool call32) {
  size_t i = 0;
  while (i + 4 < data.size()) {
    const uint8_t opcode = static_cast<uint8_t>(data[i]);
    if (opcode != 0xE8 && opcode != 0xE9) {
      ++i;
      continue;
    }
    const unsigned bytes = opcode == 0xE8 && call32 ? 4 : 2;
    uint32_t value = 0;
    for (unsigned b = 0; b < bytes; ++b)
      value |= uint32_t{static_cast<uint8_t>(data[i + 1 + b])} << (8 * b);
    value += static_cast<uint32_t>(i);
    for (unsigned b = 0; b < bytes; ++b) data[i + 1 + b] = static_cast<char>(value >> (8 * b));
    i += 1 + bytes;
  }
  return data;
}

std::string code_like(size_t size) {
  std::string data;
  for (size_t i = 0; data.size() < size; ++i) {
    const char call[] = {'\x55', '\xE8', static_cast<char>(i),    '\x10', '\0', '\0', '\x90',
                         '\xE9', '\x20', static_cast<char>(i * 3)};
    data.append(call, sizeof call);
  }
  data.resize(size);
  return data;
}

TEST(DecoderBlocked, DeltaBlocksCarryTheirRunningByteAcrossBlocks) {
  std::string data;
  for (int i = 0; i < 600; ++i) data += static_cast<char>(i * i / 7);
  const std::string first = data.substr(0, 400), second = data.substr(400, 150),
                    tail = data.substr(550);
  uint8_t last = 0;
  Lz77Writer w;
  w.block(32767);
  w.mode_change(kDelta);
  w.bits.put(4, 8);
  w.bits.put(400, 17);
  w.literals(delta_forward(first, 4, last));
  w.mode_change(kDelta);
  w.bits.put(3, 8);  // 150 bytes in planes of 50
  w.bits.put(150, 17);
  w.literals(delta_forward(second, 3, last));
  w.mode_change(0);
  w.literals(tail);
  const Decoded out = decode(w.bits.finish(), data.size(), CompressionType::Blocked);
  ASSERT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, data);
}

TEST(DecoderBlocked, ADeltaBlockWithoutANewModeChangeRepeatsTheLastOne) {
  const std::string data = "ABCDEFGHabcdefgh";
  uint8_t last = 0;
  Lz77Writer w;
  w.block(32767);
  w.mode_change(kDelta);
  w.bits.put(2, 8);
  w.bits.put(8, 17);
  w.literals(delta_forward(data.substr(0, 8), 2, last));
  w.literals(delta_forward(data.substr(8), 2, last));
  const Decoded out = decode(w.bits.finish(), data.size(), CompressionType::Blocked);
  ASSERT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, data);
}

TEST(DecoderBlocked, MatchesInsideADeltaBlockCopyTheFilteredBytes) {
  // Constant data differences to zeros after the first byte: one match fills them.
  const std::string data(64, 'k');
  uint8_t last = 0;
  const std::string filtered = delta_forward(data, 1, last);
  Lz77Writer w;
  w.block(32767);
  w.mode_change(kDelta);
  w.bits.put(1, 8);
  w.bits.put(64, 17);
  w.literals(filtered.substr(0, 2));
  w.match(0, 62);
  const Decoded out = decode(w.bits.finish(), data.size(), CompressionType::Blocked);
  ASSERT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, data);
}

struct ExeCase {
  const char* name;
  unsigned parameter;
  size_t size;
};

TEST(DecoderBlocked, ExeModeRestoresCallAndJumpTargets) {
  for (const ExeCase& c : {ExeCase{"32-bit calls", 1, 3000}, ExeCase{"16-bit calls", 0, 3000},
                           ExeCase{"opcode in the last bytes", 1, 1002}}) {
    SCOPED_TRACE(c.name);
    const std::string data = code_like(c.size);
    Lz77Writer w;
    w.block(32767);
    w.mode_change(kExe);
    w.bits.put(c.parameter, 8);
    w.literals(exe_forward(data, c.parameter != 0));
    const Decoded out = decode(w.bits.finish(), data.size(), CompressionType::Blocked);
    ASSERT_EQ(out.result, DecodeResult::ok);
    EXPECT_EQ(out.text, data);
  }
}

TEST(DecoderBlocked, BytesHeldBackByExeStayAsTheyAreWhenLz77Follows) {
  // The call at 8 has only 3 bytes after it when EXE ends: it is not converted.
  const std::string exePart = std::string("\x90\x90\x90\x90\x90\x90\x90\x90\xE8\x01\x02", 11);
  Lz77Writer w;
  w.block(32767);
  w.mode_change(kExe);
  w.bits.put(1, 8);
  w.literals(exePart);
  w.mode_change(0);
  w.literals("\x03xyz");
  const Decoded out = decode(w.bits.finish(), 15, CompressionType::Blocked);
  ASSERT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, exePart + "\x03xyz");
}

void put_sound_tables(BitWriter& bits, unsigned channels, uint32_t symbols) {
  for (unsigned t = 0; t < 3 * channels; ++t) put_table(bits, std::vector<uint8_t>(289, 9), 10);
  bits.put(symbols, 15);
}

TEST(DecoderBlocked, SoundPredictsFromTheLastSampleAndSwitchesBack) {
  // One channel: five zero residuals, residual 1, residual 0 (predicted 1).
  Lz77Writer w;
  w.block(32767);
  w.literals("ab");
  w.mode_change(kSound8);
  put_sound_tables(w.bits, 1, 100);
  const std::vector<Code> codes = assign_codes(std::vector<uint8_t>(289, 9), 10);
  auto sound_symbol = [&](unsigned s) { w.bits.put(codes[s].bits, codes[s].width); };
  for (int i = 0; i < 5; ++i) sound_symbol(32);
  sound_symbol(32 + 2);
  sound_symbol(32);
  sound_symbol(288);
  w.bits.put(0, 8);
  w.literals("cd");
  const Decoded out = decode(w.bits.finish(), 11, CompressionType::Blocked);
  ASSERT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, std::string("ab\0\0\0\0\0\x01\x01", 9) + "cd");
}

TEST(DecoderBlocked, PicRowsOfAFlatImageThenLz77) {
  Lz77Writer w;
  w.block(32767);
  w.mode_change(kPic);
  w.bits.put(4, 12);  // row length 4
  w.bits.put(0, 1);
  w.bits.put(1, 2);  // one plane
  w.bits.put(0, 1);
  // Every pixel has the same context; its Golomb-Rice width shrinks as it is used
  // (bit length of 4 / uses): 3, 2, 1, 1, then 0.
  const unsigned widths[8] = {3, 2, 1, 1, 0, 0, 0, 0};
  for (int row = 0; row < 2; ++row) {
    w.bits.put(1, 1);
    for (int pixel = 0; pixel < 4; ++pixel) w.bits.put(0, widths[row * 4 + pixel] + 1);
  }
  w.bits.put(0, 1);
  w.bits.put(0, 8);
  w.literals("end");
  const Decoded out = decode(w.bits.finish(), 11, CompressionType::Blocked);
  ASSERT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, std::string(8, '\0') + "end");
}

TEST(DecoderBlocked, ImpossibleModesAndParametersAreRefused) {
  struct Case {
    const char* name;
    unsigned mode;
    std::function<void(BitWriter&)> parameters;
    DecodeResult expected;
  };
  const std::vector<Case> cases = {
      {"unknown mode", 8, [](BitWriter&) {}, DecodeResult::unsupported},
      {"delta stride 0", kDelta,
       [](BitWriter& b) {
         b.put(0, 8);
         b.put(16, 17);
       },
       DecodeResult::bad_data},
      {"delta block shorter than its stride", kDelta,
       [](BitWriter& b) {
         b.put(8, 8);
         b.put(4, 17);
       },
       DecodeResult::bad_data},
      {"delta block beyond the entry", kDelta,
       [](BitWriter& b) {
         b.put(2, 8);
         b.put(5000, 17);
       },
       DecodeResult::bad_data},
      {"picture row longer than any image", kPic,
       [](BitWriter& b) {
         b.put(0, 12);
         for (int i = 0; i < 300; ++i) b.put(1, 1);  // 300 * 4096
         b.put(0, 1);
         b.put(1, 3);
       },
       DecodeResult::bad_data},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Lz77Writer w;
    w.block(32767);
    w.literals("x");
    w.mode_change(c.mode);
    c.parameters(w.bits);
    w.literals(std::string(40, 'y'));
    EXPECT_EQ(decode(w.bits.finish(), 1000, CompressionType::Blocked).result, c.expected);
  }
}

}  // namespace
