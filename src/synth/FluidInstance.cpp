#include "synth/FluidInstance.h"

#include "audio/AudioLibraries.h"

namespace morrowfane {

FluidInstance::FluidInstance(double sampleRate) {
  SilenceAudioLibraries();
  settings_.reset(new_fluid_settings());
  fluid_settings_t* settings = settings_.get();
  if (settings == nullptr) {
    return;
  }
  fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setint(settings, "synth.reverb.active", 0);
  fluid_settings_setint(settings, "synth.chorus.active", 0);
}

bool FluidInstance::MakeSynth() {
  synth_.reset();
  if (settings_ != nullptr) {
    synth_.reset(new_fluid_synth(settings_.get()));
  }
  return synth_ != nullptr;
}

}  // namespace morrowfane
