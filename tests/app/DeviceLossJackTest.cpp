#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "AudioAnalysis.h"
#include "JackTestServer.h"
#include "SoundFonts.h"
#include "app/TunerWindow.h"
#include "ports/ExternalMidiPorts.h"
#include "ports/SystemMidiOutputs.h"
#include "ui/IconButton.h"

namespace morrowfane {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::JackRecorder;
using testing::JackTestServer;
using testing::WaitFor;

constexpr std::chrono::milliseconds kWait = 10s;
constexpr int kServerRate = 48000;
constexpr char kSinkClient[] = "mf-loss";
constexpr char kSinkPort[] = "mf-loss:input";
constexpr char kSynthOutput[] = "MorrowFane:left";
// String 1 of standard tuning: key 40 struck at velocity 126, as jack_midi_dump prints it.
constexpr char kStringOneNoteOn[] = "90 28 7e";
constexpr double kAudible = 1e-3;
constexpr double kSilent = 1e-4;

// A church organ sounds for as long as its key is held, so an old note left sounding would be
// heard after the outage.
struct LossCase {
  const char* name;
  const char* settings;
  int deviceId;
};

void PrintTo(const LossCase& c, std::ostream* os) {
  *os << c.name;
}

// The real window, devices and JACK server: a note loops at rate 20 on string 1, the server is
// killed and started again.
class DeviceLoss : public ::testing::TestWithParam<LossCase> {
 protected:
  void SetUp() override {
    if (const std::string missing = testing::MissingJackMidiTools(); !missing.empty()) {
      GTEST_SKIP() << missing;
    }
    server_ = std::make_unique<JackTestServer>(kServerRate);
    ASSERT_TRUE(server_->Running()) << "jackd did not start";
    StartSink();
    BuiltInSynthOptions synth;
    synth.soundFonts = std::vector<std::string>{testing::kTimGM6mb};
    synth.audioDrivers = {"jack"};
    outputs_.emplace(std::make_unique<BuiltInSynth>(synth), std::make_unique<ExternalMidiPorts>());
    ASSERT_TRUE(outputs_->Synth().WaitUntilReady(kWait));
    ASSERT_TRUE(WaitFor([this] { return outputs_->DeviceIdByName(kSinkPort).has_value(); }, kWait));

    std::ofstream(settingsPath_, std::ios::binary) << GetParam().settings;
    player_.emplace(*outputs_, sleeper_);
    settings_.Load(*outputs_);
    window_.emplace(*player_, *outputs_, settings_);
    window_->show();
  }

  void TearDown() override {
    window_.reset();
    player_.reset();
    outputs_.reset();
    sink_.reset();
    server_.reset();
    std::filesystem::remove(dump_);
  }

  void StartSink() {
    std::filesystem::remove(dump_);
    sink_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"stdbuf", "-oL", "jack_midi_dump", kSinkClient}, dump_.string());
  }

  // Whether string 1's note is heard within the wait: its bytes on the port, or the synthesizer's
  // sound.
  bool Heard() {
    if (GetParam().deviceId != kDefaultDeviceId) {
      return WaitFor(
          [&] {
            return testing::ReadText(dump_.string()).find(kStringOneNoteOn) != std::string::npos;
          },
          kWait);
    }
    return testing::Rms(Record(1s)) > kAudible;
  }

  static std::vector<float> Record(std::chrono::milliseconds time) {
    JackRecorder recorder(static_cast<std::size_t>(kServerRate * 2 * time.count() / 1000));
    if (!recorder.Record(kSynthOutput)) {
      return {};
    }
    std::this_thread::sleep_for(time);
    return recorder.Samples();
  }

  void PressStringOne() { QTest::mouseClick(&window_->StringButton(1), Qt::LeftButton); }

  QTemporaryDir dir_;
  std::filesystem::path settingsPath_ =
      std::filesystem::path(dir_.path().toStdString()) / "morrowfane.ini";
  std::filesystem::path dump_ =
      std::filesystem::temp_directory_path() / ("mf-loss-" + std::to_string(getpid()));
  std::unique_ptr<JackTestServer> server_;
  std::unique_ptr<ChildProcess> sink_;
  std::optional<SystemMidiOutputs> outputs_;
  SystemSleeper sleeper_;
  std::optional<TonePlayer> player_;
  StoredSettings settings_{settingsPath_};
  std::optional<TunerWindow> window_;
};

TEST_P(DeviceLoss, UnlightsTheLoopingNotesButtonAndTheNextPressSounds) {
  const int device = GetParam().deviceId;
  PressStringOne();
  ASSERT_TRUE(Heard()) << "the looping note was never heard";

  server_->Kill();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window_->ButtonState().ButtonLit(1); }, 5000))
      << "the button of the note that ended with its device stays lit";
  EXPECT_FALSE(window_->ButtonState().Sounding());

  ASSERT_TRUE(server_->Restart()) << "jackd did not start again";
  StartSink();
  ASSERT_TRUE(WaitFor(
      [&] {
        return outputs_->DeviceIdByName(kSinkPort).has_value() &&
               outputs_->StateOf(device) == DeviceState::Ready;
      },
      kWait))
      << "the device did not come back";
  if (device == kDefaultDeviceId) {
    EXPECT_LT(testing::Rms(Record(1s)), kSilent) << "the note cut off by the outage plays on";
  }
  PressStringOne();
  EXPECT_TRUE(window_->ButtonState().ButtonLit(1));
  EXPECT_TRUE(Heard()) << "the first press after the server came back is silent";
  PressStringOne();
}

INSTANTIATE_TEST_SUITE_P(
    Devices, DeviceLoss,
    ::testing::Values(
        LossCase{
            "BuiltInSynthesizer",
            "[MorrowFane]\r\nTuning=E\r\nMidiDev=0\r\nMidiPatch=19\r\nLoop=true\r\nMidiDev=20\r\n",
            kDefaultDeviceId},
        LossCase{
            "JackPort",
            "[MorrowFane]\r\nTuning=E\r\nMidiDev=1\r\nMidiPatch=19\r\nLoop=true\r\nMidiDev=20\r\n"
            "MidiDevName=mf-loss:input\r\n",
            0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace morrowfane
