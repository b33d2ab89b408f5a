#include "model/Notes.h"

#include <algorithm>

namespace morrowfane {
namespace {

// Pitch classes of the standard tuning's strings: E A D G B E.
constexpr std::array<int, kStringCount> kStandardPitchClasses = {4, 9, 2, 7, 11, 4};
constexpr int kPitchClassOfE = 4;
// The icons are numbered from "A" upwards, three pitch classes above "C".
constexpr int kIconOrderFirstPitchClass = 9;

int Mod12(int value) {
  return ((value % kPitchClassCount) + kPitchClassCount) % kPitchClassCount;
}

}  // namespace

std::optional<int> PitchClass(std::string_view name) {
  const auto* found = std::find(kNoteNames.begin(), kNoteNames.end(), name);
  if (found == kNoteNames.end()) {
    return std::nullopt;
  }
  return static_cast<int>(found - kNoteNames.begin());
}

bool IsNoteName(std::string_view name) {
  return PitchClass(name).has_value();
}

Tuning StandardTuning() {
  return TuningForRoot(kStandardRoot);
}

Tuning TuningForRoot(std::string_view root) {
  Tuning tuning(kStringCount);
  const auto rootClass = PitchClass(root);
  if (!rootClass) {
    return tuning;
  }
  const int semitonesDown = Mod12(kPitchClassOfE - *rootClass);
  for (int k = 0; k < kStringCount; ++k) {
    tuning[k] = std::string(kNoteNames[Mod12(kStandardPitchClasses[k] - semitonesDown)]);
  }
  return tuning;
}

std::string NoteName(int key) {
  return std::string(kNoteNames[Mod12(key)]);
}

std::string NoteWithOctave(int key) {
  // Key 0 is C-1: the octave number changes at each C.
  const int octave = (key - Mod12(key)) / kPitchClassCount - 1;
  return NoteName(key) + std::to_string(octave);
}

int NoteIcon(std::string_view name, bool lit) {
  const int litOffset = lit ? 1 : 0;
  const auto pitchClass = PitchClass(name);
  if (!pitchClass) {
    return litOffset;
  }
  const int iconOrder = Mod12(*pitchClass - kIconOrderFirstPitchClass);
  return kFirstNoteIconId + 2 * iconOrder + litOffset;
}

}  // namespace morrowfane
