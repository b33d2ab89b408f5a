#pragma once

#include <chrono>

namespace morrowfane {

// Blocking sleeps, injected so that timing can be tested in virtual time.
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

class SystemSleeper final : public Sleeper {
 public:
  void Sleep(std::chrono::milliseconds duration) override;
};

}  // namespace morrowfane
