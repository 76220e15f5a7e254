#include "engine/entry_selection.h"

namespace tessaly {

namespace {

// A folder may be stored with or without its trailing "/".
std::string WithoutTrailingSlash(std::string name) {
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  return name;
}

}  // namespace

EntrySelection::EntrySelection(const JobState& job) : all_(!job.selectedEntriesMode) {
  for (const std::string& name : job.selectedEntryNames) names_.insert(WithoutTrailingSlash(name));
}

bool EntrySelection::Selects(const std::string& storedName) const {
  if (all_) return true;
  const std::string name = WithoutTrailingSlash(storedName);
  if (names_.count(name) != 0) return true;
  // Inside a chosen folder: any leading part of the path names one.
  for (size_t slash = name.find('/'); slash != std::string::npos && slash + 1 < name.size();
       slash = name.find('/', slash + 1)) {
    if (names_.count(name.substr(0, slash)) != 0) return true;
  }
  return false;
}

}  // namespace tessaly
