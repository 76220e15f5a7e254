// The last five destinations, most recent first.
#pragma once

#include <string>

#include "platform/controls.h"

namespace tessaly {

// Records folder in Destination Folder Hist/folder1..folder5 (unless already there,
// compared with case and without one trailing "/") and General/Last Used Destination
// Folder in one locked update of the settings file, so a copy running at the same
// time loses nothing, then refills the destination box from the history.
void AddDestinationHistory(ComboBoxModel& destinationBox, const std::string& folder);

// Adds the stored history to the destination box's list, most recent first, up to the first empty
// slot.
void FillDestinationHistory(ComboBoxModel& destinationBox);

// General/Last Used Destination Folder as stored now; "" when there is none.
std::string StoredLastDestination();

}  // namespace tessaly
