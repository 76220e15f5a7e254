#include "engine/job_end_notice.h"

#include <filesystem>

#include "engine/job_state.h"

namespace tessaly {

std::optional<JobEndNotice> BackgroundJobEndNotice(const JobState& job) {
  if (!job.statusMinimised) return std::nullopt;
  // A cancelled job fails too: the cancel is the cause to name.
  std::string outcome = "Tessaly has finished extracting the files.";
  if (job.cancelPressed) {
    outcome = "Tessaly stopped extracting the files: the job was cancelled.";
  } else if (job.extractResult != 0 || job.archiveFailed) {
    outcome = "Tessaly did not finish extracting the files.";
  }
  const std::string archives =
      job.longFileNames.size() == 1
          ? std::filesystem::path(job.longFileNames.front()).filename().string()
          : std::to_string(job.longFileNames.size()) + " archives";
  return JobEndNotice{"Tessaly", outcome + "\n" + archives};
}

}  // namespace tessaly
