#pragma once

#include <array>
#include <string_view>

#include "model/Notes.h"

namespace morrowfane {

// MIDI keys of the open strings in the standard tuning: E2 A2 D3 G3 B3 E4.
inline constexpr std::array<int, kStringCount> kOpenStringKeys = {40, 45, 50, 55, 59, 64};
inline constexpr int kLowestStringKey = 29;
inline constexpr int kHighestStringKey = 64;

// The MIDI key at which string `stringNumber` (1..6) sounds `name`: the one key of that pitch
// class among the twelve that end at the string's open pitch, so strings are only ever tuned
// down. For a name outside the twelve or a string number outside 1..6, the string number itself.
int StringPitch(std::string_view name, int stringNumber);

}  // namespace morrowfane
