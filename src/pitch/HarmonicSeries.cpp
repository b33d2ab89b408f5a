#include "pitch/HarmonicSeries.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "model/EqualTemperament.h"

namespace morrowfane {
namespace {

// Candidate fundamentals are the strongest peaks divided by 1..kMaxDivisor.
constexpr std::size_t kCandidatePeaks = 6;
constexpr int kMaxDivisor = 8;
// A peak belongs to a series when it lies within 3 % (about half a semitone) of a multiple of the
// fundamental: wide enough for the stretched partials of stiff strings, narrow enough that no
// stray component passes for the fundamental.
constexpr double kHarmonicTolerance = 0.03;
// A clear pitch puts at least this share of the peaks' power into one harmonic series.
constexpr double kMinHarmonicity = 0.85;
// A higher candidate that explains nearly as much as the best one is preferred, so that a
// series is not taken an octave low.
constexpr double kNearlyBest = 0.97;

struct Candidate {
  double fundamental;
  double share;  // of the peaks' power that its series explains
};

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

// The strongest peaks' fundamentals, each with the share of the peaks' power that its harmonic
// series explains, counting the partials above the series' kMaxPartial as unexplained.
std::vector<Candidate> Candidates(std::span<const SpectralPeak> peaks, const SeriesSearch& search) {
  double total = 0.0;
  for (const auto& peak : peaks) {
    total += peak.power;
  }
  std::vector<const SpectralPeak*> strongest;
  for (const auto& peak : peaks) {
    strongest.push_back(&peak);
  }
  const std::size_t considered = std::min(kCandidatePeaks, strongest.size());
  std::partial_sort(
      strongest.begin(), strongest.begin() + static_cast<long>(considered), strongest.end(),
      [](const SpectralPeak* x, const SpectralPeak* y) { return x->power > y->power; });
  const auto harmonicity = [&](double fundamental) {
    double explained = 0.0;
    for (const auto& peak : peaks) {
      if (PartialOf(peak.frequency, fundamental, search.binWidth) != 0) {
        explained += peak.power;
      }
    }
    return explained / total;
  };
  std::vector<Candidate> candidates;
  // With an expected pitch, every peak may be one of its partials; a weak fundamental need not
  // be among the strongest peaks.
  const std::size_t sources = search.expectedHertz ? strongest.size() : considered;
  for (std::size_t i = 0; i < sources; ++i) {
    for (int divisor = 1; divisor <= kMaxDivisor; ++divisor) {
      const double fundamental = strongest[i]->frequency / divisor;
      if (fundamental >= search.lowestHertz && NearExpected(fundamental, search.expectedHertz)) {
        candidates.push_back({fundamental, harmonicity(fundamental)});
      }
    }
  }
  return candidates;
}

}  // namespace

bool NearExpected(double hertz, std::optional<double> expectedHertz) {
  return !expectedHertz || std::abs(CentsBetween(hertz, *expectedHertz)) <= kNearCents;
}

std::optional<double> ChooseSeries(std::span<const SpectralPeak> peaks,
                                   const SeriesSearch& search) {
  const auto candidates = Candidates(peaks, search);
  if (candidates.empty()) {
    return std::nullopt;
  }
  const auto bestCandidate =
      std::max_element(candidates.begin(), candidates.end(),
                       [](const auto& x, const auto& y) { return x.share < y.share; });
  const double best = bestCandidate->share;
  if (best < (search.expectedHertz ? kMinNearHarmonicity : kMinHarmonicity)) {
    return std::nullopt;
  }
  // Near an expected pitch there is no octave to choose; elsewhere a higher candidate that
  // explains nearly as much is the one.
  double fundamental = bestCandidate->fundamental;
  if (!search.expectedHertz) {
    for (const auto& candidate : candidates) {
      if (candidate.share >= best * kNearlyBest) {
        fundamental = std::max(fundamental, candidate.fundamental);
      }
    }
  }
  return fundamental;
}

SeriesPeaks PeaksOfSeries(std::span<const SpectralPeak> peaks, double fundamental,
                          double binWidth) {
  SeriesPeaks partials{};
  for (const auto& peak : peaks) {
    if (const int partial = PartialOf(peak.frequency, fundamental, binWidth); partial != 0) {
      auto& slot = partials[static_cast<std::size_t>(partial)];
      if (slot == nullptr || slot->power < peak.power) {
        slot = &peak;
      }
    }
  }
  return partials;
}

}  // namespace morrowfane
