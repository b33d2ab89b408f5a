#pragma once

#include <SDL2/SDL.h>

#include <atomic>
#include <memory>
#include <string>

#include "audio/AudioOutput.h"

namespace morrowfane {

// Desktop audio through SDL 2: PipeWire, PulseAudio or ALSA, whichever SDL finds first. The stream
// is opened at the synthesizer's rate (SDL converts where the device runs at another) and closed
// while suspended, so an idle program holds no stream in the desktop's mixer. SDL's own signal
// handlers stay off: SIGINT and SIGTERM end the program as they always did.
class SdlAudioOutput final : public AudioOutput {
 public:
  // nullptr when SDL has no audio driver or no device opens.
  static std::unique_ptr<SdlAudioOutput> Open(double sampleRate, AudioSource& source,
                                              OutputLostHandler lost);
  ~SdlAudioOutput() override;

  SdlAudioOutput(const SdlAudioOutput&) = delete;
  SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

  std::string Backend() const override;
  void Suspend() override;
  bool Resume() override;
  bool Lost() const override { return lost_.load(std::memory_order_acquire); }

 private:
  // SDL's audio and event subsystems, initialised for the output's lifetime (SDL counts them).
  struct Subsystems {
    Subsystems();
    ~Subsystems();
    Subsystems(const Subsystems&) = delete;
    Subsystems& operator=(const Subsystems&) = delete;
    bool ok = false;
  };

  SdlAudioOutput(double sampleRate, AudioSource& source, OutputLostHandler lost);
  bool OpenDevice();
  void CloseDevice();
  static void Callback(void* data, Uint8* stream, int length);
  static int Watch(void* data, SDL_Event* event);

  Subsystems subsystems_;
  const double sampleRate_;
  AudioSource& source_;
  const OutputLostHandler lostHandler_;
  std::atomic<SDL_AudioDeviceID> device_{0};  // 0 while suspended
  std::atomic<bool> lost_{false};
  bool watching_ = false;
};

}  // namespace morrowfane
