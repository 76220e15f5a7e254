// The data callback of the RAR, ACE and 7z libraries, called while they unpack an
// entry with the bytes just written.
#pragma once

namespace tessaly {

// The Status window's bar follows the bytes, the windows stay alive, and Cancel
// reaches the entry in progress: 0 stops it. Finds its session through
// ActiveSessionGuard.
int EntryDataCallback(unsigned char* address, int size);

}  // namespace tessaly
