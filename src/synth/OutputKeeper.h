#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/AudioOutput.h"

namespace morrowfane {

// Keeps the built-in synthesizer's audio output: at most one at any time. It lets go of the
// desktop's stream once nothing has sounded for the ring limit, opens it again when a note comes,
// and after the sound system says the output has gone, opens a new one at most once a retry
// period, in the same backend order. Used by one thread only.
class OutputKeeper {
 public:
  enum class Status { Playing, Idle, Lost };

  struct Config {
    std::vector<std::string> backends;
    double sampleRate = 0.0;
    std::uint64_t idleFrames = 0;  // quiet this long, counted in rendered frames: idle
    std::chrono::milliseconds retryPeriod{1000};
  };

  // `wake` is called from the sound system's thread when the output is lost.
  OutputKeeper(Config config, AudioSource& source, OutputLostHandler wake);

  // Opens the first output that plays; Lost if none does.
  Status Start();
  // Called whenever the owner wakes. `wanted`: a note is coming or sounding; `quiet`: no
  // connection is open and no voice sounds; `renderedFrames`: frames rendered so far.
  Status Keep(bool wanted, bool quiet, std::uint64_t renderedFrames);
  Status Current() const { return status_; }
  // The backend of the output in use; empty while lost.
  std::string Backend() const;

 private:
  void Open();
  void Drop();

  const Config config_;
  AudioSource& source_;
  const OutputLostHandler wake_;
  std::unique_ptr<AudioOutput> output_;
  Status status_ = Status::Lost;
  std::optional<std::uint64_t> quietSince_;
  std::chrono::steady_clock::time_point lastAttempt_{};
};

}  // namespace morrowfane
