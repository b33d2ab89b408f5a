#pragma once

#include <fluidsynth.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "model/EqualTemperament.h"
#include "model/KeyRange.h"
#include "player/MidiMessage.h"

namespace morrowfane {

// Corrections that make a program of a SoundFont play in tune, worked out off the caller's thread.
class KeyTuningSource {
 public:
  virtual ~KeyTuningSource() = default;
  // The pitches for `program`, once known. Never blocks.
  virtual std::optional<KeyPitches> Lookup(int program) const = 0;
  // Starts working out `keys` of `program` in the background unless they are known or under way.
  // Returns at once.
  virtual void Request(int program, KeyRange keys) = 0;
  // Works out `program` at once on `synth`, which has the SoundFont loaded and which nothing else
  // uses meanwhile, playing on its `channel`. Afterwards that channel holds `program`, and so its
  // samples, at the SoundFont's own pitches. This spares a second copy of the SoundFont in memory
  // for a program wanted while the synthesizer loads. Stops early once `cancel` is set. By default
  // the program is only requested.
  virtual void WorkOutOn(fluid_synth_t* synth, int channel, int program, KeyRange keys,
                         const std::atomic<bool>& cancel) {
    static_cast<void>(synth);
    static_cast<void>(channel);
    static_cast<void>(cancel);
    Request(program, keys);
  }
};

// Makes the tuning source for a SoundFont once the built-in synthesizer has loaded it and knows
// its output sample rate.
using KeyTuningFactory = std::function<std::unique_ptr<KeyTuningSource>(
    const std::string& soundFontPath, double sampleRate)>;

}  // namespace morrowfane
