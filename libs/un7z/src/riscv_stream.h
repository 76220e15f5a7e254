// The RISC-V branch filter's decoder (7z coder 0B; liblzma has it only from 5.6):
// JAL calls and AUIPC pairs whose absolute targets the encoder wrote are made
// pc-relative again.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "archivekit/byte_stream.h"

namespace un7z {

using archivekit::ByteStream;

// 0 and the stream, or UN7Z_UNSUPPORTED for properties other than none or an even
// 4-byte start position.
int make_riscv_stream(const std::vector<uint8_t>& properties, uint64_t outSize,
                      std::unique_ptr<ByteStream> source, std::unique_ptr<ByteStream>& stream);

}  // namespace un7z
