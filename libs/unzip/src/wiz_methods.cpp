#include "wiz_methods.h"

#include "wiz_text.h"

namespace unzip {

namespace {

constexpr uint16_t kStored = 0, kShrunk = 1, kImploded = 6, kDeflated = 8, kDeflate64 = 9,
                   kBzip2 = 12;

bool is_reduce(uint16_t method) {
  return method >= 2 && method <= 5;
}

}  // namespace

std::string_view method_verb(uint16_t method) {
  if (method == kDeflated || method == kDeflate64) return "inflat";
  if (method == kImploded) return "explod";
  if (method == kShrunk) return "unshrink";
  if (is_reduce(method)) return "unreduc";
  if (method == kBzip2) return "bunzipp";
  return "extract";
}

std::string_view method_decoder_word(uint16_t method) {
  if (method == kDeflated || method == kDeflate64) return "inflate";
  if (method == kImploded) return "explode";
  if (method == kShrunk) return "unshrink";
  if (is_reduce(method)) return "unreduce";
  if (method == kBzip2) return "bunzip";
  if (method == kStored) return "extract";
  return "decompress";
}

std::string_view method_name(uint16_t method) {
  switch (method) {
    case 0:
      return "store";
    case 1:
      return "shrink";
    case 2:
    case 3:
    case 4:
    case 5:
      return "reduce";
    case 6:
      return "implode";
    case 7:
      return "tokenize";
    case 8:
      return "deflate";
    case 9:
      return "deflate64";
    case 10:
      return "DCL implode";
    case 12:
      return "bzip2";
    case 14:
      return "LZMA";
    case 18:
      return "IBM/Terse";
    case 19:
      return "IBM LZ77";
    case 97:
      return "WavPack";
    case 98:
      return "PPMd";
    default:
      return "";
  }
}

std::string method_list_text(uint16_t method, uint16_t flags) {
  static constexpr char kDeflateLevel[] = {'N', 'X', 'F', 'S'};
  const char level = kDeflateLevel[(flags >> 1) & 3];
  switch (method) {
    case 0:
      return "Stored";
    case 1:
      return "Shrunk";
    case 2:
    case 3:
    case 4:
    case 5:
      return format("Reduce%u", method - 1u);
    case 6:
      return "Implode";
    case 7:
      return "Token";
    case 8:
      return std::string("Defl:") + level;
    case 9:
      return std::string("Def64") + level;
    case 10:
      return "ImplDCL";
    case 12:
      return "BZip2";
    case 14:
      return "LZMA";
    case 18:
      return "Terse";
    case 19:
      return "IBMLZ77";
    case 97:
      return "WavPack";
    case 98:
      return "PPMd";
    default:
      return format("Unk:%03u", static_cast<unsigned>(method % 1000));
  }
}

}  // namespace unzip
