#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "pitch/PitchAnalysis.h"

namespace morrowfane {
namespace {

constexpr double kPrecisionCents = 0.05;
constexpr double kSeconds = 1.05;  // what the pitch correction analyses per key
constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Partial {
  double ratio;                 // to the fundamental
  double amplitude;             // linear
  double decayPerSecond = 0.0;  // its own exponential amplitude decay, on top of the tone's
};

struct Tone {
  std::string name;
  double sampleRate;
  double fundamental;
  std::vector<Partial> partials;
  double decayPerSecond = 0.0;  // exponential amplitude decay rate
  int expectedHarmonic = 1;
};

std::vector<float> Synthesize(const Tone& tone) {
  const auto frames = static_cast<std::size_t>(kSeconds * tone.sampleRate);
  std::vector<float> samples(frames);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> phase(0.0, kTwoPi);
  for (const auto& partial : tone.partials) {
    const double start = phase(random);
    const double step = kTwoPi * tone.fundamental * partial.ratio / tone.sampleRate;
    for (std::size_t n = 0; n < frames; ++n) {
      const double t = static_cast<double>(n) / tone.sampleRate;
      samples[n] += static_cast<float>(
          partial.amplitude * std::exp(-(tone.decayPerSecond + partial.decayPerSecond) * t) *
          std::sin(start + step * static_cast<double>(n)));
    }
  }
  return samples;
}

std::vector<Partial> Harmonics(int count, double fundamentalAmplitude) {
  std::vector<Partial> partials{{1.0, fundamentalAmplitude}};
  for (int n = 2; n <= count; ++n) {
    partials.push_back({static_cast<double>(n), 0.3 / n});
  }
  return partials;
}

class PitchOfToneTest : public ::testing::TestWithParam<Tone> {};

TEST_P(PitchOfToneTest, MeasuresTheFundamentalToWithinAHundredthOfASemitone) {
  const Tone& tone = GetParam();
  PitchAnalyzer analyzer;
  const auto pitch = analyzer.Measure(Synthesize(tone), tone.sampleRate);
  ASSERT_TRUE(pitch.has_value());
  EXPECT_NEAR(FrequencyToCents(pitch->frequency), FrequencyToCents(tone.fundamental),
              kPrecisionCents);
  EXPECT_EQ(pitch->harmonic, tone.expectedHarmonic);
}

INSTANTIATE_TEST_SUITE_P(
    Tones, PitchOfToneTest,
    ::testing::Values(
        Tone{"LowestStringKeySine", 48000.0, 43.6535 * 1.0031, {{1.0, 0.5}}},
        Tone{"SineBetweenBins", 48000.0, 97.3217, {{1.0, 0.5}}},
        Tone{"HighSine", 44100.0, 1318.51 * 0.9987, {{1.0, 0.2}}},
        Tone{"QuietSine", 48000.0, 329.6276, {{1.0, 1e-4}}},
        Tone{"RichDecayingTone", 48000.0, 82.4069 * 1.004, Harmonics(12, 0.3), 3.0},
        Tone{"RichToneAt44k", 44100.0, 146.832 * 0.997, Harmonics(10, 0.3), 1.0},
        // The fundamental 40 dB below the strong partials is measured via the second one.
        Tone{"WeakFundamental", 48000.0, 55.0 * 1.006, Harmonics(8, 0.0015), 0.0, 2},
        Tone{"MissingFundamental",
             48000.0,
             61.7354,
             {{2, 0.3}, {3, 0.3}, {4, 0.2}, {5, 0.1}},
             0.0,
             2},
        // Odd partials only: not to be taken for a tone an octave lower or higher.
        Tone{"OddPartials", 48000.0, 110.0 * 1.002, {{1, 0.4}, {3, 0.3}, {5, 0.2}, {7, 0.1}}}),
    [](const auto& info) { return info.param.name; });

// A partial of a tone whose fundamental disagrees with its upper partials: number n, amplitude, and
// its offset from n times the nominal fundamental.
struct DetunedPartial {
  int number;
  double amplitude;
  double cents;
  double decayPerSecond = 0.0;
};

struct DisagreeingTone {
  std::string name;
  double fundamental;  // nominal, Hz
  std::vector<DetunedPartial> partials;
  double heardCents;  // the power-weighted fit, worked out by hand from the partials
  int lowestPartial;  // the lowest partial in the fit
};

class PitchAsHeardTest : public ::testing::TestWithParam<DisagreeingTone> {};

TEST_P(PitchAsHeardTest, FollowsThePartialsByTheirPower) {
  const DisagreeingTone& tone = GetParam();
  constexpr double kRate = 48000.0;
  Tone synthesized{tone.name, kRate, tone.fundamental, {}};
  for (const auto& partial : tone.partials) {
    synthesized.partials.push_back({partial.number * std::exp2(partial.cents / 1200.0),
                                    partial.amplitude, partial.decayPerSecond});
  }
  PitchAnalyzer analyzer;
  const auto pitch = analyzer.Measure(Synthesize(synthesized), kRate, tone.fundamental);
  ASSERT_TRUE(pitch.has_value());
  EXPECT_NEAR(FrequencyToCents(pitch->frequency) - FrequencyToCents(tone.fundamental),
              tone.heardCents, kPrecisionCents);
  EXPECT_EQ(pitch->harmonic, tone.lowestPartial);
}

INSTANTIATE_TEST_SUITE_P(
    Tones, PitchAsHeardTest,
    ::testing::Values(
        // A fundamental 10 dB below seven flat partials, as the nylon guitar's A string.
        DisagreeingTone{"FaintFundamentalFlatPartials",
                        110.0,
                        {{1, 0.095, 0.7},
                         {2, 0.3, -6.0},
                         {3, 0.3, -6.0},
                         {4, 0.3, -6.0},
                         {5, 0.3, -6.0},
                         {6, 0.3, -6.0},
                         {7, 0.3, -6.0},
                         {8, 0.3, -6.0}},
                        -5.91,
                        1},
        // A fundamental 18 dB below a sharp second partial, as the steel guitar's B string.
        DisagreeingTone{"SharpSecondPartial",
                        123.4708,
                        {{1, 0.05, 0.0}, {2, 0.4, 8.4}, {3, 0.2, 3.9}, {4, 0.15, 2.8}},
                        6.95,
                        1},
        DisagreeingTone{"TwoOfThreeEqualPartialsSharp",
                        82.4069,
                        {{1, 0.3, 0.0}, {2, 0.3, 6.0}, {3, 0.3, 6.0}},
                        4.00,
                        1},
        // A partial weighs by its mean power over the stretch between the first and the last
        // frame centres (0.043 s to 1.007 s with the 4096-sample frames of this pitch): the
        // fast-dying fundamental weighs 0.133 of the steady second partial, not what a few frames
        // of the spectrum suggest.
        DisagreeingTone{"FundamentalDyingFasterThanASteadyFlatPartial",
                        98.0,
                        {{1, 0.3, 0.0, 3.0}, {2, 0.3, -6.0}},
                        -5.29,
                        1},
        // 20 dB below the fundamental, a partial weighs a hundredth of it.
        DisagreeingTone{"QuietSharpThirdPartial", 196.0, {{1, 0.4, 0.0}, {3, 0.04, 10.0}}, 0.10, 1},
        // A struck bar's inharmonic partials near the 5th and 8th of its clear series are not
        // part of its pitch.
        DisagreeingTone{"StruckBarWithInharmonicPartialsNearItsSeries",
                        73.4162,
                        {{1, 0.3, 0.0}, {2, 0.1, 0.0}, {5, 0.05, 40.0}, {8, 0.08, 45.0}},
                        0.0,
                        1},
        // More than 30 dB below the strongest partial, the fundamental is left out of the fit.
        DisagreeingTone{"FundamentalBelowTheFloor",
                        41.2034,
                        {{1, 0.0053, -20.0}, {2, 0.3, -3.0}, {3, 0.3, -3.0}},
                        -3.00,
                        2}),
    [](const auto& info) { return info.param.name; });

TEST(PitchAnalysisTest, SeesNoPitchWhereThereIsNone) {
  constexpr double kRate = 48000.0;
  const auto frames = static_cast<std::size_t>(kSeconds * kRate);
  std::mt19937 random(11);
  std::normal_distribution<double> gaussian(0.0, 0.1);

  std::vector<float> noise(frames);
  for (auto& sample : noise) {
    sample = static_cast<float>(gaussian(random));
  }
  // A bell-like sound: strong partials at inharmonic ratios.
  const auto bell = Synthesize(
      {"Bell", kRate, 200.0, {{1.0, 0.3}, {2.756, 0.3}, {5.404, 0.3}, {8.933, 0.3}, {13.34, 0.3}}});
  // A tone whose pitch swings by 15 cents once a second.
  std::vector<float> wobbling(frames);
  double phase = 0.0;
  for (std::size_t n = 0; n < frames; ++n) {
    const double t = static_cast<double>(n) / kRate;
    const double cents = 15.0 * std::sin(kTwoPi * 1.0 * t);
    phase += kTwoPi * 110.0 * std::exp2(cents / 1200.0) / kRate;
    wobbling[n] = static_cast<float>(0.3 * std::sin(phase));
  }
  const std::vector<float> silence(frames, 0.0F);
  const std::vector<float> tooShort(PitchAnalyzer::kMinSamples - 1, 0.5F);

  PitchAnalyzer analyzer;
  EXPECT_FALSE(analyzer.Measure(noise, kRate).has_value());
  EXPECT_FALSE(analyzer.Measure(bell, kRate).has_value());
  EXPECT_FALSE(analyzer.Measure(wobbling, kRate).has_value());
  EXPECT_FALSE(analyzer.Measure(silence, kRate).has_value());
  EXPECT_FALSE(analyzer.Measure(tooShort, kRate).has_value());
}

// A pitched sound with strong inharmonic components (a struck bar, breath noise) has no clear pitch
// on its own, but its harmonic series is found and measured when the expected pitch is known.
TEST(PitchAnalysisTest, FindsTheSeriesNearAnExpectedPitchAmongInharmonicComponents) {
  constexpr double kRate = 48000.0;
  constexpr double kFundamental = 110.0 * 1.0025;
  const auto tone = Synthesize({"StruckBar",
                                kRate,
                                kFundamental,
                                {{1.0, 0.3}, {2.0, 0.2}, {3.0, 0.15}, {2.76, 0.25}, {5.40, 0.2}}});
  PitchAnalyzer analyzer;
  EXPECT_FALSE(analyzer.Measure(tone, kRate).has_value());
  const auto pitch = analyzer.Measure(tone, kRate, 110.0);
  ASSERT_TRUE(pitch.has_value());
  EXPECT_NEAR(FrequencyToCents(pitch->frequency), FrequencyToCents(kFundamental), kPrecisionCents);
  EXPECT_EQ(pitch->harmonic, 1);
  // Nothing near a pitch the sound does not have.
  EXPECT_FALSE(analyzer.Measure(tone, kRate, 110.0 * 1.1).has_value());
}

// Two layers of a sample a few hertz apart at one weak partial beat: its phase turns over at each
// null. Wherever the nulls fall, that partial must not pull the pitch away from the others.
TEST(PitchAnalysisTest, AWeakBeatingPartialDoesNotMoveThePitch) {
  constexpr double kRate = 44100.0;
  constexpr double kFundamental = 185.0;
  constexpr std::array<double, 9> kAmplitudes = {0.0, 0.3, 0.2, 0.35, 0.2, 0.06, 0.1, 0.0, 0.02};
  constexpr double kLayerAmplitude = 0.05;  // each of the two at the 7th partial
  constexpr double kCloseEnoughCents = 0.3;
  const auto frames = static_cast<std::size_t>(kSeconds * kRate);
  PitchAnalyzer analyzer;
  for (const double beat : {4.0, 8.0, 10.0}) {
    for (int step = 0; step < 13; ++step) {
      const double offset = 0.5 * step;  // of the second layer's phase, in radians
      std::vector<float> samples(frames);
      for (std::size_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / kRate;
        double value =
            kLayerAmplitude * (std::sin(kTwoPi * 7 * kFundamental * t) +
                               std::sin(kTwoPi * (7 * kFundamental + beat) * t + offset));
        for (std::size_t k = 1; k < kAmplitudes.size(); ++k) {
          value += kAmplitudes[k] * std::sin(kTwoPi * static_cast<double>(k) * kFundamental * t +
                                             static_cast<double>(k));
        }
        samples[n] = static_cast<float>(value);
      }
      const auto pitch = analyzer.Measure(samples, kRate, kFundamental);
      ASSERT_TRUE(pitch.has_value()) << beat << " Hz, offset " << offset;
      EXPECT_NEAR(FrequencyToCents(pitch->frequency), FrequencyToCents(kFundamental),
                  kCloseEnoughCents)
          << beat << " Hz, offset " << offset;
    }
  }
}

// A sampled wind or bowed instrument swings its pitch a few times a second, and its partials swell
// and fade with the swing as they pass its formants: its sidebands are lopsided and can outweigh
// the partial between them. Its pitch is still the centre of the swing.
TEST(PitchAnalysisTest, AVibratoIsMeasuredAtItsCentre) {
  constexpr double kRate = 24000.0;
  constexpr double kVibratoHertz = 5.3;
  constexpr std::array<double, 9> kAmplitudes = {0.0, 0.1, 0.3, 0.35, 0.2, 0.3, 0.1, 0.01, 0.02};
  constexpr double kCloseEnoughCents = 0.3;
  const auto frames = static_cast<std::size_t>(kSeconds * kRate);
  PitchAnalyzer analyzer;
  for (const double centre : {98.0, 174.6, 220.0, 311.1}) {
    for (const double depthCents : {10.0, 20.0}) {
      for (const double swell : {0.0, 0.6}) {  // of the 4th partial's amplitude, at the peaks
        std::vector<float> samples(frames);
        std::array<double, kAmplitudes.size()> phases{};
        for (std::size_t n = 0; n < frames; ++n) {
          const double swing = std::sin(kTwoPi * kVibratoHertz * static_cast<double>(n) / kRate);
          const double frequency = centre * std::exp2(depthCents / 1200.0 * swing);
          double value = 0.0;
          for (std::size_t k = 1; k < kAmplitudes.size(); ++k) {
            const auto number = static_cast<double>(k);
            phases[k] += kTwoPi * number * frequency / kRate;
            value += kAmplitudes[k] * (1.0 + swell * swing * number / 4.0) * std::sin(phases[k]);
          }
          samples[n] = static_cast<float>(value);
        }
        const auto pitch = analyzer.Measure(samples, kRate, centre);
        ASSERT_TRUE(pitch.has_value()) << centre << " Hz " << depthCents << " c " << swell;
        EXPECT_NEAR(FrequencyToCents(pitch->frequency), FrequencyToCents(centre), kCloseEnoughCents)
            << centre << " Hz " << depthCents << " c " << swell;
      }
    }
  }
}

TEST(PitchAnalysisTest, OneAnalyzerServesDifferentLengthsAndRates) {
  PitchAnalyzer analyzer;
  for (const double rate : {48000.0, 22050.0, 96000.0, 48000.0}) {
    const double frequency = 196.0 * 1.0021;
    const auto samples = Synthesize({"Sine", rate, frequency, {{1.0, 0.5}}});
    const auto pitch = analyzer.Measure(samples, rate);
    ASSERT_TRUE(pitch.has_value()) << rate;
    EXPECT_NEAR(FrequencyToCents(pitch->frequency), FrequencyToCents(frequency), kPrecisionCents)
        << rate;
  }
}

TEST(PitchAnalysisTest, CentsAreEqualTemperamentFromA440) {
  EXPECT_NEAR(FrequencyToCents(440.0), 6900.0, 1e-9);
  EXPECT_NEAR(FrequencyToCents(880.0), 8100.0, 1e-9);
  EXPECT_NEAR(CentsToFrequency(4000.0), 82.4069, 1e-4);  // E2, the lowest open string
  EXPECT_NEAR(FrequencyToCents(CentsToFrequency(2937.25)), 2937.25, 1e-9);
}

}  // namespace
}  // namespace morrowfane
