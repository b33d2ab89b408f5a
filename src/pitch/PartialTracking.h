#pragma once

#include <complex>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "pitch/HarmonicFit.h"
#include "pitch/Spectrum.h"

namespace morrowfane {

// Follows partials of a tone through frames spread evenly over its samples: a partial's frequency
// is the slope of the least-squares line through its unwrapped phases in those frames, the mean
// frequency between the centres of the first and the last frame, which on a stable tone is far
// finer than the bin spacing and averages out the slow phase wobble of looped samples.
class PartialTracker {
 public:
  // Reads `samples` (which must outlive the partials followed in them) in frames of the
  // spectrum's size and window: at least kMinFrames of them, and at most half a frame apart, so
  // that a peak's frequency, a fraction of a bin off, unwraps the phase from one to the next.
  void Start(std::span<const float> samples, double sampleRate, const PowerSpectrum& spectrum);

  // The partial `number` whose spectral peak is `peak`. Nothing when its phase does not turn at
  // the peak's rate: the peak is not steady, or a stronger component beside it (a vibrato's
  // sideband, a detuned layer) decides its phase.
  std::optional<PartialReading> Follow(const SpectralPeak& peak, int number);

  // At least this many frames, so that the slope through them weighs the whole stretch between
  // the first and last centre, not a few instants of a wobbling phase.
  static constexpr std::size_t kMinFrames = 17;

 private:
  std::size_t OffsetOf(std::size_t frame) const;
  // The windowed transform of `frame` less its `mean` at `bins` (a frequency in bins, not
  // necessarily whole).
  std::complex<double> ValueAt(std::span<const float> frame, double bins, double mean);
  // The slope of the unwrapped phases from frame `from` to frame `to`, in Hz.
  double Slope(std::size_t from, std::size_t to) const;

  std::span<const float> samples_;
  const PowerSpectrum* spectrum_ = nullptr;
  double sampleRate_ = 0.0;
  double binWidth_ = 0.0;
  std::size_t frameSize_ = 0;
  std::size_t frameCount_ = 0;
  std::size_t span_ = 0;  // from the first frame to the last
  double kernelBins_ = -1.0;
  std::vector<double> kernelReal_;
  std::vector<double> kernelImaginary_;
  std::complex<double> kernelSum_;
  std::vector<double> frameMeans_;
  std::vector<double> times_;
  std::vector<double> phases_;
};

}  // namespace morrowfane
