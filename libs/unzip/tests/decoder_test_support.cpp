#include "decoder_test_support.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>

#include "test_support.h"
#include "zip_decoders.h"

namespace unzip::test {
namespace {

// Test double: hands out fixed bytes a few at a time, so every decoder meets the
// end of its input buffer in the middle of fields.
class PieceStream final : public ByteStream {
 public:
  PieceStream(const std::vector<unsigned char>& bytes, std::size_t piece)
      : bytes_(bytes), piece_(piece) {}
  long long read(unsigned char* buffer, std::size_t size) override {
    const std::size_t count = std::min({size, bytes_.size() - pos_, piece_});
    std::copy_n(bytes_.begin() + static_cast<long>(pos_), count, buffer);
    pos_ += count;
    return static_cast<long long>(count);
  }
  ReadStatus status() const override { return ReadStatus::Ok; }

 private:
  std::vector<unsigned char> bytes_;
  std::size_t piece_;
  std::size_t pos_ = 0;
};

}  // namespace

DecodeOutcome run_decoder(uint16_t method, uint16_t flags, uint64_t size,
                          const std::vector<unsigned char>& raw, std::size_t piece) {
  DecodeOutcome outcome;
  auto decoder =
      make_decoder(method, flags, size, std::make_unique<PieceStream>(raw, piece), outcome.status);
  if (!decoder) return outcome;
  std::vector<unsigned char> buffer(64 * 1024);
  for (;;) {
    const long long count = decoder->read(buffer.data(), buffer.size());
    if (count < 0) {
      outcome.status = decoder->status();
      EXPECT_NE(outcome.status, ReadStatus::Ok);
      return outcome;
    }
    if (count == 0) return outcome;
    outcome.data.insert(outcome.data.end(), buffer.begin(), buffer.begin() + count);
    if (outcome.data.size() > size + buffer.size()) return outcome;
  }
}

void BitWriter::bits(uint32_t value, unsigned count) {
  pending_ |= static_cast<uint64_t>(value & ((uint64_t{1} << count) - 1)) << pending_bits_;
  pending_bits_ += count;
  while (pending_bits_ >= 8) {
    bytes_.push_back(static_cast<unsigned char>(pending_));
    pending_ >>= 8;
    pending_bits_ -= 8;
  }
}

void BitWriter::code(uint32_t code, unsigned length) {
  for (unsigned i = length; i-- > 0;) bits((code >> i) & 1, 1);
}

void BitWriter::align() {
  if (pending_bits_ % 8 != 0) bits(0, 8 - pending_bits_ % 8);
}

std::vector<unsigned char> BitWriter::finish() {
  align();
  return bytes_;
}

RawEntryStream raw_entry_stream(const std::string& archive_path, const std::string& entry) {
  RawEntryStream stream;
  OpenResult result;
  auto archive = open_ok(archive_path, result);
  const EntryInfo* info = archive ? find_entry(*archive, entry) : nullptr;
  EXPECT_NE(info, nullptr) << archive_path << ": " << entry;
  if (!info) return stream;
  stream.method = info->method;
  stream.flags = info->flags;
  stream.size = info->uncompressed_size;
  int error = 0;
  zip_t* zip = zip_open(archive_path.c_str(), ZIP_RDONLY, &error);
  zip_file_t* file = zip ? zip_fopen_index(zip, info->index, ZIP_FL_COMPRESSED) : nullptr;
  EXPECT_NE(file, nullptr) << entry;
  unsigned char buffer[4096];
  zip_int64_t count;
  while (file && (count = zip_fread(file, buffer, sizeof buffer)) > 0) {
    stream.raw.insert(stream.raw.end(), buffer, buffer + count);
  }
  if (file) zip_fclose(file);
  if (zip) zip_discard(zip);
  return stream;
}

std::vector<unsigned char> cut(const std::vector<unsigned char>& raw, std::size_t count) {
  return std::vector<unsigned char>(raw.begin(), raw.begin() + static_cast<long>(count));
}

std::size_t expect_damage_caught(uint16_t method, uint16_t flags,
                                 const std::vector<unsigned char>& expected,
                                 const std::vector<unsigned char>& raw, std::size_t flips) {
  for (std::size_t keep : {std::size_t{0}, raw.size() / 3, raw.size() / 2, raw.size() - 1}) {
    const DecodeOutcome outcome = run_decoder(method, flags, expected.size(), cut(raw, keep));
    EXPECT_EQ(outcome.status, ReadStatus::InvalidData) << "cut to " << keep << " bytes";
  }
  std::size_t rejected = 0;
  // An odd step, so the flips do not all land on the same bit of a byte.
  const std::size_t step = std::max<std::size_t>(1, raw.size() * 8 / flips) | 1;
  for (std::size_t bit = 0; bit < raw.size() * 8; bit += step) {
    std::vector<unsigned char> damaged = raw;
    damaged[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
    const DecodeOutcome outcome = run_decoder(method, flags, expected.size(), damaged, 4096);
    if (outcome.status != ReadStatus::Ok) {
      EXPECT_EQ(outcome.status, ReadStatus::InvalidData) << "bit " << bit;
      ++rejected;
    }
  }
  return rejected;
}

}  // namespace unzip::test
