// Entry names stored in a code page (DOS, Windows or East Asian) rather than UTF-8:
// the encodings an archive may use, decoding one name, and finding which encoding
// one archive's names are in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace codepage {

// The encodings a name may be read in, by the names the user gives them ("CP866").
const std::vector<std::string>& name_encodings();

// The canonical name of encoding, given in any case or by a common alias
// ("shift_jis" is "CP932"); "" when it is none of name_encodings().
std::string canonical_encoding(std::string_view encoding);

// Strict UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool is_valid_utf8(std::string_view text);

// bytes read in encoding (one of name_encodings()), as UTF-8. A byte the encoding
// cannot decode becomes its code page 437 character, so every name stays a name.
std::string decode_name(std::string_view bytes, std::string_view encoding);

// True when every byte of bytes decodes in encoding.
bool decodes_cleanly(std::string_view bytes, std::string_view encoding);

// The encoding of one archive's names, judged from all those that are not UTF-8
// together: the candidate whose decodings read most like words, when it reads clearly
// better than fallback; otherwise fallback (the format's default).
std::string detect_encoding(const std::vector<std::string>& names, std::string_view fallback);

}  // namespace codepage
