#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "Processes.h"

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

namespace morrowfane::testing {

// Empty when jackd, jack_midi_dump and stdbuf are installed, for tests that read MIDI bytes off a
// dummy server's port; otherwise the reason for such a test to skip.
std::string MissingJackMidiTools();

// A JACK server with the dummy backend (no sound card) under a name of its own, made this
// process's default server (JACK_DEFAULT_SERVER) for its lifetime.
class JackTestServer {
 public:
  explicit JackTestServer(int sampleRate = 48000, int period = 256);
  ~JackTestServer();
  JackTestServer(const JackTestServer&) = delete;
  JackTestServer& operator=(const JackTestServer&) = delete;

  // True once the server accepts clients.
  bool Running() const { return running_; }
  const std::string& Name() const { return name_; }
  // Ends the server as `kill` does (SIGTERM), while its clients run.
  void Kill();
  // Starts the server again under the same name; true once it accepts clients.
  bool Restart();

 private:
  void Start();

  int sampleRate_;
  int period_;
  std::string name_;
  std::string previousDefault_;
  bool hadPreviousDefault_ = false;
  std::unique_ptr<ChildProcess> process_;
  bool running_ = false;
};

// Records one audio port of the JACK server into memory.
class JackRecorder {
 public:
  explicit JackRecorder(std::size_t maxFrames);
  ~JackRecorder();
  JackRecorder(const JackRecorder&) = delete;
  JackRecorder& operator=(const JackRecorder&) = delete;

  // Connects `sourcePort` to the recorder and starts recording; false on failure.
  bool Record(const std::string& sourcePort);
  // What has been recorded so far.
  std::vector<float> Samples() const;
  // The first recorded frame whose level exceeds `threshold`, and the server time (microseconds,
  // jack_get_time()) at which it was produced; -1 while there is none.
  std::int64_t FirstAudibleTime(float threshold) const;
  double SampleRate() const;

 private:
  static int Process(std::uint32_t frames, void* data);

  jack_client_t* client_ = nullptr;
  jack_port_t* port_ = nullptr;
  std::vector<float> samples_;
  std::vector<std::int64_t> blockTimes_;  // server time of each recorded frame's cycle start
  std::atomic<std::size_t> recorded_{0};
  bool active_ = false;
};

}  // namespace morrowfane::testing
