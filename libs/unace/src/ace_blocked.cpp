#include "ace_blocked.h"

#include <algorithm>
#include <cstring>

#include "ace_modes.h"

namespace unace {

namespace {

// Output leaves in pieces of this size; the window is at least four times larger.
constexpr size_t kPiece = 256 * 1024;

}  // namespace

AceStreamDecoder::AceStreamDecoder(AceWindow& window) : window_(window), lz77_(window) {}

DecodeResult AceStreamDecoder::decode(PackedInput& input, UnpackedOutput& output, uint64_t size,
                                      bool blocked) {
  reader_.reset(input);
  lz77_.start_entry();
  output_ = &output;
  size_ = size;
  produced_ = 0;
  emitted_ = 0;
  unconsumed_ = 0;
  blocked_ = blocked;
  mode_ = ModeChange{};
  pending_.reset();
  deltaLast_ = 0;
  held_.clear();

  while (produced_ < size_ || unconsumed_ > 0) {
    DecodeResult result;
    switch (mode_.mode) {
      case lz77:
      case exe:
        result = lz77_step();
        break;
      case delta:
        result = delta_step();
        break;
      case pic:
        result = pic_step();
        break;
      default:
        result = sound_step();
        break;
    }
    if (result != DecodeResult::ok) return result;
  }
  return flush_held() ? DecodeResult::ok : DecodeResult::stopped;
}

DecodeResult AceStreamDecoder::damaged() const {
  return reader_.input_failed() ? DecodeResult::stopped : DecodeResult::bad_data;
}

bool AceStreamDecoder::emit(const uint8_t* data, size_t length) {
  if (length == 0) return true;
  emitted_ += length;
  return output_->write(data, length);
}

void AceStreamDecoder::take_window_bytes(size_t count, uint8_t* to) {
  window_.visit_recent(unconsumed_, count, [&to](const uint8_t* data, size_t length) {
    std::memcpy(to, data, length);
    to += length;
    return true;
  });
  unconsumed_ -= count;
}

bool AceStreamDecoder::emit_unconsumed() {
  const bool written = window_.visit_recent(
      unconsumed_, unconsumed_,
      [this](const uint8_t* data, size_t length) { return emit(data, length); });
  unconsumed_ = 0;
  return written;
}

DecodeResult AceStreamDecoder::change_mode() {
  ModeChange change;
  const DecodeResult read = read_mode_change(change);
  return read == DecodeResult::ok ? apply(change) : read;
}

bool AceStreamDecoder::flush_held() {
  const bool written = emit(held_.data(), held_.size());
  held_.clear();
  return written;
}

DecodeResult AceStreamDecoder::read_mode_change(ModeChange& change) {
  change.mode = reader_.read(8);
  if (change.mode == delta) {
    change.stride = reader_.read(8);
    change.blockLength = reader_.read(17);
  } else if (change.mode == exe) {
    change.exeParameter = reader_.read(8);
  }
  if (reader_.overrun()) return damaged();
  return change.mode > pic ? DecodeResult::unsupported : DecodeResult::ok;
}

DecodeResult AceStreamDecoder::apply(const ModeChange& change) {
  // Bytes held back for EXE stay as they are unless EXE goes on.
  if (change.mode != exe && !flush_held()) return DecodeResult::stopped;
  if (change.mode >= sound8 && !emit_unconsumed()) return DecodeResult::stopped;
  if (change.mode == delta && (change.stride == 0 || change.blockLength < change.stride)) {
    return DecodeResult::bad_data;
  }
  if (change.mode >= sound8 && change.mode <= sound32b && change.mode != mode_.mode) {
    sound_.start(change.mode);
  }
  if (change.mode == pic && mode_.mode != pic && !pic_.start(reader_)) return damaged();
  mode_ = change;
  return DecodeResult::ok;
}

DecodeResult AceStreamDecoder::lz77_step() {
  size_t produced = 0;
  AceLz77::Status status = AceLz77::Status::ok;
  if (unconsumed_ == 0) {
    const uint64_t left = size_ - produced_;
    status = lz77_.decode(reader_, static_cast<size_t>(std::min<uint64_t>(kPiece, left)), left,
                          produced);
    produced_ += produced;
    unconsumed_ += produced;
  }
  return after_lz77(status);
}

DecodeResult AceStreamDecoder::after_lz77(AceLz77::Status status) {
  if (mode_.mode == lz77) {
    if (!flush_held() || !emit_unconsumed()) return DecodeResult::stopped;
  } else {
    const size_t total = held_.size() + unconsumed_;
    staging_.resize(total);
    std::copy(held_.begin(), held_.end(), staging_.begin());
    take_window_bytes(unconsumed_, staging_.data() + held_.size());
    const size_t final =
        undo_exe_translation(staging_.data(), total, emitted_, mode_.exeParameter != 0);
    held_.assign(staging_.begin() + static_cast<ptrdiff_t>(final),
                 staging_.begin() + static_cast<ptrdiff_t>(total));
    if (!emit(staging_.data(), final)) return DecodeResult::stopped;
  }
  if (status == AceLz77::Status::bad_data) return damaged();
  if (status == AceLz77::Status::mode_change)
    return blocked_ ? change_mode() : DecodeResult::bad_data;
  return DecodeResult::ok;
}

DecodeResult AceStreamDecoder::delta_step() {
  const size_t length = mode_.blockLength;
  block_.resize(length);
  size_t filled = 0;
  while (filled < length) {
    if (unconsumed_ == 0) {
      // A block longer than the rest of the entry shows only once it runs out:
      // a mode change may come first.
      const uint64_t left = size_ - produced_;
      if (left == 0) return DecodeResult::bad_data;
      const size_t wanted = static_cast<size_t>(std::min<uint64_t>(length - filled, left));
      size_t produced = 0;
      const AceLz77::Status status = lz77_.decode(reader_, wanted, left, produced);
      produced_ += produced;
      unconsumed_ += produced;
      if (status == AceLz77::Status::bad_data) return damaged();
      if (status == AceLz77::Status::mode_change) {
        ModeChange change;
        const DecodeResult read = read_mode_change(change);
        if (read != DecodeResult::ok) return read;
        // A change before the block's first byte ends DELTA at once.
        if (filled == 0 && unconsumed_ == 0) return apply(change);
        if (pending_) return DecodeResult::bad_data;
        pending_ = change;
      }
    }
    const size_t take = std::min(unconsumed_, length - filled);
    take_window_bytes(take, block_.data() + filled);
    filled += take;
  }
  staging_.resize(length);
  undo_delta(block_.data(), length, mode_.stride, deltaLast_, staging_.data());
  if (!emit(staging_.data(), length)) return DecodeResult::stopped;
  if (!pending_) return DecodeResult::ok;
  const ModeChange change = *pending_;
  pending_.reset();
  return apply(change);
}

DecodeResult AceStreamDecoder::sound_step() {
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(kPiece, size_ - produced_));
  staging_.resize(wanted);
  size_t produced = 0;
  const AceSound::Status status = sound_.decode(reader_, staging_.data(), wanted, produced);
  window_.append(staging_.data(), produced);
  produced_ += produced;
  if (!emit(staging_.data(), produced)) return DecodeResult::stopped;
  if (status == AceSound::Status::bad_data) return damaged();
  if (status == AceSound::Status::mode_change) return change_mode();
  return DecodeResult::ok;
}

DecodeResult AceStreamDecoder::pic_step() {
  const uint64_t left = size_ - produced_;
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(kPiece, left));
  staging_.resize(wanted + pic_.row_length());
  size_t produced = 0;
  const AcePic::Status status = pic_.decode(reader_, staging_.data(), wanted, produced);
  // The last row may run past the end of the entry.
  const size_t kept = static_cast<size_t>(std::min<uint64_t>(produced, left));
  window_.append(staging_.data(), kept);
  produced_ += kept;
  if (!emit(staging_.data(), kept)) return DecodeResult::stopped;
  if (status == AcePic::Status::bad_data) return damaged();
  if (status == AcePic::Status::mode_change) return change_mode();
  return DecodeResult::ok;
}

}  // namespace unace
