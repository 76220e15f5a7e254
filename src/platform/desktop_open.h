// Hands a file or folder to the desktop: its associated application, or for a
// folder the file manager (xdg-open).
#pragma once

#include <chrono>
#include <string>

#include "platform/dialogs.h"

namespace tessaly {

// What OpenWithDesktop returns.
inline constexpr int kDesktopOpenStarted = 0;
// No opener could be started, or it found nothing to open the path with.
inline constexpr int kDesktopOpenNoOpener = 31;

// How long OpenWithDesktop waits to learn whether the opener failed. An opener that
// found an application may run as long as that application does.
inline constexpr std::chrono::milliseconds kOpenerPatience{3000};

// Starts the desktop's opener on the path, passed as one argument exactly as given
// (no shell), and waits, letting events run, until it ends or patience has passed.
// One still running then is taken as started and reaped in the background.
int OpenWithDesktop(const std::string& pathOrFolder, EventPump& events,
                    std::chrono::milliseconds patience = kOpenerPatience);

// Opens the folder in the desktop's file manager, or says in a message box that
// nothing could.
void ExploreFolder(const std::string& folder, EventPump& events, Dialogs& dialogs);

}  // namespace tessaly
