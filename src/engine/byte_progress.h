// The Status window's bar in bytes: each selected entry counts its size and one more,
// so that a folder or an empty file moves the bar too, and one large entry moves it
// while it is written.
#pragma once

#include <algorithm>
#include <cstdint>

namespace tessaly {

class ByteProgress {
 public:
  void Restart() { *this = ByteProgress(); }
  void Count(uint64_t entryBytes, uint64_t entries = 1) {
    total_ = Sum(total_, Sum(Clamped(entryBytes), Clamped(entries)));
  }
  int64_t total() const { return total_; }
  int64_t value() const { return Sum(done_, Clamped(written_)); }

  // What is written from now on belongs to an entry of this size, and moves the bar
  // no further than the entry's end: a solid archive decodes entries nobody selected.
  // A library that reports what it wrote of each entry need not tell the size first.
  void Begin(uint64_t entryBytes = kUnknownSize) {
    entryBytes_ = entryBytes;
    written_ = 0;
    inEntry_ = true;
  }
  void Written(uint64_t bytes) { WrittenSoFar(written_ + bytes); }
  void WrittenSoFar(uint64_t bytes) {
    if (inEntry_) written_ = std::min(entryBytes_, bytes);
  }
  // The entry is over, whether it was written, kept or left out.
  void End() {
    if (inEntry_)
      done_ = Sum(done_, Clamped(entryBytes_ == kUnknownSize ? written_ : entryBytes_) + 1);
    written_ = 0;
    inEntry_ = false;
  }

 private:
  // A damaged header may claim any size: the sums stop at the largest count.
  static constexpr int64_t kMost = INT64_MAX / 4;
  static constexpr uint64_t kUnknownSize = UINT64_MAX;
  static int64_t Clamped(uint64_t count) {
    return static_cast<int64_t>(std::min<uint64_t>(count, kMost));
  }
  static int64_t Sum(int64_t a, int64_t b) { return std::min(kMost, a + b); }

  int64_t total_ = 0;
  int64_t done_ = 0;
  uint64_t entryBytes_ = 0;
  uint64_t written_ = 0;
  bool inEntry_ = false;
};

}  // namespace tessaly
