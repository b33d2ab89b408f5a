#pragma once

#include <chrono>

#include "player/StopEvent.h"

namespace morrowfane {

// Blocking sleeps and waits, injected so that timing can be tested in virtual time.
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
  // Waits until `event` is set or woken after Wakes() returned `seen`, or until `duration` has
  // passed. Returns the time it waited.
  virtual std::chrono::milliseconds Wait(StopEvent& event, StopEvent::Count seen,
                                         std::chrono::milliseconds duration) = 0;
};

class SystemSleeper final : public Sleeper {
 public:
  void Sleep(std::chrono::milliseconds duration) override;
  std::chrono::milliseconds Wait(StopEvent& event, StopEvent::Count seen,
                                 std::chrono::milliseconds duration) override;
};

}  // namespace morrowfane
