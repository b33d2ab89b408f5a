#pragma once

#include <span>

namespace morrowfane::testing {

struct SpectralPeak {
  double frequency = 0.0;  // Hz
  double magnitude = 0.0;  // linear, comparable between peaks of one analysis
};

// The strongest spectral component of `samples` between `lowHz` and `highHz`: the largest bin of
// a Hann-windowed, zero-padded FFT, refined by a parabola through the log magnitudes around it.
SpectralPeak StrongestPeak(std::span<const float> samples, double sampleRate, double lowHz,
                           double highHz);

// The frequency of a MIDI key in equal temperament with A4 (key 69) at 440 Hz.
double KeyFrequency(double key);

// How far `frequency` lies above `reference`, in cents.
double CentsBetween(double frequency, double reference);

// Root mean square of the samples.
double Rms(std::span<const float> samples);

}  // namespace morrowfane::testing
