#pragma once

#include <filesystem>
#include <memory>

#include "app/StoredSettings.h"
#include "player/MidiOutput.h"
#include "player/Sleeper.h"
#include "player/TonePlayer.h"

namespace morrowfane {

// The program: owns the MIDI outputs, the stored settings, the tone player and its sleeper, and
// runs the tuner window modally; the program ends when the window closes.
class TunerApp {
 public:
  TunerApp(std::unique_ptr<MidiOutputs> outputs, std::unique_ptr<Sleeper> sleeper,
           std::filesystem::path settingsFile);
  ~TunerApp();

  TunerApp(const TunerApp&) = delete;
  TunerApp& operator=(const TunerApp&) = delete;

  // Runs the tuner window until it closes; its result does not matter.
  void Run();

 private:
  std::unique_ptr<MidiOutputs> outputs_;
  std::unique_ptr<Sleeper> sleeper_;
  StoredSettings settings_;
  TonePlayer player_;
};

}  // namespace morrowfane
