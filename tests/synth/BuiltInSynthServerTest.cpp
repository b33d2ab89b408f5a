#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "AudioAnalysis.h"
#include "JackTestServer.h"
#include "SoundFonts.h"
#include "synth/BuiltInSynth.h"

namespace morrowfane {
namespace {

using namespace std::chrono_literals;
using testing::JackRecorder;
using testing::JackTestServer;
using testing::WaitFor;

constexpr int kServerRate = 48000;
constexpr int kChurchOrgan = 19;  // sounds for as long as its key is held
constexpr int kKey = 57;
constexpr auto kLoadTimeout = 30s;
// The output is noticed lost within about a second, and tried again once a second.
constexpr auto kNoticeTimeout = 5s;
constexpr char kOutputPort[] = "MorrowFane:left";
constexpr double kAudible = 1e-3;
constexpr double kPitchTolerance = 15.0;  // cents

BuiltInSynthOptions OnJack() {
  BuiltInSynthOptions options;
  options.soundFonts = std::vector<std::string>{testing::kTimGM6mb};
  options.audioDrivers = {"jack"};
  return options;
}

void Strike(MidiConnection& connection) {
  connection.Send(midi::Pack(midi::kProgramChange, kChurchOrgan));
  connection.Send(midi::Pack(midi::kNoteOn, kKey, midi::kStrikeVelocity));
}

// What the synthesizer's JACK output plays over `seconds`, from now.
std::vector<float> Record(std::chrono::milliseconds time) {
  JackRecorder recorder(static_cast<std::size_t>(kServerRate * 2 * time.count() / 1000));
  if (!recorder.Record(kOutputPort)) {
    return {};
  }
  std::this_thread::sleep_for(time);
  return recorder.Samples();
}

class BuiltInSynthServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::ProgramOnPath("jackd")) {
      GTEST_SKIP() << "jackd is not installed (package jackd2)";
    }
    server_ = std::make_unique<JackTestServer>(kServerRate);
    ASSERT_TRUE(server_->Running());
    synth_ = std::make_unique<BuiltInSynth>(OnJack());
    ASSERT_TRUE(synth_->WaitUntilReady(kLoadTimeout)) << synth_->Name();
    ASSERT_EQ(synth_->AudioDriver(), "jack");
  }

  std::unique_ptr<JackTestServer> server_;
  std::unique_ptr<BuiltInSynth> synth_;
};

TEST_F(BuiltInSynthServerTest, PlaysAgainWhenTheKilledServerComesBack) {
  auto connection = synth_->Open();
  ASSERT_NE(connection, nullptr);
  Strike(*connection);
  ASSERT_GT(testing::Rms(Record(300ms)), kAudible) << "silent before the server was killed";

  server_->Kill();
  EXPECT_TRUE(
      WaitFor([this] { return synth_->State() == DeviceState::NoAudioOutput; }, kNoticeTimeout));
  EXPECT_EQ(synth_->Open(), nullptr) << "a note without audio output must end at once";
  connection.reset();

  ASSERT_TRUE(server_->Restart());
  EXPECT_TRUE(WaitFor([this] { return synth_->State() == DeviceState::Ready; }, kNoticeTimeout));
  auto again = synth_->Open();
  ASSERT_NE(again, nullptr);
  Strike(*again);
  const auto sound = Record(1000ms);
  ASSERT_GT(testing::Rms(sound), kAudible) << "silent after the server came back";
  const auto peak = testing::StrongestPeak(sound, kServerRate, testing::KeyFrequency(kKey - 1),
                                           testing::KeyFrequency(kKey + 1));
  EXPECT_NEAR(testing::CentsBetween(peak.frequency, testing::KeyFrequency(kKey)), 0.0,
              kPitchTolerance);
}

// Started before its sound server (at login, say), the synthesizer plays once the server is up.
TEST(BuiltInSynthLateServerTest, PlaysOnceTheServerComesUp) {
  if (!testing::ProgramOnPath("jackd")) {
    GTEST_SKIP() << "jackd is not installed (package jackd2)";
  }
  JackTestServer server(kServerRate);
  ASSERT_TRUE(server.Running());
  server.Kill();
  BuiltInSynth synth(OnJack());
  EXPECT_FALSE(synth.WaitUntilReady(kLoadTimeout));
  EXPECT_EQ(synth.State(), DeviceState::NoAudioOutput);
  EXPECT_EQ(synth.Open(), nullptr);

  ASSERT_TRUE(server.Restart());
  EXPECT_TRUE(WaitFor([&] { return synth.State() == DeviceState::Ready; }, kNoticeTimeout));
  ASSERT_TRUE(synth.WaitUntilReady(kLoadTimeout));
  auto connection = synth.Open();
  ASSERT_NE(connection, nullptr);
  Strike(*connection);
  EXPECT_GT(testing::Rms(Record(1000ms)), kAudible) << "silent after the server came up";
}

class BuiltInSynthServerGoneTest : public BuiltInSynthServerTest,
                                   public ::testing::WithParamInterface<std::chrono::milliseconds> {
};

// The synthesizer is destroyed (the program closes) a moment after the server died, before or
// after it noticed; the test process survives.
TEST_P(BuiltInSynthServerGoneTest, ClosingAfterTheServerDiedDoesNotCrash) {
  auto connection = synth_->Open();
  ASSERT_NE(connection, nullptr);
  Strike(*connection);
  std::this_thread::sleep_for(100ms);
  server_->Kill();
  std::this_thread::sleep_for(GetParam());
  connection.reset();
  synth_.reset();
  SUCCEED();
}

INSTANTIATE_TEST_SUITE_P(Delays, BuiltInSynthServerGoneTest, ::testing::Values(0ms, 50ms, 2000ms),
                         [](const auto& info) {
                           return std::to_string(info.param.count()) + "ms";
                         });

}  // namespace
}  // namespace morrowfane
