#include "pitch/PartialTracking.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>

namespace morrowfane {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// A partial's phase that turns more than this many bins away from the peak's frequency does not
// follow the peak.
constexpr double kMaxOffsetBins = 1.0;

double Wrap(double phase) {
  return phase - kTwoPi * std::round(phase / kTwoPi);
}

}  // namespace

void PartialTracker::Start(std::span<const float> samples, double sampleRate,
                           const PowerSpectrum& spectrum) {
  samples_ = samples;
  spectrum_ = &spectrum;
  sampleRate_ = sampleRate;
  frameSize_ = spectrum.FrameSize();
  binWidth_ = sampleRate / static_cast<double>(frameSize_);
  span_ = samples.size() - frameSize_;
  frameCount_ = std::max(kMinFrames, 2 * span_ / frameSize_ + 2);
  // Every partial is read in the same frames: their means are worked out once.
  frameMeans_.resize(frameCount_);
  times_.resize(frameCount_);
  phases_.resize(frameCount_);
  for (std::size_t j = 0; j < frameCount_; ++j) {
    const auto frame = samples.subspan(OffsetOf(j), frameSize_);
    frameMeans_[j] =
        std::accumulate(frame.begin(), frame.end(), 0.0) / static_cast<double>(frameSize_);
  }
}

std::size_t PartialTracker::OffsetOf(std::size_t frame) const {
  return span_ * frame / (frameCount_ - 1);
}

std::complex<double> PartialTracker::ValueAt(std::span<const float> frame, double bins,
                                             double mean) {
  // The window times the complex exponential, made once per frequency: every frame of a
  // measurement is read at the same one. A rotating phasor, set exactly every kExactEvery values
  // so that its rounding errors cannot build up.
  if (kernelBins_ != bins || kernelReal_.size() != frame.size()) {
    constexpr std::size_t kExactEvery = 256;
    const auto window = spectrum_->Window();
    kernelBins_ = bins;
    kernelReal_.resize(frame.size());
    kernelImaginary_.resize(frame.size());
    kernelSum_ = {};
    const double radians = -kTwoPi * bins / static_cast<double>(frame.size());
    const std::complex<double> step = std::polar(1.0, radians);
    std::complex<double> turn;
    for (std::size_t n = 0; n < frame.size(); ++n) {
      turn = n % kExactEvery == 0 ? std::polar(1.0, radians * static_cast<double>(n)) : turn * step;
      const auto value = window[n] * turn;
      kernelReal_[n] = value.real();
      kernelImaginary_[n] = value.imag();
      kernelSum_ += value;
    }
  }
  // Four independent sums of each kind: one running sum would wait on its own last addition at
  // every sample, and this loop is most of the correction's time.
  constexpr std::size_t kLanes = 4;
  std::array<double, kLanes> real{};
  std::array<double, kLanes> imaginary{};
  const std::size_t size = frame.size() - frame.size() % kLanes;
  for (std::size_t n = 0; n < size; n += kLanes) {
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      const double x = frame[n + lane];
      real[lane] += x * kernelReal_[n + lane];
      imaginary[lane] += x * kernelImaginary_[n + lane];
    }
  }
  for (std::size_t n = size; n < frame.size(); ++n) {
    const double x = frame[n];
    real[0] += x * kernelReal_[n];
    imaginary[0] += x * kernelImaginary_[n];
  }
  const auto sum = [](const std::array<double, kLanes>& lanes) {
    return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
  };
  return std::complex<double>(sum(real), sum(imaginary)) - mean * kernelSum_;
}

double PartialTracker::Slope(std::size_t from, std::size_t to) const {
  double meanTime = 0.0;
  double meanPhase = 0.0;
  for (std::size_t j = from; j <= to; ++j) {
    meanTime += times_[j];
    meanPhase += phases_[j];
  }
  const auto count = static_cast<double>(to - from + 1);
  meanTime /= count;
  meanPhase /= count;
  double covariance = 0.0;
  double variance = 0.0;
  for (std::size_t j = from; j <= to; ++j) {
    covariance += (times_[j] - meanTime) * (phases_[j] - meanPhase);
    variance += (times_[j] - meanTime) * (times_[j] - meanTime);
  }
  return covariance / variance / kTwoPi;
}

std::optional<PartialReading> PartialTracker::Follow(const SpectralPeak& peak, int number) {
  // Read at the peak's own frequency rather than at its bin's centre, which may lie nearer a
  // component beside it.
  const double bins = peak.frequency / binWidth_;
  double previous = 0.0;
  // The partial's power over the stretch: its power in each frame, the frames at the ends
  // weighing half as they stand for half a hop each (the trapezoidal rule). The few frames of
  // the spectrum would overweigh the ends of a decaying partial against one that holds.
  double power = 0.0;
  for (std::size_t j = 0; j < frameCount_; ++j) {
    const std::size_t offset = OffsetOf(j);
    const auto value = ValueAt(samples_.subspan(offset, frameSize_), bins, frameMeans_[j]);
    power += (j == 0 || j == frameCount_ - 1 ? 0.5 : 1.0) * std::norm(value);
    const double angle = std::arg(value);
    times_[j] = static_cast<double>(offset) / sampleRate_;
    if (j == 0) {
      phases_[j] = angle;
    } else {
      const double expected = kTwoPi * peak.frequency * (times_[j] - times_[j - 1]);
      phases_[j] = phases_[j - 1] + expected + Wrap(angle - previous - expected);
    }
    previous = angle;
  }
  const std::size_t last = frameCount_ - 1;
  const double whole = Slope(0, last);
  const double offset = whole / binWidth_ - bins;
  if (std::abs(offset) > kMaxOffsetBins) {
    return std::nullopt;
  }
  // The transform sees a partial away from the frequency it is read at with less than its full
  // power; the window's response at that offset undoes it, so that partials weigh the same
  // whatever the error of their peak's estimate.
  power /= static_cast<double>(last) * spectrum_->WindowPowerAt(offset);
  return PartialReading{number, whole, Slope(0, last / 2), Slope(last / 2, last), power};
}

}  // namespace morrowfane
