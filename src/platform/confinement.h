// The walls a reader process puts up around itself before it reads an archive: no new
// privileges, Landlock (files: read only where the archive and the system are, write
// only below the destination and the private temporary folder), a seccomp filter (only
// the system calls a reader makes: no programs started, no sockets opened, no tracing)
// and limits on memory and CPU time. Each layer the kernel lacks is left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

struct ConfinementPlan {
  std::vector<std::string> readFolders;   // besides the system's own
  std::vector<std::string> writeFolders;  // everything below each
  uint64_t memoryBytes = 2ull << 30;      // address space
  uint64_t cpuSeconds = 3600;
  // The batch runner starts the ARJ utility: programs may be started (under the same
  // walls).
  bool startsPrograms = false;
};

struct ConfinementLayers {
  int landlockAbi = 0;  // 0: no Landlock
  bool seccomp = false;
  bool noNewPrivileges = false;
  bool limits = false;
};

// The plan as program arguments ("--read DIR", "--write DIR", "--memory BYTES"), and back:
// ParseConfinementArguments takes them from the front of args and says how many it took.
std::vector<std::string> ConfinementArguments(const ConfinementPlan& plan);
ConfinementPlan ParseConfinementArguments(const std::vector<std::string>& args, size_t& taken);

// Puts up every layer this kernel offers, for the calling thread and what it starts:
// before any other thread exists.
ConfinementLayers Confine(const ConfinementPlan& plan);
// The layers Confine would put up here, without putting any up.
ConfinementLayers AvailableLayers();
// "Landlock (ABI 7), seccomp, no new privileges, memory and CPU limits" or the like.
std::string DescribeLayers(const ConfinementLayers& layers);

}  // namespace tessaly
