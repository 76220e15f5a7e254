// Writes the RAR benchmark's tree as a RAR 2.9 archive that is not solid: 3,000 text
// files of 1-64 KiB and four of 24 MiB, each one LZ block of Huffman-coded literals (no
// RAR compressor is free to use here, and literals keep every byte a decoding step).
//
//   rar_tree_archive ARCHIVE
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "rar29_lz_writer.h"

namespace {

using unrar::rar29_test::BitWriter;

// One LZ block: literals 9 bits, the other 43 main symbols 7 (their canonical codes come
// first), distance lengths 6, the rest 5; then the text and the end of the file.
std::vector<uint8_t> PackLiterals(const std::string& text) {
  BitWriter out;
  out.put(0, 2);
  for (int i = 0; i < 20; ++i) out.put(i < 16 ? 4 : 0, 4);
  for (int s = 0; s < 299 + 60 + 17 + 28; ++s)
    out.put(s < 256 ? 9 : s < 299 ? 7 : s < 359 ? 6 : 5, 4);
  for (char c : text) out.put((43u << 2) + static_cast<uint8_t>(c), 9);
  out.put(0, 7);  // symbol 256: the end of the file
  out.put(0, 2);
  return out.bytes;
}

void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A block: its CRC (the low half of the CRC-32 of what follows it) and body.
void Block(std::FILE* file, std::vector<uint8_t> body) {
  const uint32_t crc = crc32(0, body.data(), body.size()) & 0xFFFF;
  std::vector<uint8_t> block;
  Put(block, crc, 2);
  block.insert(block.end(), body.begin(), body.end());
  std::fwrite(block.data(), 1, block.size(), file);
}

void Entry(std::FILE* file, const std::string& name, const std::string& text) {
  const std::vector<uint8_t> packed = PackLiterals(text);
  std::vector<uint8_t> body;
  Put(body, 0x74, 1);
  Put(body, 0x8080, 2);  // a 4 MiB dictionary
  Put(body, 2 + 1 + 2 + 2 + 25 + name.size(), 2);
  Put(body, packed.size(), 4);
  Put(body, text.size(), 4);
  Put(body, 3, 1);  // Unix
  Put(body, crc32(0, reinterpret_cast<const Bytef*>(text.data()), text.size()), 4);
  Put(body, 0x5A210000, 4);  // 2025-01-01
  Put(body, 29, 1);
  Put(body, 0x33, 1);
  Put(body, name.size(), 2);
  Put(body, 0100644, 4);
  body.insert(body.end(), name.begin(), name.end());
  Block(file, body);
  std::fwrite(packed.data(), 1, packed.size(), file);
}

std::string Text(std::mt19937& random, size_t size) {
  static const char* const kWords[] = {"archive", "entry", "volume", "header", "window",
                                       "decoder", "the",   "of",     "and",    "data"};
  std::string text;
  while (text.size() < size) {
    text += kWords[random() % 10];
    text += random() % 12 == 0 ? '\n' : ' ';
  }
  text.resize(size);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::FILE* file = std::fopen(argv[1], "wb");
  if (!file) return 1;
  std::fwrite("Rar!\x1A\x07\x00", 1, 7, file);
  std::vector<uint8_t> main{0x73, 0, 0, 13, 0, 0, 0, 0, 0, 0, 0};
  Block(file, main);
  std::mt19937 random(34);
  for (int i = 0; i < 3000; ++i) {
    const std::string name = "tree/d" + std::to_string(i % 40) + "/f" + std::to_string(i) + ".txt";
    Entry(file, name, Text(random, 1024 + random() % (63 * 1024)));
  }
  for (int i = 0; i < 4; ++i)
    Entry(file, "tree/large" + std::to_string(i) + ".log", Text(random, 24u << 20));
  Block(file, {0x7B, 0x00, 0x40, 7, 0});
  return std::fclose(file) == 0 ? 0 : 1;
}
