// The initial P-array and S-boxes of the ACE cipher.
#pragma once

#include <array>
#include <cstdint>

namespace unace {

extern const std::array<uint32_t, 18> kAceBlowfishP;
extern const std::array<std::array<uint32_t, 256>, 4> kAceBlowfishS;

}  // namespace unace
