#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "model/Notes.h"

namespace morrowfane {

// A shape moves single strings away from the root's tuning: most lower some strings, the open
// tunings of the guitar and the ukulele's D tuning raise some. Which shapes an instrument offers
// is the instrument's (model/Instruments.h).
enum class TuningShape {
  Standard,
  DropD,
  DoubleDropD,
  Dadgad,
  OpenD,
  OpenG,
  OpenE,
  OpenA,
  OpenC,
  LowG,
  UkuleleD
};

struct TuningShapeEntry {
  TuningShape shape;
  std::string_view word;  // as the settings file stores it
  // Semitones per string, string 1 first, up when positive; strings an instrument does not have
  // are 0.
  std::array<int, kMaxStringCount> semitones;
};

inline constexpr std::array<TuningShapeEntry, 11> kTuningShapes = {{
    {TuningShape::Standard, "Standard", {0, 0, 0, 0, 0, 0, 0}},
    {TuningShape::DropD, "DropD", {-2, 0, 0, 0, 0, 0, 0}},
    {TuningShape::DoubleDropD, "DoubleDropD", {-2, 0, 0, 0, 0, -2, 0}},
    {TuningShape::Dadgad, "DADGAD", {-2, 0, 0, 0, -2, -2, 0}},
    {TuningShape::OpenD, "OpenD", {-2, 0, 0, -1, -2, -2, 0}},
    {TuningShape::OpenG, "OpenG", {-2, -2, 0, 0, 0, -2, 0}},
    {TuningShape::OpenE, "OpenE", {0, 2, 2, 1, 0, 0, 0}},
    {TuningShape::OpenA, "OpenA", {0, 0, 2, 2, 2, 0, 0}},
    {TuningShape::OpenC, "OpenC", {-4, -2, -2, 0, 1, 0, 0}},
    {TuningShape::LowG, "LowG", {-12, 0, 0, 0, 0, 0, 0}},
    {TuningShape::UkuleleD, "UkuleleD", {2, 2, 2, 2, 0, 0, 0}},
}};

const TuningShapeEntry& ShapeEntry(TuningShape shape);

// The shape a settings word names, in any case; nothing for any other text.
std::optional<TuningShape> ShapeForWord(std::string_view word);

}  // namespace morrowfane
