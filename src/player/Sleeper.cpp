#include "player/Sleeper.h"

#include <thread>

namespace morrowfane {

void SystemSleeper::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

std::chrono::milliseconds SystemSleeper::Wait(StopEvent& event, StopEvent::Count seen,
                                              std::chrono::milliseconds duration) {
  const auto start = std::chrono::steady_clock::now();
  event.WaitUntil(seen, start + duration);
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start);
}

}  // namespace morrowfane
