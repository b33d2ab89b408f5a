#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/KeyRange.h"
#include "model/Notes.h"
#include "model/TuningShapes.h"

namespace morrowfane {

// The keys any tuning may sound (B0..G#5), and how far a string may move from its standard
// pitch: up by kMaxRaise, down by kMaxLowering semitones.
inline constexpr KeyRange kPlayableKeys{23, 80};
inline constexpr int kMaxRaise = 4;
inline constexpr int kMaxLowering = 12;

enum class StringInstrument {
  Guitar6,
  Guitar7,
  Bass4,
  Bass5,
  Ukulele,
  BaritoneUkulele,
  Mandolin,
  Banjo5,
  Violin,
  Viola,
  Cello,
  DoubleBass
};

// The instrument list does not change the General MIDI program when one of these is chosen.
inline constexpr int kKeepProgram = -1;

inline constexpr std::array kGuitarShapes = {
    TuningShape::Standard, TuningShape::DropD, TuningShape::DoubleDropD,
    TuningShape::Dadgad,   TuningShape::OpenD, TuningShape::OpenG,
    TuningShape::OpenE,    TuningShape::OpenA, TuningShape::OpenC};
inline constexpr std::array kBassShapes = {TuningShape::Standard, TuningShape::DropD};
inline constexpr std::array kUkuleleShapes = {TuningShape::Standard, TuningShape::LowG,
                                              TuningShape::UkuleleD};
inline constexpr std::array kStandardOnly = {TuningShape::Standard};

struct InstrumentEntry {
  StringInstrument instrument;
  std::string_view word;  // as the settings file stores it
  int stringCount;
  std::array<int, kMaxStringCount> keys;  // the standard tuning, string 1 first
  int program;                            // proposed when chosen, or kKeepProgram
  std::span<const TuningShape> shapes;    // in the order the options dialog lists them
};

// In the order the options dialog lists them. Strings are numbered from the left of the window
// in this order: the banjo's short fifth string comes first, the ukulele's strings lie as played.
inline constexpr std::array<InstrumentEntry, 12> kInstruments = {{
    {StringInstrument::Guitar6,
     "Guitar6",
     6,
     {40, 45, 50, 55, 59, 64},
     kKeepProgram,
     kGuitarShapes},
    {StringInstrument::Guitar7,
     "Guitar7",
     7,
     {35, 40, 45, 50, 55, 59, 64},
     kKeepProgram,
     kStandardOnly},
    {StringInstrument::Bass4, "Bass4", 4, {28, 33, 38, 43}, 33, kBassShapes},
    // Drop D would take its string 1, B0, below the playable keys.
    {StringInstrument::Bass5, "Bass5", 5, {23, 28, 33, 38, 43}, 33, kStandardOnly},
    {StringInstrument::Ukulele, "Ukulele", 4, {67, 60, 64, 69}, 24, kUkuleleShapes},
    {StringInstrument::BaritoneUkulele, "BaritoneUkulele", 4, {50, 55, 59, 64}, 24, kStandardOnly},
    {StringInstrument::Mandolin, "Mandolin", 4, {55, 62, 69, 76}, 24, kStandardOnly},
    {StringInstrument::Banjo5, "Banjo5", 5, {67, 50, 55, 59, 62}, 105, kStandardOnly},
    {StringInstrument::Violin, "Violin", 4, {55, 62, 69, 76}, 40, kStandardOnly},
    {StringInstrument::Viola, "Viola", 4, {48, 55, 62, 69}, 41, kStandardOnly},
    {StringInstrument::Cello, "Cello", 4, {36, 43, 50, 57}, 42, kStandardOnly},
    {StringInstrument::DoubleBass, "DoubleBass", 4, {28, 33, 38, 43}, 43, kStandardOnly},
}};

const InstrumentEntry& InstrumentOf(StringInstrument instrument);

// The instrument a settings word names, in any case; nothing for any other text.
std::optional<StringInstrument> InstrumentForWord(std::string_view word);

std::vector<int> StandardKeys(StringInstrument instrument);

// The root notes offered, string 1's standard note first, then one semitone lower per entry, as
// long as no string of the standard tuning falls below kPlayableKeys (at most twelve).
std::vector<std::string> RootChoices(StringInstrument instrument);

// How many semitones `root` lowers the instrument's strings; nothing for a root it does not offer.
std::optional<int> RootLowering(StringInstrument instrument, std::string_view root);

bool OffersShape(StringInstrument instrument, TuningShape shape);

// The keys of the root's tuning in the shape, string 1 first; nothing when the instrument does
// not offer the root or the shape, or a key would leave kPlayableKeys.
std::optional<std::vector<int>> ShapedKeys(StringInstrument instrument, std::string_view root,
                                           TuningShape shape);

// The keys string `stringNumber` (1..N) may be tuned to in a tuning of one's own.
KeyRange CustomKeyRange(StringInstrument instrument, int stringNumber);
// Whether `keys` hold one key per string, each within its CustomKeyRange.
bool IsCustomTuning(StringInstrument instrument, std::span<const int> keys);

// Every key a tuning of the instrument can sound: all roots with all its shapes, and every
// custom key.
KeyRange KeysSounded(StringInstrument instrument);

}  // namespace morrowfane
