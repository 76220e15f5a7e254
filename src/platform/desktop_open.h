// Hands a file or folder to the desktop: its associated application, or for a
// folder the file manager (xdg-open).
#pragma once

#include <string>

namespace tessaly {

// What OpenWithDesktop returns.
inline constexpr int kDesktopOpenStarted = 0;
inline constexpr int kDesktopOpenNoOpener = 31;  // no opener could be started

// Starts the desktop's opener on the path, passed as one argument exactly as
// given (no shell), and returns at once; the opener is reaped in the background.
int OpenWithDesktop(const std::string& pathOrFolder);

}  // namespace tessaly
