// Writes RAR 1.5 streams for the decoder tests. No RAR 1.5 compressor exists
// here, so the writer keeps its own copy of the adaptive state the decoder
// keeps (lists, averages, flag bytes, stream mode) and turns chosen operations
// into the bits the decoder reads; it also produces the bytes those
// operations stand for. Streams made with it were checked with unar 1.10.1.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "rar15_decoder_codes.h"

namespace unrar::test {

class Rar15StreamWriter {
 public:
  Rar15StreamWriter() { reset(); }

  // The next file of a solid stream: the adaptive state is kept, the flag
  // byte, stream mode and repeat count start afresh.
  void next_solid_file() {
    flush_flags();
    pieces_.clear();
    flagSlots_.clear();
    output_.clear();
    flagsLeft_ = -1;
    streamMode_ = false;
    lastRepeats_ = 0;
  }

  bool stream_mode() const { return streamMode_; }
  uint64_t produced() const { return history_.size(); }
  // One of the last four distances (0 while fewer were used).
  uint32_t old_distance(uint32_t back) const { return oldDistances_[(oldNext_ - back) & 3]; }

  void literal(uint8_t byte) {
    uint32_t position = literals_.find(byte);
    if (streamMode_) {
      write_code(literal_code(), position + 1);
    } else {
      flag_choice(!match_leads());
      write_code(literal_code(), position);
      if (literalRun_++ >= 16 && flagsLeft_ == 0) streamMode_ = true;
    }
    literalAverage_ += position;
    literalAverage_ -= literalAverage_ >> 8;
    literalWeight_ += 16;
    if (literalWeight_ > 0xFF) {
      literalWeight_ = 0x90;
      matchWeight_ >>= 1;
    }
    emit_literal(literals_.take(position));
  }

  // Stream mode only: a match of 3 or 4 bytes at distance (high << 5) | low.
  void stream_match(uint32_t high, uint32_t low, bool four) {
    write_code(literal_code(), 0);
    write_bits(0, 1);
    write_bits(four ? 1 : 0, 1);
    write_code(kRar15PositionCode2, high);
    write_bits(low, 5);
    copy((high << 5) | low, four ? 4 : 3);
  }

  void leave_stream_mode() {
    write_code(literal_code(), 0);
    write_bits(1, 1);
    literalRun_ = 0;
    streamMode_ = false;
  }

  // lengthClass 0..8: length lengthClass + 2 at a distance 1..256.
  void short_match(uint32_t lengthClass, uint32_t distance) {
    begin_short(lengthClass);
    shortLengthAverage_ += lengthClass;
    shortLengthAverage_ -= shortLengthAverage_ >> 4;
    const uint32_t position = find_short_distance(distance - 1);
    write_code(kRar15PositionCode2, position);
    if (position > 0) std::swap(shortDistances_[position], shortDistances_[position - 1]);
    remember(distance, lengthClass + 2);
  }

  void repeat_last() {
    leave_stream_if_needed();
    flag_choice_short();
    literalRun_ = 0;
    if (lastRepeats_ == 2) {
      write_bits(1, 1);
    } else {
      write_short_class(9);
      ++lastRepeats_;
    }
    copy(lastDistance_, lastLength_);
  }

  // back 1..4: one of the last four distances; lengthCode 0..255.
  void old_distance_match(uint32_t back, uint32_t lengthCode) {
    begin_short(9 + back);
    write_code(kRar15LengthCode1, lengthCode);
    const uint32_t distance = oldDistances_[(oldNext_ - back) & 3];
    uint32_t length = lengthCode + 2;
    if (distance > 256) ++length;
    if (distance >= farLimit_) ++length;
    remember(distance, length);
  }

  void toggle_short_code() {
    begin_short(10);
    write_code(kRar15LengthCode1, 255);
    toggled_ = !toggled_;
  }

  // A distance 0x8000 + low15 with a length lengthCode + 5.
  void far_short_match(uint32_t low15, uint32_t lengthCode) {
    // Class 14 has a code only while the short code is toggled.
    if (!toggled_) toggle_short_code();
    begin_short(14);
    write_code(kRar15LengthCode2, lengthCode);
    write_bits(low15, 15);
    lastLength_ = lengthCode + 5;
    lastDistance_ = 0x8000 | low15;
    copy(lastDistance_, lastLength_);
  }

  // distance 1..0x7FFF; lengthCode 0..255 (lengths grow for far and near ones).
  void long_match(uint32_t distance, uint32_t lengthCode) {
    leave_stream_if_needed();
    flag_choice(match_leads());
    literalRun_ = 0;
    matchWeight_ += 16;
    if (matchWeight_ > 0xFF) {
      matchWeight_ = 0x90;
      literalWeight_ >>= 1;
    }
    const uint32_t previousLengthAverage = longLengthAverage_;
    if (longLengthAverage_ >= 122) {
      write_code(kRar15LengthCode2, lengthCode);
    } else if (longLengthAverage_ >= 64) {
      write_code(kRar15LengthCode1, lengthCode);
    } else if (lengthCode < 8) {
      write_bits(1, lengthCode + 1);
    } else {
      write_bits(lengthCode, 16);
    }
    longLengthAverage_ += lengthCode;
    longLengthAverage_ -= longLengthAverage_ >> 5;
    const Rar15CodeTable& code = longDistanceAverage_ > 0x28FF   ? kRar15PositionCode2
                                 : longDistanceAverage_ > 0x06FF ? kRar15PositionCode1
                                                                 : kRar15PositionCode0;
    const uint32_t position = longDistances_.find(distance >> 7);
    write_code(code, position);
    longDistanceAverage_ += position;
    longDistanceAverage_ -= longDistanceAverage_ >> 8;
    longDistances_.take(position);
    write_bits(distance & 0x7F, 7);

    const uint32_t previousNear = nearAverage_;
    if (lengthCode != 1 && lengthCode != 4) {
      if (lengthCode == 0 && distance <= farLimit_) {
        ++nearAverage_;
        nearAverage_ -= nearAverage_ >> 8;
      } else if (nearAverage_ > 0) {
        --nearAverage_;
      }
    }
    uint32_t length = lengthCode + 3;
    if (distance >= farLimit_) ++length;
    if (distance <= 256) length += 8;
    const bool far =
        previousNear > 0xB0 || (literalAverage_ >= 0x2A00 && previousLengthAverage < 0x40);
    farLimit_ = far ? 0x7F00 : 0x2001;
    remember(distance, length);
  }

  // The packed bytes of the file so far (the last flag byte padded with zeros).
  std::vector<uint8_t> packed() {
    flush_flags();
    std::vector<uint8_t> bytes;
    uint32_t accumulator = 0;
    unsigned count = 0;
    for (const Piece& piece : pieces_) {
      for (unsigned i = piece.count; i-- > 0;) {
        accumulator = (accumulator << 1) | ((piece.bits >> i) & 1);
        if (++count == 8) {
          bytes.push_back(static_cast<uint8_t>(accumulator));
          accumulator = 0;
          count = 0;
        }
      }
    }
    if (count > 0) bytes.push_back(static_cast<uint8_t>(accumulator << (8 - count)));
    return bytes;
  }
  // The bytes of the file so far.
  const std::vector<uint8_t>& output() const { return output_; }

 private:
  // A list of 256 symbols, each with a use count, re-ranked like the decoder's.
  struct RankedList {
    std::array<uint16_t, 256> entries{};
    std::array<uint8_t, 256> starts{};
    unsigned limit = 0;
    void rerank() {
      for (unsigned i = 0; i < 256; ++i)
        entries[i] = static_cast<uint16_t>((entries[i] & 0xFF00) | (7 - i / 32));
      starts.fill(0);
      for (unsigned c = 0; c < 7; ++c) starts[c] = static_cast<uint8_t>((7 - c) * 32);
    }
    uint32_t find(uint32_t symbol) const {
      for (uint32_t i = 0; i < 256; ++i)
        if ((entries[i] >> 8) == symbol) return i;
      return 0;
    }
    uint8_t take(uint32_t position) {
      for (;;) {
        uint16_t entry = entries[position];
        const uint8_t slot = starts[entry & 0xFF]++;
        ++entry;
        if ((entry & 0xFF) != 0 && (entry & 0xFF) <= limit) {
          entries[position] = entries[slot];
          entries[slot] = entry;
          return static_cast<uint8_t>(entry >> 8);
        }
        rerank();
      }
    }
  };
  struct Piece {
    uint32_t bits;
    unsigned count;
  };

  void reset() {
    for (unsigned i = 0; i < 256; ++i) {
      literals_.entries[i] = static_cast<uint16_t>(i << 8);
      longDistances_.entries[i] = static_cast<uint16_t>(i << 8);
      flagBytes_.entries[i] = static_cast<uint16_t>(((256 - i) & 0xFF) << 8);
      shortDistances_[i] = static_cast<uint16_t>(i);
    }
    literals_.limit = 0xA1;
    longDistances_.limit = 0xFF;
    flagBytes_.limit = 0xFF;
    longDistances_.rerank();
  }

  const Rar15CodeTable& literal_code() const {
    return literalAverage_ > 0x75FF   ? kRar15PositionCode4
           : literalAverage_ > 0x5DFF ? kRar15PositionCode3
           : literalAverage_ > 0x35FF ? kRar15PositionCode2
           : literalAverage_ > 0x0DFF ? kRar15PositionCode1
                                      : kRar15PositionCode0;
  }
  bool match_leads() const { return matchWeight_ > literalWeight_; }

  void write_bits(uint32_t bits, unsigned count) { pieces_.push_back({bits, count}); }
  // The code of value: the first 12-bit prefix that decodes to it.
  static Piece code_of(const Rar15CodeTable& table, uint32_t value) {
    static std::map<const Rar15CodeTable*, std::array<Piece, 257>> inverses;
    auto [at, added] = inverses.try_emplace(&table);
    if (added) {
      for (uint32_t prefix = table.size(); prefix-- > 0;)
        at->second[table[prefix].value] = {prefix >> (12 - table[prefix].bits), table[prefix].bits};
    }
    return at->second[value];
  }
  void write_code(const Rar15CodeTable& table, uint32_t value) {
    pieces_.push_back(code_of(table, value));
  }
  void write_short_class(uint32_t lengthClass) {
    const Rar15ShortTable& table = rar15_short_table(shortLengthAverage_ >= 37, toggled_);
    for (uint32_t look = 0; look < 256; ++look) {
      if (table[look].lengthClass == lengthClass) {
        write_bits(look >> (8 - table[look].bits), table[look].bits);
        return;
      }
    }
  }

  // One flag bit; a new flag byte is read where the decoder reads it.
  void flag_bit(bool set) {
    if (flagsLeft_ < 0 || --flagsLeft_ < 0) {
      flagSlots_.push_back({pieces_.size(), 0});
      pieces_.push_back({0, 0});
      flagsLeft_ = 7;
    }
    if (set) flagSlots_.back().value |= 1u << flagsLeft_;
  }
  // The expected choice is one flag bit 1, the other one 0 then 1.
  void flag_choice(bool expected) {
    if (expected) {
      flag_bit(true);
    } else {
      flag_bit(false);
      flag_bit(true);
    }
  }
  void flag_choice_short() {
    flag_bit(false);
    flag_bit(false);
  }
  void flush_flags() {
    for (const FlagSlot& slot : flagSlots_) {
      const uint32_t position = flagBytes_.find(slot.value);
      flagBytes_.take(position);
      pieces_[slot.piece] = code_of(kRar15PositionCode2, position);
    }
    flagSlots_.clear();
  }

  void leave_stream_if_needed() {
    if (streamMode_) leave_stream_mode();
  }
  void begin_short(uint32_t lengthClass) {
    leave_stream_if_needed();
    flag_choice_short();
    literalRun_ = 0;
    if (lastRepeats_ == 2) write_bits(0, 1);
    lastRepeats_ = 0;
    write_short_class(lengthClass);
  }
  uint32_t find_short_distance(uint32_t value) const {
    for (uint32_t i = 0; i < 256; ++i)
      if (shortDistances_[i] == value) return i;
    return 0;
  }
  void remember(uint32_t distance, uint32_t length) {
    oldDistances_[oldNext_] = distance;
    oldNext_ = (oldNext_ + 1) & 3;
    lastDistance_ = distance;
    lastLength_ = length;
    copy(distance, length);
  }
  void emit_literal(uint8_t byte) {
    history_.push_back(byte);
    output_.push_back(byte);
  }
  // Before the start of the stream the window reads as zeros; a zero
  // distance is refused by the decoder, so nothing is expected of it.
  void copy(uint32_t distance, uint32_t length) {
    if (distance == 0) return;
    const bool beforeStart = distance > history_.size();
    for (uint32_t i = 0; i < length; ++i)
      emit_literal(beforeStart ? 0 : history_[history_.size() - distance]);
  }

  struct FlagSlot {
    size_t piece;
    uint32_t value;
  };

  RankedList literals_;
  RankedList longDistances_;
  RankedList flagBytes_;
  std::array<uint16_t, 256> shortDistances_{};
  uint32_t literalAverage_ = 0x3500;
  uint32_t longDistanceAverage_ = 0;
  uint32_t shortLengthAverage_ = 0;
  uint32_t longLengthAverage_ = 0;
  uint32_t nearAverage_ = 0;
  uint32_t literalRun_ = 0;
  uint32_t literalWeight_ = 0x80;
  uint32_t matchWeight_ = 0x80;
  uint32_t farLimit_ = 0x2001;
  bool toggled_ = false;
  std::array<uint32_t, 4> oldDistances_{};
  unsigned oldNext_ = 0;
  uint32_t lastDistance_ = 0;
  uint32_t lastLength_ = 0;

  int flagsLeft_ = -1;
  bool streamMode_ = false;
  unsigned lastRepeats_ = 0;

  std::vector<Piece> pieces_;
  std::vector<FlagSlot> flagSlots_;
  std::vector<uint8_t> history_;
  std::vector<uint8_t> output_;
};

}  // namespace unrar::test
