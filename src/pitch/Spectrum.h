#pragma once

#include <complex>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "pitch/Fft.h"

namespace morrowfane {

struct SpectralPeak {
  double frequency = 0.0;  // Hz, between bins
  double power = 0.0;      // of the peak's bin and its two neighbours
};

// The power spectrum of a stretch of samples: the power spectra of frames spread over it added
// up, so that partials are weighed by their strength over the whole stretch, not in the attack at
// its start. Each frame is taken less its mean and through a four-term Blackman-Harris window.
class PowerSpectrum {
 public:
  // Half the main lobe of the window, in bins: peaks closer than this to the band edges or to DC
  // cannot be measured.
  static constexpr std::size_t kMainLobeBins = 4;

  // Makes the window and the transform for frames of `frameSize` samples, a power of two.
  void Prepare(std::size_t frameSize);
  std::size_t FrameSize() const { return window_.size(); }
  std::span<const double> Window() const { return window_; }

  // The spectrum of `samples`, no fewer than a frame: of at least kMinFrames frames, and as many
  // as fit end to end into the samples, the first at their start and the last at their end.
  void Compute(std::span<const float> samples);
  // The peaks between `lowHertz` and `highHertz`, none more than 60 dB below the strongest there:
  // their frequencies are read between the bins.
  std::vector<SpectralPeak> Peaks(double sampleRate, double lowHertz, double highHertz) const;
  // The window's power response `offsetBins` away from a bin's centre, relative to the centre.
  double WindowPowerAt(double offsetBins) const;

  // An even number: the frames are transformed in pairs.
  static constexpr std::size_t kMinFrames = 4;

 private:
  // Adds the power spectra of two frames.
  void Add(std::span<const float> first, std::span<const float> second);

  std::optional<Fft> fft_;
  std::vector<double> window_;
  std::vector<std::complex<double>> packed_;
  std::vector<double> power_;
};

}  // namespace morrowfane
