#pragma once

#include <optional>
#include <span>

namespace morrowfane::report {

// A note's pitch in cents from its key, read by the pitch report with an analysis of its own (see
// HeardPitch.cpp); nothing where the note has no measurable pitch by that reading.
struct KeyReading {
  std::optional<double> heard;        // the power-weighted harmonic fit of partials 1 to 8
  std::optional<double> fundamental;  // the first partial alone, where it is audible
};

// `fromStrike` holds the note from its strike to at least 0.15 s past the measured stretch.
KeyReading ReadKey(std::span<const float> fromStrike, double rate, int key);

}  // namespace morrowfane::report
