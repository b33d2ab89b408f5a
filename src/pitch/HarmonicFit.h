#pragma once

#include <optional>
#include <span>

namespace morrowfane {

struct Pitch {
  double frequency = 0.0;  // of the harmonic series fitted to the partials, in Hz
  int harmonic = 1;        // the lowest partial in the fit: 1 unless the fundamental is faint
};

// One partial of a tone, followed through the measured stretch.
struct PartialReading {
  int number = 1;      // n: the partial lies near n times the pitch
  double whole = 0.0;  // its mean frequency over the stretch, Hz
  double early = 0.0;  // over the first half
  double late = 0.0;   // over the second half
  double power = 0.0;  // its mean power over the stretch
};

// The pitch heard in `partials` (the audible ones, in rising order): the power-weighted fit of a
// harmonic series, each partial's frequency divided by its number and weighted by its power, so
// that where a faint fundamental disagrees with the partials that carry the sound, they decide.
// Nothing when the partials make no one pitch: when they scatter by more than kMaxScatterCents
// around it (power-weighted), or the pitch moves by more than kMaxDriftCents from the first half
// of the stretch to the second. Components far off the series of the loudest partial (the
// inharmonic partials of a struck bar or a bell) are left out when that series is a clear one: it
// carries kMinSeriesShare of the partials' power and scatters by half as much.
std::optional<Pitch> FitHarmonicSeries(std::span<const PartialReading> partials);

// The partials of a pitched sound agree within a few cents (stiff strings stretch them a little);
// the components of a noise that happen to lie near a harmonic series scatter widely.
inline constexpr double kMaxScatterCents = 5.0;
// A tone whose pitch moves more than this between the first and the second half of the stretch (a
// glide, a wobbling loop) has no pitch that one figure could describe. A note that moves by a few
// cents still sounds one pitch, its mean over the stretch, which a reference must be tuned to;
// slow drifts, as in recorded strings that beat against each other, are averaged.
inline constexpr double kMaxDriftCents = 5.0;
// A partial further than this from the series of the loudest partial is a component of its own.
// Stiff strings stretch their eighth partial by less.
inline constexpr double kOffSeriesCents = 25.0;
inline constexpr double kMinSeriesShare = 0.75;

}  // namespace morrowfane
