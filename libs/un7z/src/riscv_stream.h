// The RISC-V branch filter's decoder (7z coder 0B; liblzma has it only from 5.6):
// JAL calls and AUIPC pairs whose absolute targets the encoder wrote are made
// pc-relative again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "byte_stream.h"

namespace un7z {

// Converts data, which starts at stream position start; returns how many bytes it
// has done with. The rest (under 8 bytes) needs the bytes after it, or is the
// stream's end, which stays as it is.
size_t riscv_decode(uint8_t* data, size_t size, uint32_t start);

// 0 and the stream, or UN7Z_UNSUPPORTED for properties other than none or an even
// 4-byte start position.
int make_riscv_stream(const std::vector<uint8_t>& properties, uint64_t outSize,
                      std::unique_ptr<ByteStream> source, std::unique_ptr<ByteStream>& stream);

}  // namespace un7z
