#pragma once

#include <atomic>
#include <cstdint>

namespace morrowfane {

// An auto-reset event: Set() arms it, and the first Poll() that finds it armed disarms it.
// It also counts its sets, so that a reset can spare a set made after a given moment.
// Lock-free; safe to use from any thread.
class StopEvent {
 public:
  using Count = std::uint64_t;

  void Set() {
    auto state = state_.load(std::memory_order_acquire);
    while (!state_.compare_exchange_weak(state, (state + kOneSet) | kArmed,
                                         std::memory_order_acq_rel)) {
    }
  }
  void Reset() { state_.fetch_and(~kArmed, std::memory_order_acq_rel); }
  // A zero-time wait: true if the event was set, which it then no longer is.
  bool Poll() { return (state_.fetch_and(~kArmed, std::memory_order_acq_rel) & kArmed) != 0; }
  bool IsSet() const { return (state_.load(std::memory_order_acquire) & kArmed) != 0; }

  // How many times the event has been set so far.
  Count Sets() const { return state_.load(std::memory_order_acquire) >> kCountShift; }
  // Disarms the event unless it has been set again since Sets() returned `sets`.
  void ResetUnlessSetSince(Count sets) {
    auto state = state_.load(std::memory_order_acquire);
    while ((state >> kCountShift) == sets &&
           !state_.compare_exchange_weak(state, state & ~kArmed, std::memory_order_acq_rel)) {
    }
  }

 private:
  static constexpr Count kArmed = 1;
  static constexpr int kCountShift = 1;
  static constexpr Count kOneSet = Count{1} << kCountShift;

  std::atomic<Count> state_{0};
};

}  // namespace morrowfane
