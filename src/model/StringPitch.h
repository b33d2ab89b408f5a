#pragma once

#include <array>
#include <string_view>

#include "model/Notes.h"

namespace morrowfane {

// MIDI keys of the open strings in the standard tuning: E2 A2 D3 G3 B3 E4.
inline constexpr std::array<int, kStringCount> kOpenStringKeys = {40, 45, 50, 55, 59, 64};
// The lowest key a tuning sounds: a shape's lowered string 1 on the lowest root, F.
inline constexpr int kLowestStringKey = 27;
inline constexpr int kHighestStringKey = 64;

// The MIDI key at which string `stringNumber` (1..6) sounds `name`: the one key of that pitch
// class among the twelve that end at the string's open pitch lowered by `semitonesDown` (a
// tuning shape's extra lowering of that string, 0..11), so strings are only ever tuned down. For
// a name outside the twelve or a number outside those ranges, the string number itself.
int StringPitch(std::string_view name, int stringNumber, int semitonesDown = 0);

}  // namespace morrowfane
