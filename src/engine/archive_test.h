// Testing archives: every entry decoded and checked as an extraction would, into a
// scratch folder of the private temporary folder that is removed afterwards, so
// nothing reaches the user's destination.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/job_state.h"

namespace tessaly {

struct Session;

struct ArchiveTestResult {
  std::string archive;
  int64_t intactFiles = 0;
  // The entries whose data failed its check, as messages name them.
  std::vector<std::string> damagedEntries;
  // The messages the test showed, each naming the entry or archive and what was wrong.
  std::vector<std::string> problems;
  bool intact = false;
};

// Tests each of session.job.selectedFiles in a job of its own (passwords asked as for
// extraction), then puts every archive's summary in the Status window. The destination
// box and the selection are as they were before. Refused, with a message, while
// another job runs.
std::vector<ArchiveTestResult> TestSelectedArchives(Session& session, CallingWindow callingWindow);
// "<archive>: all <n> files are intact." or the archive's line, one line per damaged
// entry and one per problem.
std::string TestSummaryText(const ArchiveTestResult& result);

}  // namespace tessaly
