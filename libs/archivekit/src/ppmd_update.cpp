// Building the model: its start, rescaling a context's frequencies, and the new
// contexts and states each decoded symbol adds.
#include <algorithm>
#include <array>
#include <cstring>

#include "ppmd_model_state.h"

namespace archivekit {
namespace {

constexpr std::array<uint16_t, 8> kInitBinEsc = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3,
                                                 0x64A1, 0x5ABC, 0x6632, 0x6051};

}  // namespace

bool PpmdModel::State::start(size_t memoryBytes, int order) {
  ready = false;
  if (!heap.allocate(memoryBytes)) return false;
  heap.clear_fault();
  escCount = 1;
  maxOrder = order;
  numMasked = 0;
  initEsc = 0;
  hiBitsFlag = 0;
  restart_model();
  dummySee = SeeContext{};
  dummySee.shift = 7;
  ready = !heap.fault();
  return ready;
}

void PpmdModel::State::restart_model() {
  std::memset(charMask, 0, sizeof(charMask));
  alloc.reset();
  initRunLength = -std::min(maxOrder, 12) - 1;

  const HeapOffset root = alloc.alloc_context();
  set_suffix(root, 0);
  orderFall = maxOrder;
  set_num_stats(root, 256);
  set_summ_freq(root, 257);
  const HeapOffset rootStats = alloc.alloc_units(128);
  set_stats(root, rootStats);
  for (uint32_t i = 0; i < 256; ++i) {
    const HeapOffset s = rootStats + i * kStateSize;
    set_symbol(s, static_cast<uint8_t>(i));
    set_freq(s, 1);
    set_successor(s, 0);
  }
  found = rootStats;
  minContext = maxContext = root;
  runLength = initRunLength;
  prevSuccess = 0;

  for (int i = 0; i < 128; ++i) {
    for (int k = 0; k < 8; ++k) {
      for (int m = 0; m < 64; m += 8) {
        binSumm[i][k + m] = static_cast<uint16_t>(16384 - kInitBinEsc[k] / (i + 2));
      }
    }
  }
  for (int i = 0; i < 25; ++i) {
    for (SeeContext& context : see[i]) context.init(5 * i + 10);
  }
}

void PpmdModel::State::rescale(HeapOffset c) {
  const uint32_t oldStates = num_stats(c);
  const HeapOffset first = stats(c);
  if (oldStates < 2 || oldStates > 256 || found < first ||
      found >= first + oldStates * kStateSize || (found - first) % kStateSize != 0) {
    heap.mark_damaged();
    return;
  }
  for (HeapOffset p = found; p != first; p -= kStateSize) swap_states(p, p - kStateSize);

  set_freq(first, freq(first) + 4);
  uint32_t summ = summ_freq(c) + 4;
  int escape = static_cast<int>(summ) - freq(first);
  const uint32_t adder = orderFall != 0 ? 1 : 0;
  set_freq(first, (freq(first) + adder) >> 1);
  summ = freq(first);

  for (uint32_t i = 1; i < oldStates; ++i) {
    const HeapOffset p = first + i * kStateSize;
    escape -= freq(p);
    const uint32_t halved = (freq(p) + adder) >> 1;
    set_freq(p, halved);
    summ += halved;
    if (halved > freq(p - kStateSize)) {
      // Keep the array in descending order, equal frequencies in their order.
      const uint16_t head = heap.u16(p);
      const uint32_t next = successor(p);
      HeapOffset q = p;
      do {
        heap.copy(q, q - kStateSize, kStateSize);
        q -= kStateSize;
      } while (q != first && halved > freq(q - kStateSize));
      heap.set_u16(q, head);
      set_successor(q, next);
    }
  }

  if (freq(first + (oldStates - 1) * kStateSize) == 0) {
    uint32_t zeros = 0;
    do {
      ++zeros;
    } while (zeros < oldStates && freq(first + (oldStates - 1 - zeros) * kStateSize) == 0);
    escape += static_cast<int>(zeros);
    const uint32_t states = oldStates - zeros;
    set_num_stats(c, states);
    if (states == 1) {
      const uint8_t sym = symbol(first);
      uint32_t f = freq(first);
      const HeapOffset next = successor(first);
      do {
        f -= f >> 1;
        escape >>= 1;
      } while (escape > 1);
      alloc.free_units(first, (oldStates + 1) / 2);
      const HeapOffset only = one_state(c);
      set_symbol(only, sym);
      set_freq(only, f);
      set_successor(only, next);
      found = only;
      return;
    }
  }

  escape -= escape >> 1;
  summ += static_cast<uint32_t>(escape);
  set_summ_freq(c, summ);
  const uint32_t states = num_stats(c);
  if ((oldStates + 1) / 2 != (states + 1) / 2) {
    set_stats(c, alloc.shrink_units(first, (oldStates + 1) / 2, (states + 1) / 2));
  }
  found = stats(c);
}

HeapOffset PpmdModel::State::create_successors(bool skip, HeapOffset p1) {
  const HeapOffset fs = found;
  const HeapOffset upBranch = successor(fs);
  const uint8_t fsSymbol = symbol(fs);
  HeapOffset c = minContext;
  HeapOffset chain[kMaxOrder];
  int length = 0;

  bool walk = true;
  if (!skip) {
    chain[length++] = fs;
    walk = suffix(c) != 0;
  }
  if (walk) {
    HeapOffset p = 0;
    if (p1 != 0) {
      p = p1;
      c = suffix(c);
    }
    for (;;) {
      if (p == 0) {
        c = suffix(c);
        p = find_state(c, fsSymbol);
        if (p == 0) return 0;
      }
      if (successor(p) != upBranch) {
        c = successor(p);
        break;
      }
      if (length == kMaxOrder) return 0;
      chain[length++] = p;
      if (suffix(c) == 0) break;
      p = 0;
    }
  }
  if (length == 0) return c;

  const uint8_t upSymbol = heap.u8(upBranch);
  const HeapOffset upSuccessor = upBranch + 1;
  uint32_t upFreq;
  if (num_stats(c) != 1) {
    if (c <= alloc.text()) return 0;
    const HeapOffset q = find_state(c, upSymbol);
    if (q == 0) return 0;
    const uint32_t cf = freq(q) - 1u;
    const uint32_t s0 = summ_freq(c) - num_stats(c) - cf;
    if (s0 == 0) {
      heap.mark_damaged();  // no escape frequency left: statistics that cannot be
      return 0;
    }
    if (2 * cf <= s0) {
      upFreq = 1 + (5 * cf > s0 ? 1 : 0);
    } else {
      upFreq = 1 + (2 * cf + 3 * s0 - 1) / (2 * s0);
    }
  } else {
    upFreq = freq(one_state(c));
  }

  for (int i = length - 1; i >= 0; --i) {
    const HeapOffset context = alloc.alloc_context();
    if (context == 0) return 0;
    set_num_stats(context, 1);
    const HeapOffset only = one_state(context);
    set_symbol(only, upSymbol);
    set_freq(only, upFreq);
    set_successor(only, upSuccessor);
    set_suffix(context, c);
    set_successor(chain[i], context);
    c = context;
  }
  return c;
}

void PpmdModel::State::update_model() {
  const uint8_t fsSymbol = symbol(found);
  const uint32_t fsFreq = freq(found);
  HeapOffset fsSuccessor = successor(found);
  HeapOffset p = 0;

  const HeapOffset shorter = suffix(minContext);
  if (fsFreq < kMaxFreq / 4 && shorter != 0) {
    if (num_stats(shorter) != 1) {
      p = find_state(shorter, fsSymbol);
      if (p == 0) return;
      if (p != stats(shorter) && freq(p) >= freq(p - kStateSize)) {
        swap_states(p, p - kStateSize);
        p -= kStateSize;
      }
      if (freq(p) < kMaxFreq - 9) {
        set_freq(p, freq(p) + 2);
        set_summ_freq(shorter, summ_freq(shorter) + 2);
      }
    } else {
      p = one_state(shorter);
      if (freq(p) < 32) set_freq(p, freq(p) + 1);
    }
  }

  if (orderFall == 0) {
    const HeapOffset next = create_successors(true, p);
    minContext = maxContext = next;
    set_successor(found, next);
    if (next == 0) {
      restart_model();
      escCount = 0;
    }
    return;
  }

  HeapOffset text = alloc.text();
  heap.set_u8(text, fsSymbol);
  ++text;
  alloc.set_text(text);
  HeapOffset next = text;
  bool outOfMemory = text >= alloc.units_start();
  if (!outOfMemory) {
    if (fsSuccessor != 0) {
      if (fsSuccessor <= text) fsSuccessor = create_successors(false, p);
      outOfMemory = fsSuccessor == 0;
      if (!outOfMemory && --orderFall == 0) {
        next = fsSuccessor;
        if (maxContext != minContext) alloc.set_text(text - 1);
      }
    } else {
      set_successor(found, next);
      fsSuccessor = minContext;
    }
  }

  const uint32_t ns = num_stats(minContext);
  const uint32_t s0 = summ_freq(minContext) - ns - (fsFreq - 1);
  int links = 0;
  for (HeapOffset c = maxContext; !outOfMemory && c != minContext; c = suffix(c)) {
    if (++links > kMaxOrder + 1 || heap.fault()) {
      heap.mark_damaged();
      return;
    }
    const uint32_t ns1 = num_stats(c);
    if (ns1 != 1) {
      if ((ns1 & 1) == 0) {
        const HeapOffset grown = alloc.expand_units(stats(c), ns1 >> 1);
        if (grown == 0) {
          outOfMemory = true;
          break;
        }
        set_stats(c, grown);
      }
      const uint32_t summ = summ_freq(c);
      set_summ_freq(c, summ + (2 * ns1 < ns ? 1 : 0) +
                           2 * ((4 * ns1 <= ns ? 1 : 0) & (summ <= 8 * ns1 ? 1 : 0)));
    } else {
      const HeapOffset q = alloc.alloc_units(1);
      if (q == 0) {
        outOfMemory = true;
        break;
      }
      heap.copy(q, one_state(c), kStateSize);
      set_stats(c, q);
      const uint32_t f = freq(q) < kMaxFreq / 4 - 1 ? 2 * freq(q) : kMaxFreq - 4;
      set_freq(q, f);
      set_summ_freq(c, f + static_cast<uint32_t>(initEsc) + (ns > 3 ? 1 : 0));
    }
    uint32_t cf = 2 * fsFreq * (summ_freq(c) + 6);
    const uint32_t sf = s0 + summ_freq(c);
    if (cf < 6 * sf) {
      cf = 1 + (cf > sf ? 1 : 0) + (cf >= 4 * sf ? 1 : 0);
      set_summ_freq(c, summ_freq(c) + 3);
    } else {
      cf = 4 + (cf >= 9 * sf ? 1 : 0) + (cf >= 12 * sf ? 1 : 0) + (cf >= 15 * sf ? 1 : 0);
      set_summ_freq(c, summ_freq(c) + cf);
    }
    const HeapOffset added = stats(c) + ns1 * kStateSize;
    set_symbol(added, fsSymbol);
    set_freq(added, cf);
    set_successor(added, next);
    set_num_stats(c, ns1 + 1);
  }
  if (outOfMemory) {
    restart_model();
    escCount = 0;
    return;
  }
  maxContext = minContext = fsSuccessor;
}

}  // namespace archivekit
