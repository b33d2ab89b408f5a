#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "model/EqualTemperament.h"

namespace morrowfane::testing {

struct SpectralPeak {
  double frequency = 0.0;  // Hz
  double magnitude = 0.0;  // linear, comparable between peaks of one analysis
};

// The strongest spectral component of `samples` between `lowHz` and `highHz`: the largest bin of
// a Hann-windowed, zero-padded FFT, refined by a parabola through the log magnitudes around it.
SpectralPeak StrongestPeak(std::span<const float> samples, double sampleRate, double lowHz,
                           double highHz);

// The frequency of a MIDI key in equal temperament with A4 at 440 Hz, and intervals in cents.
using morrowfane::CentsBetween;
using morrowfane::KeyFrequency;

// Root mean square of the samples.
double Rms(std::span<const float> samples);

// The index of the first sample whose magnitude exceeds `threshold`.
std::optional<std::size_t> FirstAbove(std::span<const float> samples, float threshold);

// Dropouts in recorded sound: runs of at least `minRun` samples that are exactly zero, where the
// output had nothing to play. A sounding note never holds exact zero that long.
int Dropouts(std::span<const float> samples, std::size_t minRun);

}  // namespace morrowfane::testing
