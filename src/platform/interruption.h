// INT and TERM while a program runs. The handler only writes the signal's number to a
// pipe: a thread of its own reads it and does what no handler may (take the staging
// list's lock, walk folders). It ends the helper programs this run started, so that
// they write nothing more, removes every staging file and folder the run made
// (archivekit/staging.h), runs lastStep, and ends the program as killed by that signal,
// so that a shell sees 130 or 143. A second signal ends the program at once.
//
// Not the job's own Cancel: the utility's batch, a blocking write or a modal dialog may
// hold the caller's thread for long, and worker threads stage files meanwhile; holding
// the list's lock stops them all where they are.
#pragma once

#include <functional>

namespace tessaly {

// Once, first thing in main, before any thread is started.
void EndOnInterruption(std::function<void()> lastStep);

// Whether INT or TERM has come: the program is ending, its helpers ended for it.
bool Interrupted();
// Waits for that end, so that a helper's death is not taken for its failure.
[[noreturn]] void AwaitInterruptionEnd();

// A helper program this run started (leading a process group of its own, or not):
// ended first on an interruption, until it is forgotten once reaped.
void WatchHelperProcess(int pid);
void ForgetHelperProcess(int pid);

}  // namespace tessaly
