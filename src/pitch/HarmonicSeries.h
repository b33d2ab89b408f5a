#pragma once

#include <array>
#include <optional>
#include <span>

#include "pitch/Spectrum.h"

namespace morrowfane {

// Only the lower partials decide: stiff strings stretch the upper ones out of the series.
inline constexpr int kMaxPartial = 16;

// Where a pitch is expected, only the series within this many cents of it, or with its partials on
// the harmonics of that frequency (as a tone sounding an octave up), is considered, and the sound
// counts as pitched when the series holds at least kMinNearHarmonicity of the spectral peaks'
// power, which admits sounds with strong inharmonic components beside their pitch (bells, breathy
// or noisy attacks).
inline constexpr double kNearCents = 60.0;
inline constexpr double kMinNearHarmonicity = 0.5;

struct SeriesSearch {
  double binWidth = 0.0;     // of the spectrum, Hz
  double lowestHertz = 0.0;  // the lowest fundamental the spectrum resolves
  std::optional<double> expectedHertz;
};

// The fundamental of the harmonic series that explains the most of the power of `peaks`, among
// the strongest peaks divided by 1 to 8 (with an expected pitch, among all the peaks so divided,
// near it); nothing when no series explains enough of it to make a clear pitch.
std::optional<double> ChooseSeries(std::span<const SpectralPeak> peaks, const SeriesSearch& search);

// Whether `hertz` lies within kNearCents of `expectedHertz`; always, without an expected pitch.
bool NearExpected(double hertz, std::optional<double> expectedHertz);

// The strongest of `peaks` on each partial of the series on `fundamental`, by the partial's
// number (from 1; slot 0 stays empty); null where the series has none.
using SeriesPeaks = std::array<const SpectralPeak*, kMaxPartial + 1>;
SeriesPeaks PeaksOfSeries(std::span<const SpectralPeak> peaks, double fundamental, double binWidth);

}  // namespace morrowfane
