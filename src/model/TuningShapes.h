#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "model/Notes.h"
#include "model/TranslatableText.h"

namespace morrowfane {

// A shape lowers single strings further than the root's tuning does. No shape raises a string:
// strings are never sounded above their standard pitch.
enum class TuningShape { Standard, DropD, DoubleDropD, Dadgad, OpenD, OpenG };

struct TuningShapeEntry {
  TuningShape shape;
  std::string_view label;  // as the options dialog lists it, in English; kShapeTextContext
  std::string_view word;   // as the settings file stores it
  std::array<int, kStringCount> semitonesDown;  // per string, string 1 first
};

// The translation context of the shapes' labels.
inline constexpr char kShapeTextContext[] = "TuningNames";

// In the order the options dialog lists them.
inline constexpr std::array<TuningShapeEntry, 6> kTuningShapes = {{
    {TuningShape::Standard,
     MORROWFANE_TRANSLATABLE("TuningNames", "Standard"),
     "Standard",
     {0, 0, 0, 0, 0, 0}},
    {TuningShape::DropD,
     MORROWFANE_TRANSLATABLE("TuningNames", "Drop D"),
     "DropD",
     {2, 0, 0, 0, 0, 0}},
    {TuningShape::DoubleDropD,
     MORROWFANE_TRANSLATABLE("TuningNames", "Double drop D"),
     "DoubleDropD",
     {2, 0, 0, 0, 0, 2}},
    {TuningShape::Dadgad,
     MORROWFANE_TRANSLATABLE("TuningNames", "DADGAD"),
     "DADGAD",
     {2, 0, 0, 0, 2, 2}},
    {TuningShape::OpenD,
     MORROWFANE_TRANSLATABLE("TuningNames", "Open D"),
     "OpenD",
     {2, 0, 0, 1, 2, 2}},
    {TuningShape::OpenG,
     MORROWFANE_TRANSLATABLE("TuningNames", "Open G"),
     "OpenG",
     {2, 2, 0, 0, 0, 2}},
}};

const TuningShapeEntry& ShapeEntry(TuningShape shape);

// The shape a settings word names, in any case; nothing for any other text.
std::optional<TuningShape> ShapeForWord(std::string_view word);

// How far the shape lowers string `stringNumber` (1..6) below the root's tuning; 0 outside 1..6.
int ShapeSemitonesDown(TuningShape shape, int stringNumber);

// The root's tuning with the shape's strings lowered. Six empty names for a root that is not one
// of the twelve names.
Tuning ShapedTuning(std::string_view root, TuningShape shape);

// The MIDI keys of the six open strings: the standard keys lowered by the root's semitones plus
// the shape's. Nothing for a root that is not one of the twelve names.
std::optional<std::array<int, kStringCount>> ShapedKeys(std::string_view root, TuningShape shape);

}  // namespace morrowfane
