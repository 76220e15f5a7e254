#include "engine/name_encoding_choice.h"

#include <algorithm>

#include "engine/session.h"
#include "name_encoding.h"

namespace tessaly {

std::string NameEncodingToRead(const Session& session) {
  if (!session.job.nameEncoding.empty()) return session.job.nameEncoding;
  // "Automatic", and a value no longer known, judge from the names.
  return codepage::canonical_encoding(session.settings.nameEncoding);
}

std::string CodePageOfNames(const std::vector<std::string>& storedNames, const std::string& chosen,
                            const std::string& formatDefault) {
  if (std::all_of(storedNames.begin(), storedNames.end(), codepage::is_valid_utf8)) return "";
  return chosen.empty() ? codepage::detect_encoding(storedNames, formatDefault) : chosen;
}

std::string ReadStoredName(const std::string& storedName, const std::string& codePage) {
  if (codePage.empty() || codepage::is_valid_utf8(storedName)) return storedName;
  return codepage::decode_name(storedName, codePage);
}

std::vector<std::string> NameEncodingChoices() {
  std::vector<std::string> choices = {kAutomaticNameEncoding};
  const std::vector<std::string>& encodings = codepage::name_encodings();
  choices.insert(choices.end(), encodings.begin(), encodings.end());
  return choices;
}

std::string NameEncodingList() {
  std::string list;
  for (const std::string& encoding : codepage::name_encodings()) {
    list += (list.empty() ? "" : ", ") + encoding;
  }
  return list;
}

}  // namespace tessaly
