#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "player/Sleeper.h"

namespace morrowfane::testing {

// Virtual time for timing tests: Sleep() returns at once and moves the clock on, then runs the
// actions scheduled up to the new time, on the sleeping thread. Wait() moves the clock on from one
// scheduled action to the next and returns once one of them has woken the event. Exact when one
// thread sleeps.
class VirtualClock final : public Sleeper {
 public:
  using Action = std::function<void()>;

  void Sleep(std::chrono::milliseconds duration) override;
  std::chrono::milliseconds Wait(StopEvent& event, StopEvent::Count seen,
                                 std::chrono::milliseconds duration) override;
  std::chrono::milliseconds Now() const;
  // Runs `action` once virtual time reaches `time`.
  void At(std::chrono::milliseconds time, Action action);
  // The durations of the sleeps; waits are not among them.
  std::vector<std::chrono::milliseconds> Sleeps() const;
  // How many times a sleeping or waiting thread has woken: once per Sleep() or Wait().
  int Wakeups() const;

 private:
  void RunDueActions();

  mutable std::mutex mutex_;
  std::chrono::milliseconds now_{0};
  std::multimap<std::chrono::milliseconds, Action> actions_;
  std::vector<std::chrono::milliseconds> sleeps_;
  int waits_ = 0;
};

}  // namespace morrowfane::testing
