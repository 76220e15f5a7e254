#include "engine/libarchive/gzip_stream.h"

#include <fcntl.h>
#include <isa-l/igzip_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tessaly {

namespace {

constexpr size_t kBufferSize = 256 * 1024;
constexpr uint8_t kMagic0 = 0x1F;
constexpr uint8_t kMagic1 = 0x8B;

}  // namespace

bool StartsLikeGzip(const void* data, size_t size) {
  constexpr uint8_t kDeflate = 8;
  const auto* bytes = static_cast<const uint8_t*>(data);
  return size >= 3 && bytes[0] == kMagic0 && bytes[1] == kMagic1 && bytes[2] == kDeflate;
}

ByteInput::ByteInput(ByteInput&& other) noexcept
    : paths_(std::move(other.paths_)),
      nextPath_(other.nextPath_),
      fd_(other.fd_),
      data_(other.data_),
      size_(other.size_),
      read_(other.read_) {
  other.fd_ = -1;
}

ByteInput::~ByteInput() {
  if (fd_ >= 0) close(fd_);
}

ssize_t ByteInput::Read(uint8_t* buffer, size_t size) {
  if (data_ != nullptr) {
    const size_t count = std::min(size, size_ - static_cast<size_t>(read_));
    std::memcpy(buffer, data_ + read_, count);
    read_ += count;
    return static_cast<ssize_t>(count);
  }
  for (;;) {
    if (fd_ < 0) {
      if (nextPath_ == paths_.size()) return 0;
      fd_ = open(paths_[nextPath_++].c_str(), O_RDONLY | O_CLOEXEC);
      if (fd_ < 0) return -1;
    }
    const ssize_t got = read(fd_, buffer, size);
    if (got < 0 && errno == EINTR) continue;
    if (got != 0) {
      if (got > 0) read_ += static_cast<uint64_t>(got);
      return got;
    }
    close(fd_);
    fd_ = -1;
  }
}

GzipStream::GzipStream(ByteInput input)
    : input_(std::move(input)),
      state_(std::make_unique<inflate_state>()),
      in_(kBufferSize),
      out_(kBufferSize),
      headerText_(kBufferSize) {
  isal_inflate_init(state_.get());
  state_->next_in = in_.data();
  state_->avail_in = 0;
}

GzipStream::~GzipStream() = default;

bool GzipStream::Refill() {
  const size_t left = state_->avail_in;
  std::memmove(in_.data(), state_->next_in, left);
  size_t filled = left;
  while (!inputEnded_ && filled < in_.size()) {
    const ssize_t got = input_.Read(in_.data() + filled, in_.size() - filled);
    if (got < 0) return false;
    if (got == 0) inputEnded_ = true;
    filled += static_cast<size_t>(got);
  }
  state_->next_in = in_.data();
  state_->avail_in = static_cast<uint32_t>(filled);
  return true;
}

bool GzipStream::StartMember() {
  if (state_->avail_in < in_.size() / 2 && !Refill()) {
    damaged_ = true;
    return false;
  }
  const uint8_t* next = state_->next_in;
  const uint32_t left = state_->avail_in;
  // As gzip -d: another member begins with the signature (a lone first byte of it is a
  // member broken off); anything else after a member is ignored.
  if (left == 0 || next[0] != kMagic0 || (left > 1 && next[1] != kMagic1)) {
    ended_ = true;
    return false;
  }
  isal_inflate_reset(state_.get());
  state_->next_in = const_cast<uint8_t*>(next);
  state_->avail_in = left;
  state_->crc_flag = ISAL_GZIP_NO_HDR_VER;
  isal_gzip_header header{};
  isal_gzip_header_init(&header);
  header.name = headerText_.data();
  header.name_buf_len = static_cast<uint32_t>(headerText_.size());
  // The whole header is in the buffer, or it is longer than any real one.
  if (isal_read_gzip_header(state_.get(), &header) != ISAL_DECOMP_OK) {
    damaged_ = true;
    return false;
  }
  if (members_++ == 0) {
    storedName_ = (header.flags & 0x08) != 0 ? headerText_.data() : "";
    modified_ = header.time;
  }
  inMember_ = true;
  return true;
}

ssize_t GzipStream::Read(const void** block) {
  while (!ended_ && !damaged_) {
    if (!inMember_ && !StartMember()) break;
    if (state_->avail_in == 0 && !inputEnded_ && !Refill()) {
      damaged_ = true;
      break;
    }
    state_->next_out = out_.data();
    state_->avail_out = static_cast<uint32_t>(out_.size());
    const uint32_t inBefore = state_->avail_in;
    // Checks the trailer's CRC-32 and length when the member ends.
    if (isal_inflate(state_.get()) < 0) {
      damaged_ = true;
      break;
    }
    const size_t produced = out_.size() - state_->avail_out;
    if (state_->block_state == ISAL_BLOCK_FINISH) {
      inMember_ = false;
    } else if (produced == 0 && inBefore == state_->avail_in && inputEnded_) {
      // The member breaks off before its end.
      damaged_ = true;
      break;
    }
    if (produced > 0) {
      *block = out_.data();
      return static_cast<ssize_t>(produced);
    }
  }
  return damaged_ ? -1 : 0;
}

}  // namespace tessaly
