#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "AudioAnalysis.h"
#include "DesktopSoundServer.h"
#include "NoteRecording.h"
#include "synth/BuiltInSynth.h"

namespace morrowfane {
namespace {

using namespace std::chrono_literals;
using testing::DesktopSoundServer;
using testing::WaitFor;
using Kind = DesktopSoundServer::Kind;

constexpr int kNylonGuitar = 24;
constexpr auto kLoadTimeout = 30s;
constexpr double kPitchTolerance = 0.5;  // cents
// The ring limit, the release of the note's voices and the ring limit again, with the service
// period's slack: the output has been let go by then.
constexpr auto kIdleWait = 15s;

// A sanitizer slows the synthesizer past what real time allows: its notes are checked for sound,
// not for dropouts and pitch.
#ifdef MORROWFANE_SANITIZED
constexpr bool kRealTime = false;
#else
constexpr bool kRealTime = true;
#endif

void ExpectWholeAndInTune(const testing::NoteReading& reading, int key) {
  ASSERT_TRUE(reading.audible) << "key " << key << " silent";
  if (!kRealTime) {
    return;
  }
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

// `keys` struck on one connection of `synth`.
testing::Recording RecordStrikes(BuiltInSynth& synth, const std::vector<int>& keys) {
  auto connection = synth.Open();
  if (!connection) {
    return {};
  }
  connection->Send(midi::Pack(midi::kProgramChange, kNylonGuitar));
  return testing::RecordStrikes(
      [&](int key) {
        connection->Send(
            midi::Pack(midi::kNoteOn, static_cast<std::uint8_t>(key), midi::kStrikeVelocity));
      },
      keys);
}

void ExpectStrikesWholeAndInTune(const testing::Recording& recording,
                                 const std::vector<int>& keys) {
  ASSERT_EQ(recording.strikes.size(), keys.size()) << "silent";
  for (std::size_t i = 0; i < keys.size(); ++i) {
    ExpectWholeAndInTune(testing::ReadNote(recording.samples, recording.strikes[i], keys[i]),
                         keys[i]);
  }
}

// Each string of the standard tuning, recorded from the sink's monitor.
TEST_P(DesktopSoundTest, SixStringsSoundWholeAndInTuneThroughOneStream) {
  auto synth = testing::CorrectedSynthOnSdl(kNylonGuitar);
  ASSERT_TRUE(synth->WaitUntilReady(kLoadTimeout)) << synth->Name();
  EXPECT_EQ(synth->AudioDriver().rfind("sdl/", 0), 0u) << synth->AudioDriver();
  const std::vector<int> strings = {40, 45, 50, 55, 59, 64};
  ExpectStrikesWholeAndInTune(RecordStrikes(*synth, strings), strings);
  EXPECT_EQ(server_->Streams(), 1);
}

// With nothing sounding for the ring limit the program holds no stream; a note opens it again.
TEST_P(DesktopSoundTest, LetsGoOfTheStreamWhenIdleAndOpensItForTheNextNote) {
  auto synth = testing::CorrectedSynthOnSdl(kNylonGuitar);
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
  ASSERT_TRUE(WaitFor([&] { return testing::ReadText(log).find("ready") != std::string::npos; },
                      kLoadTimeout))
      << testing::ReadText(log);
  ASSERT_TRUE(child.Write("45"));
  ASSERT_TRUE(
      WaitFor([&] { return testing::ReadText(log).find("struck") != std::string::npos; }, 5s));
  for (int i = 0; i < 3; ++i) {
    child.Signal(SIGSTOP);
    std::this_thread::sleep_for(2s);
    child.Signal(SIGCONT);
    std::this_thread::sleep_for(500ms);
  }
  EXPECT_EQ(server_->Streams(), 1);
  ExpectStrikesWholeAndInTune(
      testing::RecordStrikes([&](int key) { child.Write(std::to_string(key)); }, {52}), {52});
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
