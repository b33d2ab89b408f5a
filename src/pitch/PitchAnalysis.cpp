#include "pitch/PitchAnalysis.h"

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
// Half the main lobe of that window, in bins: peaks closer than this to the band edges or to DC
// cannot be measured.
constexpr std::size_t kMainLobeBins = 4;

// Peaks more than 60 dB below the strongest are noise floor and window leakage.
constexpr double kPeakFloor = 1e-6;
// Below this mean square the frames are taken as silence.
constexpr double kSilence = 1e-12;
// Candidate fundamentals are the strongest peaks divided by 1..kMaxDivisor.
constexpr std::size_t kCandidatePeaks = 6;
constexpr int kMaxDivisor = 8;
// A peak belongs to a series when it lies within 3 % (about half a semitone) of a multiple of the
// fundamental: wide enough for the stretched partials of stiff strings, narrow enough that no
// stray component passes for the fundamental.
constexpr double kHarmonicTolerance = 0.03;
// Only the lower partials decide: stiff strings stretch the upper ones out of the series.
constexpr int kMaxPartial = 16;
// A clear pitch puts at least this share of the peaks' power into one harmonic series.
constexpr double kMinHarmonicity = 0.85;
// A higher candidate that explains nearly as much as the best one is preferred, so that a
// series is not taken an octave low.
constexpr double kNearlyBest = 0.97;
// The pitch is fitted to the first eight partials that are no more than 30 dB below the strongest
// of them. One fixed floor, far below the partials that shape the sound, so that a partial near it
// weighs little and measurements of the same note do not jump when it crosses.
constexpr int kPitchPartials = 8;
constexpr double kAudiblePartial = 1e-3;
// A partial's phase that turns more than this many bins away from the peak's frequency does not
// follow the peak.
constexpr double kMaxOffsetBins = 1.0;

// Frames whose phases are followed through the samples: at least this many, so that the slope
// through them weighs the whole stretch between the first and last centre, not a few instants of a
// wobbling phase, and at most half a frame apart, so that a peak's frequency, a fraction of a bin
// off, unwraps the phase from one to the next.
constexpr std::size_t kMinFrames = 17;
// Frames whose power spectra are averaged to find the partials: at least this many, and as many
// as fit end to end into the samples; an even number, transformed in pairs.
constexpr std::size_t kMinSpectrumFrames = 4;
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

// The number of the partial of `fundamental` at `frequency`, or 0 when it is none of the first
// kMaxPartial. Within kHarmonicTolerance or within a bin of it: the magnitude estimate of a weak
// low partial, a few bins above DC, can be a fraction of a bin off.
int PartialOf(double frequency, double fundamental, double binWidth) {
  const double partial = std::round(frequency / fundamental);
  if (partial < 1.0 || partial > kMaxPartial ||
      std::abs(frequency - partial * fundamental) >
          std::max(kHarmonicTolerance * partial * fundamental, binWidth)) {
    return 0;
  }
  return static_cast<int>(partial);
}

double Wrap(double phase) {
  return phase - kTwoPi * std::round(phase / kTwoPi);
}

}  // namespace

double PitchAnalyzer::WindowPowerAt(double offsetBins) const {
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

void PitchAnalyzer::Prepare(std::size_t frameSize) {
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
  kernelBins_ = -1.0;
  kernelReal_.clear();
  power_.resize(frameSize / 2);
}

std::complex<double> PitchAnalyzer::ValueAt(std::span<const float> frame, double bins,
                                            double mean) {
  // The window times the complex exponential, made once per frequency: every frame of a
  // measurement is read at the same one. A rotating phasor, set exactly every kExactEvery values
  // so that its rounding errors cannot build up.
  if (kernelBins_ != bins || kernelReal_.size() != frame.size()) {
    constexpr std::size_t kExactEvery = 256;
    kernelBins_ = bins;
    kernelReal_.resize(frame.size());
    kernelImaginary_.resize(frame.size());
    kernelSum_ = {};
    const double radians = -kTwoPi * bins / static_cast<double>(frame.size());
    const std::complex<double> step = std::polar(1.0, radians);
    std::complex<double> turn;
    for (std::size_t n = 0; n < frame.size(); ++n) {
      turn = n % kExactEvery == 0 ? std::polar(1.0, radians * static_cast<double>(n)) : turn * step;
      const auto value = window_[n] * turn;
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

void PitchAnalyzer::Transform(std::span<const float> first, std::span<const float> second) {
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

std::vector<PitchAnalyzer::Peak> PitchAnalyzer::FindPeaks(double sampleRate) const {
  const auto size = static_cast<double>(fft_->Size());
  const std::size_t low = std::max(
      kMainLobeBins + 2, static_cast<std::size_t>(std::ceil(kMinHertz * size / sampleRate)));
  const std::size_t high = std::min(power_.size() - kMainLobeBins,
                                    static_cast<std::size_t>(kMaxHertz * size / sampleRate));
  std::vector<Peak> peaks;
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
  const double binWidth = sampleRate / static_cast<double>(frameSize);
  const std::size_t span = samples.size() - frameSize;  // from the first frame to the last
  const std::size_t frameCount = std::max(kMinFrames, 2 * span / frameSize + 2);
  std::size_t spectrumFrames = std::max(kMinSpectrumFrames, samples.size() / frameSize);
  spectrumFrames += spectrumFrames % 2;
  Prepare(frameSize);

  double meanSquare = 0.0;
  for (const float s : samples) {
    meanSquare += static_cast<double>(s) * s;
  }
  if (meanSquare / static_cast<double>(samples.size()) < kSilence) {
    return std::nullopt;
  }

  // The spectrum is the mean of frames spread over the samples, so that the partials are weighed
  // by their strength over the whole stretch, not in the attack at its start.
  std::fill(power_.begin(), power_.end(), 0.0);
  const auto frameAt = [&](std::size_t j) {
    return samples.subspan(span * j / (spectrumFrames - 1), frameSize);
  };
  for (std::size_t j = spectrumFrames; j >= 2; j -= 2) {
    Transform(frameAt(j - 2), frameAt(j - 1));
  }
  const auto peaks = FindPeaks(sampleRate);
  if (peaks.empty()) {
    return std::nullopt;
  }
  double total = 0.0;
  for (const auto& peak : peaks) {
    total += peak.power;
  }

  std::vector<const Peak*> strongest;
  for (const auto& peak : peaks) {
    strongest.push_back(&peak);
  }
  const std::size_t considered = std::min(kCandidatePeaks, strongest.size());
  std::partial_sort(strongest.begin(), strongest.begin() + static_cast<long>(considered),
                    strongest.end(),
                    [](const Peak* x, const Peak* y) { return x->power > y->power; });

  // Share of the peaks' power that the harmonic series on `fundamental` explains, counting the
  // partials above the series' kMaxPartial as unexplained.
  const auto harmonicity = [&](double fundamental) {
    double explained = 0.0;
    for (const auto& peak : peaks) {
      if (PartialOf(peak.frequency, fundamental, binWidth) != 0) {
        explained += peak.power;
      }
    }
    return explained / total;
  };

  struct Candidate {
    double fundamental;
    double share;
  };
  std::vector<Candidate> candidates;
  const double lowest = std::max(kMinHertz, kMainLobeBins * sampleRate / frameSize);
  const auto nearExpected = [&](double fundamental) {
    return !expectedHertz || std::abs(CentsBetween(fundamental, *expectedHertz)) <= kNearCents;
  };
  // With an expected pitch, every peak may be one of its partials; a weak fundamental need not
  // be among the strongest peaks.
  const std::size_t sources = expectedHertz ? strongest.size() : considered;
  for (std::size_t i = 0; i < sources; ++i) {
    for (int divisor = 1; divisor <= kMaxDivisor; ++divisor) {
      const double fundamental = strongest[i]->frequency / divisor;
      if (fundamental >= lowest && nearExpected(fundamental)) {
        candidates.push_back({fundamental, harmonicity(fundamental)});
      }
    }
  }
  if (candidates.empty()) {
    return std::nullopt;
  }
  const auto bestCandidate =
      std::max_element(candidates.begin(), candidates.end(),
                       [](const auto& x, const auto& y) { return x.share < y.share; });
  const double best = bestCandidate->share;
  if (best < (expectedHertz ? kMinNearHarmonicity : kMinHarmonicity)) {
    return std::nullopt;
  }
  // Near an expected pitch there is no octave to choose; elsewhere a higher candidate that
  // explains nearly as much is the one.
  double fundamental = bestCandidate->fundamental;
  if (!expectedHertz) {
    for (const auto& candidate : candidates) {
      if (candidate.share >= best * kNearlyBest) {
        fundamental = std::max(fundamental, candidate.fundamental);
      }
    }
  }

  // The strongest peak of each partial of the series.
  std::array<const Peak*, kMaxPartial + 1> partials{};
  for (const auto& peak : peaks) {
    if (const int partial = PartialOf(peak.frequency, fundamental, binWidth); partial != 0) {
      auto& slot = partials[static_cast<std::size_t>(partial)];
      if (slot == nullptr || slot->power < peak.power) {
        slot = &peak;
      }
    }
  }
  // Each partial's phase in frames spread evenly over the samples gives its frequency: the slope
  // of the least-squares line through the unwrapped phases is the mean frequency, which averages
  // out the slow phase wobble of looped samples.
  // Every partial is read in the same frames: their means are worked out once.
  const auto offsetOf = [&](std::size_t j) { return span * j / (frameCount - 1); };
  frameMeans_.resize(frameCount);
  times_.resize(frameCount);
  phases_.resize(frameCount);
  for (std::size_t j = 0; j < frameCount; ++j) {
    const auto frame = samples.subspan(offsetOf(j), frameSize);
    frameMeans_[j] =
        std::accumulate(frame.begin(), frame.end(), 0.0) / static_cast<double>(frameSize);
  }
  // Nothing when the phase does not turn at the peak's rate: the peak is not steady, or a
  // stronger component beside it (a vibrato's sideband, a detuned layer) decides its phase.
  const auto follow = [&](const Peak& peak, int number) -> std::optional<PartialReading> {
    // Read at the peak's own frequency rather than at its bin's centre, which may lie nearer a
    // component beside it.
    const double bins = peak.frequency / binWidth;
    double previous = 0.0;
    // The partial's power over the stretch: its power in each frame, the frames at the ends
    // weighing half as they stand for half a hop each (the trapezoidal rule). The few frames of
    // the spectrum would overweigh the ends of a decaying partial against one that holds.
    double power = 0.0;
    for (std::size_t j = 0; j < frameCount; ++j) {
      const std::size_t offset = offsetOf(j);
      const auto value = ValueAt(samples.subspan(offset, frameSize), bins, frameMeans_[j]);
      power += (j == 0 || j == frameCount - 1 ? 0.5 : 1.0) * std::norm(value);
      const double angle = std::arg(value);
      times_[j] = static_cast<double>(offset) / sampleRate;
      if (j == 0) {
        phases_[j] = angle;
      } else {
        const double expected = kTwoPi * peak.frequency * (times_[j] - times_[j - 1]);
        phases_[j] = phases_[j - 1] + expected + Wrap(angle - previous - expected);
      }
      previous = angle;
    }
    const auto slope = [&](std::size_t from, std::size_t to) {
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
    };
    const std::size_t last = frameCount - 1;
    const double whole = slope(0, last);
    const double offset = whole / binWidth - bins;
    if (std::abs(offset) > kMaxOffsetBins) {
      return std::nullopt;
    }
    // The transform sees a partial away from the frequency it is read at with less than its full
    // power; the window's response at that offset undoes it, so that partials weigh the same
    // whatever the error of their peak's estimate.
    power /= static_cast<double>(last) * WindowPowerAt(offset);
    return PartialReading{number, whole, slope(0, last / 2), slope(last / 2, last), power};
  };

  // The audible partials, each followed through the samples. A partial too unsteady to follow is
  // left out of the fit; the sound has no clear pitch when such partials carry as much of it as
  // the steady ones (noises such as a shot or the surf have a few steady components among
  // unsteady ones).
  double loudest = 0.0;
  for (int n = 1; n <= kPitchPartials; ++n) {
    if (const auto* peak = partials[static_cast<std::size_t>(n)]; peak != nullptr) {
      loudest = std::max(loudest, peak->power);
    }
  }
  std::array<PartialReading, kPitchPartials> readings{};
  std::size_t count = 0;
  double followedPower = 0.0;
  double unsteadyPower = 0.0;
  for (int n = 1; n <= kPitchPartials; ++n) {
    const auto* peak = partials[static_cast<std::size_t>(n)];
    if (peak == nullptr || peak->power < loudest * kAudiblePartial) {
      continue;
    }
    if (const auto reading = follow(*peak, n)) {
      followedPower += peak->power;
      readings[count++] = *reading;
    } else {
      unsteadyPower += peak->power;
    }
  }
  if (unsteadyPower >= followedPower) {
    return std::nullopt;
  }
  const auto pitch = FitHarmonicSeries(std::span(readings).first(count));
  if (pitch && !nearExpected(pitch->frequency)) {
    return std::nullopt;
  }
  return pitch;
}

}  // namespace morrowfane
