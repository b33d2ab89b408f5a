#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "audio/AudioOutput.h"

namespace morrowfane {

// A JACK client of the program's own with a left and a right output port, connected to the
// system's playback ports. It stays while suspended (JACK users route it by hand). JACK says when
// its server has gone (jack_on_shutdown); such a client is abandoned, never closed, because
// closing it would touch the dead server's shared memory.
class JackAudioOutput final : public AudioOutput {
 public:
  static constexpr char kClientName[] = "MorrowFane";

  // nullptr when no JACK server answers, or when it runs at a rate other than `sampleRate`.
  // Never starts a server.
  static std::unique_ptr<JackAudioOutput> Open(double sampleRate, AudioSource& source,
                                               OutputLostHandler lost);
  ~JackAudioOutput() override;

  JackAudioOutput(const JackAudioOutput&) = delete;
  JackAudioOutput& operator=(const JackAudioOutput&) = delete;

  std::string Backend() const override { return "jack"; }
  void Suspend() override {}
  bool Resume() override { return !Lost(); }
  bool Lost() const override { return callbacks_->gone.load(std::memory_order_acquire); }

 private:
  // What JACK's threads read. An abandoned client keeps it, switched off, so that a callback JACK
  // still makes touches nothing that is gone. A callback renders holding `rendering`, which it
  // only ever tries to take; switching off takes it, so it waits for a callback under way.
  struct Callbacks {
    AudioSource* source = nullptr;
    OutputLostHandler lost;
    std::array<jack_port_t*, 2> ports{};
    std::mutex rendering;
    bool on = true;  // guarded by `rendering`
    std::atomic<bool> gone{false};
  };

  explicit JackAudioOutput(jack_client_t* client);
  bool Start(AudioSource& source, OutputLostHandler lost);
  void ConnectToPlayback();
  static int Process(jack_nframes_t frames, void* data);
  static void Shutdown(void* data);

  jack_client_t* client_;
  std::unique_ptr<Callbacks> callbacks_ = std::make_unique<Callbacks>();
  bool active_ = false;
};

}  // namespace morrowfane
