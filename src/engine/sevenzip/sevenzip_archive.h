// One archive open in the 7z library, closed when it goes: the backend's and the
// listing's way to the library's C API.
#pragma once

#include <string>

#include "un7z.h"

namespace tessaly {

class SevenZipArchive {
 public:
  // Opens path; encrypted headers are read with password ("" leaves them unread:
  // openResult() is then UN7Z_MISSING_PASSWORD). The password is also the data's.
  explicit SevenZipArchive(const std::string& path, const std::string& password = "");
  ~SevenZipArchive();
  SevenZipArchive(const SevenZipArchive&) = delete;
  SevenZipArchive& operator=(const SevenZipArchive&) = delete;

  bool opened() const { return handle_ != nullptr; }
  unsigned int openResult() const { return openResult_; }

  int ReadHeader(Un7zHeaderData& header);
  // The next ReadHeader gives the first entry again.
  void Rewind();
  // destination: the folder entries go below ("" = the current one).
  int ProcessFile(int operation, const std::string& destination);
  void SetPassword(const std::string& password);
  // Cancel reaches an entry in progress through the session's events (ActiveSessionGuard).
  void SetDataCallback();
  void SetKeepBroken(bool keep);
  // Folders decoded beside the writing: 0 one thread per core, 1 none.
  void SetThreads(int threads);
  // Where the last ProcessFile kept its damaged entry; "" when it kept none.
  std::string KeptName() const;

 private:
  HANDLE handle_ = nullptr;
  unsigned int openResult_ = UN7Z_SUCCESS;
};

// The stored name in the record, whole.
std::string SevenZipEntryName(const Un7zHeaderData& header);
// The archive file's name without its folder, as the password question names it.
std::string SevenZipArchiveFileName(const std::string& path);

}  // namespace tessaly
