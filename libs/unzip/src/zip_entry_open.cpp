#include "zip_entry_open.h"

#include "crypto_winzip_aes.h"
#include "crypto_zipcrypto.h"
#include "zip_decoders.h"
#include "zip_entry_reader.h"

namespace unzip {
namespace {

constexpr uint16_t kFlagStrongEncryption = 1 << 6;
constexpr uint16_t kMethodAes = 99;

bool is_aes(const EntryInfo& entry) {
  return entry.method == kMethodAes;
}

}  // namespace

bool entry_decodable(const EntryInfo& entry) {
  if (entry.flags & kFlagStrongEncryption) return false;
  if (is_aes(entry)) {
    return entry.encrypted && entry.aes_strength != 0 && entry.real_method != kMethodAes &&
           raw_stream_decodable(entry.real_method);
  }
  return raw_stream_decodable(entry.method);
}

ReadStatus check_entry_password(const RawOpener& open_raw, const EntryInfo& entry,
                                const std::string& password) {
  if (!entry.encrypted) return ReadStatus::Ok;
  if (entry.flags & kFlagStrongEncryption) return ReadStatus::Unsupported;
  if (is_aes(entry) && entry.aes_strength == 0) return ReadStatus::Unsupported;
  ReadStatus status;
  auto raw = open_raw(entry, status);
  if (!raw) return status;
  if (is_aes(entry)) {
    return check_aes_password(*raw, entry.aes_strength, entry.compressed_size, password);
  }
  open_zipcrypto(std::move(raw), password, zipcrypto_check_byte(entry), status);
  return status;
}

std::unique_ptr<EntryReader> open_entry_reader(const RawOpener& open_raw, const EntryInfo& entry,
                                               const std::string& password, ReadStatus& status) {
  if (!entry_decodable(entry)) {
    status = ReadStatus::Unsupported;
    return nullptr;
  }
  // Every entry, stored ones too, is read raw and decoded and checked here, in one
  // pass: libzip would compute a second CRC with zlib's slower function. Encrypted
  // entries need our own stages anyway: libzip 1.7.3 checks a CRC on AE-2 entries
  // that carry none, and the ZipCrypto check byte has to follow the data-descriptor
  // rule exactly.
  auto stream = open_raw(entry, status);
  if (!stream) return nullptr;
  std::function<bool()> authentic;
  if (is_aes(entry)) {
    auto aes = open_winzip_aes(std::move(stream), entry.aes_strength, entry.compressed_size,
                               password, status);
    if (!aes) return nullptr;
    authentic = [aes = aes.get()] { return aes->verify_rest(); };
    stream = std::move(aes);
  } else if (entry.encrypted) {
    stream = open_zipcrypto(std::move(stream), password, zipcrypto_check_byte(entry), status);
    if (!stream) return nullptr;
  }
  auto decoded = make_decoder(entry.real_method, entry.flags, entry.uncompressed_size,
                              std::move(stream), status);
  if (!decoded) return nullptr;
  return make_checked_reader(std::move(decoded), entry, std::move(authentic));
}

}  // namespace unzip
