// What the chunks and the listing call each compression method.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace unzip {

// The word of the per-file chunk before "ing:" ("inflat", "extract", ...).
std::string_view method_verb(uint16_t method);
// The word of a decoding failure ("inflate", "explode", ...).
std::string_view method_decoder_word(uint16_t method);
// The name of the "`%s' method not supported" chunk; empty for methods without one.
std::string_view method_name(uint16_t method);
// The listing's method column: "Stored", "Defl:N", "Unk:099", ...
std::string method_list_text(uint16_t method, uint16_t flags);

}  // namespace unzip
