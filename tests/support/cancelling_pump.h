// The Status window's Cancel, pressed while the job lets events run: at every pump
// the test's condition is asked, and the first time it holds the job is cancelled.
#pragma once

#include <functional>

#include "engine/job_state.h"
#include "platform/dialogs.h"

namespace tessaly::testing {

class CancellingPump : public EventPump {
 public:
  std::function<bool()> cancelNow;
  JobState* job = nullptr;
  int pumps = 0;
  int pumpsAtCancel = -1;  // the count when Cancel was pressed; -1 before

  void pump() override {
    ++pumps;
    if (job == nullptr || !cancelNow || pumpsAtCancel >= 0 || !cancelNow()) return;
    job->cancelExtract = true;
    pumpsAtCancel = pumps;
  }
};

}  // namespace tessaly::testing
