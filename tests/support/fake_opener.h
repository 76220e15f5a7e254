// A stand-in for the desktop's opener: while it lives, PATH holds only a folder
// whose "xdg-open" writes the arguments it was started with into a file.
#pragma once

#include <string>
#include <vector>

#include "settings/isolated_settings.h"
#include "support/files.h"

namespace tessaly::testing {

class FakeOpener {
 public:
  FakeOpener();

  // The arguments of the first start, one per element; empty when the opener was
  // not started within a few seconds.
  std::vector<std::string> WaitForArguments() const;
  // PATH then names a folder without an opener.
  void Remove();
  // The opener then finds no application and fails, as xdg-open does where no file
  // manager is set up.
  void FindNothing();
  // The opener then runs on for a second, as one that waits for the file manager
  // it started.
  void KeepRunning();

 private:
  TempFolder folder_;
  ScopedEnv path_;
};

}  // namespace tessaly::testing
