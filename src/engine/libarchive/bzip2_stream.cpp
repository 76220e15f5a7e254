#include "engine/libarchive/bzip2_stream.h"

#include <bzlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <utility>

namespace tessaly {

namespace {

constexpr uint64_t kBlockSignature = 0x314159265359;
constexpr uint64_t kEndSignature = 0x177245385090;
constexpr int kSignatureBits = 48;
constexpr int kCrcBits = 32;
constexpr size_t kHeaderSize = 4;  // "BZh" and the block size
constexpr size_t kBufferSize = 1 << 20;
constexpr size_t kPiece = 256 * 1024;
// Every symbol of a block of 900,000 bytes in codes of 20 bits, with room for its
// tables: no block is longer, so a stretch this long without a signature is damage.
constexpr uint64_t kLongestBlockBits = uint64_t{3} << 23;
// Blocks ahead hold their input, libbz2's decoder (four bytes per byte of block) and
// their output queued: within this.
constexpr uint64_t kAheadMemory = 64ull << 20;
constexpr size_t kQueued = 2 << 20;
constexpr uint64_t kLeastCost = 1024;

constexpr int kDamaged = 1;

// count bits (at most 56) from bit at of data, the first one highest.
uint64_t BitsAt(const uint8_t* data, uint64_t at, int count) {
  const uint8_t* from = data + at / 8;
  const int skip = static_cast<int>(at % 8);
  const int bytes = (skip + count + 7) / 8;
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | from[i];
  return (value >> (bytes * 8 - skip - count)) & ((uint64_t{1} << count) - 1);
}

bool IsSignature(uint64_t bits) {
  return bits == kBlockSignature || bits == kEndSignature;
}

// The two bytes after the first of a signature starting at any of a byte's eight bits:
// a signature is only looked for where they are one of these sixteen.
const std::array<uint64_t, 1024>& SignatureTable() {
  static const std::array<uint64_t, 1024> table = [] {
    std::array<uint64_t, 1024> bits{};
    for (const uint64_t signature : {kBlockSignature, kEndSignature}) {
      for (int shift = 0; shift < 8; ++shift) {
        const uint64_t pair = (signature >> (24 + shift)) & 0xFFFF;
        bits[pair / 64] |= uint64_t{1} << (pair % 64);
      }
    }
    return bits;
  }();
  return table;
}

// The first signature wholly in data that starts at bit from or later.
std::optional<uint64_t> FindSignature(const uint8_t* data, size_t size, uint64_t from) {
  const std::array<uint64_t, 1024>& table = SignatureTable();
  const uint64_t end = uint64_t{size} * 8;
  for (size_t at = from / 8; at + 6 <= size; ++at) {
    const unsigned pair = unsigned{data[at + 1]} << 8 | data[at + 2];
    if ((table[pair / 64] >> (pair % 64) & 1) == 0) continue;
    for (uint64_t bit = std::max<uint64_t>(at * 8, from); bit < at * 8 + 8; ++bit) {
      if (bit + kSignatureBits <= end && IsSignature(BitsAt(data, bit, kSignatureBits))) {
        return bit;
      }
    }
  }
  return std::nullopt;
}

// Appends count bits of from, starting at bit fromBit, behind the toBits bits of to.
void AppendBits(std::vector<uint8_t>& to, uint64_t& toBits, const uint8_t* from, uint64_t fromBit,
                uint64_t count) {
  const uint8_t* source = from + fromBit / 8;
  const unsigned in = fromBit % 8;
  const size_t sourceBytes = (in + count + 7) / 8;
  const unsigned out = toBits % 8;
  const size_t bytes = (count + 7) / 8;
  size_t at = toBits / 8;
  to.resize((toBits + count + 7) / 8 + 1, 0);
  for (size_t i = 0; i < bytes; ++i) {
    unsigned byte = source[i] << in;
    if (in != 0 && i + 1 < sourceBytes) byte |= source[i + 1] >> (8 - in);
    if (i + 1 == bytes && count % 8 != 0) byte &= 0xFF00u >> (count % 8);
    byte &= 0xFF;
    to[at + i] |= static_cast<uint8_t>(byte >> out);
    if (out != 0) to[at + i + 1] |= static_cast<uint8_t>(byte << (8 - out));
  }
  toBits += count;
  to.resize((toBits + 7) / 8);
}

void AppendValue(std::vector<uint8_t>& to, uint64_t& toBits, uint64_t value, int count) {
  std::array<uint8_t, 8> bytes{};
  value <<= 64 - count;
  for (uint8_t& byte : bytes) {
    byte = static_cast<uint8_t>(value >> 56);
    value <<= 8;
  }
  AppendBits(to, toBits, bytes.data(), 0, count);
}

uint32_t Rotated(uint32_t crc) {
  return crc << 1 | crc >> 31;
}

// One block made a stream of its own: the header, the block, and the stream's end
// whose check is the block's.
class BlockJob final : public archivekit::AheadJob {
 public:
  explicit BlockJob(std::vector<uint8_t> stream) : stream_(std::move(stream)) {}

  int run(archivekit::UnpackedOutput& output) override {
    bz_stream bz{};
    if (BZ2_bzDecompressInit(&bz, 0, 0) != BZ_OK) return kDamaged;
    bz.next_in = reinterpret_cast<char*>(stream_.data());
    bz.avail_in = static_cast<unsigned>(stream_.size());
    std::vector<uint8_t> piece(kPiece);
    int result = kDamaged;
    for (;;) {
      bz.next_out = reinterpret_cast<char*>(piece.data());
      bz.avail_out = static_cast<unsigned>(piece.size());
      const int decoded = BZ2_bzDecompress(&bz);
      const size_t made = piece.size() - bz.avail_out;
      if (made > 0 && !output.write(piece.data(), made)) break;
      if (decoded == BZ_STREAM_END) {
        result = bz.avail_in == 0 ? 0 : kDamaged;
        break;
      }
      if (decoded != BZ_OK || (made == 0 && bz.avail_in == 0)) break;
    }
    BZ2_bzDecompressEnd(&bz);
    return result;
  }

 private:
  std::vector<uint8_t> stream_;
};

// Whether libbz2 gets as far as the block's output: it ends where the stream says.
bool MakesOutput(std::vector<uint8_t>& stream) {
  bz_stream bz{};
  if (BZ2_bzDecompressInit(&bz, 0, 0) != BZ_OK) return false;
  bz.next_in = reinterpret_cast<char*>(stream.data());
  bz.avail_in = static_cast<unsigned>(stream.size());
  char first = 0;
  bz.next_out = &first;
  bz.avail_out = 1;
  const int decoded = BZ2_bzDecompress(&bz);
  BZ2_bzDecompressEnd(&bz);
  return (decoded == BZ_OK || decoded == BZ_STREAM_END) && bz.avail_out == 0;
}

// The header, the block from bit start to bit end of data, and the stream's end whose
// check is the block's.
std::vector<uint8_t> BlockAlone(char level, const uint8_t* data, uint64_t start, uint64_t end,
                                uint32_t crc) {
  std::vector<uint8_t> stream = {'B', 'Z', 'h', static_cast<uint8_t>(level)};
  uint64_t bits = kHeaderSize * 8;
  AppendBits(stream, bits, data, start, end - start);
  AppendValue(stream, bits, kEndSignature, kSignatureBits);
  AppendValue(stream, bits, crc, kCrcBits);
  return stream;
}

}  // namespace

// The streams decoded in turn by libbz2, as libarchive's filter decodes them.
class Bzip2InTurn {
 public:
  explicit Bzip2InTurn(ByteInput input)
      : input_(std::move(input)), in_(kBufferSize), out_(kPiece) {}
  ~Bzip2InTurn() {
    if (inStream_) BZ2_bzDecompressEnd(&bz_);
  }
  Bzip2InTurn(const Bzip2InTurn&) = delete;
  Bzip2InTurn& operator=(const Bzip2InTurn&) = delete;

  ssize_t Read(const void** block) {
    for (;;) {
      if (ended_) return damaged_ ? -1 : 0;
      if (!inStream_ && !StartStream()) continue;
      if (start_ == end_) Refill(1);
      bz_.next_in = reinterpret_cast<char*>(in_.data() + start_);
      bz_.avail_in = static_cast<unsigned>(end_ - start_);
      bz_.next_out = reinterpret_cast<char*>(out_.data());
      bz_.avail_out = static_cast<unsigned>(out_.size());
      const int decoded = BZ2_bzDecompress(&bz_);
      const size_t used = end_ - start_ - bz_.avail_in;
      start_ += used;
      const size_t made = out_.size() - bz_.avail_out;
      if (decoded == BZ_STREAM_END) {
        EndStream();
      } else if (decoded != BZ_OK || (made == 0 && used == 0 && inputEnded_)) {
        EndStream();
        ended_ = damaged_ = true;
      }
      if (made > 0) {
        *block = out_.data();
        return static_cast<ssize_t>(made);
      }
    }
  }
  uint64_t bytes_read() const { return input_.bytes_read(); }

 private:
  // Another stream where libarchive would take one; the end otherwise.
  bool StartStream() {
    Refill(kHeaderSize + kSignatureBits / 8);
    if (!StartsLikeBzip2(in_.data() + start_, end_ - start_) ||
        BZ2_bzDecompressInit(&bz_, 0, 0) != BZ_OK) {
      ended_ = true;
      return false;
    }
    inStream_ = true;
    return true;
  }
  void EndStream() {
    BZ2_bzDecompressEnd(&bz_);
    inStream_ = false;
  }
  // At least count bytes held where the file has them.
  void Refill(size_t count) {
    while (end_ - start_ < count && !inputEnded_) {
      std::memmove(in_.data(), in_.data() + start_, end_ - start_);
      end_ -= start_;
      start_ = 0;
      const ssize_t got = input_.Read(in_.data() + end_, in_.size() - end_);
      if (got <= 0) {
        inputEnded_ = true;
        damaged_ = got < 0;
        break;
      }
      end_ += static_cast<size_t>(got);
    }
  }

  ByteInput input_;
  bz_stream bz_{};
  bool inStream_ = false;
  std::vector<uint8_t> in_;
  std::vector<uint8_t> out_;
  size_t start_ = 0, end_ = 0;
  bool inputEnded_ = false;
  bool ended_ = false;
  bool damaged_ = false;
};

Bzip2Stream::Bzip2Stream(std::function<ByteInput()> makeInput, int threads)
    : makeInput_(std::move(makeInput)), out_(kPiece) {
  const unsigned workers = archivekit::worker_count(threads);
  if (threads != 1 && workers > 1) {
    workers_ = std::make_unique<archivekit::WorkerPool>(workers);
    input_ = std::make_unique<ByteInput>(makeInput_());
    buffer_.resize(kBufferSize);
  } else {
    inTurn_ = std::make_unique<Bzip2InTurn>(makeInput_());
  }
}

// Here, where Bzip2InTurn is whole; the blocks ahead go before the workers.
Bzip2Stream::~Bzip2Stream() = default;

ssize_t Bzip2Stream::Read(const void** block) {
  if (inTurn_ != nullptr) return inTurn_->Read(block);
  for (;;) {
    TopUp();
    if (ahead_.empty()) return 0;
    Ahead& front = ahead_.front();
    switch (front.kind) {
      case Kind::stream_start:
        streamCrc_ = 0;
        break;
      case Kind::block: {
        const size_t got = front.stream->read(out_.data(), out_.size());
        if (got > 0) {
          inputGiven_ = front.end;
          front.given += got;
          *block = out_.data();
          return static_cast<ssize_t>(got);
        }
        if (front.stream->status() != 0) {
          // A block that gave bytes was decoded whole: only its check failed, as it
          // would in turn.
          if (front.given == 0 && !front.settled) {
            SettleFrom(front.startBit);
          } else {
            DamagedHere();
          }
          continue;
        }
        streamCrc_ = Rotated(streamCrc_) ^ front.crc;
        break;
      }
      case Kind::stream_end:
        // Every block before it ended where it was taken to: the end is no chance.
        if (front.crc != streamCrc_) {
          DamagedHere();
          continue;
        }
        break;
      case Kind::damaged:
        return -1;
    }
    aheadCost_ -= front.cost;
    ahead_.pop_front();
  }
}

uint64_t Bzip2Stream::bytes_read() const {
  // What the parse has read runs ahead of what is given by as much as the blocks ahead.
  return inTurn_ != nullptr ? inTurn_->bytes_read() : inputGiven_;
}

void Bzip2Stream::TopUp() {
  while (!parsed_ && (ahead_.empty() || aheadCost_ < kAheadMemory)) {
    if (atHeader_) {
      if (!ParseStreamHeader()) parsed_ = true;
    } else {
      ParseSignature();
    }
  }
}

bool Bzip2Stream::ParseStreamHeader() {
  Compact();
  if (!Fill(kHeaderSize + kSignatureBits / 8) || !StartsLikeBzip2(held(), held_size())) {
    // What trails the streams is ignored, but not a file that cannot be read.
    if (inputFailed_) Damaged();
    return false;
  }
  level_ = static_cast<char>(held()[kHeaderSize - 1]);
  Push({.kind = Kind::stream_start});
  bit_ = kHeaderSize * 8;
  atHeader_ = false;
  return true;
}

void Bzip2Stream::ParseSignature() {
  if (!Fill((bit_ + kSignatureBits + kCrcBits + 7) / 8)) {
    Damaged();
    return;
  }
  const uint64_t signature = BitsAt(held(), bit_, kSignatureBits);
  const auto crc = static_cast<uint32_t>(BitsAt(held(), bit_ + kSignatureBits, kCrcBits));
  if (signature == kEndSignature) {
    Push({.kind = Kind::stream_end, .crc = crc});
    bit_ = (bit_ + kSignatureBits + kCrcBits + 7) / 8 * 8;
    atHeader_ = true;
    return;
  }
  // The block runs to the next signature; with none, to what the file has, and fails.
  std::optional<uint64_t> next = NextSignature(bit_ + kSignatureBits);
  std::vector<uint8_t> stream =
      BlockAlone(level_, held(), bit_, next.value_or(held_size() * 8), crc);
  while (settleNext_ && next && !MakesOutput(stream)) {
    next = NextSignature(*next + 1);
    stream = BlockAlone(level_, held(), bit_, next.value_or(held_size() * 8), crc);
  }
  const uint64_t end = next.value_or(held_size() * 8);
  const uint64_t decoder = uint64_t(level_ - '0') * 400000 + 65536;
  const uint64_t cost = stream.size() + decoder + kQueued;
  Push({.kind = Kind::block,
        .crc = crc,
        .startBit = heldOffset_ * 8 + bit_,
        .end = heldOffset_ + (end + 7) / 8,
        .settled = settleNext_ || !next,
        .cost = cost,
        .stream = workers_->run_ahead(std::make_unique<BlockJob>(std::move(stream)), kQueued)});
  settleNext_ = false;
  if (!next) {
    Damaged();
    return;
  }
  bit_ = *next;
  Compact();
}

std::optional<uint64_t> Bzip2Stream::NextSignature(uint64_t from) {
  std::optional<uint64_t> next;
  while (!(next = FindSignature(held(), held_size(), from))) {
    // The last bytes may begin a signature that the next read completes.
    from = std::max(from, held_size() > 6 ? (held_size() - 6) * 8 : 0);
    if (held_size() * 8 - bit_ > kLongestBlockBits || !Fill(held_size() + 1)) break;
  }
  return next;
}

void Bzip2Stream::Push(Ahead ahead) {
  ahead.cost = std::max(ahead.cost, kLeastCost);
  aheadCost_ += ahead.cost;
  ahead_.push_back(std::move(ahead));
}

void Bzip2Stream::Damaged() {
  Push({});
  parsed_ = true;
}

void Bzip2Stream::DamagedHere() {
  ahead_.clear();
  aheadCost_ = 0;
  Damaged();
}

void Bzip2Stream::SettleFrom(uint64_t fileBit) {
  ahead_.clear();
  aheadCost_ = 0;
  input_ = std::make_unique<ByteInput>(makeInput_());
  start_ = end_ = 0;
  inputEnded_ = inputFailed_ = false;
  for (uint64_t skip = fileBit / 8; skip > 0 && !inputEnded_;) {
    const ssize_t got = input_->Read(buffer_.data(), std::min<uint64_t>(skip, buffer_.size()));
    inputEnded_ = got <= 0;
    inputFailed_ = got < 0;
    skip -= static_cast<uint64_t>(std::max<ssize_t>(got, 0));
  }
  heldOffset_ = fileBit / 8;
  bit_ = fileBit % 8;
  atHeader_ = false;
  settleNext_ = true;
  parsed_ = false;
}

bool Bzip2Stream::Fill(size_t count) {
  while (held_size() < count) {
    if (inputEnded_) return false;
    if (buffer_.size() - start_ < count || end_ == buffer_.size()) {
      std::memmove(buffer_.data(), held(), held_size());
      end_ -= start_;
      start_ = 0;
      buffer_.resize(std::max(buffer_.size(), count + kBufferSize / 2));
    }
    const ssize_t got = input_->Read(buffer_.data() + end_, buffer_.size() - end_);
    if (got <= 0) {
      inputEnded_ = true;
      inputFailed_ = got < 0;
    } else {
      end_ += static_cast<size_t>(got);
    }
  }
  return true;
}

void Bzip2Stream::Compact() {
  const size_t bytes = bit_ / 8;
  start_ += bytes;
  heldOffset_ += bytes;
  bit_ -= uint64_t{bytes} * 8;
}

bool StartsLikeBzip2(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  return size >= kHeaderSize + kSignatureBits / 8 && std::memcmp(bytes, "BZh", 3) == 0 &&
         bytes[3] >= '1' && bytes[3] <= '9' &&
         IsSignature(BitsAt(bytes, kHeaderSize * 8, kSignatureBits));
}

}  // namespace tessaly
