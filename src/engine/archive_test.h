// Testing archives: every entry of an archive decoded and checked as an extraction
// would, into a scratch folder of the private temporary folder that is removed
// afterwards, so nothing reaches the user's destination.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

struct Session;

struct ArchiveTestResult {
  std::string archive;
  int64_t intactFiles = 0;
  // The messages the test showed, each naming the entry and what was wrong with it.
  std::vector<std::string> problems;
  bool intact = false;
};

// Runs one job over archive (passwords asked through session.dialogs, as for
// extraction) and reports what it found; the session's own job state is untouched.
ArchiveTestResult TestArchive(Session& session, const std::string& archive);
// "<archive>: all <n> files are intact." or the archive's line and one line per problem.
std::string TestSummaryText(const ArchiveTestResult& result);

}  // namespace tessaly
