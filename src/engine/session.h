// Everything one run of the program shares: the job state, the setting variables,
// the models of the windows the engine writes into, and the seam to the user.
// Passed by reference; tests make a fresh one per case.
#pragma once

#include "engine/arj/shell_wait.h"
#include "engine/contents_model.h"
#include "engine/extraction_dialogs.h"
#include "engine/job_state.h"
#include "engine/main_window_link.h"
#include "platform/dialogs.h"
#include "settings/settings_vars.h"

namespace tessaly {

struct Session {
  Session(Dialogs& d, EventPump& e) : dialogs(d), events(e) {}

  Dialogs& dialogs;
  EventPump& events;
  SettingsVars settings;
  JobState job;
  ZipOptions zip;
  MainWindowLink mainWindow;
  StatusModel status;
  ContentsModel contents;
  ExternalPrograms programs;
};

}  // namespace tessaly
