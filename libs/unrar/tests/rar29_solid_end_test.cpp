// Where one solid RAR 2.9 file ends and the next begins: a PPMd model that runs
// on into the next file, and LZ end markers that ask the next file for new
// tables, which may start a fresh PPMd model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive_crc.h"
#include "rar_decoder.h"
#include "rar_ppmd.h"

namespace unrar {
namespace {

using Bytes = std::vector<uint8_t>;

class BytesInput : public PackedInput {
 public:
  explicit BytesInput(const Bytes& data) : data_(data) {}
  size_t read(uint8_t* buffer, size_t size) override {
    size = std::min({size, data_.size() - at_, size_t{1500}});
    if (size > 0) std::memcpy(buffer, data_.data() + at_, size);
    at_ += size;
    return size;
  }
  bool failed() const override { return false; }

 private:
  const Bytes& data_;
  size_t at_ = 0;
};

class BytesOutput : public UnpackedOutput {
 public:
  bool write(const uint8_t* data, size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    return true;
  }
  Bytes bytes;
};

struct Decoded {
  DecodeResult result;
  Bytes bytes;
};

Decoded decode(Decoder& decoder, const Bytes& packed, uint64_t size, bool solid) {
  BytesInput input(packed);
  BytesOutput output;
  const DecodeResult result = decoder.decode_entry(input, output, size, solid);
  return {result, std::move(output.bytes)};
}

struct CorpusFile {
  Bytes packed;
  uint32_t unpackedSize = 0;
  uint32_t crc = 0;
};

// A file of a RAR 2.9 archive whose headers carry no surprises, by its place.
CorpusFile file_at(const std::string& archive, int index) {
  std::ifstream in(std::string(TESSALY_CORPUS_DIR) + "/rar/" + archive, std::ios::binary);
  const Bytes data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const auto le16 = [&](size_t at) { return uint32_t{data[at]} | uint32_t{data[at + 1]} << 8; };
  const auto le32 = [&](size_t at) { return le16(at) | le16(at + 2) << 16; };
  CorpusFile file;
  for (size_t at = 7; at + 32 <= data.size();) {
    const uint32_t headSize = le16(at + 5);
    const uint32_t dataSize = (le16(at + 3) & 0x8000) ? le32(at + 7) : 0;
    if (data[at + 2] == 0x74 && index-- == 0) {
      file.packed.assign(data.begin() + at + headSize, data.begin() + at + headSize + dataSize);
      file.unpackedSize = le32(at + 11);
      file.crc = le32(at + 16);
      break;
    }
    at += headSize + dataSize;
  }
  return file;
}

class CountingSource : public ByteSource {
 public:
  explicit CountingSource(const Bytes& bytes) : bytes_(bytes) {}
  int next_byte() override { return used < bytes_.size() ? bytes_[used++] : -1; }
  size_t used = 0;

 private:
  const Bytes& bytes_;
};

// The best-mode HTML page: one PPMd block (flags 0xA7: restart, order 8, 25 MiB,
// the default escape) whose text holds no escape. Cut between two symbols into
// two solid files, the second decodes only with the model, the escape and the
// range decoder the first left behind. The cut falls where the decoder has
// taken exactly the bytes of the first part.
TEST(Rar29SolidEnd, APpmdModelRunsOnIntoTheNextSolidFile) {
  const CorpusFile html = file_at("test_read_format_rar_compress_best.rar", 0);
  ASSERT_EQ(html.unpackedSize, 20111u);
  ASSERT_EQ(html.packed.at(0), 0xA7);
  const Bytes modelInput(html.packed.begin() + 2, html.packed.end());
  for (uint32_t firstSize : {1u, 9000u, 20110u}) {
    SCOPED_TRACE(firstSize);
    CountingSource source(modelInput);
    PpmdModel model;
    ASSERT_TRUE(model.restart(source, size_t{25} << 20, 8));
    for (uint32_t i = 0; i < firstSize; ++i) ASSERT_GE(model.decode_char(), 0);
    const size_t cut = 2 + source.used;

    auto decoder = make_rar29_decoder(4u << 20);
    const Decoded one =
        decode(*decoder, Bytes(html.packed.begin(), html.packed.begin() + cut), firstSize, false);
    ASSERT_EQ(one.result, DecodeResult::ok);
    const Bytes rest(html.packed.begin() + cut, html.packed.end());
    const Decoded two = decode(*decoder, rest, html.unpackedSize - firstSize, true);
    ASSERT_EQ(two.result, DecodeResult::ok);
    Bytes whole = one.bytes;
    whole.insert(whole.end(), two.bytes.begin(), two.bytes.end());
    EXPECT_EQ(crc32_continue(0, whole.data(), whole.size()), html.crc);

    // Not solid, the rest is no block header a decoder can start from.
    EXPECT_NE(decode(*decoder, rest, html.unpackedSize - firstSize, false).result,
              DecodeResult::ok);
  }
}

// Writes bits first-bit-highest, as the decoder reads them.
class BitWriter {
 public:
  void put(uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
      if (used_ % 8 == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= static_cast<uint8_t>(0x80 >> (used_ % 8));
      ++used_;
    }
  }
  Bytes bytes;

 private:
  size_t used_ = 0;
};

struct Code {
  uint32_t bits = 0;
  unsigned length = 0;
};

// An LZ block header with the given 299 main lengths (distances get 6 bits, the
// other tables 5),
// and the literals written with those codes.
class LzTables {
 public:
  explicit LzTables(std::vector<uint8_t> mainLengths) : lengths_(std::move(mainLengths)) {
    lengths_.resize(299 + 60, 6);
    lengths_.resize(299 + 60 + 17 + 28, 5);
    uint32_t next = 0;
    main_.resize(299);
    for (unsigned length = 1; length <= 15; ++length, next <<= 1)
      for (size_t s = 0; s < 299; ++s)
        if (lengths_[s] == length) main_[s] = {next++, length};
  }
  void header(BitWriter& out) const {
    out.put(0, 2);  // an LZ block, old lengths forgotten
    for (int i = 0; i < 20; ++i) out.put(i < 16 ? 4 : 0, 4);
    for (uint8_t length : lengths_) out.put(length, 4);
  }
  void symbol(BitWriter& out, int s) const { out.put(main_[s].bits, main_[s].length); }
  void text(BitWriter& out, const std::string& text) const {
    for (char c : text) symbol(out, static_cast<uint8_t>(c));
  }

 private:
  std::vector<uint8_t> lengths_;
  std::vector<Code> main_;
};

TEST(Rar29SolidEnd, AnLzEndMarkerAsksTheNextFileForNewTables) {
  std::vector<uint8_t> uniform(256, 9);
  uniform.resize(299, 7);
  std::vector<uint8_t> skewed(128, 8);
  skewed.resize(256, 10);
  skewed.resize(299, 7);
  const LzTables first(uniform), second(skewed);

  for (bool newTables : {true, false}) {
    SCOPED_TRACE(newTables);
    BitWriter one;
    first.header(one);
    first.text(one, "first file");
    first.symbol(one, 256);
    one.put(newTables ? 1 : 0, 2);  // end of file; bit 14 = new tables next

    BitWriter two;
    if (newTables) second.header(two);
    (newTables ? second : first).text(two, "second");
    (newTables ? second : first).symbol(two, 256);
    two.put(0, 2);

    auto decoder = make_rar29_decoder(4u << 20);
    const Decoded a = decode(*decoder, one.bytes, 10, false);
    EXPECT_EQ(a.result, DecodeResult::ok);
    EXPECT_EQ(std::string(a.bytes.begin(), a.bytes.end()), "first file");
    const Decoded b = decode(*decoder, two.bytes, 6, true);
    EXPECT_EQ(b.result, DecodeResult::ok);
    EXPECT_EQ(std::string(b.bytes.begin(), b.bytes.end()), "second");
  }
}

// The end marker's request for new tables is also how a solid file switches to a
// PPMd block that starts its own model.
TEST(Rar29SolidEnd, AfterAnLzFileTheNextMayStartAFreshPpmdModel) {
  const CorpusFile text = file_at("test_read_format_rar_compress_best.rar", 2);
  ASSERT_EQ(text.unpackedSize, 20u);
  ASSERT_EQ(text.packed.at(0), 0xA7);

  std::vector<uint8_t> lengths(256, 9);
  lengths.resize(299, 7);
  const LzTables tables(lengths);
  BitWriter one;
  tables.header(one);
  tables.text(one, "lz");
  tables.symbol(one, 256);
  one.put(1, 2);

  auto decoder = make_rar29_decoder(4u << 20);
  ASSERT_EQ(decode(*decoder, one.bytes, 2, false).result, DecodeResult::ok);
  const Decoded two = decode(*decoder, text.packed, text.unpackedSize, true);
  ASSERT_EQ(two.result, DecodeResult::ok);
  EXPECT_EQ(crc32_continue(0, two.bytes.data(), two.bytes.size()), text.crc);
}

}  // namespace
}  // namespace unrar
