#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morrowfane {

// One note name per string, string 1 first.
using Tuning = std::vector<std::string>;

// The six-string guitar's strings; instruments have kMinStringCount..kMaxStringCount.
inline constexpr int kStringCount = 6;
inline constexpr int kMinStringCount = 4;
inline constexpr int kMaxStringCount = 7;

// The twelve note names in pitch-class order, "C" = 0 up to "B" = 11. Sharps only.
inline constexpr int kPitchClassCount = 12;
inline constexpr std::array<std::string_view, kPitchClassCount> kNoteNames = {
    "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

// Root notes in the order the options dialog lists them: standard tuning first, then one
// semitone lower per entry.
inline constexpr std::array<std::string_view, kPitchClassCount> kRootChoices = {
    "E", "D#", "D", "C#", "C", "B", "A#", "A", "G#", "G", "F#", "F"};

inline constexpr std::string_view kStandardRoot = "E";

// Pitch class of one of the twelve names; nothing for any other text. Exact, case-sensitive.
std::optional<int> PitchClass(std::string_view name);

bool IsNoteName(std::string_view name);

// "E", "A", "D", "G", "B", "E".
Tuning StandardTuning();

// The standard tuning lowered by 0..11 semitones so that string 1 sounds `root`. Any text that is
// not one of the twelve names gives six empty names.
Tuning TuningForRoot(std::string_view root);

// The name of a MIDI key's pitch class ("D#" for key 51); the key with its octave ("D#3"), where
// key 60 is C4.
std::string NoteName(int key);
std::string NoteWithOctave(int key);

// Icon resource ids: unlit icons are even, 140 + 2 * (position in "A".."G#"), the lit one is next.
inline constexpr int kFirstNoteIconId = 140;
inline constexpr int kLastNoteIconId = 163;

// The note icon for a name and lit flag; for text outside the twelve names, the flag as a number
// (0 or 1), which identifies no icon.
int NoteIcon(std::string_view name, bool lit);

}  // namespace morrowfane
