#pragma once

#include <fluidsynth.h>

namespace morrowfane {

// Owns one FluidSynth synthesizer, its settings and its audio driver, and deletes them in the
// order FluidSynth requires: driver, synthesizer, settings.
//
// The settings start as every synthesizer of this program wants them: dry (no reverb, no chorus;
// their modulated delays move the mix's pitch by fractions of a cent, and they cost CPU even in
// silence) and reading only the samples of the presets that are selected. Callers add their own
// settings through Settings() before MakeSynth().
class FluidInstance {
 public:
  explicit FluidInstance(double sampleRate);
  ~FluidInstance();

  FluidInstance(const FluidInstance&) = delete;
  FluidInstance& operator=(const FluidInstance&) = delete;

  // Null only if FluidSynth could not allocate them.
  fluid_settings_t* Settings() const { return settings_; }
  // Makes the synthesizer from the settings as they are now, replacing an earlier one and its
  // driver. False if FluidSynth refuses.
  bool MakeSynth();
  fluid_synth_t* Synth() const { return synth_; }

  // Starts the audio driver named by the settings' "audio.driver", which calls `render` for each
  // period. False if it does not start.
  bool StartDriver(fluid_audio_func_t render, void* data);
  bool HasDriver() const { return driver_ != nullptr; }
  // Deletes the driver; the synthesizer stays.
  void StopDriver();
  // Forgets the driver without deleting it. For a driver whose sound server has gone: FluidSynth's
  // JACK driver closes its client on deletion, and libjack then touches the dead server's shared
  // memory and crashes the program. A driver lost this way is kept, unused, until the program
  // ends; it must never call back into anything that is deleted (see BuiltInSynth).
  void AbandonDriver() { driver_ = nullptr; }

 private:
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_audio_driver_t* driver_ = nullptr;
};

}  // namespace morrowfane
