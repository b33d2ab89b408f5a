#pragma once

#include <fluidsynth.h>

#include <memory>

namespace morrowfane {

// Owners of FluidSynth's objects, each deleted by its own function. A synthesizer must go before
// the settings it was made from: declare its owner after theirs.
template <auto Delete>
struct FluidDeleter {
  template <typename T>
  void operator()(T* object) const {
    Delete(object);
  }
};

using FluidSettingsPtr = std::unique_ptr<fluid_settings_t, FluidDeleter<delete_fluid_settings>>;
using FluidSynthPtr = std::unique_ptr<fluid_synth_t, FluidDeleter<delete_fluid_synth>>;
using FluidDriverPtr =
    std::unique_ptr<fluid_audio_driver_t, FluidDeleter<delete_fluid_audio_driver>>;

}  // namespace morrowfane
