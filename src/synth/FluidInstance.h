#pragma once

#include "audio/FluidPointers.h"

namespace morrowfane {

// Owns one FluidSynth synthesizer and its settings, and deletes them in the order FluidSynth
// requires: synthesizer, settings.
//
// The settings start as every synthesizer of this program wants them: dry (no reverb, no chorus;
// their modulated delays move the mix's pitch by fractions of a cent, and they cost CPU even in
// silence) and reading only the samples of the presets that are selected. Callers add their own
// settings through Settings() before MakeSynth().
class FluidInstance {
 public:
  explicit FluidInstance(double sampleRate);

  // Null only if FluidSynth could not allocate them.
  fluid_settings_t* Settings() const { return settings_.get(); }
  // Makes the synthesizer from the settings as they are now, replacing an earlier one. False if
  // FluidSynth refuses.
  bool MakeSynth();
  fluid_synth_t* Synth() const { return synth_.get(); }

 private:
  FluidSettingsPtr settings_;
  FluidSynthPtr synth_;
};

}  // namespace morrowfane
