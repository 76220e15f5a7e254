#include "wiz_names.h"

#include <limits.h>
#include <stdlib.h>

#include <vector>

#include "safe_path.h"
#include "unzip.h"
#include "wiz_messages.h"

namespace unzip {

namespace {

constexpr uint8_t kFatHost = 0;

std::string blanks_to_underscores(std::string name, bool wanted) {
  if (wanted) {
    for (char& c : name)
      if (c == ' ') c = '_';
  }
  return name;
}

// The rule the path cleaning applies on disk, for names shown as they are typed or
// stored: control characters cannot move a cursor or break a line of a message.
std::string control_as_underscore(std::string name) {
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '_';
  }
  return name;
}

// Lexical cleaning through the shared path policy: a leading "/" goes without a word,
// as it does for every format; a name that climbs out with ".." comes back as it is.
struct CleanedName {
  std::string relative;
  bool climbs = false;
};

CleanedName clean(const std::string& name) {
  std::vector<char> cleaned(name.size() + 1);
  const safepath_result result =
      safepath_clean(name.c_str(), cleaned.data(), cleaned.size(), nullptr);
  return {cleaned.data(), result == SAFEPATH_OUTSIDE};
}

MappedName checked(CallState& call, const CleanedName& name, bool folder_entry) {
  if (name.climbs) return {MappedName::Kind::Unsafe, name.relative};
  if (name.relative.empty()) return {};
  std::vector<char> resolved(name.relative.size() + 1);
  const safepath_result result = safepath_resolve(call.safepath_root(), name.relative.c_str(),
                                                  resolved.data(), resolved.size(), nullptr);
  if (result == SAFEPATH_OUTSIDE) return {MappedName::Kind::Unsafe, name.relative};
  return {folder_entry ? MappedName::Kind::Folder : MappedName::Kind::File, name.relative};
}

std::string absolute_root(const std::string& root) {
  char buffer[PATH_MAX];
  if (!realpath(root.empty() ? "." : root.c_str(), buffer)) return {};
  return buffer;
}

}  // namespace

std::string stored_path(const EntryInfo& entry) {
  std::string name = entry.name;
  if (entry.host_system == kFatHost && name.find('/') == std::string::npos) {
    for (char& c : name)
      if (c == '\\') c = '/';
  }
  return name;
}

std::string display_name(const EntryInfo& entry) {
  return control_as_underscore(stored_path(entry));
}

MappedName map_entry_name(CallState& call, const EntryInfo& entry) {
  const std::string name = stored_path(entry);
  if (name != entry.name) {
    // Only said: such names come out right (PowerShell writes them), so the call
    // does not count as failed.
    if (!call.backslashes_reported) {
      call.backslashes_reported = true;
      call.printer.say(chunk::backslash_separators(call.zip_path));
    }
  }
  const bool folder_entry = !name.empty() && name.back() == '/';
  CleanedName cleaned = clean(blanks_to_underscores(name, call.options.SpaceToUnderscore != 0));
  if (call.options.ndflag == 0) {
    // Only the last component is kept: where the stored path leads does not matter.
    if (folder_entry) return {};
    const std::size_t slash = cleaned.relative.rfind('/');
    if (slash != std::string::npos) cleaned.relative.erase(0, slash + 1);
    if (cleaned.relative == "..") return {};
    cleaned.climbs = false;
  }
  return checked(call, cleaned, folder_entry);
}

MappedName map_rename(CallState& call, std::string typed, bool folder_entry) {
  for (char& c : typed)
    if (c == '\\') c = '/';
  if (!typed.empty() && typed.front() == '/') {
    const std::string root = absolute_root(call.root);
    if (!root.empty() && typed.size() > root.size() + 1 &&
        typed.compare(0, root.size() + 1, root + "/") == 0)
      typed.erase(0, root.size() + 1);
  }
  return checked(call, clean(blanks_to_underscores(typed, call.options.SpaceToUnderscore != 0)),
                 folder_entry);
}

}  // namespace unzip
