#include "support/ui/modal_driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <utility>

namespace tessaly::testing {

namespace {

constexpr int kPollMs = 10;
constexpr int kTries = 300;

void TryOnModal(std::function<void(QWidget*)> action, int triesLeft) {
  QTimer::singleShot(kPollMs, [action = std::move(action), triesLeft]() mutable {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      action(modal);
      return;
    }
    if (triesLeft == 0) {
      ADD_FAILURE() << "no modal window showed";
      return;
    }
    TryOnModal(std::move(action), triesLeft - 1);
  });
}

}  // namespace

void WhenModalShows(std::function<void(QWidget*)> action) {
  TryOnModal(std::move(action), kTries);
}

}  // namespace tessaly::testing
