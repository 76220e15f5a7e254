#include "engine/libarchive/decompressed_stream.h"

#include <archive.h>
#include <archive_entry.h>

#include <utility>

#include "engine/libarchive/bzip2_stream.h"
#include "engine/libarchive/xz_stream.h"

namespace tessaly {

namespace {

class GzipStreamDecompressed final : public DecompressedStream {
 public:
  explicit GzipStreamDecompressed(ByteInput input) : gzip_(std::move(input)) {}
  ssize_t Read(const void** block) override { return gzip_.Read(block); }
  uint64_t bytes_read() const override { return gzip_.bytes_read(); }
  std::string compression() const override { return "gzip"; }
  void Describe(struct archive_entry* entry) const override {
    if (!gzip_.stored_name().empty())
      archive_entry_copy_pathname(entry, gzip_.stored_name().c_str());
    if (gzip_.modified() != 0) archive_entry_set_mtime(entry, gzip_.modified(), 0);
  }

 private:
  GzipStream gzip_;
};

// A compression decoded on its own threads by our reader of it, which names no entry.
template <typename Stream>
class ThreadedStreamDecompressed final : public DecompressedStream {
 public:
  template <typename Input>
  ThreadedStreamDecompressed(Input input, int threads, const char* name)
      : stream_(std::move(input), threads), name_(name) {}
  ssize_t Read(const void** block) override { return stream_.Read(block); }
  uint64_t bytes_read() const override { return stream_.bytes_read(); }
  std::string compression() const override { return name_; }
  void Describe(struct archive_entry*) const override {}

 private:
  Stream stream_;
  const char* const name_;
};

// The other compressions through libarchive's filters, read to their end so that
// their checksums are checked.
class FilterStreamDecompressed final : public DecompressedStream {
 public:
  explicit FilterStreamDecompressed(struct archive* raw) : raw_(raw) {
    struct archive_entry* entry = nullptr;
    // A compressed empty stream has no entry at all.
    ended_ = archive_read_next_header(raw_, &entry) != ARCHIVE_OK;
  }
  ~FilterStreamDecompressed() override { archive_read_free(raw_); }
  ssize_t Read(const void** block) override {
    while (!ended_) {
      size_t size = 0;
      la_int64_t offset = 0;
      const int read = archive_read_data_block(raw_, block, &size, &offset);
      if (read == ARCHIVE_EOF) break;
      if (read != ARCHIVE_OK) return -1;
      if (size > 0) return static_cast<ssize_t>(size);
    }
    ended_ = true;
    return 0;
  }
  uint64_t bytes_read() const override {
    const la_int64_t read = archive_filter_bytes(raw_, -1);
    return read > 0 ? static_cast<uint64_t>(read) : 0;
  }
  std::string compression() const override {
    const char* name = archive_filter_name(raw_, 0);
    return name != nullptr ? name : "";
  }
  void Describe(struct archive_entry*) const override {}

 private:
  struct archive* raw_;
  bool ended_ = false;
};

// A compressed file whose filter failed on its first block.
class DamagedStreamDecompressed final : public DecompressedStream {
 public:
  ssize_t Read(const void**) override { return -1; }
  uint64_t bytes_read() const override { return 0; }
  std::string compression() const override { return "damaged compressed data"; }
  void Describe(struct archive_entry*) const override {}
};

}  // namespace

std::unique_ptr<DecompressedStream> GzipDecompressed(ByteInput input) {
  return std::make_unique<GzipStreamDecompressed>(std::move(input));
}

std::unique_ptr<DecompressedStream> XzDecompressed(ByteInput input, int threads) {
  return std::make_unique<ThreadedStreamDecompressed<XzStream>>(std::move(input), threads, "xz");
}

std::unique_ptr<DecompressedStream> Bzip2Decompressed(std::function<ByteInput()> makeInput,
                                                      int threads) {
  return std::make_unique<ThreadedStreamDecompressed<Bzip2Stream>>(std::move(makeInput), threads,
                                                                   "bzip2");
}

std::unique_ptr<DecompressedStream> FilterDecompressed(struct archive* raw) {
  return std::make_unique<FilterStreamDecompressed>(raw);
}

std::unique_ptr<DecompressedStream> DamagedDecompressed() {
  return std::make_unique<DamagedStreamDecompressed>();
}

}  // namespace tessaly
