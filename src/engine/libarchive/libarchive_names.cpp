#include "engine/libarchive/libarchive_names.h"

#include <archive.h>
#include <archive_entry.h>

#include "engine/libarchive/libarchive_reader.h"
#include "engine/name_encoding_choice.h"

namespace tessaly {

namespace {

// Enough names to judge by; a large archive is not read to its end for them.
constexpr int kSampleHeaders = 4096;

// Latin-1 reads every byte as the code point of its value: the stored bytes come back
// whole, whatever the format's default would make of them. A name with characters
// beyond was stored in Unicode.
std::string StoredBytes(const std::string& utf8) {
  std::string bytes;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto lead = static_cast<uint8_t>(utf8[i]);
    if (lead < 0x80) {
      bytes += utf8[i];
    } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size()) {
      bytes += static_cast<char>(((lead & 0x03) << 6) | (utf8[++i] & 0x3F));
    } else {
      return utf8;
    }
  }
  return bytes;
}

}  // namespace

std::string CodePageOfNames(const std::function<int(struct archive*)>& open,
                            const std::string& chosen) {
  Utf8Names utf8;
  struct archive* reader = archive_read_new();
  if (reader == nullptr) return "";
  archive_read_support_format_tar(reader);
  archive_read_support_format_cpio(reader);
  archive_read_support_format_lha(reader);
  archive_read_support_format_cab(reader);
  archive_read_set_options(reader, "hdrcharset=ISO-8859-1");
  std::vector<std::string> names;
  bool lha = false;
  if (open(reader) == ARCHIVE_OK) {
    struct archive_entry* entry = nullptr;
    for (int header = 0; header < kSampleHeaders; ++header) {
      const int read = archive_read_next_header(reader, &entry);
      if (read != ARCHIVE_OK && read != ARCHIVE_WARN) break;
      if (const char* name = archive_entry_pathname_utf8(entry); name != nullptr) {
        names.push_back(StoredBytes(name));
        lha = (archive_format(reader) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_LHA;
      }
    }
  }
  archive_read_free(reader);
  return CodePageOfNames(names, chosen, lha ? "CP932" : "CP437");
}

}  // namespace tessaly
