#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "AudioAnalysis.h"
#include "DesktopSoundServer.h"
#include "pitch/PitchAnalysis.h"
#include "pitch/PitchCorrector.h"
#include "synth/BuiltInSynth.h"

namespace morrowfane {
namespace {

using namespace std::chrono_literals;
using testing::DesktopSoundServer;
using testing::SinkRecorder;
using testing::WaitFor;
using Kind = DesktopSoundServer::Kind;

constexpr int kNylonGuitar = 24;
constexpr auto kLoadTimeout = 30s;
constexpr float kOnsetLevel = 1e-3F;
constexpr double kRate = SinkRecorder::kSampleRate;
// Heard from 0.4 s to 1.4 s after the strike; dropouts looked for over its first 1.6 s.
constexpr double kHeardFrom = 0.4;
constexpr double kHeardTo = 1.4;
constexpr double kWholeFor = 1.6;
constexpr std::size_t kDropoutRun = 32;
constexpr double kPitchTolerance = 0.5;  // cents
constexpr double kNoPitch = 100.0;       // cents: read as far out of tune
constexpr std::size_t kBefore = 4800;    // 0.1 s: the level a strike must rise above
constexpr float kOnsetOverTail = 2.0F;
// Strikes on one connection this far apart: each damps the one before within 0.12 s, well before
// the next note's heard stretch.
constexpr auto kStrikeSpacing = 1700ms;
// A monitor delivers the sink's sound a while after it played.
constexpr auto kRecordBefore = 300ms;
constexpr auto kRecordAfter = 2000ms;
constexpr double kNextStrikeAfter = 1.5;  // seconds: where to look for the next strike
// The ring limit, the release of the note's voices and the ring limit again, with the service
// period's slack: the output has been let go by then.
constexpr auto kIdleWait = 15s;

struct NoteReading {
  bool audible = false;
  int dropouts = 0;
  double cents = 0.0;  // heard pitch less the key's equal-tempered pitch
};

// The note of `key` struck at `strike` in `samples`, read as heard and for dropouts.
NoteReading Read(std::span<const float> samples, std::size_t strike, int key) {
  NoteReading reading;
  const auto whole = static_cast<std::size_t>(kWholeFor * kRate);
  if (samples.size() < strike + whole) {
    return reading;
  }
  const auto note = samples.subspan(strike, whole);
  reading.audible = testing::Rms(note) > kOnsetLevel;
  reading.dropouts = testing::Dropouts(note, kDropoutRun);
  const auto heard = note.subspan(static_cast<std::size_t>(kHeardFrom * kRate),
                                  static_cast<std::size_t>((kHeardTo - kHeardFrom) * kRate));
  PitchAnalyzer analyzer;
  const double expected = testing::KeyFrequency(key);
  const auto pitch = analyzer.Measure(heard, kRate, expected);
  reading.cents = pitch ? testing::CentsBetween(pitch->frequency, expected) : kNoPitch;
  return reading;
}

// Where a strike begins, from `from` on, in a recording that may hold an earlier note's tail there:
// the first sample well above the level just before `from`.
std::optional<std::size_t> Onset(std::span<const float> samples, std::size_t from = kBefore) {
  from = std::min(from, samples.size());
  float level = kOnsetLevel;
  for (float sample : samples.subspan(from - std::min(from, kBefore), std::min(from, kBefore))) {
    level = std::max(level, kOnsetOverTail * std::abs(sample));
  }
  const auto onset = testing::FirstAbove(samples.subspan(from), level);
  return onset ? std::optional(from + *onset) : std::nullopt;
}

void ExpectWholeAndInTune(const NoteReading& reading, int key) {
  ASSERT_TRUE(reading.audible) << "key " << key << " silent";
  EXPECT_EQ(reading.dropouts, 0) << "key " << key;
  EXPECT_NEAR(reading.cents, 0.0, kPitchTolerance) << "key " << key;
}

class DesktopSoundTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    server_ = std::make_unique<DesktopSoundServer>(GetParam());
    if (!server_->Failure().empty()) {
      GTEST_SKIP() << server_->Failure();
    }
  }

  std::unique_ptr<DesktopSoundServer> server_;
};

std::unique_ptr<BuiltInSynth> SynthOnSdl() {
  BuiltInSynthOptions options;
  options.audioDrivers = {"sdl"};
  options.tuning = MakePitchCorrector;
  auto synth = std::make_unique<BuiltInSynth>(std::move(options));
  synth->Prepare(kNylonGuitar);
  return synth;
}

// `keys` struck on one connection, kStrikeSpacing apart, and the recording of the sink's monitor
// with the index of each strike in it.
struct Recording {
  std::vector<float> samples;
  std::vector<std::size_t> strikes;
};

Recording RecordStrikes(BuiltInSynth& synth, const std::vector<int>& keys) {
  Recording recording;
  SinkRecorder recorder;
  auto connection = synth.Open();
  if (!connection) {
    return recording;
  }
  connection->Send(midi::Pack(midi::kProgramChange, kNylonGuitar));
  std::this_thread::sleep_for(kRecordBefore);
  for (int key : keys) {
    connection->Send(
        midi::Pack(midi::kNoteOn, static_cast<std::uint8_t>(key), midi::kStrikeVelocity));
    std::this_thread::sleep_for(kStrikeSpacing);
  }
  std::this_thread::sleep_for(kRecordAfter);
  recording.samples = recorder.Stop();
  auto onset = Onset(recording.samples);
  const auto gap = static_cast<std::size_t>(kNextStrikeAfter * kRate);
  while (onset && recording.strikes.size() < keys.size()) {
    recording.strikes.push_back(*onset);
    onset = Onset(recording.samples, *onset + gap);
  }
  return recording;
}

void ExpectStrikesWholeAndInTune(const Recording& recording, const std::vector<int>& keys) {
  ASSERT_EQ(recording.strikes.size(), keys.size()) << "silent";
  for (std::size_t i = 0; i < keys.size(); ++i) {
    ExpectWholeAndInTune(Read(recording.samples, recording.strikes[i], keys[i]), keys[i]);
  }
}

// Each string of the standard tuning, recorded from the sink's monitor.
TEST_P(DesktopSoundTest, SixStringsSoundWholeAndInTuneThroughOneStream) {
  auto synth = SynthOnSdl();
  ASSERT_TRUE(synth->WaitUntilReady(kLoadTimeout)) << synth->Name();
  EXPECT_EQ(synth->AudioDriver().rfind("sdl/", 0), 0u) << synth->AudioDriver();
  const std::vector<int> strings = {40, 45, 50, 55, 59, 64};
  ExpectStrikesWholeAndInTune(RecordStrikes(*synth, strings), strings);
  EXPECT_EQ(server_->Streams(), 1);
}

// With nothing sounding for the ring limit the program holds no stream; a note opens it again.
TEST_P(DesktopSoundTest, LetsGoOfTheStreamWhenIdleAndOpensItForTheNextNote) {
  auto synth = SynthOnSdl();
  ASSERT_TRUE(synth->WaitUntilReady(kLoadTimeout)) << synth->Name();
  ASSERT_EQ(server_->Streams(), 1);
  EXPECT_TRUE(WaitFor([this] { return server_->Streams() == 0; }, kIdleWait));
  EXPECT_EQ(synth->Name(), "Built-in synthesizer");
  synth->Wake();
  EXPECT_TRUE(WaitFor([this] { return server_->Streams() == 1; }, 2s));
  ExpectStrikesWholeAndInTune(RecordStrikes(*synth, {45}), {45});
}

INSTANTIATE_TEST_SUITE_P(Servers, DesktopSoundTest,
                         ::testing::Values(Kind::PulseAudio, Kind::PipeWire), [](const auto& info) {
                           return info.param == Kind::PulseAudio ? "PulseAudio" : "PipeWire";
                         });

std::string ReadText(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class SuspendedProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = std::make_unique<DesktopSoundServer>(Kind::PulseAudio);
    if (!server_->Failure().empty()) {
      GTEST_SKIP() << server_->Failure();
    }
  }

  std::unique_ptr<DesktopSoundServer> server_;
};

// A laptop's suspend stops the process for a while; its callbacks come late, but its server is
// fine: the output stays the one it was.
TEST_F(SuspendedProcessTest, StoppedAndContinuedThreeTimesItStillHoldsOneStreamAndPlaysInTune) {
  const std::string log = ::testing::TempDir() + "synth_child.log";
  testing::ChildProcess child({SYNTH_CHILD, std::to_string(kNylonGuitar)}, log);
  ASSERT_TRUE(
      WaitFor([&] { return ReadText(log).find("ready") != std::string::npos; }, kLoadTimeout))
      << ReadText(log);
  ASSERT_TRUE(child.Write("45"));
  ASSERT_TRUE(WaitFor([&] { return ReadText(log).find("struck") != std::string::npos; }, 5s));
  for (int i = 0; i < 3; ++i) {
    child.Signal(SIGSTOP);
    std::this_thread::sleep_for(2s);
    child.Signal(SIGCONT);
    std::this_thread::sleep_for(500ms);
  }
  EXPECT_EQ(server_->Streams(), 1);
  SinkRecorder recorder;
  std::this_thread::sleep_for(kRecordBefore);
  ASSERT_TRUE(child.Write("52"));
  std::this_thread::sleep_for(kStrikeSpacing + kRecordAfter);
  const auto samples = recorder.Stop();
  const auto onset = Onset(samples);
  ASSERT_TRUE(onset.has_value()) << "silent";
  ExpectWholeAndInTune(Read(samples, *onset, 52), 52);
  EXPECT_EQ(server_->Streams(), 1);
}

class ProgramSignalTest : public SuspendedProcessTest, public ::testing::WithParamInterface<int> {};

// SDL would catch SIGINT and SIGTERM for an event loop the program does not run.
TEST_P(ProgramSignalTest, EndsTheProgramAtOnceWithItsOutputOpen) {
  const std::string folder = ::testing::TempDir() + "signal-" + std::to_string(GetParam());
  std::filesystem::create_directories(folder);
  testing::ChildProcess program(
      {"env", "-C", folder, "QT_QPA_PLATFORM=offscreen", MORROWFANE_PROGRAM},
      folder + "/output.log");
  ASSERT_TRUE(WaitFor([this] { return server_->Streams() == 1; }, kLoadTimeout));
  program.Signal(GetParam());
  ASSERT_TRUE(WaitFor([&] { return program.Exited(); }, 1s));
  EXPECT_TRUE(WIFSIGNALED(program.Status()));
  EXPECT_EQ(WTERMSIG(program.Status()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramSignalTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) {
                           return info.param == SIGTERM ? "SIGTERM" : "SIGINT";
                         });

}  // namespace
}  // namespace morrowfane
