// A program running on a pseudo-terminal of its own, the way a console window runs
// it: the program sees a terminal (it may ask questions and read the answers), and
// whoever holds the terminal's master side reads its output and types into it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

class PtyProcess {
 public:
  // Starts the program at the path argv[0] (no search, never through a shell) with
  // the arguments argv[1..] as the leader of a new session whose controlling
  // terminal is a new pseudo-terminal. On failure returns null and sets error to
  // the errno value that stopped it.
  static std::unique_ptr<PtyProcess> Start(const std::vector<std::string>& argv, int& error);

  // Ends a program still running (as End does) and closes the terminal.
  ~PtyProcess();
  PtyProcess(const PtyProcess&) = delete;
  PtyProcess& operator=(const PtyProcess&) = delete;

  pid_t Id() const { return pid_; }
  // The master side, non-blocking; readable when the program wrote something.
  int MasterFd() const { return master_; }

  // What the program wrote since the last call ("" when nothing is waiting), or
  // nothing once no process holds the terminal any more.
  std::optional<std::string> Read();
  // Types bytes into the terminal; returns how many it took (the rest may be offered
  // again when the master is writable).
  size_t Write(std::string_view bytes);

  // The exit status once the program has ended (128 + the signal's number when a
  // signal ended it); nothing while it runs. Reaps it the first time.
  std::optional<int> ExitStatus();
  // Hangs up and terminates the program's process group, kills it when it is still
  // there after grace, and reaps the program. Nothing happens once it has ended.
  void End(std::chrono::milliseconds grace);

 private:
  PtyProcess(pid_t pid, int master) : pid_(pid), master_(master) {}

  pid_t pid_;
  int master_;
  std::optional<int> status_;
};

}  // namespace tessaly
