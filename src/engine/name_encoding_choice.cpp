#include "engine/name_encoding_choice.h"

#include "engine/session.h"
#include "name_encoding.h"

namespace tessaly {

std::string NameEncodingToRead(const Session& session) {
  if (!session.job.nameEncoding.empty()) return session.job.nameEncoding;
  // "Automatic", and a value no longer known, judge from the names.
  return codepage::canonical_encoding(session.settings.nameEncoding);
}

std::string NameEncodingList() {
  std::string list;
  for (const std::string& encoding : codepage::name_encodings()) {
    list += (list.empty() ? "" : ", ") + encoding;
  }
  return list;
}

}  // namespace tessaly
