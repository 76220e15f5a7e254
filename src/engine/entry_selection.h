// Which entries of an archive a job writes: all of them, or, for Extract Selected in
// the contents window, the entries chosen there by their full stored names. A chosen
// folder brings everything stored under it, as the user sees it in the list.
#pragma once

#include <set>
#include <string>

#include "engine/job_state.h"

namespace tessaly {

class EntrySelection {
 public:
  explicit EntrySelection(const JobState& job);

  bool Selects(const std::string& storedName) const;
  bool SelectsAll() const { return all_; }

 private:
  bool all_ = true;
  std::set<std::string> names_;  // without a trailing "/"
};

}  // namespace tessaly
