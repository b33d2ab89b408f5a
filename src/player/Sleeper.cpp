#include "player/Sleeper.h"

#include <thread>

namespace morrowfane {

void SystemSleeper::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace morrowfane
