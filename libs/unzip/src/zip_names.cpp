#include "zip_names.h"

#include "cp437.h"

namespace unzip {

std::string comment_to_utf8(std::string_view bytes) {
  return is_valid_utf8(bytes) ? std::string(bytes) : codepage::cp437_to_utf8(bytes);
}

}  // namespace unzip
