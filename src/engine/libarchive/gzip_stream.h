// A gzip file inflated by us rather than by libarchive, which skips the trailer: every
// member's CRC-32 and length are checked, members follow one another as gzip -d joins
// them, and what trails the last one is ignored as gzip -t ignores it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct inflate_state;

namespace tessaly {

// The bytes of an archive in order: the volumes of a set one after the other, or a
// buffer that outlives the input.
class ByteInput {
 public:
  explicit ByteInput(std::vector<std::string> paths) : paths_(std::move(paths)) {}
  ByteInput(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  ByteInput(ByteInput&& other) noexcept;
  ByteInput& operator=(ByteInput&&) = delete;
  ~ByteInput();

  // Up to size bytes into buffer: how many, 0 at the end, -1 when a file cannot be read.
  ssize_t Read(uint8_t* buffer, size_t size);
  uint64_t bytes_read() const { return read_; }

 private:
  std::vector<std::string> paths_;
  size_t nextPath_ = 0;
  int fd_ = -1;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  uint64_t read_ = 0;
};

class GzipStream {
 public:
  explicit GzipStream(ByteInput input);
  ~GzipStream();
  GzipStream(const GzipStream&) = delete;
  GzipStream& operator=(const GzipStream&) = delete;

  // The next inflated bytes: their count with *block pointing at them (valid until the
  // next call), 0 after the last member, -1 when the data is damaged (a member that
  // breaks off or does not inflate, a CRC-32 or length that does not match).
  ssize_t Read(const void** block);
  // The first member's stored name ("" for none) and modification time (0 for none).
  const std::string& stored_name() const { return storedName_; }
  uint32_t modified() const { return modified_; }
  uint64_t bytes_read() const { return input_.bytes_read(); }

 private:
  // Moves what is left to the front of the buffer and reads behind it until full.
  bool Refill();
  // After a member: true when another one follows (read its header), false at the end.
  bool StartMember();

  ByteInput input_;
  std::unique_ptr<inflate_state> state_;
  std::vector<uint8_t> in_;
  std::vector<uint8_t> out_;
  std::vector<char> headerText_;
  bool inputEnded_ = false;
  bool inMember_ = false;
  bool ended_ = false;
  bool damaged_ = false;
  std::string storedName_;
  uint32_t modified_ = 0;
  int members_ = 0;
};

// The file begins with gzip's signature and its one method, deflate.
bool StartsLikeGzip(const void* data, size_t size);

}  // namespace tessaly
