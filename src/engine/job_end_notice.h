// A job sent to the background ends out of sight: the desktop tells the user how it
// ended and what it extracted.
#pragma once

#include <optional>
#include <string>

namespace tessaly {

struct JobState;

struct JobEndNotice {
  std::string title;
  std::string body;  // the outcome, then the archive's name or how many there were
};

// The notice for a job that has just ended while its Status window was in the
// background; nothing for a job the user was watching.
std::optional<JobEndNotice> BackgroundJobEndNotice(const JobState& job);

}  // namespace tessaly
