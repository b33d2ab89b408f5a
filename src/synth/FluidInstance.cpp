#include "synth/FluidInstance.h"

#include "audio/AudioLibraries.h"

namespace morrowfane {

FluidInstance::FluidInstance(double sampleRate) {
  SilenceAudioLibraries();
  settings_ = new_fluid_settings();
  if (settings_ == nullptr) {
    return;
  }
  fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate);
  fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
  fluid_settings_setint(settings_, "synth.reverb.active", 0);
  fluid_settings_setint(settings_, "synth.chorus.active", 0);
}

FluidInstance::~FluidInstance() {
  if (synth_ != nullptr) {
    delete_fluid_synth(synth_);
  }
  if (settings_ != nullptr) {
    delete_fluid_settings(settings_);
  }
}

bool FluidInstance::MakeSynth() {
  if (synth_ != nullptr) {
    delete_fluid_synth(synth_);
    synth_ = nullptr;
  }
  if (settings_ != nullptr) {
    synth_ = new_fluid_synth(settings_);
  }
  return synth_ != nullptr;
}

}  // namespace morrowfane
