// The standard filters of RAR 2.9 archives. Archives carry them as programs for a
// virtual machine; only these six programs exist in practice, so they are
// recognised by their code and run as native transforms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace unrar {

enum class StandardFilter { e8, e8e9, itanium, delta, rgb, audio };

// Which standard filter a transmitted program is; nullopt for any other code.
std::optional<StandardFilter> identify_standard_filter(const uint8_t* code, size_t size);

struct FilterParameters {
  uint32_t r0 = 0;  // channels (DELTA, AUDIO) or row width (RGB)
  uint32_t r1 = 0;  // position of red (RGB)
  // Bytes of the current file written before the filtered range.
  uint64_t fileOffset = 0;
};

// Filters data in place (scratch is working space). False when the parameters
// are impossible for the filter, which only a damaged stream produces.
bool apply_standard_filter(StandardFilter filter, const FilterParameters& parameters,
                           std::vector<uint8_t>& data, std::vector<uint8_t>& scratch);

}  // namespace unrar
