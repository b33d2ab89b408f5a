#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "SoundFonts.h"
#include "model/EqualTemperament.h"
#include "pitch/NotePitch.h"
#include "pitch/PitchAnalysis.h"
#include "player/MidiMessage.h"
#include "synth/FluidInstance.h"
#include "synth/FluidKeyTuning.h"

namespace morrowfane {
namespace {

constexpr double kRate = 44100.0;
constexpr int kChannel = 3;
constexpr int kNylonGuitar = 24;
constexpr int kKey = 45;
constexpr double kShiftCents = 30.0;
constexpr int kRetireFrames = 64;

// The built-in synthesizer lends a channel for measuring while it loads; the channel's program
// then stays selected, so that its samples stay loaded, but plays at the SoundFont's own pitches
// again: the measuring tuning must not stick to it.
TEST(LentChannelTest, IsGivenBackAtTheSoundFontsOwnPitches) {
  FluidInstance fluid(kRate);
  ASSERT_TRUE(fluid.MakeSynth());
  fluid_synth_t* synth = fluid.Synth();
  ASSERT_NE(fluid_synth_sfload(synth, testing::kTimGM6mb, 1), FLUID_FAILED);
  PitchAnalyzer analyzer;
  std::vector<float> frames(NoteFrames(kRate, kKey));
  // The key as the channel plays it now, straight through FluidSynth.
  const auto heard = [&]() -> std::optional<double> {
    std::vector<float> left(frames.size());
    std::vector<float> right(frames.size());
    fluid_synth_noteon(synth, kChannel, kKey, midi::kStrikeVelocity);
    fluid_synth_write_float(synth, static_cast<int>(frames.size()), left.data(), 0, 1, right.data(),
                            0, 1);
    fluid_synth_all_sounds_off(synth, kChannel);
    fluid_synth_write_float(synth, kRetireFrames, left.data(), 0, 1, right.data(), 0, 1);
    for (std::size_t i = 0; i < frames.size(); ++i) {
      frames[i] = left[i] + right[i];
    }
    return NotePitch(analyzer, frames, kRate, kKey);
  };
  fluid_synth_program_change(synth, kChannel, kNylonGuitar);
  const auto before = heard();
  ASSERT_TRUE(before.has_value());
  {
    FluidNoteRenderer lent(synth, kChannel, kRate);
    ASSERT_TRUE(lent.Loaded());
    auto shifted = EqualTemperament();
    shifted[kKey] += kShiftCents;
    ASSERT_TRUE(lent.Select(kNylonGuitar, shifted));
    lent.Render(kKey, frames);
    const auto measured = NotePitch(analyzer, frames, kRate, kKey);
    ASSERT_TRUE(measured.has_value());
    EXPECT_NEAR(*measured - *before, kShiftCents, 0.5) << "the lent channel renders tuned";
  }
  const auto after = heard();
  ASSERT_TRUE(after.has_value());
  EXPECT_NEAR(*after, *before, 0.05);
  fluid_preset_t* preset = fluid_synth_get_channel_preset(synth, kChannel);
  ASSERT_NE(preset, nullptr);
  EXPECT_EQ(fluid_preset_get_num(preset), kNylonGuitar);
}

}  // namespace
}  // namespace morrowfane
