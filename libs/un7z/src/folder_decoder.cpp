#include "folder_decoder.h"

#include <lzma.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

#include "bcj2_stream.h"
#include "coder_streams.h"
#include "deflate64_stream.h"
#include "ppmd_stream.h"
#include "riscv_stream.h"
#include "un7z.h"

namespace un7z {
namespace {

enum class Kind {
  copy,
  lzma,
  filter,
  riscv,
  bcj2,
  ppmd,
  bzip2,
  deflate,
  deflate64,
  aes,
  unsupported
};

constexpr uint32_t kBcj2Inputs = 4;  // main, calls, jumps, range-coded bits

struct Method {
  std::vector<uint8_t> id;
  const char* name;
  Kind kind;
  uint64_t liblzmaId = 0;
};

const std::vector<Method>& methods() {
  static const std::vector<Method> table = {
      {{0x00}, "Copy", Kind::copy},
      {{0x21}, "LZMA2", Kind::lzma, LZMA_FILTER_LZMA2},
      {{0x03, 0x01, 0x01}, "LZMA", Kind::lzma, LZMA_FILTER_LZMA1},
      {{0x03}, "Delta", Kind::filter, LZMA_FILTER_DELTA},
      {{0x03, 0x03, 0x01, 0x03}, "BCJ", Kind::filter, LZMA_FILTER_X86},
      {{0x04}, "BCJ", Kind::filter, LZMA_FILTER_X86},
      {{0x03, 0x03, 0x02, 0x05}, "PPC", Kind::filter, LZMA_FILTER_POWERPC},
      {{0x05}, "PPC", Kind::filter, LZMA_FILTER_POWERPC},
      {{0x03, 0x03, 0x04, 0x01}, "IA64", Kind::filter, LZMA_FILTER_IA64},
      {{0x06}, "IA64", Kind::filter, LZMA_FILTER_IA64},
      {{0x03, 0x03, 0x05, 0x01}, "ARM", Kind::filter, LZMA_FILTER_ARM},
      {{0x07}, "ARM", Kind::filter, LZMA_FILTER_ARM},
      {{0x03, 0x03, 0x07, 0x01}, "ARMT", Kind::filter, LZMA_FILTER_ARMTHUMB},
      {{0x08}, "ARMT", Kind::filter, LZMA_FILTER_ARMTHUMB},
      {{0x03, 0x03, 0x08, 0x05}, "SPARC", Kind::filter, LZMA_FILTER_SPARC},
      {{0x09}, "SPARC", Kind::filter, LZMA_FILTER_SPARC},
#ifdef LZMA_FILTER_ARM64
      {{0x0A}, "ARM64", Kind::filter, LZMA_FILTER_ARM64},
#else
      {{0x0A}, "ARM64", Kind::unsupported},
#endif
      {{0x0B}, "RISCV", Kind::riscv},
      {{0x03, 0x03, 0x01, 0x1B}, "BCJ2", Kind::bcj2},
      {{0x03, 0x04, 0x01}, "PPMD", Kind::ppmd},
      {{0x04, 0x01, 0x08}, "Deflate", Kind::deflate},
      {{0x04, 0x01, 0x09}, "Deflate64", Kind::deflate64},
      {{0x04, 0x02, 0x02}, "BZip2", Kind::bzip2},
      {{0x06, 0xF1, 0x07, 0x01}, "7zAES", Kind::aes},
      // Named, not decoded: 7-Zip's byte swappers and the zstd plugin's coders.
      {{0x02, 0x03, 0x02}, "Swap2", Kind::unsupported},
      {{0x02, 0x03, 0x04}, "Swap4", Kind::unsupported},
      {{0x04, 0xF7, 0x11, 0x01}, "ZSTD", Kind::unsupported},
      {{0x04, 0xF7, 0x11, 0x02}, "BROTLI", Kind::unsupported},
      {{0x04, 0xF7, 0x11, 0x04}, "LZ4", Kind::unsupported},
      {{0x04, 0xF7, 0x11, 0x05}, "LZ5", Kind::unsupported},
      {{0x04, 0xF7, 0x11, 0x06}, "LIZARD", Kind::unsupported},
  };
  return table;
}

const Method* find_method(const std::vector<uint8_t>& id) {
  for (const Method& method : methods()) {
    if (method.id == id) return &method;
  }
  return nullptr;
}

Kind kind_of(const Coder& coder) {
  const Method* method = find_method(coder.id);
  if (!method || coder.outStreams != 1) return Kind::unsupported;
  const uint32_t inputs = method->kind == Kind::bcj2 ? kBcj2Inputs : 1;
  return coder.inStreams == inputs ? method->kind : Kind::unsupported;
}

class FolderGraph {
 public:
  FolderGraph(const FolderSource& source, const Folder& folder)
      : source_(source), folder_(folder) {}

  // The stream of out-stream index out; depth guards against bind pairs in a circle.
  int build_out(uint32_t out, size_t depth, std::unique_ptr<ByteStream>& stream) {
    size_t coder = 0;
    if (depth > folder_.coders.size() || !coder_of_out(out, coder)) return UN7Z_BAD_ARCHIVE;
    const Kind kind = kind_of(folder_.coders[coder]);
    const uint64_t size = folder_.unpackSizes[out];
    if (kind == Kind::lzma || kind == Kind::filter)
      return build_lzma_chain(coder, size, depth, stream);
    if (kind == Kind::bcj2) return build_bcj2(coder, size, depth, stream);
    std::unique_ptr<ByteStream> input;
    const int result =
        kind == Kind::unsupported ? UN7Z_UNSUPPORTED : build_in(first_in(coder), depth, input);
    if (result != UN7Z_SUCCESS) return result;
    switch (kind) {
      case Kind::copy:
        stream = make_copy_stream(std::move(input), size);
        return UN7Z_SUCCESS;
      case Kind::bzip2:
        stream = make_bzip2_stream(std::move(input), size);
        return UN7Z_SUCCESS;
      case Kind::deflate:
        stream = make_deflate_stream(std::move(input), size);
        return UN7Z_SUCCESS;
      case Kind::deflate64:
        stream = make_deflate64_stream(std::move(input), size);
        return UN7Z_SUCCESS;
      case Kind::ppmd:
        return make_ppmd_stream(folder_.coders[coder].properties, size, std::move(input), stream);
      case Kind::riscv:
        return make_riscv_stream(folder_.coders[coder].properties, size, std::move(input), stream);
      case Kind::aes:
        return build_aes(coder, size, std::move(input), stream);
      default:
        return UN7Z_UNSUPPORTED;
    }
  }

 private:
  bool coder_of_out(uint32_t out, size_t& coder) const {
    uint32_t first = 0;
    for (coder = 0; coder < folder_.coders.size(); ++coder) {
      if (out < first + folder_.coders[coder].outStreams)
        return folder_.coders[coder].outStreams == 1;
      first += folder_.coders[coder].outStreams;
    }
    return false;
  }

  uint32_t first_in(size_t coder) const {
    uint32_t first = 0;
    for (size_t i = 0; i < coder; ++i) first += folder_.coders[i].inStreams;
    return first;
  }
  uint32_t first_out(size_t coder) const {
    uint32_t first = 0;
    for (size_t i = 0; i < coder; ++i) first += folder_.coders[i].outStreams;
    return first;
  }

  const BindPair* pair_into(uint32_t in) const {
    for (const BindPair& pair : folder_.bindPairs) {
      if (pair.inIndex == in) return &pair;
    }
    return nullptr;
  }

  // What feeds in-stream in: another coder's output or a packed stream.
  int build_in(uint32_t in, size_t depth, std::unique_ptr<ByteStream>& stream) {
    if (const BindPair* pair = pair_into(in)) return build_out(pair->outIndex, depth + 1, stream);
    const auto packed =
        std::find(folder_.packedInStreams.begin(), folder_.packedInStreams.end(), in);
    if (packed == folder_.packedInStreams.end()) return UN7Z_BAD_ARCHIVE;
    const size_t index = folder_.firstPackStream + (packed - folder_.packedInStreams.begin());
    const std::vector<uint64_t>& sizes = source_.streams.packSizes;
    if (index >= sizes.size()) return UN7Z_BAD_ARCHIVE;
    const uint64_t offset = std::accumulate(sizes.begin(), sizes.begin() + index, source_.packBase);
    stream = std::make_unique<PackedStream>(source_.archive, offset, sizes[index]);
    return UN7Z_SUCCESS;
  }

  // liblzma runs the branch and delta filters in one chain above an LZMA coder, or
  // above LZMA2 stored chunks made of any other coder's output.
  int build_lzma_chain(size_t coder, uint64_t size, size_t depth,
                       std::unique_ptr<ByteStream>& stream) {
    std::vector<LzmaFilterStep> steps;
    std::unique_ptr<ByteStream> input;
    for (;;) {
      const Kind kind = kind_of(folder_.coders[coder]);
      if (kind != Kind::lzma && kind != Kind::filter) break;
      steps.push_back(
          {find_method(folder_.coders[coder].id)->liblzmaId, folder_.coders[coder].properties});
      const BindPair* pair = pair_into(first_in(coder));
      if (kind == Kind::lzma || !pair) {
        const int result = build_in(first_in(coder), depth, input);
        if (result != UN7Z_SUCCESS) return result;
        if (kind == Kind::lzma) {
          return make_lzma_chain(steps, folder_.unpackSizes[first_out(coder)], size,
                                 std::move(input), stream);
        }
        return make_filter_chain(steps, size, std::move(input), stream);
      }
      if (++depth > folder_.coders.size() || !coder_of_out(pair->outIndex, coder)) {
        return UN7Z_BAD_ARCHIVE;
      }
    }
    const int result = build_out(first_out(coder), depth, input);
    if (result != UN7Z_SUCCESS) return result;
    return make_filter_chain(steps, size, std::move(input), stream);
  }

  int build_bcj2(size_t coder, uint64_t size, size_t depth, std::unique_ptr<ByteStream>& stream) {
    std::unique_ptr<ByteStream> inputs[kBcj2Inputs];
    for (uint32_t i = 0; i < kBcj2Inputs; ++i) {
      const int result = build_in(first_in(coder) + i, depth, inputs[i]);
      if (result != UN7Z_SUCCESS) return result;
    }
    stream = make_bcj2_stream(std::move(inputs[0]), std::move(inputs[1]), std::move(inputs[2]),
                              std::move(inputs[3]), size);
    return UN7Z_SUCCESS;
  }

  int build_aes(size_t coder, uint64_t size, std::unique_ptr<ByteStream> input,
                std::unique_ptr<ByteStream>& stream) {
    std::string password;
    AesKey key;
    int result = source_.password(password);
    if (result == UN7Z_SUCCESS) {
      result = source_.keys.derive(folder_.coders[coder].properties, password, key);
    }
    if (result == UN7Z_SUCCESS) stream = make_aes_stream(std::move(input), size, key);
    return result;
  }

  const FolderSource& source_;
  const Folder& folder_;
};

std::string hex_id(const std::vector<uint8_t>& id) {
  std::string text;
  char digits[3];
  for (uint8_t byte : id) {
    std::snprintf(digits, sizeof digits, "%02X", byte);
    text += digits;
  }
  return text;
}

}  // namespace

int open_folder(const FolderSource& source, size_t folderIndex, std::unique_ptr<ByteStream>& out) {
  if (folderIndex >= source.streams.folders.size()) return UN7Z_BAD_ARCHIVE;
  const Folder& folder = source.streams.folders[folderIndex];
  const std::optional<uint32_t> main = folder.main_out_stream();
  if (!main) return UN7Z_BAD_ARCHIVE;
  return FolderGraph(source, folder).build_out(*main, 0, out);
}

std::string method_names(const Folder& folder) {
  std::string names;
  for (auto coder = folder.coders.rbegin(); coder != folder.coders.rend(); ++coder) {
    const Method* method = find_method(coder->id);
    if (!names.empty()) names += ' ';
    names += method ? method->name : hex_id(coder->id);
  }
  return names;
}

}  // namespace un7z
