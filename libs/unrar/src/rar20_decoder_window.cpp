#include "rar20_decoder_window.h"

#include <algorithm>
#include <new>

namespace unrar {
namespace {

constexpr uint64_t kMaxPiece = 256 * 1024;

}  // namespace

std::unique_ptr<Rar20Window> Rar20Window::create(size_t size) {
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size]);
  if (!data) return nullptr;
  return std::unique_ptr<Rar20Window>(new Rar20Window(std::move(data), size));
}

// Flushing at half the window keeps a pending match from overwriting bytes not yet
// written, however small the window.
Rar20Window::Rar20Window(std::unique_ptr<uint8_t[]> data, size_t size)
    : data_(std::move(data)), mask_(size - 1), flushAt_(std::min<uint64_t>(kMaxPiece, size / 2)) {
  reset_stream();
}

void Rar20Window::reset_stream() {
  position_ = 0;
  written_ = 0;
  fileEnd_ = 0;
}

void Rar20Window::begin_file(uint64_t unpackedSize) {
  written_ = position_;
  fileEnd_ = unpackedSize > UINT64_MAX - position_ ? UINT64_MAX : position_ + unpackedSize;
}

bool Rar20Window::copy(uint32_t length, uint32_t distance) {
  if (length == 0) return true;
  if (distance == 0 || distance > mask_) return false;
  for (uint32_t i = 0; i < length; ++i, ++position_) {
    data_[position_ & mask_] = position_ < distance ? 0 : data_[(position_ - distance) & mask_];
  }
  return true;
}

DecodeResult Rar20Window::flush(UnpackedOutput& output) {
  const uint64_t end = std::min(position_, fileEnd_);
  while (written_ < end) {
    const uint64_t offset = written_ & mask_;
    const uint64_t piece = std::min({end - written_, mask_ + 1 - offset, kMaxPiece});
    if (!output.write(data_.get() + offset, static_cast<size_t>(piece))) {
      return DecodeResult::stopped;
    }
    written_ += piece;
  }
  // Bytes decoded past the file's end are not its own.
  written_ = position_;
  return DecodeResult::ok;
}

}  // namespace unrar
