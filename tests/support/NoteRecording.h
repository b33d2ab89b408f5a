#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "synth/BuiltInSynth.h"

namespace morrowfane::testing {

// Notes recorded from a sink's monitor (see SinkRecorder), read as a listener hears them.

inline constexpr double kHeardFrom = 0.4;  // seconds after the strike: the heard stretch
inline constexpr double kHeardTo = 1.4;
inline constexpr double kWholeFor = 1.6;  // seconds after the strike looked at for dropouts
inline constexpr std::size_t kDropoutRun = 32;
inline constexpr double kNoPitch = 100.0;  // cents: what a note without a clear pitch reads as
// Strikes on one connection this far apart: each damps the one before within 0.12 s, well before
// the next note's heard stretch.
inline constexpr std::chrono::milliseconds kStrikeSpacing{1700};

struct NoteReading {
  bool audible = false;
  int dropouts = 0;
  double cents = 0.0;  // heard pitch less the key's equal-tempered pitch (A4 = 440 Hz)
};

// The note of `key` struck at `strike` in `samples` (48 kHz), read as heard and for dropouts.
NoteReading ReadNote(std::span<const float> samples, std::size_t strike, int key);

// Where a strike begins, from `from` on, in a recording that may hold an earlier note's tail
// there: the first sample well above the level of the kLevelWindow samples before `from`.
inline constexpr std::size_t kLevelWindow = 4800;  // 0.1 s
std::optional<std::size_t> Onset(std::span<const float> samples, std::size_t from = kLevelWindow);

// The built-in synthesizer on the desktop's sound server through SDL, with its pitch correction,
// `program` announced for the six-string guitar's keys, so that it is worked out while loading.
std::unique_ptr<BuiltInSynth> CorrectedSynthOnSdl(int program);

// `keys` struck by `strike`, kStrikeSpacing apart, recorded from the default sink's monitor, with
// the index of each strike found in it.
struct Recording {
  std::vector<float> samples;
  std::vector<std::size_t> strikes;
};
Recording RecordStrikes(const std::function<void(int key)>& strike, const std::vector<int>& keys);

}  // namespace morrowfane::testing
