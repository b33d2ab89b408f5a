#pragma once

#include <complex>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "playback/Fft.h"

namespace morrowfane {

// Equal temperament with A4 (key 69) at 440 Hz, in cents above key 0: key k sits at 100 * k.
double FrequencyToCents(double hertz);
double CentsToFrequency(double cents);

struct Pitch {
  double frequency = 0.0;  // of the fundamental, in Hz
  int harmonic = 1;        // the partial that was measured: its frequency is harmonic * frequency
};

// Measures the fundamental of a steady tone: a frame at the start of the samples is windowed and
// transformed; the fundamental is the strongest harmonic series among the spectral peaks, and
// its frequency comes from the phase of one partial followed through frames spread over the
// samples, which on a stable tone is far finer than the bin spacing. The fundamental itself is
// measured unless it is much weaker than the other partials; then the lowest strong partial is used
// and divided by its number.
class PitchAnalyzer {
 public:
  // Frequencies outside [kMinHertz, kMaxHertz] are ignored.
  static constexpr double kMinHertz = 20.0;
  static constexpr double kMaxHertz = 6000.0;

  // Nothing (no clear pitch) for silence, noise, inharmonic or unsteady sounds, and for fewer
  // than kMinSamples samples.
  std::optional<Pitch> Measure(std::span<const float> samples, double sampleRate);

  static constexpr std::size_t kMinSamples = 2048;

 private:
  struct Peak {
    std::size_t bin = 0;
    double frequency = 0.0;
    double power = 0.0;
  };

  void Prepare(std::size_t frameSize);
  void Transform(std::span<const float> frame, std::vector<std::complex<double>>& spectrum) const;
  // One bin of the windowed transform of `frame`.
  std::complex<double> BinOf(std::span<const float> frame, std::size_t bin);
  std::vector<Peak> FindPeaks(double sampleRate) const;

  std::optional<Fft> fft_;
  std::vector<double> window_;
  std::vector<std::complex<double>> first_;
  std::vector<double> power_;
  std::size_t kernelBin_ = 0;
  std::vector<double> kernelReal_;
  std::vector<double> kernelImaginary_;
  std::complex<double> kernelSum_;
};

}  // namespace morrowfane
