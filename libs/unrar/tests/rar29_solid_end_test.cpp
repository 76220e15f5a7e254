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
#include "rar29_lz_writer.h"
#include "rar_decoder.h"
#include "rar_ppmd.h"

namespace unrar {
namespace {

using Bytes = std::vector<uint8_t>;
using rar29_test::BitWriter;
using rar29_test::LzTables;

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
  for (uint32_t firstSize : {1u, 12345u}) {
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
  }
}

TEST(Rar29SolidEnd, AnLzEndMarkerAsksTheNextFileForNewTables) {
  std::vector<uint8_t> skewed(128, 8);
  skewed.resize(256, 10);
  skewed.resize(299, 7);
  const LzTables first = LzTables::uniform(), second(skewed);

  for (bool newTables : {true, false}) {
    SCOPED_TRACE(newTables);
    BitWriter one;
    first.header(one);
    first.text(one, "first file");
    first.end_of_file(one, newTables);

    BitWriter two;
    if (newTables) second.header(two);
    (newTables ? second : first).text(two, "second");
    (newTables ? second : first).end_of_file(two);

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

  const LzTables tables = LzTables::uniform();
  BitWriter one;
  tables.header(one);
  tables.text(one, "lz");
  tables.end_of_file(one, true);

  auto decoder = make_rar29_decoder(4u << 20);
  ASSERT_EQ(decode(*decoder, one.bytes, 2, false).result, DecodeResult::ok);
  const Decoded two = decode(*decoder, text.packed, text.unpackedSize, true);
  ASSERT_EQ(two.result, DecodeResult::ok);
  EXPECT_EQ(crc32_continue(0, two.bytes.data(), two.bytes.size()), text.crc);
}

}  // namespace
}  // namespace unrar
