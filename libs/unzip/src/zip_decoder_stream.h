// Base of the decoders that turn an entry's raw compressed stream into its data
// through a library (zlib, libbz2, liblzma, libzstd): input buffering, the end
// of the stream, and the guard against a stream that stops making progress.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "zip_stream.h"

namespace unzip {

class DecoderStream : public ByteStream {
 public:
  explicit DecoderStream(std::unique_ptr<ByteStream> raw);
  long long read(unsigned char* buffer, std::size_t size) final;
  ReadStatus status() const final { return status_; }

 protected:
  enum class Step { Progress, End, Invalid, NoMemory };
  struct Buffers {
    const unsigned char* in;
    std::size_t in_size;
    bool input_ended;  // no byte follows what is in `in`
    unsigned char* out;
    std::size_t out_size;
    std::size_t consumed = 0;
    std::size_t produced = 0;
  };
  // Decodes what it can; End once the library reports the end of the stream.
  virtual Step decode(Buffers& buffers) = 0;

 private:
  bool drain_input();

  std::unique_ptr<ByteStream> raw_;
  std::vector<unsigned char> input_;
  std::size_t input_pos_ = 0;
  std::size_t input_size_ = 0;
  bool input_ended_ = false;
  bool ended_ = false;
  ReadStatus status_ = ReadStatus::Ok;
};

}  // namespace unzip
