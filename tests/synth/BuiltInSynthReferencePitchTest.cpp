#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "AudioAnalysis.h"
#include "SoundFonts.h"
#include "model/Instruments.h"
#include "pitch/PitchCorrector.h"
#include "synth/BuiltInSynth.h"

namespace morrowfane {
namespace {

constexpr double kRate = 44100.0;
constexpr int kNylonGuitar = 24;
constexpr auto kTimeout = std::chrono::seconds(30);
constexpr double kTolerance = 0.5;  // cents

struct ReferenceCase {
  double a4;
  int key;
};
void PrintTo(const ReferenceCase& c, std::ostream* out) {
  *out << "A4 = " << c.a4 << " Hz, key " << c.key;
}

class BuiltInSynthReferencePitchTest : public ::testing::TestWithParam<ReferenceCase> {};

// The whole correction chain, offline: the program's keys are corrected to equal temperament,
// and the connection's reference pitch moves them all on top of that.
TEST_P(BuiltInSynthReferencePitchTest, ANoteSoundsInEqualTemperamentFromTheReferencePitch) {
  const auto [a4, key] = GetParam();
  BuiltInSynthOptions options;
  options.soundFonts = std::vector<std::string>{testing::kTimGM6mb};
  options.sampleRate = kRate;
  PitchCorrector* corrector = nullptr;
  options.tuning = [&corrector](const std::string& path, double rate) {
    auto source = std::make_unique<PitchCorrector>(path, rate);
    corrector = source.get();
    return source;
  };
  BuiltInSynth synth(options);
  synth.Prepare(kNylonGuitar, KeysSounded(StringInstrument::Guitar6));
  ASSERT_TRUE(synth.WaitUntilReady(kTimeout));
  ASSERT_NE(corrector, nullptr);
  ASSERT_TRUE(corrector->WaitUntilDone(kNylonGuitar, kTimeout));

  auto connection = synth.Open();
  ASSERT_NE(connection, nullptr);
  EXPECT_TRUE(connection->SetReferencePitch(a4));
  connection->Send(midi::Pack(midi::kProgramChange, kNylonGuitar));
  connection->Send(
      midi::Pack(midi::kNoteOn, static_cast<std::uint8_t>(key), midi::kStrikeVelocity));
  const auto frames = static_cast<std::size_t>(1.4 * kRate);
  std::vector<float> left(frames);
  std::vector<float> right(frames);
  synth.Render(left.data(), right.data(), static_cast<int>(frames));
  for (std::size_t i = 0; i < frames; ++i) {
    left[i] += right[i];
  }
  const auto settled = std::span<const float>(left).subspan(static_cast<std::size_t>(0.4 * kRate));
  const double expected = a4 * std::pow(2.0, (key - 69) / 12.0);
  const auto peak = testing::StrongestPeak(settled, kRate, expected * 0.97, expected * 1.03);
  EXPECT_NEAR(testing::CentsBetween(peak.frequency, expected), 0.0, kTolerance)
      << peak.frequency << " Hz";
}

INSTANTIATE_TEST_SUITE_P(References, BuiltInSynthReferencePitchTest,
                         ::testing::Values(ReferenceCase{432.0, 45}, ReferenceCase{432.0, 52},
                                           ReferenceCase{442.0, 45}));

}  // namespace
}  // namespace morrowfane
