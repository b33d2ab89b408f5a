#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "model/EqualTemperament.h"
#include "model/KeyRange.h"
#include "player/MidiMessage.h"

namespace morrowfane {

// Single notes of a program of a SoundFont, rendered offline as the built-in synthesizer sounds
// them with a key tuning in force (velocity midi::kStrikeVelocity, no reverb or chorus), for
// measuring their pitch. Not thread-safe.
class NoteRenderer {
 public:
  virtual ~NoteRenderer() = default;
  // False when the SoundFont could not be loaded; then nothing is ever rendered.
  virtual bool Loaded() const = 0;
  virtual double SampleRate() const = 0;
  // Selects `program` for the notes that follow, with `tuning` in force; false when there is no
  // such program.
  virtual bool Select(int program, const KeyPitches& tuning) = 0;
  // Strikes `key`, fills `frames` with the note from its strike, the channels summed, and silences
  // it again.
  virtual void Render(int key, std::span<float> frames) = 0;
};

// Renders on a synthesizer of its own at `sampleRate`, which loads the SoundFont at
// `soundFontPath` once and only the samples of the programs selected.
std::unique_ptr<NoteRenderer> MakeNoteRenderer(const std::string& soundFontPath, double sampleRate);

// Corrections that make a program of a SoundFont play in tune, worked out off the caller's thread.
class KeyTuningSource {
 public:
  virtual ~KeyTuningSource() = default;
  // The pitches for `program`, once known. Never blocks.
  virtual std::optional<KeyPitches> Lookup(int program) const = 0;
  // Starts working out `keys` of `program` in the background unless they are known or under way.
  // Returns at once.
  virtual void Request(int program, KeyRange keys) = 0;
  // Works out `program` at once through `renderer`, which the synthesizer that has the SoundFont
  // loaded lends for it: this spares a second copy of the SoundFont in memory for a program wanted
  // while the synthesizer loads. Stops early once `cancel` is set. By default the program is only
  // requested.
  virtual void WorkOutOn(NoteRenderer& renderer, int program, KeyRange keys,
                         const std::atomic<bool>& cancel) {
    static_cast<void>(renderer);
    static_cast<void>(cancel);
    Request(program, keys);
  }
};

// Makes the tuning source for a SoundFont once the built-in synthesizer has loaded it and knows
// its output sample rate.
using KeyTuningFactory = std::function<std::unique_ptr<KeyTuningSource>(
    const std::string& soundFontPath, double sampleRate)>;

}  // namespace morrowfane
