// The inside of PpmdModel, shared by its decoding half (ppmd_decode.cpp) and its
// model-building half (ppmd_update.cpp).
#pragma once

#include <cstdint>

#include "archivekit/ppmd_model.h"
#include "ppmd_heap.h"

namespace archivekit {

// Adaptive escape estimate of a group of contexts.
struct SeeContext {
  uint16_t summ = 0;
  uint8_t shift = 0;
  uint8_t count = 0;

  void init(int value) {
    shift = 3;
    summ = static_cast<uint16_t>(value << 3);
    count = 4;
  }
  uint32_t mean() {
    const uint32_t value = static_cast<uint32_t>(summ >> shift);
    summ = static_cast<uint16_t>(summ - value);
    return value == 0 ? 1 : value;
  }
  void update() {
    if (shift < 7 && --count == 0) {
      summ = static_cast<uint16_t>(summ * 2);
      count = static_cast<uint8_t>(3 << shift);
      ++shift;
    }
  }
};

// Heap objects: a state is 6 bytes (symbol, frequency, successor); a context is
// 12 bytes (state count, then either total frequency and state array or its
// one state inline, then the suffix context).
constexpr uint32_t kStateSize = 6;

constexpr uint32_t kMaxFreq = 124;

struct PpmdModel::State {
  PpmdHeap heap;
  PpmdAllocator alloc{heap};
  PpmdRangeDecoder* coder = nullptr;  // the caller's, for the current block
  bool ready = false;                 // a model exists and no damage has been seen since its start

  HeapOffset minContext = 0;
  HeapOffset maxContext = 0;
  HeapOffset found = 0;  // state of the last symbol; 0 while escaping
  int maxOrder = 0;
  int orderFall = 0;
  int runLength = 0;
  int initRunLength = 0;
  int prevSuccess = 0;
  int numMasked = 0;
  int initEsc = 0;
  int hiBitsFlag = 0;
  uint8_t escCount = 0;
  uint8_t charMask[256] = {};
  uint16_t binSumm[128][64] = {};
  SeeContext see[25][16];
  SeeContext dummySee;

  // Heap fields by name.
  uint8_t symbol(HeapOffset s) { return heap.u8(s); }
  uint8_t freq(HeapOffset s) { return heap.u8(s + 1); }
  HeapOffset successor(HeapOffset s) { return heap.u32(s + 2); }
  void set_symbol(HeapOffset s, uint8_t v) { heap.set_u8(s, v); }
  void set_freq(HeapOffset s, uint32_t v) { heap.set_u8(s + 1, static_cast<uint8_t>(v)); }
  void set_successor(HeapOffset s, HeapOffset v) { heap.set_u32(s + 2, v); }
  void swap_states(HeapOffset a, HeapOffset b);

  uint32_t num_stats(HeapOffset c) { return heap.u16(c); }
  uint32_t summ_freq(HeapOffset c) { return heap.u16(c + 2); }
  HeapOffset stats(HeapOffset c) { return heap.u32(c + 4); }
  HeapOffset suffix(HeapOffset c) { return heap.u32(c + 8); }
  HeapOffset one_state(HeapOffset c) { return c + 2; }
  void set_num_stats(HeapOffset c, uint32_t v) { heap.set_u16(c, static_cast<uint16_t>(v)); }
  void set_summ_freq(HeapOffset c, uint32_t v) { heap.set_u16(c + 2, static_cast<uint16_t>(v)); }
  void set_stats(HeapOffset c, HeapOffset v) { heap.set_u32(c + 4, v); }
  void set_suffix(HeapOffset c, HeapOffset v) { heap.set_u32(c + 8, v); }

  // A context lies in the units area; anything else there is damage.
  bool is_context(HeapOffset c) { return c > alloc.text() && c < heap.end(); }
  // The state of context c for symbol sym; 0 (and a fault) when it has none.
  HeapOffset find_state(HeapOffset c, uint8_t sym);

  // ppmd_decode.cpp
  int decode_char();
  bool decode_binary(HeapOffset c);
  bool decode_first(HeapOffset c);
  bool decode_masked(HeapOffset c);
  void update1(HeapOffset c, HeapOffset s);
  void update2(HeapOffset c, HeapOffset s);
  void clear_mask();

  // ppmd_update.cpp
  bool start(size_t memoryBytes, int order);
  void restart_model();
  void rescale(HeapOffset c);
  HeapOffset create_successors(bool skip, HeapOffset p1);
  void update_model();
};

}  // namespace archivekit
