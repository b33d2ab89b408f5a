#include "pitch/HarmonicFit.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "model/EqualTemperament.h"

namespace morrowfane {
namespace {

struct Fit {
  double whole = 0.0;  // the pitch, Hz
  double early = 0.0;
  double late = 0.0;
  double weight = 0.0;  // the power of the partials in it
  int lowest = 0;       // the lowest partial in it, 0 for none
};

// The power-weighted fit to the partials that `include` takes, with their scatter around it.
template <typename Include>
std::pair<Fit, double> FitOf(std::span<const PartialReading> partials, Include include) {
  Fit fit;
  for (const auto& p : partials) {
    if (include(p)) {
      fit.whole += p.power * p.whole / p.number;
      fit.early += p.power * p.early / p.number;
      fit.late += p.power * p.late / p.number;
      fit.weight += p.power;
      fit.lowest = fit.lowest == 0 ? p.number : fit.lowest;
    }
  }
  if (!(fit.weight > 0.0)) {
    return {Fit{}, 0.0};
  }
  fit.whole /= fit.weight;
  fit.early /= fit.weight;
  fit.late /= fit.weight;
  double scatter = 0.0;
  for (const auto& p : partials) {
    if (include(p)) {
      const double cents = CentsBetween(p.whole / p.number, fit.whole);
      scatter += p.power * cents * cents;
    }
  }
  return {fit, std::sqrt(scatter / fit.weight)};
}

}  // namespace

std::optional<Pitch> FitHarmonicSeries(std::span<const PartialReading> partials) {
  auto [fit, scatter] = FitOf(partials, [](const PartialReading&) { return true; });
  if (fit.lowest == 0) {
    return std::nullopt;
  }
  if (scatter > kMaxScatterCents) {
    const auto& loudest =
        *std::max_element(partials.begin(), partials.end(),
                          [](const auto& x, const auto& y) { return x.power < y.power; });
    const double series = loudest.whole / loudest.number;
    const double total = fit.weight;
    std::tie(fit, scatter) = FitOf(partials, [&](const PartialReading& p) {
      return std::abs(CentsBetween(p.whole / p.number, series)) <= kOffSeriesCents;
    });
    if (fit.weight < kMinSeriesShare * total || scatter > kMaxScatterCents / 2.0) {
      return std::nullopt;
    }
  }
  if (!(fit.early > 0.0) || !(fit.late > 0.0) ||
      std::abs(CentsBetween(fit.late, fit.early)) > kMaxDriftCents) {
    return std::nullopt;
  }
  return Pitch{fit.whole, fit.lowest};
}

}  // namespace morrowfane
