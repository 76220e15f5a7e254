// The decompressed bytes of a compressed file, read to the end of the file so that
// every checksum of its compression is checked: gzip inflated by ISA-L, xz and bzip2
// decoded on every core by us, the others through libarchive's filters.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/libarchive/gzip_stream.h"

struct archive;
struct archive_entry;

namespace tessaly {

class DecompressedStream {
 public:
  virtual ~DecompressedStream() = default;
  // As GzipStream::Read.
  virtual ssize_t Read(const void** block) = 0;
  virtual uint64_t bytes_read() const = 0;
  virtual std::string compression() const = 0;
  // The single file's entry: stored name and time where the compression keeps them.
  virtual void Describe(struct archive_entry* entry) const = 0;
};

// gzip's members from input.
std::unique_ptr<DecompressedStream> GzipDecompressed(ByteInput input);
// xz's streams from input, on that many threads (0: one per core).
std::unique_ptr<DecompressedStream> XzDecompressed(ByteInput input, int threads);
// bzip2's streams from the file makeInput gives, on that many threads (0: one per core).
std::unique_ptr<DecompressedStream> Bzip2Decompressed(std::function<ByteInput()> makeInput,
                                                      int threads);
// What raw, a libarchive reader opened with its filters and the raw format, gives; it
// is freed with the stream.
std::unique_ptr<DecompressedStream> FilterDecompressed(struct archive* raw);
// A compressed file whose filter failed on its first block.
std::unique_ptr<DecompressedStream> DamagedDecompressed();

}  // namespace tessaly
