#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Processes.h"

namespace morrowfane::testing {

// A desktop sound server of the test's own, in a folder of its own, whose default sink is a null
// sink "out" at 48 kHz (no sound card needed). For its lifetime it is this process's server:
// PULSE_SERVER and XDG_RUNTIME_DIR point at it, so SDL and the PulseAudio tools find it.
// PipeWire runs with its PulseAudio server and its session manager on a D-Bus of its own.
class DesktopSoundServer {
 public:
  enum class Kind { PulseAudio, PipeWire };

  explicit DesktopSoundServer(Kind kind);
  ~DesktopSoundServer();
  DesktopSoundServer(const DesktopSoundServer&) = delete;
  DesktopSoundServer& operator=(const DesktopSoundServer&) = delete;

  // Empty once the server runs; otherwise why it did not start, for a test to skip with.
  const std::string& Failure() const { return failure_; }
  // The playback streams the server holds now (`pactl list short sink-inputs`); -1 on failure.
  int Streams() const;

 private:
  void StartPulseAudio();
  void StartPipeWire();
  ChildProcess& Spawn(const std::vector<std::string>& argv, const std::string& log);
  bool WaitUntilAnswering();
  void SetVariable(const std::string& name, const std::string& value);

  std::string folder_;
  std::string failure_;
  std::vector<std::unique_ptr<ChildProcess>> processes_;  // ended in reverse order
  std::vector<std::pair<std::string, std::optional<std::string>>> savedVariables_;
};

// Records the default sink's monitor, mono float samples at 48 kHz, from construction to Stop().
// A server runs its sink at the shortest period any of its streams asks for, the recorder's too.
class SinkRecorder {
 public:
  // Longer than the period the program's stream asks for: the sound is recorded as the program
  // alone would have the server play it.
  static constexpr std::chrono::milliseconds kListening{40};
  // Places samples on the clock within a few milliseconds, at the cost of a short sink period.
  static constexpr std::chrono::milliseconds kTiming{5};

  explicit SinkRecorder(std::chrono::milliseconds latency = kListening);
  ~SinkRecorder();
  SinkRecorder(const SinkRecorder&) = delete;
  SinkRecorder& operator=(const SinkRecorder&) = delete;

  static constexpr double kSampleRate = 48000.0;

  // Ends the recording and returns it.
  std::vector<float> Stop();
  // About when the sink played the recording's sample `index`: the recording is placed on the
  // clock by the moment its first samples arrived.
  std::chrono::steady_clock::time_point TimeOf(std::size_t index) const;

 private:
  std::string path_;
  std::unique_ptr<ChildProcess> recorder_;
  std::chrono::steady_clock::time_point startTime_;
  std::size_t startSamples_ = 0;
};

}  // namespace morrowfane::testing
