#include "crypto_zipcrypto.h"

#include "zip_crc32.h"

namespace unzip {
namespace {

constexpr uint16_t kFlagDataDescriptor = 1 << 3;

class ZipCryptoStream final : public ByteStream {
 public:
  ZipCryptoStream(std::unique_ptr<ByteStream> raw, ZipCryptoKeys keys)
      : raw_(std::move(raw)), keys_(keys) {}

  long long read(unsigned char* buffer, std::size_t size) override {
    const long long count = raw_->read(buffer, size);
    for (long long i = 0; i < count; ++i) buffer[i] = keys_.decrypt(buffer[i]);
    return count;
  }

  ReadStatus status() const override { return raw_->status(); }

 private:
  std::unique_ptr<ByteStream> raw_;
  ZipCryptoKeys keys_;
};

// Decrypts the header and returns its last byte, the password check.
unsigned char decrypt_header(ZipCryptoKeys& keys,
                             const unsigned char (&header)[kZipCryptoHeaderSize]) {
  unsigned char last = 0;
  for (unsigned char byte : header) last = keys.decrypt(byte);
  return last;
}

}  // namespace

ZipCryptoKeys::ZipCryptoKeys(const std::string& password)
    : keys_{0x12345678u, 0x23456789u, 0x34567890u} {
  for (char c : password) update(static_cast<unsigned char>(c));
}

void ZipCryptoKeys::update(unsigned char plain_byte) {
  keys_[0] = crc32_step(keys_[0], plain_byte);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
  keys_[2] = crc32_step(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
}

unsigned char ZipCryptoKeys::decrypt(unsigned char cipher_byte) {
  const uint32_t t = (keys_[2] | 2) & 0xFFFF;
  const auto plain = static_cast<unsigned char>(cipher_byte ^ ((t * (t ^ 1)) >> 8));
  update(plain);
  return plain;
}

unsigned char zipcrypto_check_byte(const EntryInfo& entry) {
  if (entry.flags & kFlagDataDescriptor) {
    return static_cast<unsigned char>((entry.dos_datetime >> 8) & 0xFF);
  }
  return static_cast<unsigned char>(entry.crc >> 24);
}

std::unique_ptr<ByteStream> open_zipcrypto(std::unique_ptr<ByteStream> raw,
                                           const std::string& password, unsigned char check_byte,
                                           ReadStatus& status) {
  unsigned char header[kZipCryptoHeaderSize];
  const long long count = read_fully(*raw, header, sizeof header);
  if (count < 0) {
    status = raw->status();
    return nullptr;
  }
  if (count != static_cast<long long>(sizeof header)) {
    status = ReadStatus::InvalidData;
    return nullptr;
  }
  ZipCryptoKeys keys(password);
  if (decrypt_header(keys, header) != check_byte) {
    status = ReadStatus::WrongPassword;
    return nullptr;
  }
  status = ReadStatus::Ok;
  return std::make_unique<ZipCryptoStream>(std::move(raw), keys);
}

}  // namespace unzip
