#include "rar29_window.h"

#include <algorithm>
#include <cstdlib>

namespace unrar {

std::unique_ptr<Rar29Window> Rar29Window::create(size_t size) {
  Bytes data(static_cast<uint8_t*>(std::calloc(size, 1)));
  if (!data) return nullptr;
  return std::unique_ptr<Rar29Window>(new Rar29Window(std::move(data), size));
}

Rar29Window::Rar29Window(Bytes data, size_t size) : data_(std::move(data)), mask_(size - 1) {}

void Rar29Window::reset_stream() {
  position_ = 0;
  written_ = 0;
  pending_.clear();
}

void Rar29Window::begin_file(uint64_t unpackedSize, bool unknownSize) {
  // Bytes a match carried past the previous file's end are not this file's.
  written_ = position_;
  fileStart_ = position_;
  unknownSize_ = unknownSize;
  fileEnd_ = unknownSize ? UINT64_MAX : position_ + unpackedSize;
  pending_.clear();
}

bool Rar29Window::copy(uint32_t length, uint64_t distance) {
  if (distance == 0 || distance > size()) return false;
  if (distance > position_) {
    // Before the start of the stream the window holds zeros.
    for (uint32_t i = 0; i < length; ++i) put(0);
    return true;
  }
  uint64_t from = position_ - distance;
  const uint64_t destination = position_ & mask_;
  const uint64_t source = from & mask_;
  if (destination + length <= size() && source + length <= size()) {
    uint8_t* out = data_.get() + destination;
    const uint8_t* in = data_.get() + source;
    for (uint32_t i = 0; i < length; ++i) out[i] = in[i];
    position_ += length;
    return true;
  }
  for (uint32_t i = 0; i < length; ++i) put(data_[from++ & mask_]);
  return true;
}

DecodeResult Rar29Window::emit_bytes(const uint8_t* bytes, uint64_t start, uint64_t end,
                                     UnpackedOutput& output) {
  const uint64_t from = std::max(start, fileStart_);
  const uint64_t to = std::min(end, fileEnd_);
  for (uint64_t at = from; at < to;) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(to - at, kMaxPiece));
    if (!output.write(bytes + (at - start), piece)) return DecodeResult::stopped;
    at += piece;
  }
  return DecodeResult::ok;
}

DecodeResult Rar29Window::emit_window(uint64_t from, uint64_t to, UnpackedOutput& output) {
  while (from < to) {
    const uint64_t offset = from & mask_;
    const uint64_t run = std::min(to - from, size() - offset);
    const DecodeResult result = emit_bytes(data_.get() + offset, from, from + run, output);
    if (result != DecodeResult::ok) return result;
    from += run;
  }
  return DecodeResult::ok;
}

DecodeResult Rar29Window::run_filters(UnpackedOutput& output) {
  const PendingFilter first = pending_.front();
  DecodeResult result = emit_window(written_, first.start, output);
  if (result != DecodeResult::ok) return result;

  filtered_.resize(first.length);
  for (uint32_t i = 0; i < first.length; ++i) filtered_[i] = data_[(first.start + i) & mask_];
  const FilterParameters parameters{first.r0, first.r1, first.start - fileStart_};
  // Filters sent for the same range run one after another on its result.
  while (!pending_.empty() && pending_.front().start == first.start &&
         pending_.front().length == filtered_.size()) {
    const PendingFilter& filter = pending_.front();
    const FilterParameters own{filter.r0, filter.r1, parameters.fileOffset};
    if (!apply_standard_filter(filter.filter, own, filtered_, scratch_))
      return DecodeResult::bad_data;
    pending_.pop_front();
  }
  result = emit_bytes(filtered_.data(), first.start, first.start + first.length, output);
  written_ = first.start + first.length;
  return result;
}

DecodeResult Rar29Window::flush(UnpackedOutput& output) {
  while (!pending_.empty()) {
    const PendingFilter& next = pending_.front();
    // A range that overlaps bytes already handed over cannot be filtered.
    if (next.start < written_) return DecodeResult::bad_data;
    if (next.start + next.length > position_) {
      const uint64_t until = std::min(next.start, position_);
      const DecodeResult result = emit_window(written_, until, output);
      written_ = until;
      if (result != DecodeResult::ok) return result;
      // The decoder must not overwrite bytes a filter still needs.
      return position_ - written_ > size() / 2 ? DecodeResult::bad_data : DecodeResult::ok;
    }
    const DecodeResult result = run_filters(output);
    if (result != DecodeResult::ok) return result;
  }
  const DecodeResult result = emit_window(written_, position_, output);
  written_ = position_;
  return result;
}

DecodeResult Rar29Window::finish_file(UnpackedOutput& output, bool endMarkerSeen) {
  const DecodeResult result = flush(output);
  if (result != DecodeResult::ok) return result;
  if (unknownSize_ ? !endMarkerSeen : position_ < fileEnd_) return DecodeResult::bad_data;
  // A filter range that the file's data does not complete.
  if (!pending_.empty() && pending_.front().start < std::min(position_, fileEnd_))
    return DecodeResult::bad_data;
  pending_.clear();
  return DecodeResult::ok;
}

}  // namespace unrar
