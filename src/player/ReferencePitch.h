#pragma once

#include "player/MidiOutput.h"

namespace morrowfane {

// Channel fine tuning is a 14-bit value: 8192 is in tune, and 4096 steps make a semitone.
inline constexpr int kCentreFineTuning = 8192;

// The fine tuning that moves a channel's notes so that A4 sounds at `a4Hz`.
int FineTuningFor(double a4Hz);

// Sets the channel's fine tuning (RPN 0,1) to `value`, then deselects the parameter.
void SendFineTuning(MidiConnection& connection, int value);

}  // namespace morrowfane
