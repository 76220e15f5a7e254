#include "support/ace_packer.h"

#include "support/archive_bytes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <functional>
#include <queue>
#include <vector>

namespace tessaly::testing {

namespace {

constexpr uint32_t kDosTime = (44u << 25) | (1u << 21) | (2u << 16) | (3u << 11) | (4u << 5) | 3u;
constexpr uint8_t kHostWin32 = 2;
constexpr unsigned kMainSymbols = 284;
constexpr unsigned kLengthSymbols = 255;
constexpr unsigned kRepeatSymbol = 256;
constexpr unsigned kDistanceSymbol = 260;
constexpr unsigned kMaxBlockSymbols = 32767;
constexpr unsigned kTableWidth = 11;
constexpr unsigned kWidthAlphabetWidth = 7;
constexpr unsigned kMaxZeroRun = 19;
constexpr size_t kChainLength = 32;
constexpr size_t kLongestMatch = 258;
constexpr size_t kGoodEnoughMatch = 64;  // stops the chain walk early

std::string WithCrcAndSize(const std::string& body) {
  std::string header;
  PutLe16(header, AceCrc32(body) & 0xFFFF);
  PutLe16(header, static_cast<uint32_t>(body.size()));
  return header + body;
}

using Widths = std::vector<uint8_t>;

// A one-symbol table would be read as a 1-bit code the decoder fills only halfway.
void UseAtLeastTwoSymbols(std::vector<uint32_t>& frequencies) {
  auto used =
      std::count_if(frequencies.begin(), frequencies.end(), [](uint32_t f) { return f != 0; });
  for (size_t i = 0; used < 2; ++i) {
    if (frequencies[i] == 0) {
      frequencies[i] = 1;
      ++used;
    }
  }
}

Widths HuffmanWidths(const std::vector<uint32_t>& frequencies) {
  using Node = std::pair<uint64_t, size_t>;
  std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
  std::vector<size_t> parent(frequencies.size(), 0);
  for (size_t i = 0; i < frequencies.size(); ++i) {
    if (frequencies[i] != 0) queue.push({frequencies[i], i});
  }
  while (queue.size() > 1) {
    const Node a = queue.top();
    queue.pop();
    const Node b = queue.top();
    queue.pop();
    parent.push_back(0);
    parent[a.second] = parent[b.second] = parent.size() - 1;
    queue.push({a.first + b.first, parent.size() - 1});
  }
  const size_t root = parent.size() - 1;
  Widths widths(frequencies.size(), 0);
  for (size_t i = 0; i < frequencies.size(); ++i) {
    if (frequencies[i] == 0) continue;
    uint8_t depth = 0;
    for (size_t node = i; node != root; node = parent[node]) ++depth;
    widths[i] = depth;
  }
  return widths;
}

// Halving the counts flattens the tree until its deepest code fits.
Widths LimitedWidths(std::vector<uint32_t> frequencies, unsigned maxWidth) {
  UseAtLeastTwoSymbols(frequencies);
  for (;;) {
    Widths widths = HuffmanWidths(frequencies);
    if (*std::max_element(widths.begin(), widths.end()) <= maxWidth) return widths;
    for (uint32_t& f : frequencies) {
      if (f != 0) f = (f + 1) / 2;
    }
  }
}

// The decoder's own ordering of symbols by descending width; it is not stable, and
// the order among equal widths decides which symbol gets which code.
void SortByWidth(Widths& keys, std::vector<uint16_t>& symbols, int left, int right) {
  int i = left;
  int j = right;
  const uint8_t pivot = keys[right];
  do {
    while (keys[i] > pivot) ++i;
    while (keys[j] < pivot) --j;
    if (i <= j) {
      std::swap(keys[i], keys[j]);
      std::swap(symbols[i], symbols[j]);
      ++i;
      --j;
    }
  } while (i < j);
  if (left < j) {
    if (left < j - 1) {
      SortByWidth(keys, symbols, left, j);
    } else if (keys[left] < keys[j]) {
      std::swap(keys[left], keys[j]);
      std::swap(symbols[left], symbols[j]);
    }
  }
  if (i < right) {
    if (i < right - 1) {
      SortByWidth(keys, symbols, i, right);
    } else if (keys[i] < keys[right]) {
      std::swap(keys[i], keys[right]);
      std::swap(symbols[i], symbols[right]);
    }
  }
}

// Codes as the decoder assigns them to the transmitted widths: shortest widths first,
// in the sorted order, each taking the next slots of a 2^maxWidth lookup table.
std::vector<AceCode> AssignCodes(const Widths& widths, unsigned maxWidth) {
  Widths keys = widths;
  std::vector<uint16_t> symbols(widths.size());
  for (size_t i = 0; i < symbols.size(); ++i) symbols[i] = static_cast<uint16_t>(i);
  if (widths.size() > 1) SortByWidth(keys, symbols, 0, static_cast<int>(widths.size()) - 1);
  std::vector<AceCode> codes(widths.size());
  uint32_t slot = 0;
  for (size_t k = std::count_if(keys.begin(), keys.end(), [](uint8_t w) { return w != 0; });
       k-- > 0;) {
    codes[symbols[k]] = {slot >> (maxWidth - keys[k]), keys[k]};
    slot += uint32_t{1} << (maxWidth - keys[k]);
  }
  return codes;
}

}  // namespace

std::vector<AceCode> AceWriteTable(AceBitWriter& out, const std::vector<uint8_t>& widths) {
  size_t last = widths.size() - 1;
  while (widths[last] == 0) --last;
  const Widths sent(widths.begin(), widths.begin() + last + 1);
  uint8_t narrowest = kTableWidth;
  uint8_t widest = 0;
  for (uint8_t w : sent) {
    if (w == 0) continue;
    narrowest = std::min(narrowest, w);
    widest = std::max(widest, w);
  }
  const unsigned lower = narrowest - 1u;
  const unsigned upper = widest - lower + 1u;  // the escape symbol of zero runs
  std::vector<unsigned> deltas;
  unsigned previous = 0;
  for (size_t i = 0; i < sent.size(); ++i) {
    const unsigned value = sent[i] == 0 ? 0 : sent[i] - lower;
    deltas.push_back(i == 0 ? value : (value + upper - previous) % upper);
    previous = value;
  }
  struct WidthSymbol {
    unsigned symbol;
    unsigned run;
  };
  std::vector<WidthSymbol> stream;
  std::vector<uint32_t> frequencies(upper + 1, 0);
  for (size_t i = 0; i < deltas.size();) {
    size_t run = 0;
    while (i + run < deltas.size() && deltas[i + run] == 0 && run < kMaxZeroRun) ++run;
    if (run >= 4) {
      stream.push_back({upper, static_cast<unsigned>(run)});
      i += run;
    } else {
      stream.push_back({deltas[i], 1});
      ++i;
    }
    ++frequencies[stream.back().symbol];
  }
  const Widths alphabetWidths = LimitedWidths(frequencies, kWidthAlphabetWidth);
  const std::vector<AceCode> alphabet = AssignCodes(alphabetWidths, kWidthAlphabetWidth);
  out.put(static_cast<uint32_t>(last), 9);
  out.put(lower, 4);
  out.put(upper, 4);
  for (uint8_t w : alphabetWidths) out.put(w, 3);
  for (const WidthSymbol& s : stream) {
    out.put(alphabet[s.symbol].bits, alphabet[s.symbol].width);
    if (s.symbol == upper) out.put(s.run - 4, 4);
  }
  std::vector<AceCode> codes = AssignCodes(sent, kTableWidth);
  codes.resize(widths.size());
  return codes;
}

namespace {

unsigned BitLength(uint32_t value) {
  unsigned bits = 0;
  for (; value != 0; value >>= 1) ++bits;
  return bits;
}

// The shortest match a new distance can code (distances are stored minus one).
size_t ShortestMatch(uint32_t distanceCode) {
  return distanceCode <= 255 ? 2 : distanceCode <= 8191 ? 3 : 4;
}

struct Token {
  enum Kind : uint8_t { Literal, Match } kind;
  uint8_t literal = 0;
  uint32_t length = 0;
  uint32_t distance = 0;
};

// One symbol of the main alphabet with what follows it in the stream.
struct Coded {
  uint16_t main;
  int16_t length = -1;  // length-table symbol, if any
  uint32_t extra = 0;
  uint8_t extraBits = 0;
};

class Lz77Packer {
 public:
  // The chain table needs no more room than the window it indexes.
  Lz77Packer(std::string_view window, size_t start, unsigned dictionaryBits)
      : window_(window),
        position_(start),
        mask_(std::min(size_t{1} << dictionaryBits, std::bit_ceil(window.size())) - 1),
        farthest_(std::max<size_t>((size_t{1} << dictionaryBits) - 2 * kLongestMatch, 1)),
        head_(1u << 16, -1),
        previous_(mask_ + 1, -1) {
    for (size_t p = start > mask_ ? start - mask_ : 0; p < start; ++p) insert(p);
  }

  // Tokens for the window's bytes up to end; no match runs past it.
  void pack(size_t end) {
    while (position_ < end) {
      const auto [length, distance] = longest_match(end);
      if (length == 0) {
        push({Token::Literal, static_cast<uint8_t>(window_[position_])});
        insert(position_++);
        continue;
      }
      push({Token::Match, 0, static_cast<uint32_t>(length), static_cast<uint32_t>(distance)});
      for (size_t k = 0; k < length; ++k) insert(position_++);
    }
  }

  std::string finish() {
    if (!tokens_.empty()) write_block();
    return bits_.finish();
  }

 private:
  size_t hash(size_t p) const {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(window_[i]); };
    return ((byte(p) << 8) ^ (byte(p + 1) << 4) ^ byte(p + 2) ^ (byte(p) >> 3)) & 0xFFFF;
  }

  void insert(size_t p) {
    if (p + 2 >= window_.size()) return;
    const size_t h = hash(p);
    previous_[p & mask_] = head_[h];
    head_[h] = static_cast<int64_t>(p);
  }

  std::pair<size_t, size_t> longest_match(size_t end) {
    const size_t p = position_;
    const size_t limit = std::min(end - p, kLongestMatch);
    size_t bestLength = 0;
    size_t bestDistance = 0;
    if (limit < 2 || p + 2 >= window_.size()) return {0, 0};
    int64_t candidate = head_[hash(p)];
    for (size_t chain = 0; candidate >= 0 && chain < kChainLength; ++chain) {
      const size_t c = static_cast<size_t>(candidate);
      const size_t distance = p - c;
      if (c >= p || distance > farthest_) break;
      size_t length = 0;
      while (length < limit && window_[c + length] == window_[p + length]) ++length;
      const size_t shortest = ShortestMatch(static_cast<uint32_t>(distance - 1));
      length = std::min(length, shortest + kLengthSymbols - 1);
      if (length >= shortest && length > bestLength) {
        bestLength = length;
        bestDistance = distance;
        if (length >= std::min(limit, kGoodEnoughMatch)) break;
      }
      candidate = previous_[c & mask_];
    }
    return {bestLength, bestDistance};
  }

  void push(const Token& token) {
    tokens_.push_back(token);
    if (tokens_.size() == kMaxBlockSymbols) write_block();
  }

  Coded code_match(const Token& token) {
    const uint32_t distanceCode = token.distance - 1;
    for (unsigned r = 0; r < 4; ++r) {
      const uint32_t shortest = r < 2 ? 2 : 3;
      if (repeats_[r] != distanceCode || token.length < shortest ||
          token.length - shortest >= kLengthSymbols)
        continue;
      std::rotate(repeats_.begin(), repeats_.begin() + r, repeats_.begin() + r + 1);
      return {static_cast<uint16_t>(kRepeatSymbol + r),
              static_cast<int16_t>(token.length - shortest)};
    }
    std::copy_backward(repeats_.begin(), repeats_.end() - 1, repeats_.end());
    repeats_[0] = distanceCode;
    const unsigned width = BitLength(distanceCode);
    Coded coded{static_cast<uint16_t>(kDistanceSymbol + width),
                static_cast<int16_t>(token.length - ShortestMatch(distanceCode))};
    if (width >= 2) {
      coded.extra = distanceCode - (uint32_t{1} << (width - 1));
      coded.extraBits = static_cast<uint8_t>(width - 1);
    }
    return coded;
  }

  Coded code(const Token& token) {
    return token.kind == Token::Literal ? Coded{token.literal} : code_match(token);
  }

  void write_block() {
    std::vector<Coded> coded;
    coded.reserve(tokens_.size());
    std::vector<uint32_t> mainFrequencies(kMainSymbols, 0);
    std::vector<uint32_t> lengthFrequencies(kLengthSymbols, 0);
    for (const Token& token : tokens_) {
      coded.push_back(code(token));
      ++mainFrequencies[coded.back().main];
      if (coded.back().length >= 0) ++lengthFrequencies[coded.back().length];
    }
    const std::vector<AceCode> main =
        AceWriteTable(bits_, LimitedWidths(mainFrequencies, kTableWidth));
    const std::vector<AceCode> lengths =
        AceWriteTable(bits_, LimitedWidths(lengthFrequencies, kTableWidth));
    bits_.put(static_cast<uint32_t>(coded.size()), 15);
    for (const Coded& c : coded) {
      bits_.put(main[c.main].bits, main[c.main].width);
      bits_.put(c.extra, c.extraBits);
      if (c.length >= 0) bits_.put(lengths[c.length].bits, lengths[c.length].width);
    }
    tokens_.clear();
  }

  std::string_view window_;
  size_t position_;
  size_t mask_;
  size_t farthest_;
  std::vector<int64_t> head_;
  std::vector<int64_t> previous_;
  std::vector<Token> tokens_;
  std::array<uint32_t, 4> repeats_{};
  AceBitWriter bits_;
};

}  // namespace

void AceBitWriter::put(uint32_t value, unsigned bits) {
  if (bits == 0) return;
  pending_ = (pending_ << bits) | (value & ((uint64_t{1} << bits) - 1));
  count_ += bits;
  if (count_ >= 32) {
    count_ -= 32;
    PutLe32(bytes_, static_cast<uint32_t>(pending_ >> count_));
  }
}

std::string AceBitWriter::finish() {
  if (count_ > 0) PutLe32(bytes_, static_cast<uint32_t>(pending_ << (32 - count_)));
  PutLe32(bytes_, 0);
  return std::move(bytes_);
}

uint32_t AceCrc32(std::string_view bytes) {
  return Crc32Register(bytes);
}

std::string AceMainHeader(const AceMainHeaderFields& fields) {
  std::string body(1, '\0');
  PutLe16(body, fields.flags);
  body += "**ACE**";
  body += static_cast<char>(fields.versionNeeded);
  body += static_cast<char>(fields.versionNeeded);
  body += static_cast<char>(kHostWin32);
  body += static_cast<char>(fields.volumeNumber);
  PutLe32(body, kDosTime);
  body.append(8, '\0');
  body += '\0';  // no authenticity string
  return WithCrcAndSize(body);
}

std::string AceFileHeader(const AceFileHeaderFields& fields) {
  std::string body(1, '\1');
  PutLe16(body, fields.flags);
  PutLe32(body, fields.packedSize);
  PutLe32(body, fields.originalSize);
  PutLe32(body, kDosTime);
  PutLe32(body, fields.attributes);
  PutLe32(body, fields.crc);
  body += static_cast<char>(fields.type);
  body += static_cast<char>(fields.type == 0 ? 0 : 3);  // quality "normal"
  PutLe16(body, (fields.dictionaryBits - 10) & 0xF);
  PutLe16(body, 0);
  PutLe16(body, static_cast<uint32_t>(fields.name.size()));
  body += fields.name;
  body.append(4, '\0');
  return WithCrcAndSize(body);
}

std::string AcePack(std::string_view data, std::string_view history, unsigned dictionaryBits) {
  const size_t dictionary = size_t{1} << dictionaryBits;
  if (history.size() > dictionary) history.remove_prefix(history.size() - dictionary);
  const std::string window = std::string(history) + std::string(data);
  Lz77Packer packer(window, history.size(), dictionaryBits);
  packer.pack(window.size());
  return packer.finish();
}

}  // namespace tessaly::testing
