// The last five destinations, most recent first.
#pragma once

#include <string>

#include "platform/controls.h"

namespace tessaly {

// Records folder in Destination Folder Hist/folder1..folder5 (unless already there,
// compared with case), refills Combo1 from the history and saves
// General/Last Used Destination Folder.
void AddDestinationHistory(ComboBoxModel& Combo1, const std::string& folder);

}  // namespace tessaly
