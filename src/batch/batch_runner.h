// Runs the commands of a batch file one after the other, as the batch runner
// program does: each program is started directly (never through a shell) on the
// runner's own standard streams, and waited for.
#pragma once

#include <iosfwd>
#include <vector>

#include "batch/batch_text.h"

namespace tessaly {

// The exit code a batch reports for a program that could not be started.
inline constexpr int kBatchCannotStart = 127;

// Every command in turn, whatever the one before returned. The first non-zero
// status of a command (0 when all succeeded or there was none), so that a failure of
// an early command is not hidden by a later success; a program that cannot be
// started counts as kBatchCannotStart and is reported on errors.
int RunBatch(const std::vector<BatchCommand>& commands, std::ostream& errors);

}  // namespace tessaly
