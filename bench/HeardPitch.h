#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace morrowfane::report {

// Why a note has no heard pitch.
enum class Unmeasured {
  No,          // it has one
  Silent,      // nothing sounds over the measured stretch
  Noise,       // its harmonics hold less than half of the sound: breath, noise, a drum
  OffKey,      // more than 50 cents from its key
  Moves,       // the halves of the stretch differ by more than 2 cents: vibrato, a glide
  Inharmonic,  // its partials scatter by more than 5 cents around their fit: a bell, beating
};
std::string_view Why(Unmeasured reason);

// A note's pitch in cents from its key, read by the pitch report with an analysis of its own (see
// HeardPitch.cpp); nothing where the note has no measurable pitch by that reading.
struct KeyReading {
  std::optional<double> heard;        // the power-weighted harmonic fit of partials 1 to 8
  std::optional<double> fundamental;  // the first partial alone, where it is audible
  Unmeasured why = Unmeasured::No;    // why there is no heard pitch
};

// `fromStrike` holds the note from its strike to at least 0.15 s past the measured stretch.
KeyReading ReadKey(std::span<const float> fromStrike, double rate, int key);

}  // namespace morrowfane::report
