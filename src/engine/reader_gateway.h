// Every reading of archive bytes passes here. With a reader program in the session it
// runs there, confined, while this side answers its questions, shows its Status window
// and watches it: Cancel ends it within a second even when a library is stuck, and a
// reader that makes no progress for 30 seconds or dies is reported as a failed archive.
// Without one (inside the reader itself) the work runs in this process.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/reader_wire.h"

namespace tessaly {

struct Session;

struct ReaderResult {
  ReaderResult() = default;
  explicit ReaderResult(int32_t resultCode, std::string resultText = "", bool wasEnded = false)
      : code(resultCode), text(std::move(resultText)), ended(wasEnded) {}

  int32_t code = 0;
  std::string text;
  // The reader was ended or could not start: the user has been told (unless they
  // cancelled), and the archive failed.
  bool ended = false;
};

struct ReaderRequest {
  ReaderRequest(ReaderTask requestTask, std::string archivePath, std::string archiveType = "")
      : task(requestTask), archive(std::move(archivePath)), type(std::move(archiveType)) {}

  ReaderTask task;
  std::string archive;  // "" for the ZIP loop and the ZIP call, which name theirs
  std::string type;     // the listing's archive type
};

inline constexpr int kReaderStallSeconds = 30;

// Runs the request in the session's reader, or here when it has none.
ReaderResult ReadArchive(Session& session, const ReaderRequest& request,
                         const std::function<ReaderResult()>& here);

std::string ReaderStalledText(const std::string& archive);

}  // namespace tessaly
