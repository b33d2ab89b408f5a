#include "VirtualClock.h"

#include <algorithm>

namespace morrowfane::testing {

void VirtualClock::Sleep(std::chrono::milliseconds duration) {
  {
    std::lock_guard lock(mutex_);
    now_ += duration;
    sleeps_.push_back(duration);
  }
  RunDueActions();
}

std::chrono::milliseconds VirtualClock::Wait(StopEvent& event, StopEvent::Count seen,
                                             std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  ++waits_;
  const auto start = now_;
  const auto deadline = start + duration;
  while (!actions_.empty() && actions_.begin()->first <= deadline) {
    now_ = std::max(now_, actions_.begin()->first);
    lock.unlock();
    RunDueActions();
    lock.lock();
    if (event.Wakes() != seen) {
      return now_ - start;
    }
  }
  now_ = deadline;
  return duration;
}

void VirtualClock::RunDueActions() {
  std::vector<Action> due;
  {
    std::lock_guard lock(mutex_);
    const auto end = actions_.upper_bound(now_);
    for (auto it = actions_.begin(); it != end; ++it) {
      due.push_back(std::move(it->second));
    }
    actions_.erase(actions_.begin(), end);
  }
  for (auto& action : due) {
    action();
  }
}

std::chrono::milliseconds VirtualClock::Now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

void VirtualClock::At(std::chrono::milliseconds time, Action action) {
  std::lock_guard lock(mutex_);
  actions_.emplace(time, std::move(action));
}

std::vector<std::chrono::milliseconds> VirtualClock::Sleeps() const {
  std::lock_guard lock(mutex_);
  return sleeps_;
}

int VirtualClock::Wakeups() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(sleeps_.size()) + waits_;
}

}  // namespace morrowfane::testing
