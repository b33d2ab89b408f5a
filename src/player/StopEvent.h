#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace morrowfane {

// One note's stop. Set() may come from any thread and stays set; the note's worker waits on it.
// A worker can also be woken without being stopped (a change of rate), so it waits for a change
// of Wakes() rather than for the stop alone.
class StopEvent {
 public:
  using Count = std::uint64_t;

  void Set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    ++wakes_;
    changed_.notify_all();
  }
  bool IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
  }
  // Wakes a waiting worker without stopping its note.
  void Wake() {
    std::lock_guard lock(mutex_);
    ++wakes_;
    changed_.notify_all();
  }
  // How many times the event has been set or woken so far.
  Count Wakes() const {
    std::lock_guard lock(mutex_);
    return wakes_;
  }
  // Blocks until Wakes() differs from `seen` or `deadline` has passed.
  void WaitUntil(Count seen, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [this, seen] { return wakes_ != seen; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
  Count wakes_ = 0;
};

}  // namespace morrowfane
