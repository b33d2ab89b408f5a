#pragma once

#include <atomic>

namespace morrowfane {

// An auto-reset event: Set() arms it, and the first Poll() that finds it armed disarms it.
// Lock-free; safe to use from any thread.
class StopEvent {
 public:
  void Set() { armed_.store(true, std::memory_order_release); }
  void Reset() { armed_.store(false, std::memory_order_release); }
  // A zero-time wait: true if the event was set, which it then no longer is.
  bool Poll() { return armed_.exchange(false, std::memory_order_acq_rel); }
  bool IsSet() const { return armed_.load(std::memory_order_acquire); }

 private:
  std::atomic<bool> armed_{false};
};

}  // namespace morrowfane
