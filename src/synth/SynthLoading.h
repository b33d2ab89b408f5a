#pragma once

#include <fluidsynth.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "synth/FluidInstance.h"

namespace morrowfane {

// The SoundFonts the built-in synthesizer looks for, in order: the system's General MIDI
// SoundFonts, FluidSynth's configured default, then one installed beside the program.
std::vector<std::string> DefaultSoundFontCandidates();

// The audio drivers tried on this platform, in order of preference.
std::vector<std::string> DefaultAudioDrivers();

// Settings of the built-in synthesizer that do not depend on its audio output.
void ConfigureForPlaying(fluid_settings_t* settings, int channels, int polyphony);

// Loads the first of `candidates` that is a SoundFont, selecting no preset on any channel; its
// path, or nothing if none loads.
std::optional<std::string> LoadFirstSoundFont(fluid_synth_t* synth,
                                              const std::vector<std::string>& candidates);

// The audio driver of a synthesizer: started in a fixed driver order, watched for periods that
// stop coming (its sound server has gone), and started again in the same order when asked.
//
// Each driver calls back through a small relay of its own. A driver whose server has gone is
// abandoned with its relay, never deleted (see FluidInstance::AbandonDriver); its relay is then
// switched off, so should that driver ever run again it renders silence and touches nothing else.
class AudioOutput {
 public:
  // `render` is called on the audio thread with `data` for each period.
  AudioOutput(FluidInstance& fluid, std::vector<std::string> drivers, fluid_audio_func_t render,
              void* data);
  // Stops the driver, or abandons it if its periods have stopped coming.
  ~AudioOutput();

  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // Makes the synthesizer at the rate of the first driver that starts, and keeps that driver.
  // `rate` is used by the drivers that take any rate. False if no driver starts.
  bool Start(double rate);
  // After the output was lost: starts the first driver that runs at the synthesizer's rate, on
  // the existing synthesizer. False if none does.
  bool Restart();
  // True if a driver runs but no period has come for `silence`: its sound server has gone. The
  // driver is then abandoned.
  bool CheckLost(std::chrono::milliseconds silence);
  bool Running() const { return relay_ != nullptr; }

  std::string DriverName() const { return driverName_; }
  double SampleRate() const { return sampleRate_; }

 private:
  struct Relay;
  static int Callback(void* data, int len, int nfx, float* fx[], int nout, float* out[]);
  bool StartDriver(const std::string& driver);
  void Abandon();

  FluidInstance& fluid_;
  const std::vector<std::string> drivers_;
  const fluid_audio_func_t render_;
  void* const data_;
  std::unique_ptr<Relay> relay_;  // of the running driver
  std::string driverName_;
  double sampleRate_ = 0.0;
};

}  // namespace morrowfane
