#pragma once

#include <memory>
#include <string>

#include "audio/AudioOutput.h"
#include "audio/FluidPointers.h"

namespace morrowfane {

// One of FluidSynth's own audio drivers ("pulseaudio", "alsa", ...), for where SDL cannot open a
// device. These drivers never say that their server has gone, so such an output is never Lost().
class FluidDriverOutput final : public AudioOutput {
 public:
  // nullptr when this FluidSynth lacks the driver or it does not start.
  static std::unique_ptr<FluidDriverOutput> Open(const std::string& driver, double sampleRate,
                                                 AudioSource& source);
  ~FluidDriverOutput() override;

  FluidDriverOutput(const FluidDriverOutput&) = delete;
  FluidDriverOutput& operator=(const FluidDriverOutput&) = delete;

  std::string Backend() const override { return "fluidsynth/" + driverName_; }
  void Suspend() override;
  bool Resume() override;
  bool Lost() const override { return false; }

 private:
  FluidDriverOutput(std::string driver, AudioSource& source);
  static int Callback(void* data, int length, int nfx, float* fx[], int nout, float* out[]);

  const std::string driverName_;
  AudioSource& source_;
  FluidSettingsPtr settings_;
  FluidDriverPtr driver_;
};

}  // namespace morrowfane
