// Decoding one symbol: the binary, first and masked steps of the model, and the
// public face of the model.
#include "archivekit/ppmd_model.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "ppmd_model_state.h"

namespace archivekit {
namespace {

constexpr int kTotalBits = 14;
constexpr uint32_t kInterval = 128;

constexpr std::array<uint8_t, 16> kExpEscape = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};

constexpr std::array<uint8_t, 256> make_ns_to_bs_index() {
  std::array<uint8_t, 256> table{};
  table[0] = 0;
  table[1] = 2;
  for (int n = 2; n < 11; ++n) table[n] = 4;
  for (int n = 11; n < 256; ++n) table[n] = 6;
  return table;
}
constexpr std::array<uint8_t, 256> kNsToBsIndex = make_ns_to_bs_index();

constexpr std::array<uint8_t, 256> make_ns_to_index() {
  std::array<uint8_t, 256> table{};
  int n = 0;
  for (; n < 3; ++n) table[n] = static_cast<uint8_t>(n);
  int value = 3;
  int runLength = 1;
  int left = runLength;
  for (; n < 256; ++n) {
    table[n] = static_cast<uint8_t>(value);
    if (--left == 0) {
      ++value;
      left = ++runLength;
    }
  }
  return table;
}
constexpr std::array<uint8_t, 256> kNsToIndex = make_ns_to_index();

int high_bits_flag(uint8_t symbol) {
  return symbol >= 0x40 ? 8 : 0;
}

}  // namespace

void PpmdModel::State::swap_states(HeapOffset a, HeapOffset b) {
  const uint16_t headA = heap.u16(a);
  const uint32_t successorA = heap.u32(a + 2);
  heap.copy(a, b, kStateSize);
  heap.set_u16(b, headA);
  heap.set_u32(b + 2, successorA);
}

HeapOffset PpmdModel::State::find_state(HeapOffset c, uint8_t sym) {
  const uint32_t count = num_stats(c);
  if (count == 1) return one_state(c);
  HeapOffset s = stats(c);
  for (uint32_t i = 0; i < count && !heap.fault(); ++i, s += kStateSize) {
    if (symbol(s) == sym) return s;
  }
  heap.mark_damaged();
  return 0;
}

void PpmdModel::State::clear_mask() {
  escCount = 1;
  std::memset(charMask, 0, sizeof(charMask));
}

bool PpmdModel::State::decode_binary(HeapOffset c) {
  const HeapOffset s = one_state(c);
  hiBitsFlag = high_bits_flag(symbol(found));
  const int row = freq(s) - 1;
  const uint32_t suffixStats = num_stats(suffix(c));
  if (row < 0 || row >= 128 || suffixStats < 1 || suffixStats > 256) return false;
  const int column = prevSuccess + kNsToBsIndex[suffixStats - 1] + hiBitsFlag +
                     2 * high_bits_flag(symbol(s)) + (runLength < 0 ? 0x20 : 0);
  uint16_t& bin = binSumm[row][column];
  uint32_t b = bin;
  if (!coder->decode_bit(b, kTotalBits)) {
    found = s;
    if (freq(s) < 128) set_freq(s, freq(s) + 1);
    b = b + kInterval - ((b + 32) >> 7);
    prevSuccess = 1;
    ++runLength;
  } else {
    b = b - ((b + 32) >> 7);
    initEsc = kExpEscape[std::min<uint32_t>(b >> 10, kExpEscape.size() - 1)];
    numMasked = 1;
    charMask[symbol(s)] = escCount;
    prevSuccess = 0;
    found = 0;
  }
  bin = static_cast<uint16_t>(b);
  return true;
}

bool PpmdModel::State::decode_first(HeapOffset c) {
  const uint32_t total = summ_freq(c);
  const uint32_t count = coder->threshold(total);
  if (count >= total) return false;
  const uint32_t states = num_stats(c);
  HeapOffset p = stats(c);
  uint32_t high = freq(p);
  if (count < high) {
    coder->decode(0, high);
    prevSuccess = 2 * high > total ? 1 : 0;
    runLength += prevSuccess;
    found = p;
    set_freq(p, high + 4);
    set_summ_freq(c, total + 4);
    if (high + 4 > kMaxFreq) rescale(c);
    return true;
  }
  prevSuccess = 0;
  for (uint32_t i = 1; i < states; ++i) {
    p += kStateSize;
    high += freq(p);
    if (high > count) {
      coder->decode(high - freq(p), freq(p));
      update1(c, p);
      return true;
    }
  }
  if (high > total) return false;
  hiBitsFlag = high_bits_flag(symbol(found));
  coder->decode(high, total - high);
  p = stats(c);
  for (uint32_t i = 0; i < states; ++i, p += kStateSize) charMask[symbol(p)] = escCount;
  numMasked = static_cast<int>(states);
  found = 0;
  return true;
}

void PpmdModel::State::update1(HeapOffset c, HeapOffset p) {
  found = p;
  set_freq(p, freq(p) + 4);
  set_summ_freq(c, summ_freq(c) + 4);
  if (freq(p) > freq(p - kStateSize)) {
    swap_states(p, p - kStateSize);
    found = p - kStateSize;
    if (freq(found) > kMaxFreq) rescale(c);
  }
}

bool PpmdModel::State::decode_masked(HeapOffset c) {
  const int states = static_cast<int>(num_stats(c));
  const int unmasked = states - numMasked;
  if (unmasked <= 0 || states > 256) return false;
  SeeContext* see2 = &dummySee;
  uint32_t escape = 1;
  if (states != 256) {
    const int suffixStats = static_cast<int>(num_stats(suffix(c)));
    const int column = (unmasked < suffixStats - states ? 1 : 0) +
                       2 * (summ_freq(c) < 11u * static_cast<uint32_t>(states) ? 1 : 0) +
                       4 * (numMasked > unmasked ? 1 : 0) + hiBitsFlag;
    see2 = &see[kNsToIndex[unmasked - 1]][column];
    escape = see2->mean();
  }

  HeapOffset candidates[256];
  int collected = 0;
  uint32_t high = 0;
  HeapOffset p = stats(c);
  for (int i = 0; i < states && collected < unmasked; ++i, p += kStateSize) {
    if (charMask[symbol(p)] == escCount) continue;
    candidates[collected++] = p;
    high += freq(p);
  }
  if (collected != unmasked || heap.fault()) return false;

  const uint32_t total = escape + high;
  const uint32_t count = coder->threshold(total);
  if (count >= total) return false;
  if (count < high) {
    uint32_t sum = 0;
    int i = 0;
    while ((sum += freq(candidates[i])) <= count) ++i;
    coder->decode(sum - freq(candidates[i]), freq(candidates[i]));
    see2->update();
    update2(c, candidates[i]);
    return true;
  }
  coder->decode(high, total - high);
  for (int i = 0; i < collected; ++i) charMask[symbol(candidates[i])] = escCount;
  see2->summ = static_cast<uint16_t>(see2->summ + total);
  numMasked = states;
  return true;
}

void PpmdModel::State::update2(HeapOffset c, HeapOffset p) {
  found = p;
  set_freq(p, freq(p) + 4);
  set_summ_freq(c, summ_freq(c) + 4);
  if (freq(p) > kMaxFreq) rescale(c);
  ++escCount;
  runLength = initRunLength;
}

int PpmdModel::State::decode_char() {
  HeapOffset c = minContext;
  if (!is_context(c)) return -1;
  if (num_stats(c) != 1) {
    if (!is_context(stats(c)) || !decode_first(c)) return -1;
  } else if (!decode_binary(c)) {
    return -1;
  }
  // Each escape moves to a shorter context, so the walk ends within the order.
  for (int escapes = 0; found == 0; ++escapes) {
    if (escapes > kMaxOrder || heap.fault() || coder->failed()) return -1;
    coder->normalize();
    do {
      ++orderFall;
      c = suffix(c);
      if (!is_context(c)) return -1;
    } while (static_cast<int>(num_stats(c)) == numMasked);
    minContext = c;
    if (!is_context(stats(c)) || !decode_masked(c)) return -1;
  }
  const int sym = symbol(found);
  const HeapOffset next = successor(found);
  if (orderFall == 0 && next > alloc.text()) {
    minContext = maxContext = next;
  } else {
    update_model();
    if (escCount == 0) clear_mask();
  }
  coder->normalize();
  return sym;
}

PpmdModel::PpmdModel() : state_(std::make_unique<State>()) {}
PpmdModel::~PpmdModel() = default;

bool PpmdModel::restart(PpmdRangeDecoder& coder, size_t memoryBytes, int maxOrder) {
  State& s = *state_;
  s.ready = false;
  if (memoryBytes < kMinModelBytes || memoryBytes > kMaxModelBytes || maxOrder < kMinOrder ||
      maxOrder > kMaxOrder) {
    return false;
  }
  s.coder = &coder;
  return s.start(memoryBytes, maxOrder);
}

bool PpmdModel::resume(PpmdRangeDecoder& coder) {
  if (!state_->ready) return false;
  state_->coder = &coder;
  return true;
}

void PpmdModel::stop() {
  state_->ready = false;
}

int PpmdModel::decode_char() {
  State& s = *state_;
  if (!s.ready) return -1;
  const int sym = s.decode_char();
  if (sym < 0 || s.heap.fault() || s.coder->failed()) {
    // The statistics may be half updated: nothing more comes from this model.
    s.ready = false;
    return -1;
  }
  return sym;
}

}  // namespace archivekit
