// Drives a modal window from inside its own event loop: the action runs on the
// modal widget as soon as one is active. A test fails when none appears.
#pragma once

#include <QWidget>
#include <functional>

namespace tessaly::testing {

void WhenModalShows(std::function<void(QWidget*)> action);

}  // namespace tessaly::testing
