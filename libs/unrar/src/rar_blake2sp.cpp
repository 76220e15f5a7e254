// BLAKE2sp: eight BLAKE2s leaves fed 64-byte blocks in turn, and a root that
// hashes the leaves' digests. RAR5 stores it as an entry's file hash.
#include <cstring>

#include "rar_crypto.h"

namespace unrar {
namespace {

constexpr size_t kBlockBytes = 64;
constexpr size_t kLeaves = 8;
constexpr size_t kDigestBytes = 32;

constexpr uint32_t kInitVector[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                                     0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

constexpr uint8_t kSigma[10][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4},
    {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13},
    {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11},
    {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5},
    {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0},
};

uint32_t rotr32(uint32_t value, int bits) {
  return (value >> bits) | (value << (32 - bits));
}

uint32_t load_le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// One BLAKE2s node of the tree, with its parameters already folded into h.
struct Blake2sNode {
  uint32_t h[8];
  uint64_t counter = 0;
  uint8_t block[kBlockBytes];
  size_t blockFill = 0;
  bool lastNode = false;

  Blake2sNode(uint32_t nodeOffset, uint32_t nodeDepth, bool isLastNode) : lastNode(isLastNode) {
    std::memcpy(h, kInitVector, sizeof h);
    // Digest 32 bytes, no key, fanout 8, depth 2, inner digests of 32 bytes.
    h[0] ^= 0x02080020;
    h[2] ^= nodeOffset;
    h[3] ^= (nodeDepth << 16) | 0x20000000;
  }

  void compress(bool finalBlock) {
    uint32_t m[16];
    for (size_t i = 0; i < 16; ++i) m[i] = load_le32(block + 4 * i);
    uint32_t v[16];
    std::memcpy(v, h, sizeof h);
    std::memcpy(v + 8, kInitVector, sizeof kInitVector);
    v[12] ^= static_cast<uint32_t>(counter);
    v[13] ^= static_cast<uint32_t>(counter >> 32);
    if (finalBlock) {
      v[14] = ~v[14];
      if (lastNode) v[15] = ~v[15];
    }
    auto mix = [&v](int a, int b, int c, int d, uint32_t x, uint32_t y) {
      v[a] = v[a] + v[b] + x;
      v[d] = rotr32(v[d] ^ v[a], 16);
      v[c] = v[c] + v[d];
      v[b] = rotr32(v[b] ^ v[c], 12);
      v[a] = v[a] + v[b] + y;
      v[d] = rotr32(v[d] ^ v[a], 8);
      v[c] = v[c] + v[d];
      v[b] = rotr32(v[b] ^ v[c], 7);
    };
    for (const auto& s : kSigma) {
      mix(0, 4, 8, 12, m[s[0]], m[s[1]]);
      mix(1, 5, 9, 13, m[s[2]], m[s[3]]);
      mix(2, 6, 10, 14, m[s[4]], m[s[5]]);
      mix(3, 7, 11, 15, m[s[6]], m[s[7]]);
      mix(0, 5, 10, 15, m[s[8]], m[s[9]]);
      mix(1, 6, 11, 12, m[s[10]], m[s[11]]);
      mix(2, 7, 8, 13, m[s[12]], m[s[13]]);
      mix(3, 4, 9, 14, m[s[14]], m[s[15]]);
    }
    for (size_t i = 0; i < 8; ++i) h[i] ^= v[i] ^ v[i + 8];
  }

  // A full block is held back until more input shows it is not the last one.
  void update(const uint8_t* data, size_t size) {
    while (size > 0) {
      if (blockFill == kBlockBytes) {
        counter += kBlockBytes;
        compress(false);
        blockFill = 0;
      }
      const size_t take = size < kBlockBytes - blockFill ? size : kBlockBytes - blockFill;
      std::memcpy(block + blockFill, data, take);
      blockFill += take;
      data += take;
      size -= take;
    }
  }

  void finish(uint8_t out[kDigestBytes]) {
    counter += blockFill;
    std::memset(block + blockFill, 0, kBlockBytes - blockFill);
    compress(true);
    for (size_t i = 0; i < 8; ++i) {
      for (size_t b = 0; b < 4; ++b) out[4 * i + b] = static_cast<uint8_t>(h[i] >> (8 * b));
    }
  }
};

}  // namespace

struct Blake2sp::State {
  std::array<Blake2sNode, kLeaves> leaves{Blake2sNode{0, 0, false}, Blake2sNode{1, 0, false},
                                          Blake2sNode{2, 0, false}, Blake2sNode{3, 0, false},
                                          Blake2sNode{4, 0, false}, Blake2sNode{5, 0, false},
                                          Blake2sNode{6, 0, false}, Blake2sNode{7, 0, true}};
  uint64_t position = 0;
};

Blake2sp::Blake2sp() : state_(std::make_unique<State>()) {}

Blake2sp::~Blake2sp() = default;

void Blake2sp::update(const uint8_t* data, size_t size) {
  while (size > 0) {
    const size_t inBlock = static_cast<size_t>(state_->position % kBlockBytes);
    const size_t leaf = static_cast<size_t>((state_->position / kBlockBytes) % kLeaves);
    const size_t take = size < kBlockBytes - inBlock ? size : kBlockBytes - inBlock;
    state_->leaves[leaf].update(data, take);
    state_->position += take;
    data += take;
    size -= take;
  }
}

Bytes32 Blake2sp::final() {
  Blake2sNode root(0, 1, true);
  for (auto& leaf : state_->leaves) {
    uint8_t digest[kDigestBytes];
    leaf.finish(digest);
    root.update(digest, sizeof digest);
  }
  Bytes32 out{};
  root.finish(out.data());
  // The leaves are spent; the object starts over for the next input.
  state_ = std::make_unique<State>();
  return out;
}

}  // namespace unrar
