#include "rar29_filter_records.h"

namespace unrar {
namespace {

constexpr size_t kMaxDefinitions = 1024;
constexpr size_t kMaxPending = 8192;
constexpr uint32_t kMaxCodeSize = 0x10000;

// MSB-first reader over the record bytes; reads past the end give zeros and set
// overrun.
class RecordReader {
 public:
  RecordReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint32_t peek16() const {
    uint32_t bits = 0;
    for (size_t k = 0; k < 3; ++k) {
      const size_t index = bitPos_ / 8 + k;
      bits = (bits << 8) | (index < size_ ? data_[index] : 0);
    }
    return (bits >> (8 - bitPos_ % 8)) & 0xFFFF;
  }
  void skip(unsigned bits) {
    bitPos_ += bits;
    if (bitPos_ > size_ * 8) overrun_ = true;
  }
  uint32_t get(unsigned n) {
    const uint32_t value = peek16() >> (16 - n);
    skip(n);
    return value;
  }
  uint32_t read_number() {
    const uint32_t v = peek16();
    switch (v & 0xC000) {
      case 0:
        skip(6);
        return (v >> 10) & 0xF;
      case 0x4000:
        if ((v & 0x3C00) == 0) {
          skip(14);
          return 0xFFFFFF00u | ((v >> 2) & 0xFF);
        }
        skip(10);
        return (v >> 6) & 0xFF;
      case 0x8000:
        skip(2);
        return get(16);
      default: {
        skip(2);
        const uint32_t high = get(16);
        return (high << 16) | get(16);
      }
    }
  }
  bool overrun() const { return overrun_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t bitPos_ = 0;
  bool overrun_ = false;
};

}  // namespace

void Rar29FilterRecords::reset() {
  definitions_.clear();
  lastSlot_ = 0;
}

FilterRecordResult Rar29FilterRecords::add_record(uint8_t first, const uint8_t* record, size_t size,
                                                  uint64_t position, uint64_t windowSize,
                                                  std::deque<PendingFilter>& pending) {
  RecordReader reader(record, size);
  size_t slot = lastSlot_;
  if (first & 0x80) {
    const uint32_t index = reader.read_number();
    if (index == 0) {
      definitions_.clear();
      pending.clear();
      slot = 0;
    } else {
      slot = index - 1;
    }
  }
  if (slot > definitions_.size() || slot >= kMaxDefinitions) return FilterRecordResult::bad_data;
  const bool newDefinition = slot == definitions_.size();
  lastSlot_ = slot;

  uint64_t start = reader.read_number();
  if (first & 0x40) start += 258;
  if (start >= windowSize) return FilterRecordResult::bad_data;

  std::optional<uint32_t> length;
  if (first & 0x20) length = reader.read_number();

  uint32_t registers[7] = {};
  if (first & 0x10) {
    const uint32_t mask = reader.get(7);
    for (unsigned i = 0; i < 7; ++i)
      if (mask & (1u << i)) registers[i] = reader.read_number();
  }

  if (newDefinition) {
    const uint32_t codeSize = reader.read_number();
    if (codeSize == 0 || codeSize >= kMaxCodeSize) return FilterRecordResult::bad_data;
    std::vector<uint8_t> code(codeSize);
    for (uint8_t& byte : code) byte = static_cast<uint8_t>(reader.get(8));
    if (reader.overrun()) return FilterRecordResult::bad_data;
    definitions_.push_back({identify_standard_filter(code.data(), code.size()), 0});
  }
  Definition& definition = definitions_[slot];
  if (length) definition.lastLength = *length;
  const uint32_t rangeLength = definition.lastLength;

  if (first & 0x08) {
    // Extra data for the program: the standard filters take none.
    const uint32_t dataSize = reader.read_number();
    if (dataSize >= kMaxCodeSize) return FilterRecordResult::bad_data;
    reader.skip(dataSize * 8);
  }
  if (reader.overrun() || rangeLength > kMaxRangeLength || pending.size() >= kMaxPending)
    return FilterRecordResult::bad_data;
  if (!definition.filter) return FilterRecordResult::unsupported;
  if (rangeLength == 0) return FilterRecordResult::ok;
  pending.push_back(
      {*definition.filter, position + start, rangeLength, registers[0], registers[1]});
  return FilterRecordResult::ok;
}

}  // namespace unrar
