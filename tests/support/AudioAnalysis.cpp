#include "AudioAnalysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <vector>

#include "pitch/Fft.h"

namespace morrowfane::testing {
namespace {

constexpr std::size_t kZeroPadding = 4;
// Keeps log() finite on silent bins.
constexpr double kMagnitudeFloor = 1e-30;

}  // namespace

SpectralPeak StrongestPeak(std::span<const float> samples, double sampleRate, double lowHz,
                           double highHz) {
  std::size_t size = 1;
  while (size < samples.size() * kZeroPadding) {
    size <<= 1;
  }
  std::vector<std::complex<double>> data(size);
  const double last = static_cast<double>(samples.size() - 1);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const double window =
        0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / last);
    data[i] = samples[i] * window;
  }
  Fft(size).Forward(data);

  const double binHz = sampleRate / static_cast<double>(size);
  const auto lowBin = std::max<std::size_t>(1, static_cast<std::size_t>(lowHz / binHz));
  const auto highBin = std::min(size / 2 - 2, static_cast<std::size_t>(highHz / binHz) + 1);
  std::size_t best = lowBin;
  for (std::size_t bin = lowBin; bin <= highBin; ++bin) {
    if (std::abs(data[bin]) > std::abs(data[best])) {
      best = bin;
    }
  }
  const auto logMagnitude = [&](std::size_t bin) {
    return std::log(std::max(std::abs(data[bin]), kMagnitudeFloor));
  };
  const double left = logMagnitude(best - 1);
  const double centre = logMagnitude(best);
  const double right = logMagnitude(best + 1);
  const double denominator = left - 2.0 * centre + right;
  const double offset = denominator != 0.0 ? 0.5 * (left - right) / denominator : 0.0;
  const double peakLog = centre - 0.25 * (left - right) * offset;
  return {(static_cast<double>(best) + offset) * binHz, std::exp(peakLog)};
}

double Rms(std::span<const float> samples) {
  if (samples.empty()) {
    return 0.0;
  }
  double sum = 0.0;
  for (float sample : samples) {
    sum += static_cast<double>(sample) * sample;
  }
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

std::optional<std::size_t> FirstAbove(std::span<const float> samples, float threshold) {
  for (std::size_t i = 0; i < samples.size(); ++i) {
    if (std::abs(samples[i]) > threshold) {
      return i;
    }
  }
  return std::nullopt;
}

int Dropouts(std::span<const float> samples, std::size_t minRun) {
  int dropouts = 0;
  std::size_t run = 0;
  for (float sample : samples) {
    run = sample == 0.0F ? run + 1 : 0;
    if (run == minRun) {
      ++dropouts;
    }
  }
  return dropouts;
}

}  // namespace morrowfane::testing
