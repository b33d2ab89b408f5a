#pragma once

#include <optional>
#include <span>

namespace morrowfane::report {

// What a tuner app reads for a note, in cents from its key: aubio's YIN period detector (its FFT
// form) run through the note, the median of its readings over the measured stretch, taken by pitch
// class as a tuner shows them (an octave error reads as the same note). Nothing when fewer than
// half of the readings lie within 50 cents of the key's pitch class.
std::optional<double> TunerCents(std::span<const float> fromStrike, double rate, int key);

}  // namespace morrowfane::report
