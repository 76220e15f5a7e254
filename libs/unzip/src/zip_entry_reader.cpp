#include "zip_entry_reader.h"

#include "zip_crc32.h"

namespace unzip {
namespace {

class CheckedEntryReader final : public EntryReader {
 public:
  CheckedEntryReader(std::unique_ptr<ByteStream> decoded, const EntryInfo& entry,
                     std::function<bool()> authentic)
      : decoded_(std::move(decoded)),
        authentic_(std::move(authentic)),
        expected_size_(entry.uncompressed_size),
        expected_crc_(entry.crc),
        // AE-2 leaves the CRC field 0 on purpose; the MAC is its only check.
        check_crc_(entry.aes_version != 2) {}

  long long read(unsigned char* buffer, std::size_t size) override {
    if (status_ != ReadStatus::Ok) return -1;
    if (authentication_failed_) return 0;
    const long long count = decoded_->read(buffer, size);
    if (count < 0) return fail(decoded_->status());
    const auto produced = static_cast<uint64_t>(count);
    if (produced > expected_size_ - delivered_) {
      return fail(ReadStatus::InvalidData);  // more data than the headers announce
    }
    delivered_ += produced;
    crc_ = crc32_update(crc_, buffer, produced);
    return count;
  }

  // For AES entries the code decides first: a wrong or damaged entry is a bad
  // CRC ("may instead be incorrect password"), whatever its data looked like.
  ReadStatus finish() override {
    if (status_ != ReadStatus::Ok) return status_;
    if (authentication_failed_ || (authentic_ && !authentic_())) {
      status_ = ReadStatus::BadCrc;
    } else if (delivered_ != expected_size_) {
      status_ = ReadStatus::InvalidData;
    } else if (check_crc_ && crc_ != expected_crc_) {
      status_ = ReadStatus::BadCrc;
    }
    return status_;
  }

  ReadStatus status() const override { return status_; }
  uint32_t computed_crc() const override { return crc_; }
  uint32_t expected_crc() const override { return expected_crc_; }

 private:
  // Undecodable AES data whose code fails too (damage, or a wrong password that
  // passed the verifier) just ends here, and finish() reports the bad code.
  long long fail(ReadStatus status) {
    if (status == ReadStatus::InvalidData && authentic_ && !authentic_()) {
      authentication_failed_ = true;
      return 0;
    }
    status_ = status;
    return -1;
  }

  std::unique_ptr<ByteStream> decoded_;
  std::function<bool()> authentic_;
  uint64_t expected_size_;
  uint32_t expected_crc_;
  bool check_crc_;
  uint64_t delivered_ = 0;
  uint32_t crc_ = 0;
  bool authentication_failed_ = false;
  ReadStatus status_ = ReadStatus::Ok;
};

}  // namespace

std::unique_ptr<EntryReader> make_checked_reader(std::unique_ptr<ByteStream> decoded,
                                                 const EntryInfo& entry,
                                                 std::function<bool()> authentic) {
  return std::make_unique<CheckedEntryReader>(std::move(decoded), entry, std::move(authentic));
}

}  // namespace unzip
