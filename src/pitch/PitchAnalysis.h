#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "model/EqualTemperament.h"
#include "pitch/HarmonicFit.h"
#include "pitch/HarmonicSeries.h"
#include "pitch/PartialTracking.h"
#include "pitch/Spectrum.h"

namespace morrowfane {

// Measures the pitch of a steady tone as it is heard: frames spread over the samples are windowed
// and transformed; the tone's harmonic series is the strongest one among the spectral peaks. Each
// of its first eight partials that is no more than 30 dB below the strongest of them is followed
// through frames spread evenly over the samples: its frequency is the least-squares slope of its
// phase, which on a stable tone is far finer than the bin spacing, and is the mean frequency
// between the centres of the first and the last frame, half a frame inside the ends of the samples
// (see FrameSize). The pitch is the power-weighted mean of those frequencies, each divided by its
// partial's number: the fundamental of a clean harmonic series, and where the partials disagree
// (stiff strings, layered samples), the pitch the strong partials give, as the ear hears it (see
// FitHarmonicSeries).
class PitchAnalyzer {
 public:
  // Frequencies outside [kMinHertz, kMaxHertz] are ignored.
  static constexpr double kMinHertz = 20.0;
  static constexpr double kMaxHertz = 6000.0;

  // Nothing (no clear pitch) for silence, noise, inharmonic or unsteady sounds, and for fewer
  // than kMinSamples samples.
  std::optional<Pitch> Measure(std::span<const float> samples, double sampleRate);

  // Measures a tone expected near `expectedHertz`: only the harmonic series near it is
  // considered, and a weaker one counts as a pitch (see kNearCents and kMinNearHarmonicity).
  std::optional<Pitch> Measure(std::span<const float> samples, double sampleRate,
                               double expectedHertz);

  // The analysis frame for `sampleCount` samples at `sampleRate`: the largest power of two of at
  // most about 0.2 s that fits twice into the samples; for a tone expected at `expectedHertz`, the
  // shortest that resolves its partials, of at most about 0.4 s and fitting once into them.
  static std::size_t FrameSize(double sampleRate, std::size_t sampleCount,
                               std::optional<double> expectedHertz = std::nullopt);

  static constexpr std::size_t kMinSamples = 2048;

 private:
  std::optional<Pitch> Analyse(std::span<const float> samples, double sampleRate,
                               std::optional<double> expectedHertz);
  // The pitch of the series' audible partials, each followed through the samples.
  std::optional<Pitch> FitPartials(const SeriesPeaks& series);

  PowerSpectrum spectrum_;
  PartialTracker tracker_;
};

}  // namespace morrowfane
