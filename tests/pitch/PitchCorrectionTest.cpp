#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "SoundFonts.h"
#include "model/Instruments.h"
#include "pitch/NotePitch.h"
#include "pitch/PitchAnalysis.h"
#include "pitch/PitchCorrector.h"
#include "pitch/TuningMeter.h"
#include "synth/BuiltInSynth.h"
#include "synth/FluidInstance.h"
#include "synth/FluidKeyTuning.h"

namespace morrowfane {
namespace {

using morrowfane::testing::kFluidR3;
using morrowfane::testing::kTimGM6mb;
// The keys the six-string guitar's tunings sound.
constexpr StringInstrument kGuitar = StringInstrument::Guitar6;
const KeyRange kGuitarKeys = KeysSounded(kGuitar);
constexpr int kPiano = 0;
constexpr int kNylonGuitar = 24;
constexpr int kSteelGuitar = 25;
constexpr int kGunshot = 127;
constexpr int kSeashore = 122;
// Like the built-in synthesizer: any channel but the first, the tuning named by its program.
constexpr int kChannel = 3;
constexpr int kTuningBank = 0;
constexpr int kTuning = 5;
constexpr double kInTuneCents = 0.5;
constexpr int kRetireFrames = 64;
constexpr std::chrono::seconds kWorkTimeout{60};

double ErrorCents(double cents, int key) {
  const double error = cents - 100.0 * key;
  return error - 1200.0 * std::round(error / 1200.0);
}

// A FluidSynth synthesizer that applies key tunings as the built-in one does (on a channel of
// its own), for listening to single notes offline; or, for a look at the engine itself, straight
// through FluidSynth's tuning calls.
class ReferenceSynth {
 public:
  ReferenceSynth(const std::string& soundFont, double sampleRate)
      : sampleRate_(sampleRate), fluid_(sampleRate) {
    loaded_ = fluid_.MakeSynth() &&
              fluid_synth_sfload(fluid_.Synth(), soundFont.c_str(), 1) != FLUID_FAILED;
  }

  bool Loaded() const { return loaded_; }

  // The pitch in cents of `key` on `program`, tuned by `pitches` or untuned; nothing when the
  // analysis finds no clear pitch. Measured as the pitch correction measures: after the attack.
  std::optional<double> Pitch(int program, int key, const std::optional<KeyPitches>& pitches,
                              bool plainFluidSynth = false) {
    auto* synth = fluid_.Synth();
    fluid_synth_all_sounds_off(synth, kChannel);
    fluid_synth_program_change(synth, kChannel, program);
    if (pitches && plainFluidSynth) {
      PlayWithSoundFontTuning(synth, kChannel);
      fluid_synth_activate_key_tuning(synth, kTuningBank, kTuning, "plain", pitches->data(), 0);
      fluid_synth_activate_tuning(synth, kChannel, kTuningBank, kTuning, 0);
    } else if (pitches) {
      InstallKeyTuning(synth, kTuning, "test", *pitches);
      PlayWithKeyTuning(synth, kChannel, kTuning);
    } else {
      PlayWithSoundFontTuning(synth, kChannel);
    }
    fluid_synth_noteon(synth, kChannel, key, midi::kStrikeVelocity);
    const std::size_t frames = NoteFrames(sampleRate_);
    std::vector<float> left(frames);
    std::vector<float> right(frames);
    fluid_synth_write_float(synth, static_cast<int>(frames), left.data(), 0, 1, right.data(), 0, 1);
    std::vector<float> mono(frames);
    for (std::size_t i = 0; i < frames; ++i) {
      mono[i] = left[i] + right[i];
    }
    // Lets the silenced voices retire before the next note.
    fluid_synth_all_sounds_off(synth, kChannel);
    fluid_synth_write_float(synth, kRetireFrames, left.data(), 0, 1, right.data(), 0, 1);
    return NotePitch(analyzer_, mono, sampleRate_, key);
  }

 private:
  double sampleRate_;
  FluidInstance fluid_;
  bool loaded_ = false;
  PitchAnalyzer analyzer_;
};

// FluidSynth on its own sounds a key's pitch truncated to whole cents; through the tuning the
// built-in synthesizer installs, a key sounds its fraction of a cent as well.
TEST(FluidSynthTuningTest, KeysSoundFractionsOfACentThroughTheInstalledTuning) {
  ReferenceSynth synth(kTimGM6mb, 48000.0);
  ASSERT_TRUE(synth.Loaded());
  constexpr int kKey = 45;
  const auto pitchWith = [&](double offset, bool plain) {
    auto pitches = EqualTemperament();
    pitches[kKey] += offset;
    return synth.Pitch(kNylonGuitar, kKey, pitches, plain);
  };
  const auto base = pitchWith(0.0, true);
  ASSERT_TRUE(base);
  struct Step {
    double offset;
    double plain;  // what FluidSynth alone sounds, in cents above the key's own pitch
  };
  for (const Step step : {Step{0.1, 0.0}, Step{0.25, 0.0}, Step{0.5, 0.0}, Step{0.75, 0.0},
                          Step{0.9, 0.0}, Step{1.1, 1.0}, Step{-0.3, -1.0}, Step{-1.6, -2.0}}) {
    const auto plain = pitchWith(step.offset, true);
    const auto tuned = pitchWith(step.offset, false);
    ASSERT_TRUE(plain && tuned) << step.offset;
    EXPECT_NEAR(*plain - *base, step.plain, 0.02) << step.offset;
    EXPECT_NEAR(*tuned - *base, step.offset, 0.03) << step.offset;
  }
}

// The pitch of a note is the steady one after the attack: a glide that settles within kNoteSettle
// of the strike does not count, and neither does what follows kNoteEnd.
TEST(NotePitchTest, IsThePitchBetweenTheSettleAndTheEndOfTheNote) {
  constexpr double kRate = 48000.0;
  constexpr int kKey = 40;
  constexpr double kGlideCents = 15.0;
  constexpr double kSteadyCents = 2.0;
  constexpr double kLateCents = -30.0;
  const double settle = std::chrono::duration<double>(kNoteSettle).count();
  const double end = std::chrono::duration<double>(kNoteEnd).count();
  std::vector<float> note(NoteFrames(kRate) + static_cast<std::size_t>(kRate));
  double phase = 0.0;
  for (std::size_t n = 0; n < note.size(); ++n) {
    const double t = static_cast<double>(n) / kRate;
    double cents = kSteadyCents;
    if (t < settle) {
      cents += kGlideCents * (1.0 - t / settle);
    } else if (t > end + 0.2) {  // beyond the analysis frames centred on the end
      cents = kLateCents;
    }
    phase += 2.0 * std::numbers::pi * CentsToFrequency(100.0 * kKey + cents) / kRate;
    note[n] =
        static_cast<float>(0.3 * std::exp(-t) * (std::sin(phase) + 0.5 * std::sin(2 * phase)));
  }
  PitchAnalyzer analyzer;
  const auto pitch = NotePitch(analyzer, note, kRate, kKey);
  ASSERT_TRUE(pitch.has_value());
  EXPECT_NEAR(*pitch - 100.0 * kKey, kSteadyCents, 0.05);
  // A recording that stops before the end of the stretch has no pitch by this measure.
  const auto untilEnd = static_cast<std::size_t>(end * kRate);
  EXPECT_FALSE(NotePitch(analyzer, std::span(note).first(untilEnd), kRate, kKey));
}

TEST(CorrectionForTest, MovesEachKeyByItsDeviationModuloTheOctave) {
  auto measuredWith = EqualTemperament();
  measuredWith[31] += 2.0;  // measured with a tuning in force already
  KeyMeasurements measured{};
  const auto set = [&](int key, double errorCents) {
    measured[static_cast<std::size_t>(key)] = 100.0 * key + errorCents;
  };
  set(29, -6.3);           // flat: up 6.3 cents
  set(30, 10.62);          // sharp: down 10.62
  set(31, 0.4);            // sounding 0.4 sharp with its 2 cents up: 1.6 up is right
  set(32, 0.0);            // in tune
  set(33, 1200.0 - 2.7);   // an octave above, 2.7 cents flat: up 2.7
  set(34, -2400.0 + 4.2);  // two octaves below, 4.2 cents sharp: down 4.2
  set(35, 63.0);           // another note altogether: left alone
  set(36, -50.5);          // nearer the key below than its own: left alone
  const auto pitches = CorrectionFor(measured, measuredWith);
  ASSERT_TRUE(pitches.has_value());
  const auto pitch = [&](int key) {
    return (*pitches)[static_cast<std::size_t>(key)] - 100.0 * key;
  };
  EXPECT_NEAR(pitch(29), 6.3, 1e-9);
  EXPECT_NEAR(pitch(30), -10.62, 1e-9);
  EXPECT_NEAR(pitch(31), 1.6, 1e-9);
  EXPECT_NEAR(pitch(32), 0.0, 1e-9);
  EXPECT_NEAR(pitch(33), 2.7, 1e-9);
  EXPECT_NEAR(pitch(34), -4.2, 1e-9);
  EXPECT_NEAR(pitch(35), 0.0, 1e-9);
  EXPECT_NEAR(pitch(36), 0.0, 1e-9);
  EXPECT_NEAR(pitch(37), 0.0, 1e-9);  // not measured

  EXPECT_FALSE(CorrectionFor(KeyMeasurements{}, measuredWith).has_value());
}

struct Case {
  std::string name;
  const char* soundFont;
  double sampleRate;
  int program;
  StringInstrument strings;  // whose keys are corrected
};

class CorrectedProgramTest : public ::testing::TestWithParam<Case> {};

TEST_P(CorrectedProgramTest, PlaysEveryStringKeyWithinHalfACentOfEqualTemperament) {
  const Case& c = GetParam();
  TuningMeter meter(c.soundFont, MeasuringRate(c.sampleRate));
  ASSERT_TRUE(meter.Loaded());
  const KeyRange keys = KeysSounded(c.strings);
  const auto pitches = meter.Correct(c.program, keys);
  ASSERT_TRUE(pitches.has_value());

  ReferenceSynth synth(c.soundFont, c.sampleRate);
  ASSERT_TRUE(synth.Loaded());
  int measuredKeys = 0;
  double worstBefore = 0.0;
  for (int key = keys.first; key <= keys.last; ++key) {
    const auto before = synth.Pitch(c.program, key, std::nullopt);
    const auto after = synth.Pitch(c.program, key, pitches);
    if (!before || !after) {
      continue;
    }
    ++measuredKeys;
    worstBefore = std::max(worstBefore, std::abs(ErrorCents(*before, key)));
    EXPECT_LE(std::abs(ErrorCents(*after, key)), kInTuneCents) << "key " << key;
  }
  // Most keys have a clear pitch, and the SoundFont needed the correction: some key was further
  // off than twice the target.
  EXPECT_GE(3 * measuredKeys, 2 * (keys.last - keys.first + 1));
  EXPECT_GT(worstBefore, 2 * kInTuneCents);
}

INSTANTIATE_TEST_SUITE_P(
    SoundFonts, CorrectedProgramTest,
    ::testing::Values(Case{"FluidR3Piano", kFluidR3, 48000.0, kPiano, kGuitar},
                      Case{"FluidR3Nylon", kFluidR3, 48000.0, kNylonGuitar, kGuitar},
                      Case{"TimGM6mbSteel", kTimGM6mb, 44100.0, kSteelGuitar, kGuitar},
                      Case{"TimGM6mbNylon", kTimGM6mb, 44100.0, kNylonGuitar, kGuitar},
                      Case{"FluidR3DoubleBass", kFluidR3, 48000.0, 43,
                           StringInstrument::DoubleBass},
                      Case{"TimGM6mbFingerBass5", kTimGM6mb, 44100.0, 33, StringInstrument::Bass5},
                      Case{"TimGM6mbViolin", kTimGM6mb, 44100.0, 40, StringInstrument::Violin},
                      Case{"TimGM6mbCello", kTimGM6mb, 44100.0, 42, StringInstrument::Cello}),
    [](const auto& info) { return info.param.name; });

TEST(PitchCorrectorTest, LooksUpWhatItsWorkerWorkedOutForARequestedProgram) {
  PitchCorrector corrector(kTimGM6mb, 44100.0);
  EXPECT_FALSE(corrector.Lookup(kSteelGuitar).has_value());
  corrector.Request(kSteelGuitar, kGuitarKeys);
  corrector.Request(kSteelGuitar, kGuitarKeys);  // once is enough
  ASSERT_TRUE(corrector.WaitUntilDone(kSteelGuitar, kWorkTimeout));
  const auto pitches = corrector.Lookup(kSteelGuitar);
  ASSERT_TRUE(pitches.has_value());

  // Rendering is deterministic, so the worker's result is what the meter works out here.
  TuningMeter meter(kTimGM6mb, MeasuringRate(44100.0));
  EXPECT_EQ(pitches, meter.Correct(kSteelGuitar, kGuitarKeys));
  for (int key = 0; key < kKeyCount; ++key) {
    if (key < kGuitarKeys.first || key > kGuitarKeys.last) {
      EXPECT_EQ((*pitches)[static_cast<std::size_t>(key)], 100.0 * key) << key;
    }
  }
  EXPECT_FALSE(corrector.Lookup(kPiano).has_value());  // never requested
}

TEST(PitchCorrectorTest, ReleasesItsSoundFontWhenIdleAndLoadsItAgainForNewWork) {
  PitchCorrector corrector(kTimGM6mb, 44100.0);
  EXPECT_FALSE(corrector.HoldsSoundFont());  // nothing loaded before the first request
  corrector.Request(kNylonGuitar, kGuitarKeys);
  corrector.Request(kSteelGuitar, kGuitarKeys);
  ASSERT_TRUE(corrector.WaitUntilIdle(kWorkTimeout));
  EXPECT_FALSE(corrector.HoldsSoundFont());
  ASSERT_TRUE(corrector.Lookup(kNylonGuitar).has_value());
  ASSERT_TRUE(corrector.Lookup(kSteelGuitar).has_value());

  // A request after the release loads the SoundFont again and works as the first one did.
  corrector.Request(kPiano, kGuitarKeys);
  ASSERT_TRUE(corrector.WaitUntilDone(kPiano, kWorkTimeout));
  TuningMeter meter(kTimGM6mb, MeasuringRate(44100.0));
  EXPECT_EQ(corrector.Lookup(kPiano), meter.Correct(kPiano, kGuitarKeys));
  ASSERT_TRUE(corrector.WaitUntilIdle(kWorkTimeout));
  EXPECT_FALSE(corrector.HoldsSoundFont());
}

TEST(PitchCorrectorTest, ProgramsWithoutAClearPitchAndBrokenSoundFontsStayUncorrected) {
  PitchCorrector corrector(kFluidR3, 48000.0);
  for (const int program : {kGunshot, kSeashore}) {
    corrector.Request(program, kGuitarKeys);
    ASSERT_TRUE(corrector.WaitUntilDone(program, kWorkTimeout)) << program;
    EXPECT_FALSE(corrector.Lookup(program).has_value()) << program;
  }

  PitchCorrector broken("/nonexistent/none.sf2", 48000.0);
  broken.Request(kPiano, kGuitarKeys);
  ASSERT_TRUE(broken.WaitUntilDone(kPiano, kWorkTimeout));
  EXPECT_FALSE(broken.Lookup(kPiano).has_value());
}

TEST(PitchCorrectorTest, IgnoresRequestsForProgramsThatDoNotExist) {
  PitchCorrector corrector(kTimGM6mb, 44100.0);
  corrector.Request(-1, kGuitarKeys);
  corrector.Request(midi::kProgramCount, kGuitarKeys);
  EXPECT_FALSE(corrector.WaitUntilDone(midi::kProgramCount, std::chrono::milliseconds(200)));
  EXPECT_FALSE(corrector.Lookup(-1).has_value());
}

// The whole path of a note: the built-in synthesizer, rendering offline, gets its tuning source
// from MakePitchCorrector and installs the corrections at the program change. A program announced
// while the synthesizer loads is worked out on the synthesizer itself before it is ready, so the
// corrector never loads a copy of the SoundFont for it; one announced later, on the corrector's.
class BuiltInSynthCorrectionTest : public ::testing::TestWithParam<bool> {};

TEST_P(BuiltInSynthCorrectionTest, NotesOfACorrectedProgramSoundWithinHalfACent) {
  const bool announcedWhileLoading = GetParam();
  constexpr double kRate = 48000.0;
  PitchCorrector* corrector = nullptr;
  BuiltInSynthOptions options;
  options.soundFonts = {kFluidR3};
  options.sampleRate = kRate;
  options.tuning = [&corrector](const std::string& path, double rate) {
    auto source = MakePitchCorrector(path, rate);
    corrector = dynamic_cast<PitchCorrector*>(source.get());
    return source;
  };
  BuiltInSynth synth(std::move(options));
  if (announcedWhileLoading) {
    synth.Prepare(kPiano, kGuitarKeys);
  }
  ASSERT_TRUE(synth.WaitUntilReady(kWorkTimeout));
  ASSERT_NE(corrector, nullptr);
  if (announcedWhileLoading) {
    EXPECT_TRUE(corrector->Lookup(kPiano).has_value()) << "not worked out before ready";
    EXPECT_FALSE(corrector->HoldsSoundFont());
    EXPECT_EQ(synth.SelectedPrograms().size(), 1U) << "the piano's samples stay loaded";
  }
  synth.Prepare(kPiano, kGuitarKeys);
  ASSERT_TRUE(corrector->WaitUntilDone(kPiano, kWorkTimeout));

  const std::size_t frames = NoteFrames(kRate);
  // Enough for a closed connection's notes to be released and die away.
  const auto quiet =
      static_cast<std::size_t>(kRate * (std::chrono::duration<double>(kRingLimit).count() + 1.0));
  std::vector<float> left(std::max(frames, quiet));
  std::vector<float> right(left.size());
  PitchAnalyzer analyzer;
  int measuredKeys = 0;
  // The lowest string's keys, where the piano is furthest out of tune, down to drop D on root F
  // (27) and on root E (38), and the open strings.
  for (const int key : {27, 28, 29, 31, 32, 33, 34, 38, 40, 45, 50, 55, 59, 64}) {
    {
      auto connection = synth.Open();
      ASSERT_NE(connection, nullptr);
      connection->Send(midi::Pack(midi::kProgramChange, kPiano));
      connection->Send(
          midi::Pack(midi::kNoteOn, static_cast<std::uint8_t>(key), midi::kStrikeVelocity));
      synth.Render(left.data(), right.data(), static_cast<int>(frames));
    }
    std::vector<float> mono(frames);
    for (std::size_t i = 0; i < frames; ++i) {
      mono[i] = left[i] + right[i];
    }
    const auto pitch = NotePitch(analyzer, mono, kRate, key);
    if (pitch) {
      ++measuredKeys;
      EXPECT_LE(std::abs(ErrorCents(*pitch, key)), kInTuneCents) << "key " << key;
    }
    EXPECT_TRUE(pitch || (key != 27 && key != 38)) << "key " << key << " has no clear pitch";
    synth.Render(left.data(), right.data(), static_cast<int>(quiet));
  }
  EXPECT_GE(measuredKeys, 12);
}

INSTANTIATE_TEST_SUITE_P(WhenAnnounced, BuiltInSynthCorrectionTest, ::testing::Bool(),
                         [](const auto& info) {
                           return info.param ? "WhileLoading" : "OnceReady";
                         });

}  // namespace
}  // namespace morrowfane
