// What one extraction by a library backend (RAR, ACE, 7z) ends with, and the steps
// that decide it, said alike by each: an entry done moves the bar, one left out is
// reported and the rest goes on, a failure stops the archive with its message, and
// the password is asked for once, its absence said at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tessaly {

struct Session;

// Where an extraction goes after an entry: on, from the start of the archive (opened
// again with a password), or nowhere.
enum class EntryStep { Next, Restart, Stop };

class EntryJobOutcome {
 public:
  // keptName: where the library kept the last entry it failed; "" when it kept none.
  EntryJobOutcome(Session& session, std::function<std::string()> keptName);

  // The entry being worked on, as the messages name it.
  void SetEntryName(const std::string& name) { entryName_ = name; }
  const std::string& entryName() const { return entryName_; }
  // The selected entries the count found; the extraction need read no further once
  // every one is done.
  void SetEntryCount(int64_t count) { entryCount_ = count; }
  bool AllEntriesDone() const { return doneCount_ >= entryCount_; }

  // The entry came out: the bar moves past it.
  EntryStep Done();
  // The archive stops with a critical message, which names the damaged entry kept.
  EntryStep Tell(const std::string& text);
  // The entry is left out with a message: the rest of the archive is still extracted,
  // but the job does not count as finished.
  EntryStep Report(const std::string& text);
  // The entry could not be created or written for the system's error: the archive
  // stops when the destination takes no writes at all, else the entry is left out.
  EntryStep WriteFailed(const std::string& destination, int error);
  // The archive stops with nothing said (cancelled, or said at the end).
  EntryStep Fail();
  // The archive goes on but does not count as finished.
  void MarkFailed() { result_ = 1; }

  // Asks for the password of the archive or entry called name; false when the
  // answer was empty (said at the end).
  bool AskPassword(const std::string& name);
  const std::string& password() const { return password_; }
  bool passwordAsked() const { return passwordAsked_; }

  // 0 when the archive was extracted, else 1 (an empty password said now).
  int32_t End();

 private:
  Session& session_;
  std::function<std::string()> keptName_;
  std::string entryName_;
  int64_t entryCount_ = 0;
  int64_t doneCount_ = 0;
  std::string password_;
  bool passwordAsked_ = false;
  int32_t result_ = 0;
};

}  // namespace tessaly
