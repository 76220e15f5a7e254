#include "archivekit/archive_session.h"

#include <algorithm>
#include <cstring>

namespace archivekit {

EntryAction action_for(int operation) {
  return operation == 2   ? EntryAction::extract
         : operation == 1 ? EntryAction::test
                          : EntryAction::skip;
}

void copy_to_field(char* field, size_t fieldSize, const std::string& text) {
  size_t length = std::min(text.size(), fieldSize - 1);
  if (length < text.size()) {
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  }
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

}  // namespace archivekit
