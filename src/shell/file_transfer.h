// Copy File(s) to... and Move File(s) to...: our own copy and move of files and
// folders (recursively), with a question when a target exists, progress with Cancel,
// and errors named with the file and the system's reason. Nothing is lost on failure:
// a file is written beside its target and renamed over it only when complete, and a
// moved file's source is deleted only once its copy has been read back and compared.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessaly {

enum class TransferKind { Copy, Move };

enum class ConflictAnswer { Replace, Skip, ReplaceAll, SkipAll, Cancel };

// The questions and reports of a transfer; the front end shows them.
class TransferHost {
 public:
  virtual ~TransferHost() = default;
  // A file of that name exists at the target.
  virtual ConflictAnswer AskReplace(const std::string& target) = 0;
  // Called at least every chunk written; false cancels the transfer.
  virtual bool Progress(const std::string& source, std::uint64_t bytesDone,
                        std::uint64_t bytesTotal) = 0;
  // A failure, with its text as the user sees it; the transfer stops after it.
  virtual void ReportError(const std::string& text) = 0;
};

// rename(2) as the transfer calls it: 0 or the errno of the failure. Tests pass one
// that fails with EXDEV to take the path a move across file systems takes.
using RenameCall = std::function<int(const std::string& from, const std::string& to)>;
int SystemRename(const std::string& from, const std::string& to);

enum class TransferOutcome { Done, Cancelled, Failed };

// Copies or moves each source (a file or folder, full path) into the folder
// destination. Stops at the first failure or Cancel; what was done until then stays.
TransferOutcome TransferFiles(TransferKind kind, const std::vector<std::string>& sources,
                              const std::string& destination, TransferHost& host,
                              const RenameCall& renameCall = SystemRename);

// The texts of the transfer's questions and errors.
std::string ReplaceQuestionText(const std::string& target);
std::string TransferErrorText(TransferKind kind, const std::string& path, int error);

}  // namespace tessaly
