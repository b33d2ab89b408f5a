#pragma once

#include <complex>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "model/EqualTemperament.h"
#include "pitch/Fft.h"
#include "pitch/HarmonicFit.h"

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

  // Measures a tone expected within kNearCents of `expectedHertz` (or with its partials on the
  // harmonics of that frequency, as a tone sounding an octave up): only that series is
  // considered, and the sound counts as pitched when the series holds at least
  // kMinNearHarmonicity of the spectral peaks' power, which admits sounds with strong
  // inharmonic components beside their pitch (bells, breathy or noisy attacks).
  std::optional<Pitch> Measure(std::span<const float> samples, double sampleRate,
                               double expectedHertz);
  static constexpr double kNearCents = 60.0;
  static constexpr double kMinNearHarmonicity = 0.5;

  // The analysis frame for `sampleCount` samples at `sampleRate`: the largest power of two of at
  // most about 0.2 s that fits twice into the samples; for a tone expected at `expectedHertz`, the
  // shortest that resolves its partials, of at most about 0.4 s and fitting once into them.
  static std::size_t FrameSize(double sampleRate, std::size_t sampleCount,
                               std::optional<double> expectedHertz = std::nullopt);

  static constexpr std::size_t kMinSamples = 2048;

 private:
  struct Peak {
    double frequency = 0.0;
    double power = 0.0;
  };

  std::optional<Pitch> Analyse(std::span<const float> samples, double sampleRate,
                               std::optional<double> expectedHertz);
  void Prepare(std::size_t frameSize);
  // Adds the power spectra of two frames to power_.
  void Transform(std::span<const float> first, std::span<const float> second);
  // The windowed transform of `frame` less its `mean` at `bins` (a frequency in bins, not
  // necessarily whole).
  std::complex<double> ValueAt(std::span<const float> frame, double bins, double mean);
  std::vector<Peak> FindPeaks(double sampleRate) const;
  // The window's power response `offsetBins` away from a bin's centre, relative to the centre.
  double WindowPowerAt(double offsetBins) const;

  std::optional<Fft> fft_;
  std::vector<double> window_;
  std::vector<std::complex<double>> packed_;
  std::vector<double> power_;
  double kernelBins_ = -1.0;
  std::vector<double> kernelReal_;
  std::vector<double> kernelImaginary_;
  std::vector<double> frameMeans_;
  std::vector<double> times_;
  std::vector<double> phases_;
  std::complex<double> kernelSum_;
};

}  // namespace morrowfane
