#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <numbers>
#include <set>

#include "AudioAnalysis.h"
#include "JackTestServer.h"
#include "PlayerSettings.h"
#include "SoundFonts.h"
#include "VirtualClock.h"
#include "model/Instruments.h"
#include "player/TonePlayer.h"
#include "ports/ExternalMidiPorts.h"
#include "ports/SystemMidiOutputs.h"
#include "synth/BuiltInSynth.h"

namespace morrowfane {
namespace {

// The keys the six-string guitar's tunings sound.
const KeyRange kGuitarKeys = KeysSounded(StringInstrument::Guitar6);

using testing::CentsBetween;
using testing::ChangeSetting;
using testing::KeyFrequency;
using testing::Rms;
using testing::StrongestPeak;

// Not the synthesizer's usual 48 kHz, so a synth that ignored the rate would be out of tune.
constexpr double kRate = 44100.0;
using morrowfane::testing::kFluidR3;
using morrowfane::testing::kTimGM6mb;
constexpr std::chrono::seconds kLoadTimeout{30};
constexpr double kPitchTolerance = 15.0;  // cents
constexpr double kBandSemitones = 2.0;
constexpr double kLowestAnalysedHz = 20.0;
constexpr double kHighestAnalysedHz = 5000.0;
// A component this much weaker than the strongest one is leakage or noise, not a note.
constexpr double kAudibleShare = 0.05;

constexpr int kNylonGuitar = 24;
constexpr int kSteelGuitar = 25;
constexpr int kJazzGuitar = 26;
constexpr int kChurchOrgan = 19;
constexpr int kPiano = 0;
constexpr int kPitchBendMax = 0x3FFF;
constexpr std::uint8_t kControllerMax = 127;

midi::PackedMessage ProgramChange(int program) {
  return midi::Pack(midi::kProgramChange, static_cast<std::uint8_t>(program));
}
midi::PackedMessage NoteOn(int key) {
  return midi::Pack(midi::kNoteOn, static_cast<std::uint8_t>(key), midi::kStrikeVelocity);
}

BuiltInSynthOptions Offline(std::vector<std::string> soundFonts = {kFluidR3}) {
  BuiltInSynthOptions options;
  options.soundFonts = std::move(soundFonts);
  options.sampleRate = kRate;
  return options;
}

// Renders `seconds` more of the synthesizer's output, mixed to mono.
std::vector<float> Render(BuiltInSynth& synth, double seconds) {
  const auto frames = static_cast<std::size_t>(seconds * kRate);
  std::vector<float> left(frames);
  std::vector<float> right(frames);
  synth.Render(left.data(), right.data(), static_cast<int>(frames));
  for (std::size_t i = 0; i < frames; ++i) {
    left[i] = 0.5F * (left[i] + right[i]);
  }
  return left;
}

std::span<const float> Slice(const std::vector<float>& samples, double from, double to) {
  const auto begin = static_cast<std::size_t>(from * kRate);
  const auto end = std::min(samples.size(), static_cast<std::size_t>(to * kRate));
  return std::span<const float>(samples).subspan(begin, end - begin);
}

struct Measurement {
  double frequency = 0.0;
  double share = 0.0;  // the peak's magnitude relative to the strongest component overall
};

// The strongest component within two semitones of `expectedHz`.
Measurement MeasureNear(std::span<const float> samples, double expectedHz) {
  const double band = std::pow(2.0, kBandSemitones / 12.0);
  const auto near = StrongestPeak(samples, kRate, expectedHz / band, expectedHz * band);
  const auto strongest = StrongestPeak(samples, kRate, kLowestAnalysedHz, kHighestAnalysedHz);
  return {near.frequency, near.magnitude / strongest.magnitude};
}

std::unique_ptr<BuiltInSynth> ReadySynth(BuiltInSynthOptions options = Offline()) {
  auto synth = std::make_unique<BuiltInSynth>(std::move(options));
  EXPECT_TRUE(synth->WaitUntilReady(kLoadTimeout)) << synth->Name();
  return synth;
}

std::vector<float> Sine(double hz, double seconds, double amplitude = 0.5) {
  std::vector<float> samples(static_cast<std::size_t>(seconds * kRate));
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<float>(
        amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kRate));
  }
  return samples;
}

TEST(AudioAnalysisTest, FindsTheFrequencyOfTheStrongestComponentWithinHalfACent) {
  for (double hz : {43.65, 82.41, 110.0, 329.63, 1000.5}) {
    SCOPED_TRACE(hz);
    auto samples = Sine(hz, 1.0);
    const auto overtone = Sine(2.0 * hz, 1.0, 0.2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
      samples[i] += overtone[i];
    }
    const auto peak = StrongestPeak(samples, kRate, hz / 1.5, hz * 1.5);
    EXPECT_NEAR(CentsBetween(peak.frequency, hz), 0.0, 0.5);
    const auto both = StrongestPeak(samples, kRate, kLowestAnalysedHz, kHighestAnalysedHz);
    EXPECT_NEAR(both.frequency, hz, 0.5) << "the weaker overtone was taken for the peak";
  }
  EXPECT_NEAR(KeyFrequency(40), 82.4069, 1e-3);
  EXPECT_NEAR(CentsBetween(KeyFrequency(41), KeyFrequency(40)), 100.0, 1e-9);
}

struct PitchCase {
  int program;
  int key;
};
void PrintTo(const PitchCase& c, std::ostream* out) {
  *out << "program " << c.program << ", key " << c.key;
}

class BuiltInSynthPitchTest : public ::testing::TestWithParam<PitchCase> {};

TEST_P(BuiltInSynthPitchTest, SoundsTheKeyInTune) {
  const auto [program, key] = GetParam();
  auto synth = ReadySynth();
  auto connection = synth->Open();
  ASSERT_NE(connection, nullptr);
  connection->Send(ProgramChange(program));
  connection->Send(NoteOn(key));
  const auto sound = Render(*synth, 1.2);
  const auto measured = MeasureNear(Slice(sound, 0.2, 1.2), KeyFrequency(key));
  EXPECT_NEAR(CentsBetween(measured.frequency, KeyFrequency(key)), 0.0, kPitchTolerance)
      << measured.frequency << " Hz";
  EXPECT_GT(measured.share, kAudibleShare);
}

INSTANTIATE_TEST_SUITE_P(Keys, BuiltInSynthPitchTest,
                         ::testing::Values(PitchCase{kNylonGuitar, 40}, PitchCase{kNylonGuitar, 45},
                                           PitchCase{kNylonGuitar, 64}, PitchCase{kSteelGuitar, 52},
                                           PitchCase{kPiano, 40}, PitchCase{kPiano, 57}));

struct StringCase {
  const char* note;
  int string;
  int key;
};
void PrintTo(const StringCase& c, std::ostream* out) {
  *out << c.note << " on string " << c.string;
}

class BuiltInSynthTonePlayerTest : public ::testing::TestWithParam<StringCase> {};

// The whole chain a user hears: tone player, worker, device list position 0, synthesizer.
TEST_P(BuiltInSynthTonePlayerTest, SingleStrikeOfAStringSoundsItsPitch) {
  const auto [note, string, key] = GetParam();
  auto synth = ReadySynth();
  auto* synthPointer = synth.get();
  SystemMidiOutputs outputs(std::move(synth), std::make_unique<ExternalMidiPorts>());
  testing::VirtualClock clock;
  {
    TonePlayer player(outputs, clock);
    player.ApplySettings(
        {.DeviceIndex = 0, .Instrument = kNylonGuitar, .Loop = false, .Rate = kDefaultRate});
    player.Play(string);
    player.WaitIdle();
  }
  // The worker has closed its connection; the note rings on.
  const auto sound = Render(*synthPointer, 1.2);
  const auto measured = MeasureNear(Slice(sound, 0.2, 1.2), KeyFrequency(key));
  EXPECT_NEAR(CentsBetween(measured.frequency, KeyFrequency(key)), 0.0, kPitchTolerance)
      << measured.frequency << " Hz";
  EXPECT_GT(measured.share, kAudibleShare);
}

INSTANTIATE_TEST_SUITE_P(StandardTuning, BuiltInSynthTonePlayerTest,
                         ::testing::Values(StringCase{"E", 1, 40}, StringCase{"A", 2, 45},
                                           StringCase{"D", 3, 50}, StringCase{"G", 4, 55},
                                           StringCase{"B", 5, 59}, StringCase{"E", 6, 64}));

// Pressing another string: the looping note is stopped, and the next note releases it, so only
// the new string's pitch is heard.
TEST(BuiltInSynthTest, TheNextStringsNoteReleasesTheStoppedLoopingNote) {
  const double lowE = KeyFrequency(40);  // not a harmonic of the A string's 110 Hz
  double remaining[2] = {};
  for (const bool pressAnother : {false, true}) {
    auto synth = ReadySynth();
    auto* synthPointer = synth.get();
    SystemMidiOutputs outputs(std::move(synth), std::make_unique<ExternalMidiPorts>());
    testing::VirtualClock clock;
    {
      TonePlayer player(outputs, clock);
      player.ApplySettings(
          {.DeviceIndex = 0, .Instrument = kNylonGuitar, .Loop = true, .Rate = kDefaultRate});
      clock.At(std::chrono::milliseconds(1000), [&player] { player.StopAll(); });
      player.Play(1);
      player.WaitIdle();
      if (pressAnother) {
        ChangeSetting(player, &PlaybackSettings::Loop, false);
        player.Play(2);
        player.WaitIdle();
      }
    }
    const auto sound = Render(*synthPointer, 1.5);
    const double band = std::pow(2.0, 30.0 / 1200.0);
    remaining[pressAnother ? 1 : 0] =
        StrongestPeak(Slice(sound, 0.5, 1.5), kRate, lowE / band, lowE * band).magnitude;
    if (pressAnother) {
      const auto a = MeasureNear(Slice(sound, 0.5, 1.5), KeyFrequency(45));
      EXPECT_NEAR(CentsBetween(a.frequency, KeyFrequency(45)), 0.0, kPitchTolerance);
      EXPECT_GT(a.share, kAudibleShare);
    }
  }
  EXPECT_GT(remaining[0], 0.0);
  EXPECT_LT(remaining[1], 0.02 * remaining[0]) << "the stopped note still rings";
}

TEST(BuiltInSynthTest, OverlappingConnectionsDoNotDisturbEachOther) {
  auto synth = ReadySynth();
  auto first = synth->Open();
  first->Send(ProgramChange(kNylonGuitar));
  first->Send(NoteOn(40));
  // The second connection's reset and program change must stay on its own channel.
  auto second = synth->Open();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(BuiltInSynth::ChannelOf(*first), BuiltInSynth::ChannelOf(*second));
  second->Send(ProgramChange(kChurchOrgan));
  second->Send(NoteOn(45));
  const auto sound = Render(*synth, 1.2);
  for (int key : {40, 45}) {
    SCOPED_TRACE(key);
    const auto measured = MeasureNear(Slice(sound, 0.2, 1.2), KeyFrequency(key));
    EXPECT_NEAR(CentsBetween(measured.frequency, KeyFrequency(key)), 0.0, kPitchTolerance);
    EXPECT_GT(measured.share, kAudibleShare);
  }
}

// What one note of program 24 sounds like, with another connection made by `other` in between
// selecting the program and striking the key.
using OtherConnection = std::function<std::unique_ptr<MidiConnection>(BuiltInSynth&)>;
std::vector<float> GuitarNoteWhileAnotherConnection(const OtherConnection& other) {
  auto synth = ReadySynth();
  auto connection = synth->Open();
  connection->Send(ProgramChange(kNylonGuitar));
  const auto otherConnection = other(*synth);
  connection->Send(NoteOn(40));
  return Render(*synth, 0.5);
}

TEST(BuiltInSynthTest, AnotherConnectionsProgramChangeLeavesTheSoundUnchanged) {
  const auto alone = GuitarNoteWhileAnotherConnection([](BuiltInSynth&) { return nullptr; });
  const auto withOther = GuitarNoteWhileAnotherConnection([](BuiltInSynth& synth) {
    auto other = synth.Open();
    other->Send(ProgramChange(kChurchOrgan));
    return other;
  });
  ASSERT_EQ(alone.size(), withOther.size());
  double difference = 0.0;
  for (std::size_t i = 0; i < alone.size(); ++i) {
    difference = std::max(difference, static_cast<double>(std::abs(alone[i] - withOther[i])));
  }
  EXPECT_GT(Rms(alone), 1e-3);
  EXPECT_LT(difference, 1e-4 * Rms(alone) + 1e-6);
}

// A church organ note never decays by itself, so only a release can silence it.
TEST(BuiltInSynthTest, ClosedConnectionRingsUntilTheRingLimitThenIsReleased) {
  const double limit = std::chrono::duration<double>(kRingLimit).count();
  for (const bool close : {true, false}) {
    SCOPED_TRACE(close ? "closed" : "kept open");
    auto synth = ReadySynth();
    auto connection = synth->Open();
    connection->Send(ProgramChange(kChurchOrgan));
    connection->Send(NoteOn(52));
    const auto start = Render(*synth, 1.0);
    if (close) {
      connection.reset();
    }
    const auto rest = Render(*synth, limit + 2.5);
    const double playing = Rms(Slice(start, 0.5, 1.0));
    ASSERT_GT(playing, 1e-3);
    // Just before the limit: still ringing.
    EXPECT_GT(Rms(Slice(rest, limit - 0.5, limit - 0.1)), 0.3 * playing);
    const double after = Rms(Slice(rest, limit + 2.0, limit + 2.5));
    if (close) {
      EXPECT_LT(after, 0.01 * playing);
    } else {
      EXPECT_GT(after, 0.3 * playing);
    }
  }
}

// A reference tone is dry: the reverberation and chorus a connection asks for add nothing, so a
// note with both sends at full sounds exactly as one with both at zero.
TEST(BuiltInSynthTest, PlaysDryWhateverEffectSendsAConnectionAsksFor) {
  std::vector<float> sounds[2];
  for (const std::uint8_t send : {std::uint8_t{0}, kControllerMax}) {
    auto synth = ReadySynth();
    auto connection = synth->Open();
    connection->Send(ProgramChange(kChurchOrgan));
    connection->Send(midi::Pack(midi::kControlChange, midi::kReverbSendController, send));
    connection->Send(midi::Pack(midi::kControlChange, midi::kChorusSendController, send));
    connection->Send(NoteOn(52));
    auto sound = Render(*synth, 1.0);
    connection->Send(midi::Pack(midi::kNoteOff, 52, 0));
    const auto released = Render(*synth, 1.0);
    sound.insert(sound.end(), released.begin(), released.end());
    sounds[send == 0 ? 0 : 1] = std::move(sound);
  }
  const double dry = Rms(sounds[0]);
  ASSERT_GT(dry, 1e-3);
  std::vector<float> difference(sounds[0].size());
  for (std::size_t i = 0; i < difference.size(); ++i) {
    difference[i] = sounds[1][i] - sounds[0][i];
  }
  EXPECT_LT(Rms(difference), 1e-4 * dry);
}

TEST(BuiltInSynthTest, ClosedConnectionIsReleasedWhenTheNextNoteStarts) {
  // The organ's key 52 (164.8 Hz) shares no harmonic with the guitar's key 45 (110 Hz).
  const double organHz = KeyFrequency(52);
  double ringing[2] = {};
  for (const bool strike : {false, true}) {
    auto synth = ReadySynth();
    {
      auto organ = synth->Open();
      organ->Send(ProgramChange(kChurchOrgan));
      organ->Send(NoteOn(52));
      Render(*synth, 0.5);
    }
    auto guitar = synth->Open();
    guitar->Send(ProgramChange(kNylonGuitar));
    if (strike) {
      guitar->Send(NoteOn(45));
    }
    const auto sound = Render(*synth, 2.0);
    const double cents = 30.0;
    const double band = std::pow(2.0, cents / 1200.0);
    ringing[strike ? 1 : 0] =
        StrongestPeak(Slice(sound, 1.0, 2.0), kRate, organHz / band, organHz * band).magnitude;
  }
  EXPECT_GT(ringing[0], 0.0);
  // Opening and selecting a program is no note: the organ rang on. A note-on released it.
  EXPECT_LT(ringing[1], 0.02 * ringing[0]);
}

TEST(BuiltInSynthTest, ConnectionsNeverGetThePercussionChannel) {
  auto synth = ReadySynth();
  std::vector<std::unique_ptr<MidiConnection>> held;
  std::set<int> channels;
  constexpr int kMany = 64;
  for (int i = 0; i < kMany; ++i) {
    auto connection = synth->Open();
    if (!connection) {
      break;
    }
    channels.insert(BuiltInSynth::ChannelOf(*connection));
    held.push_back(std::move(connection));
  }
  EXPECT_GE(held.size(), 8U) << "too few overlapping notes possible";
  EXPECT_EQ(channels.size(), held.size()) << "two open connections share a channel";
  EXPECT_FALSE(channels.contains(midi::kPercussionChannel));
  held.clear();

  for (int i = 0; i < 20; ++i) {
    auto connection = synth->Open();
    ASSERT_NE(connection, nullptr);
    EXPECT_NE(BuiltInSynth::ChannelOf(*connection), midi::kPercussionChannel);
  }
}

// Opens and closes connections until one gets `channel` again; nullptr if none does.
std::unique_ptr<MidiConnection> OpenOnChannel(BuiltInSynth& synth, int channel) {
  constexpr int kAttempts = 64;
  for (int i = 0; i < kAttempts; ++i) {
    auto candidate = synth.Open();
    if (candidate && BuiltInSynth::ChannelOf(*candidate) == channel) {
      return candidate;
    }
  }
  return nullptr;
}

TEST(BuiltInSynthTest, AReusedChannelIsFreshlyReset) {
  auto synth = ReadySynth();
  int used = -1;
  {
    auto spoiler = synth->Open();
    used = BuiltInSynth::ChannelOf(*spoiler);
    spoiler->Send(midi::Pack(midi::kControlChange, midi::kVolumeController, 0));
    spoiler->Send(midi::Pack(midi::kPitchBend, kPitchBendMax & midi::kDataMask,
                             kPitchBendMax >> midi::kDataBits));
  }
  auto connection = OpenOnChannel(*synth, used);
  ASSERT_NE(connection, nullptr) << "the channel was never handed out again";
  connection->Send(ProgramChange(kNylonGuitar));
  connection->Send(NoteOn(40));
  const auto sound = Render(*synth, 1.2);
  const auto measured = MeasureNear(Slice(sound, 0.2, 1.2), KeyFrequency(40));
  EXPECT_GT(Rms(sound), 1e-3) << "volume 0 survived";
  EXPECT_NEAR(CentsBetween(measured.frequency, KeyFrequency(40)), 0.0, kPitchTolerance)
      << "pitch bend survived";
}

// Renders `frames` more frames of the synthesizer's output, mixed to mono.
std::vector<float> RenderFrames(BuiltInSynth& synth, int frames) {
  std::vector<float> left(static_cast<std::size_t>(frames));
  std::vector<float> right(left.size());
  synth.Render(left.data(), right.data(), frames);
  for (std::size_t i = 0; i < left.size(); ++i) {
    left[i] = 0.5F * (left[i] + right[i]);
  }
  return left;
}

class BuiltInSynthRestrikeTest : public ::testing::TestWithParam<int> {};

// A connection that strikes its note again damps the previous strike, as a pick plucking a string
// again does: smoothly, and gone well before the next strike of a loop at rate 20. The new strike
// sounds exactly as a first one, so what a re-struck note adds to a fresh one is the damped
// previous strike alone.
TEST_P(BuiltInSynthRestrikeTest, AStrikeAgainDampsThePreviousOneSmoothly) {
  const int program = GetParam();
  constexpr int kKey = 40;
  // Whole 64-frame blocks, so both strikes start on a block of the synthesizer's own.
  constexpr int kBeforeRestrike = 138 * 64;  // 0.2 s
  constexpr int kAfter = 345 * 64;           // 0.5 s
  const auto fresh = [program] {
    auto synth = ReadySynth();
    auto connection = synth->Open();
    connection->Send(ProgramChange(program));
    connection->Send(NoteOn(kKey));
    return RenderFrames(*synth, kAfter);
  }();
  auto synth = ReadySynth();
  auto connection = synth->Open();
  connection->Send(ProgramChange(program));
  connection->Send(NoteOn(kKey));
  const auto before = RenderFrames(*synth, kBeforeRestrike);
  connection->Send(NoteOn(kKey));
  const auto after = RenderFrames(*synth, kAfter);

  // The previous strike throughout.
  auto previous = before;
  for (std::size_t i = 0; i < after.size(); ++i) {
    previous.push_back(after[i] - fresh[i]);
  }
  const double sounding = Rms(Slice(before, 0.15, 0.2));
  ASSERT_GT(sounding, 1e-3);
  // 0.15 s after the new strike the previous one is silent.
  EXPECT_LT(Rms(Slice(previous, 0.35, 0.7)), 1e-4 * sounding);
  // No click: it fades out rather than stops, keeping more than a third of its level over its
  // first period (E2: 12 ms) after the new strike.
  const double restrike = static_cast<double>(kBeforeRestrike) / kRate;
  EXPECT_GT(Rms(Slice(previous, restrike, restrike + 0.012)),
            Rms(Slice(previous, restrike - 0.012, restrike)) / 3.0);
}

INSTANTIATE_TEST_SUITE_P(Programs, BuiltInSynthRestrikeTest,
                         ::testing::Values(kNylonGuitar, kSteelGuitar, kJazzGuitar, kPiano));

using Selected = BuiltInSynth::SelectedProgram;

// "channel:bank/program" for each selected program.
std::string Describe(const std::vector<Selected>& selected) {
  std::string text;
  for (const auto& s : selected) {
    text += std::to_string(s.channel) + ":" + std::to_string(s.bank) + "/" +
            std::to_string(s.program) + " ";
  }
  return text;
}

// Each selected program holds its samples in memory, so a program is selected only where it is
// wanted: on the channel of a connection that chose it, or of one that has played on it, and for
// the program announced by Prepare(). Never on the percussion channel, which nothing plays.
TEST(BuiltInSynthTest, OnlyTheProgramsPreparedOrChosenAreSelected) {
  for (const char* soundFont : {kFluidR3, kTimGM6mb}) {
    SCOPED_TRACE(soundFont);
    auto synth = ReadySynth(Offline({soundFont}));
    EXPECT_EQ(Describe(synth->SelectedPrograms()), "") << "after loading";

    synth->Prepare(kNylonGuitar, kGuitarKeys);
    const auto preparedOnly = [&synth] {
      const auto selected = synth->SelectedPrograms();
      return selected.size() == 1 && selected[0].bank == 0 && selected[0].program == kNylonGuitar;
    };
    EXPECT_TRUE(testing::WaitFor(preparedOnly, kLoadTimeout));
    const int preloadChannel = synth->SelectedPrograms().at(0).channel;
    EXPECT_NE(preloadChannel, midi::kPercussionChannel);

    auto steel = synth->Open();
    ASSERT_NE(steel, nullptr);
    const int steelChannel = BuiltInSynth::ChannelOf(*steel);
    EXPECT_NE(steelChannel, preloadChannel);
    EXPECT_EQ(Describe(synth->SelectedPrograms()), Describe({{preloadChannel, 0, kNylonGuitar}}))
        << "opening selects nothing";
    steel->Send(ProgramChange(kSteelGuitar));
    auto piano = synth->Open();
    ASSERT_NE(piano, nullptr);
    piano->Send(NoteOn(57));  // no program change: program 0
    std::vector<Selected> expected = {{preloadChannel, 0, kNylonGuitar},
                                      {steelChannel, 0, kSteelGuitar},
                                      {BuiltInSynth::ChannelOf(*piano), 0, kPiano}};
    std::sort(expected.begin(), expected.end(),
              [](const Selected& a, const Selected& b) { return a.channel < b.channel; });
    EXPECT_EQ(Describe(synth->SelectedPrograms()), Describe(expected));
  }
}

// Holds the synthesizer in its loading state (through the tuning factory, which it calls last)
// until released.
class LoadingGate {
 public:
  LoadingGate() : released_(promise_.get_future().share()) {}
  void Release() {
    if (!done_) {
      done_ = true;
      promise_.set_value();
    }
  }
  KeyTuningFactory Factory() const {
    return [released = released_](const std::string&, double) {
      released.wait();
      return std::unique_ptr<KeyTuningSource>();
    };
  }

 private:
  std::promise<void> promise_;
  std::shared_future<void> released_;
  bool done_ = false;
};

// Declared after the synthesizer, so a failed assertion releases the gate before the
// synthesizer's destruction waits for its loader.
struct ReleaseOnExit {
  LoadingGate& gate;
  ~ReleaseOnExit() { gate.Release(); }
};

TEST(BuiltInSynthLoadingTest, OpenDuringLoadingWaitsForItAndTheNameNeverBlocks) {
  LoadingGate gate;
  auto options = Offline();
  options.tuning = gate.Factory();
  BuiltInSynth synth(options);
  ReleaseOnExit release{gate};
  EXPECT_EQ(synth.State(), DeviceState::Ready);
  auto opening = std::async(std::launch::async, [&synth] { return synth.Open(); });
  EXPECT_EQ(opening.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
      << "Open() did not wait for the loading";
  gate.Release();
  const auto connection = opening.get();
  EXPECT_NE(connection, nullptr);
}

TEST(BuiltInSynthLoadingTest, OpenFailsWhenLoadingOutlastsTheWait) {
  LoadingGate gate;
  auto options = Offline();
  options.tuning = gate.Factory();
  options.loadWait = std::chrono::milliseconds(50);
  BuiltInSynth synth(options);
  ReleaseOnExit release{gate};
  EXPECT_EQ(synth.Open(), nullptr);
  gate.Release();
  ASSERT_TRUE(synth.WaitUntilReady(kLoadTimeout));
  EXPECT_NE(synth.Open(), nullptr) << "a slow load spoiled the synthesizer for good";
}

// A connection that strikes a key without a program change hears program 0, whatever the
// channel's previous connection had chosen.
TEST(BuiltInSynthTest, WithoutAProgramChangeAConnectionPlaysProgramZero) {
  const auto piano = [] {
    auto synth = ReadySynth();
    auto connection = synth->Open();
    connection->Send(ProgramChange(kPiano));
    connection->Send(NoteOn(57));
    return Render(*synth, 0.5);
  }();
  auto synth = ReadySynth();
  int used = -1;
  {
    auto organ = synth->Open();
    used = BuiltInSynth::ChannelOf(*organ);
    organ->Send(ProgramChange(kChurchOrgan));
  }
  auto connection = OpenOnChannel(*synth, used);
  ASSERT_NE(connection, nullptr);
  connection->Send(NoteOn(57));
  const auto sound = Render(*synth, 0.5);
  ASSERT_EQ(sound.size(), piano.size());
  double difference = 0.0;
  for (std::size_t i = 0; i < sound.size(); ++i) {
    difference = std::max(difference, static_cast<double>(std::abs(sound[i] - piano[i])));
  }
  EXPECT_GT(Rms(piano), 1e-3);
  EXPECT_LT(difference, 1e-4 * Rms(piano) + 1e-6);
}

// A copy of `source` whose sample data is cut to its first few kilobytes, its sizes mended: it
// loads, but its samples point past the data, so FluidSynth plays none of them.
void WriteCutShort(const std::filesystem::path& source, const std::filesystem::path& target) {
  constexpr std::uint32_t kKeptSampleBytes = 4096;
  std::ifstream in(source, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto size = [&data](std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, data.data() + at, sizeof value);
    return value;
  };
  const auto put = [&data](std::size_t at, std::uint32_t value) {
    std::memcpy(data.data() + at, &value, sizeof value);
  };
  const std::size_t list = data.find("sdta") - 8;  // "LIST", its size, "sdta", "smpl", its size
  const std::uint32_t oldList = size(list + 4);
  const std::size_t keptEnd = list + 20 + kKeptSampleBytes;
  data.erase(keptEnd, list + 8 + oldList - keptEnd);
  put(list + 4, 12 + kKeptSampleBytes);
  put(list + 16, kKeptSampleBytes);
  put(4, static_cast<std::uint32_t>(data.size() - 8));
  std::ofstream(target, std::ios::binary) << data;
}

struct BrokenCase {
  const char* label;
  std::function<BuiltInSynthOptions(const std::filesystem::path& folder)> options;
  DeviceState state;
};

class BuiltInSynthBrokenTest : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BuiltInSynthBrokenTest, OpenFailsAndTheStateSaysWhy) {
  const auto folder =
      std::filesystem::temp_directory_path() /
      ("morrowfane-synth-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "broken.sf2") << "RIFF, but no SoundFont in it";
  WriteCutShort(kTimGM6mb, folder / "cut.sf2");
  BuiltInSynth synth(GetParam().options(folder));
  EXPECT_FALSE(synth.WaitUntilReady(kLoadTimeout));
  EXPECT_EQ(synth.Open(), nullptr);
  EXPECT_EQ(synth.State(), GetParam().state);
  EXPECT_EQ(synth.Name(), "Built-in synthesizer");
  std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BuiltInSynthBrokenTest,
    ::testing::Values(
        BrokenCase{"NoCandidates", [](const auto&) { return Offline({}); },
                   DeviceState::NoSoundFont},
        BrokenCase{"MissingFiles",
                   [](const auto& folder) {
                     return Offline({(folder / "none.sf2").string(), "/nonexistent/x.sf2"});
                   },
                   DeviceState::NoSoundFont},
        BrokenCase{"NotASoundFont",
                   [](const auto& folder) { return Offline({(folder / "broken.sf2").string()}); },
                   DeviceState::NoSoundFont},
        BrokenCase{"SamplesCutShort",
                   [](const auto& folder) { return Offline({(folder / "cut.sf2").string()}); },
                   DeviceState::SoundFontUnusable},
        BrokenCase{"NoAudioDriverStarts",
                   [](const auto&) {
                     auto options = Offline();
                     options.audioDrivers = {"no-such-driver"};
                     return options;
                   },
                   DeviceState::NoAudioOutput}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(BuiltInSynthTest, TakesTheFirstSoundFontThatLoadsAndSounds) {
  const auto folder = std::filesystem::temp_directory_path() / "morrowfane-synth-order";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "broken.sf2") << "not a SoundFont";
  WriteCutShort(kTimGM6mb, folder / "cut.sf2");
  auto synth =
      ReadySynth(Offline({(folder / "missing.sf2").string(), (folder / "broken.sf2").string(),
                          (folder / "cut.sf2").string(), kTimGM6mb, kFluidR3}));
  EXPECT_EQ(synth->SoundFontPath(), kTimGM6mb);
  EXPECT_EQ(synth->State(), DeviceState::Ready);
  EXPECT_EQ(synth->SampleRate(), kRate);
  std::filesystem::remove_all(folder);
}

// Pitch corrections: +50 cents on key 40 of program 24 only.
class FakeTuning final : public KeyTuningSource {
 public:
  static constexpr int kTunedProgram = kNylonGuitar;
  static constexpr int kTunedKey = 40;
  static constexpr double kShift = 50.0;

  std::optional<KeyPitches> Lookup(int program) const override {
    if (program != kTunedProgram) {
      return std::nullopt;
    }
    KeyPitches pitches{};
    for (int key = 0; key < kKeyCount; ++key) {
      pitches[static_cast<std::size_t>(key)] = 100.0 * key + (key == kTunedKey ? kShift : 0.0);
    }
    return pitches;
  }
  void Request(int program, KeyRange /*keys*/) override {
    std::lock_guard lock(mutex_);
    requests_.push_back(program);
  }
  std::vector<int> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<int> requests_;
};

struct TuningProbe {
  FakeTuning* source = nullptr;
  std::string path;
  double rate = 0.0;
};

BuiltInSynthOptions TunedOptions(TuningProbe& probe) {
  auto options = Offline();
  options.tuning = [&probe](const std::string& path, double rate) {
    auto source = std::make_unique<FakeTuning>();
    probe = {source.get(), path, rate};
    return source;
  };
  return options;
}

double MeasuredCents(BuiltInSynth& synth, const std::vector<int>& programs, int key) {
  auto connection = synth.Open();
  for (int program : programs) {
    connection->Send(ProgramChange(program));
  }
  connection->Send(NoteOn(key));
  const auto sound = Render(synth, 1.2);
  return CentsBetween(MeasureNear(Slice(sound, 0.2, 1.2), KeyFrequency(key)).frequency,
                      KeyFrequency(key));
}

TEST(BuiltInSynthTuningTest, CorrectionsShiftTheKeysTheyName) {
  const double plain = MeasuredCents(*ReadySynth(), {kNylonGuitar}, 40);
  TuningProbe probe;
  auto synth = ReadySynth(TunedOptions(probe));
  ASSERT_NE(probe.source, nullptr);
  EXPECT_EQ(probe.path, kFluidR3);
  EXPECT_EQ(probe.rate, kRate);
  EXPECT_NEAR(MeasuredCents(*synth, {kNylonGuitar}, 40) - plain, FakeTuning::kShift, 3.0);
  // Key 45 of the same program has no correction.
  const double plain45 = MeasuredCents(*ReadySynth(), {kNylonGuitar}, 45);
  EXPECT_NEAR(MeasuredCents(*synth, {kNylonGuitar}, 45) - plain45, 0.0, 3.0);
}

TEST(BuiltInSynthTuningTest, AProgramWithoutCorrectionsPlaysUncorrected) {
  TuningProbe probe;
  auto synth = ReadySynth(TunedOptions(probe));
  const double plain = MeasuredCents(*ReadySynth(), {kSteelGuitar}, 40);
  // The same connection first selects the corrected program, then one without corrections,
  // which sounds exactly as the SoundFont has it: none of the corrected program's fine-tuning
  // stays on the channel.
  EXPECT_NEAR(MeasuredCents(*synth, {kNylonGuitar, kSteelGuitar}, 40) - plain, 0.0, 0.05);
}

TEST(BuiltInSynthTuningTest, PrepareReachesTheSourceAlsoWhenMadeDuringLoading) {
  TuningProbe probe;
  BuiltInSynth synth(TunedOptions(probe));
  synth.Prepare(kSteelGuitar, kGuitarKeys);
  ASSERT_TRUE(synth.WaitUntilReady(kLoadTimeout));
  synth.Prepare(kPiano, kGuitarKeys);
  ASSERT_NE(probe.source, nullptr);
  EXPECT_EQ(probe.source->Requests(), (std::vector<int>{kSteelGuitar, kPiano}));
}

}  // namespace
}  // namespace morrowfane
