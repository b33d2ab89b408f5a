#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "pitch/HarmonicFit.h"

namespace morrowfane {
namespace {

constexpr double kSeries = 110.0;  // Hz

// Partial n at `cents` off n times kSeries, drifting by `driftCents` from the first half to the
// second, with power `power`.
struct Partial {
  int number;
  double cents;
  double power;
  double driftCents = 0.0;
};

struct Case {
  std::string name;
  std::vector<Partial> partials;
  std::optional<double> heardCents;  // from kSeries; nothing: no one pitch
  int lowest = 1;
};

class HarmonicFitTest : public ::testing::TestWithParam<Case> {};

TEST_P(HarmonicFitTest, FitsThePitchTheStrongPartialsMake) {
  std::vector<PartialReading> readings;
  for (const auto& p : GetParam().partials) {
    const auto at = [&](double cents) { return p.number * kSeries * std::exp2(cents / 1200.0); };
    readings.push_back({p.number, at(p.cents), at(p.cents - p.driftCents / 2.0),
                        at(p.cents + p.driftCents / 2.0), p.power});
  }
  const auto pitch = FitHarmonicSeries(readings);
  ASSERT_EQ(pitch.has_value(), GetParam().heardCents.has_value());
  if (pitch) {
    // Frequencies are averaged, not cents: the two differ by thousandths of a cent here.
    EXPECT_NEAR(1200.0 * std::log2(pitch->frequency / kSeries), *GetParam().heardCents, 0.01);
    EXPECT_EQ(pitch->harmonic, GetParam().lowest);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Partials, HarmonicFitTest,
    ::testing::Values(
        Case{"OnePartial", {{1, 3.0, 1.0}}, 3.0},
        // Each partial's pitch weighted by its power: (1 * 0 + 3 * 4) / 4 cents.
        Case{"WeighedByPower", {{1, 0.0, 1.0}, {2, 4.0, 3.0}}, 3.0},
        Case{"FaintFundamentalLeftOut", {{2, -2.0, 1.0}, {3, -2.0, 1.0}}, -2.0, 2},
        Case{"ScatteredComponents", {{1, 0.0, 1.0}, {2, 12.0, 1.0}}, std::nullopt},
        Case{"Glide", {{1, 0.0, 1.0, 6.0}, {2, 0.0, 1.0, 6.0}}, std::nullopt},
        Case{"DriftOfAFewCents", {{1, 1.0, 1.0, 4.0}, {2, 1.0, 1.0, 4.0}}, 1.0},
        // A struck bar: its inharmonic partials lie near the 5th and 8th of a strong series.
        Case{"InharmonicPartialsBesideAClearSeries",
             {{1, 0.0, 8.0}, {2, 0.5, 1.0}, {5, 70.0, 1.0}, {8, 80.0, 1.0}},
             0.5 / 9.0},
        // The components off the series carry too much of the sound, or the series is not tight.
        Case{"SeriesCarryingTooLittle",
             {{1, 0.0, 2.0}, {2, 0.0, 1.0}, {5, 70.0, 1.0}, {8, 80.0, 1.0}},
             std::nullopt},
        Case{"NoiseWithOneLoudComponent",
             {{2, 40.0, 0.6}, {4, 0.0, 1.2}, {5, 0.0, 0.9}, {6, 6.0, 0.7}},
             std::nullopt}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace morrowfane
