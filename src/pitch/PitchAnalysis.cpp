#include "pitch/PitchAnalysis.h"

#include <algorithm>
#include <array>

namespace morrowfane {
namespace {

// Below this mean square the samples are taken as silence.
constexpr double kSilence = 1e-12;
// The pitch is fitted to the first eight partials that are no more than 30 dB below the strongest
// of them. One fixed floor, far below the partials that shape the sound, so that a partial near it
// weighs little and measurements of the same note do not jump when it crosses.
constexpr int kPitchPartials = 8;
constexpr double kAudiblePartial = 1e-3;

// Where the pitch is expected, the frame is the shortest that puts this many bins between its
// partials, so that each partial's peak stands clear of its neighbours' main lobes: short frames
// follow a vibrato's swings instead of splitting a partial into a carrier and sidebands.
constexpr double kBinsBetweenPartials = 6.0;
// A floor only: every key a tuning can sound needs a longer frame.
constexpr std::size_t kShortestFrame = 256;
// Frames of about this length resolve the partials of a guitar's lowest key (39 Hz) into peaks
// well apart; a longer frame would leave a wider margin at each end that the slope cannot see.
constexpr double kFrameSeconds = 0.2;
// Where the pitch is expected, the lowest keys an instrument sounds (down to B0, 31 Hz) need up to
// twice that length, and then fit only once into the samples, for the same clearance.
constexpr double kLowKeyFrameSeconds = 2 * kFrameSeconds;

bool IsSilent(std::span<const float> samples) {
  double meanSquare = 0.0;
  for (const float s : samples) {
    meanSquare += static_cast<double>(s) * s;
  }
  return meanSquare / static_cast<double>(samples.size()) < kSilence;
}

}  // namespace

std::size_t PitchAnalyzer::FrameSize(double sampleRate, std::size_t sampleCount,
                                     std::optional<double> expectedHertz) {
  std::size_t frameSize = kShortestFrame;
  const double longest = expectedHertz ? kLowKeyFrameSeconds : kFrameSeconds;
  const std::size_t fits = expectedHertz ? 2 : 4;
  while (frameSize * fits <= sampleCount &&
         static_cast<double>(frameSize * 2) <= longest * sampleRate &&
         (!expectedHertz ||
          static_cast<double>(frameSize) * *expectedHertz / sampleRate < kBinsBetweenPartials)) {
    frameSize *= 2;
  }
  return frameSize;
}

std::optional<Pitch> PitchAnalyzer::Measure(std::span<const float> samples, double sampleRate) {
  return Analyse(samples, sampleRate, std::nullopt);
}

std::optional<Pitch> PitchAnalyzer::Measure(std::span<const float> samples, double sampleRate,
                                            double expectedHertz) {
  if (!(expectedHertz > 0.0)) {
    return std::nullopt;
  }
  return Analyse(samples, sampleRate, expectedHertz);
}

std::optional<Pitch> PitchAnalyzer::Analyse(std::span<const float> samples, double sampleRate,
                                            std::optional<double> expectedHertz) {
  if (samples.size() < kMinSamples || !(sampleRate > 0.0)) {
    return std::nullopt;
  }
  const std::size_t frameSize = FrameSize(sampleRate, samples.size(), expectedHertz);
  spectrum_.Prepare(frameSize);
  if (IsSilent(samples)) {
    return std::nullopt;
  }
  spectrum_.Compute(samples);
  const auto peaks = spectrum_.Peaks(sampleRate, kMinHertz, kMaxHertz);
  if (peaks.empty()) {
    return std::nullopt;
  }
  const double binWidth = sampleRate / static_cast<double>(frameSize);
  const double lowest = std::max(kMinHertz, PowerSpectrum::kMainLobeBins * sampleRate / frameSize);
  const auto fundamental = ChooseSeries(peaks, {binWidth, lowest, expectedHertz});
  if (!fundamental) {
    return std::nullopt;
  }
  tracker_.Start(samples, sampleRate, spectrum_);
  const auto pitch = FitPartials(PeaksOfSeries(peaks, *fundamental, binWidth));
  if (pitch && !NearExpected(pitch->frequency, expectedHertz)) {
    return std::nullopt;
  }
  return pitch;
}

std::optional<Pitch> PitchAnalyzer::FitPartials(const SeriesPeaks& series) {
  // A partial too unsteady to follow is left out of the fit; the sound has no clear pitch when
  // such partials carry as much of it as the steady ones (noises such as a shot or the surf have a
  // few steady components among unsteady ones).
  double loudest = 0.0;
  for (int n = 1; n <= kPitchPartials; ++n) {
    if (const auto* peak = series[static_cast<std::size_t>(n)]; peak != nullptr) {
      loudest = std::max(loudest, peak->power);
    }
  }
  std::array<PartialReading, kPitchPartials> readings{};
  std::size_t count = 0;
  double followedPower = 0.0;
  double unsteadyPower = 0.0;
  for (int n = 1; n <= kPitchPartials; ++n) {
    const auto* peak = series[static_cast<std::size_t>(n)];
    if (peak == nullptr || peak->power < loudest * kAudiblePartial) {
      continue;
    }
    if (const auto reading = tracker_.Follow(*peak, n)) {
      followedPower += peak->power;
      readings[count++] = *reading;
    } else {
      unsteadyPower += peak->power;
    }
  }
  if (unsteadyPower >= followedPower) {
    return std::nullopt;
  }
  return FitHarmonicSeries(std::span(readings).first(count));
}

}  // namespace morrowfane
