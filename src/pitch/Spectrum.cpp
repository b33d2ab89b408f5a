#include "pitch/Spectrum.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>

namespace morrowfane {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Four-term Blackman-Harris: sidelobes below -92 dB, so a weak fundamental next to strong
// partials and the mirror image of a low tone do not disturb the phase of its peak.
constexpr std::array<double, 4> kWindowTerms = {0.35875, 0.48829, 0.14128, 0.01168};

// Peaks more than 60 dB below the strongest are noise floor and window leakage.
constexpr double kPeakFloor = 1e-6;

}  // namespace

void PowerSpectrum::Prepare(std::size_t frameSize) {
  if (fft_ && fft_->Size() == frameSize) {
    return;
  }
  fft_.emplace(frameSize);
  window_.resize(frameSize);
  for (std::size_t n = 0; n < frameSize; ++n) {
    const double x = kTwoPi * static_cast<double>(n) / static_cast<double>(frameSize);
    window_[n] = kWindowTerms[0] - kWindowTerms[1] * std::cos(x) +
                 kWindowTerms[2] * std::cos(2 * x) - kWindowTerms[3] * std::cos(3 * x);
  }
  packed_.resize(frameSize);
  power_.resize(frameSize / 2);
}

double PowerSpectrum::WindowPowerAt(double offsetBins) const {
  // |sum of w[n] exp(2 pi i offset n / N)|^2 relative to the offset 0, by a rotating phasor.
  const std::complex<double> step =
      std::polar(1.0, kTwoPi * offsetBins / static_cast<double>(window_.size()));
  std::complex<double> turn(1.0, 0.0);
  std::complex<double> response;
  double centre = 0.0;
  for (const double w : window_) {
    response += w * turn;
    turn *= step;
    centre += w;
  }
  return std::norm(response) / (centre * centre);
}

void PowerSpectrum::Compute(std::span<const float> samples) {
  const std::size_t frameSize = FrameSize();
  const std::size_t span = samples.size() - frameSize;  // from the first frame to the last
  std::size_t frames = std::max(kMinFrames, samples.size() / frameSize);
  frames += frames % 2;
  std::fill(power_.begin(), power_.end(), 0.0);
  const auto frameAt = [&](std::size_t j) {
    return samples.subspan(span * j / (frames - 1), frameSize);
  };
  for (std::size_t j = frames; j >= 2; j -= 2) {
    Add(frameAt(j - 2), frameAt(j - 1));
  }
}

void PowerSpectrum::Add(std::span<const float> first, std::span<const float> second) {
  // Two real frames in one complex transform, as its real and imaginary parts; their spectra are
  // the even and odd conjugate-symmetric parts of the result.
  const auto size = static_cast<double>(first.size());
  const double firstMean = std::accumulate(first.begin(), first.end(), 0.0) / size;
  const double secondMean = std::accumulate(second.begin(), second.end(), 0.0) / size;
  for (std::size_t n = 0; n < first.size(); ++n) {
    packed_[n] = {(first[n] - firstMean) * window_[n], (second[n] - secondMean) * window_[n]};
  }
  fft_->Forward(packed_);
  const std::size_t frameSize = packed_.size();
  for (std::size_t k = 0; k < power_.size(); ++k) {
    const auto mirror = std::conj(packed_[(frameSize - k) % frameSize]);
    power_[k] += std::norm(0.5 * (packed_[k] + mirror)) + std::norm(0.5 * (packed_[k] - mirror));
  }
}

std::vector<SpectralPeak> PowerSpectrum::Peaks(double sampleRate, double lowHertz,
                                               double highHertz) const {
  const auto size = static_cast<double>(fft_->Size());
  const std::size_t low = std::max(
      kMainLobeBins + 2, static_cast<std::size_t>(std::ceil(lowHertz * size / sampleRate)));
  const std::size_t high = std::min(power_.size() - kMainLobeBins,
                                    static_cast<std::size_t>(highHertz * size / sampleRate));
  std::vector<SpectralPeak> peaks;
  if (low >= high) {
    return peaks;
  }
  const double strongest = *std::max_element(power_.begin() + low, power_.begin() + high);
  if (strongest <= 0.0) {
    return peaks;
  }
  for (std::size_t k = low; k < high; ++k) {
    if (power_[k] > power_[k - 1] && power_[k] >= power_[k + 1] &&
        power_[k] >= strongest * kPeakFloor) {
      // Parabola through the log magnitudes of the peak bin and its neighbours.
      const double a = std::log(power_[k - 1]);
      const double b = std::log(power_[k]);
      const double c = std::log(power_[k + 1]);
      const double denominator = a - 2 * b + c;
      const double offset = denominator < 0.0 ? 0.5 * (a - c) / denominator : 0.0;
      peaks.push_back({(static_cast<double>(k) + offset) * sampleRate / size,
                       power_[k - 1] + power_[k] + power_[k + 1]});
    }
  }
  return peaks;
}

}  // namespace morrowfane
