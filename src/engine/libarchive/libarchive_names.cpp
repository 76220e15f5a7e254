#include "engine/libarchive/libarchive_names.h"

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include "engine/name_encoding_choice.h"

namespace tessaly {

namespace {

// Enough names to judge by; a large archive is not read to its end for them.
constexpr int kSampleHeaders = 4096;
constexpr size_t kBlockSize = 64 * 1024;

// In the C locale libarchive hands the names over as stored, unconverted.
class StoredNames {
 public:
  StoredNames() {
    if (cLocale_ != nullptr) previous_ = uselocale(cLocale_);
  }
  ~StoredNames() {
    if (previous_ != nullptr) uselocale(previous_);
    if (cLocale_ != nullptr) freelocale(cLocale_);
  }
  StoredNames(const StoredNames&) = delete;
  StoredNames& operator=(const StoredNames&) = delete;

 private:
  locale_t cLocale_ = newlocale(LC_CTYPE_MASK, "C", nullptr);
  locale_t previous_ = nullptr;
};

}  // namespace

std::string CodePageOfNames(const std::vector<std::string>& volumes, const std::string& chosen) {
  StoredNames stored;
  struct archive* reader = archive_read_new();
  if (reader == nullptr) return "";
  archive_read_support_filter_all(reader);
  archive_read_support_format_tar(reader);
  archive_read_support_format_cpio(reader);
  archive_read_support_format_lha(reader);
  archive_read_support_format_cab(reader);
  std::vector<const char*> files;
  for (const std::string& volume : volumes) files.push_back(volume.c_str());
  files.push_back(nullptr);
  std::vector<std::string> names;
  bool lha = false;
  if (archive_read_open_filenames(reader, files.data(), kBlockSize) == ARCHIVE_OK) {
    struct archive_entry* entry = nullptr;
    for (int header = 0; header < kSampleHeaders; ++header) {
      const int read = archive_read_next_header(reader, &entry);
      if (read != ARCHIVE_OK && read != ARCHIVE_WARN) break;
      const char* name = archive_entry_pathname(entry);
      if (name == nullptr) continue;
      names.emplace_back(name);
      lha = (archive_format(reader) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_LHA;
    }
  }
  archive_read_free(reader);
  return CodePageOfNames(names, chosen, lha ? "CP932" : "CP437");
}

}  // namespace tessaly
