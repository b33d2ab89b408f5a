#include "VirtualClock.h"

namespace morrowfane::testing {

void VirtualClock::Sleep(std::chrono::milliseconds duration) {
  std::vector<Action> due;
  {
    std::lock_guard lock(mutex_);
    now_ += duration;
    sleeps_.push_back(duration);
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

}  // namespace morrowfane::testing
