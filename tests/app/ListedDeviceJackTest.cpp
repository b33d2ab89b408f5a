#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "JackTestServer.h"
#include "player/DeviceChoice.h"
#include "player/TonePlayer.h"
#include "ports/ExternalMidiPorts.h"
#include "ports/SystemMidiOutputs.h"
#include "synth/BuiltInSynth.h"

namespace morrowfane {
namespace {

using std::chrono::milliseconds;
using testing::ChildProcess;
using testing::JackTestServer;
using testing::WaitFor;

constexpr milliseconds kWait{5000};
constexpr char kFirst[] = "mf-listed-a";
constexpr char kSecond[] = "mf-listed-b";
// Drop D's string 1 on root E: key 38 struck at velocity 126, as jack_midi_dump prints it.
constexpr char kDropDNoteOn[] = "90 26 7e";

std::string PortOf(const std::string& client) {
  return client + ":input";
}

// Two jack_midi_dump sinks on a dummy JACK server, started and stopped in any order, so their
// ports change places in the list while keeping their names.
class ListedDeviceJackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string missing = testing::MissingJackMidiTools(); !missing.empty()) {
      GTEST_SKIP() << missing;
    }
    server_ = std::make_unique<JackTestServer>();
    ASSERT_TRUE(server_->Running()) << "jackd did not start";
    BuiltInSynthOptions silent;
    silent.soundFonts = std::vector<std::string>{};
    auto ports = std::make_unique<ExternalMidiPorts>();
    ports_ = ports.get();
    outputs_ = std::make_unique<SystemMidiOutputs>(std::make_unique<BuiltInSynth>(silent),
                                                   std::move(ports));
  }

  void TearDown() override {
    player_.reset();
    outputs_.reset();
    sinks_[0].reset();
    sinks_[1].reset();
    server_.reset();
    for (const auto& dump : dumps_) {
      std::filesystem::remove(dump);
    }
  }

  // Starts sink `which` (0 or 1) and waits until the list holds `listed` ports.
  void StartSink(int which, int listed) {
    sinks_[which] = std::make_unique<ChildProcess>(
        std::vector<std::string>{"stdbuf", "-oL", "jack_midi_dump", kClients[which]},
        dumps_[which].string());
    ASSERT_TRUE(WaitFor([&] { return ports_->Count() == listed; }, kWait))
        << kClients[which] << " never appeared";
  }
  void StopSinks() {
    sinks_[0].reset();
    sinks_[1].reset();
    ASSERT_TRUE(WaitFor([&] { return ports_->Count() == 0; }, kWait));
  }
  // The list position (default device at 0) of a port, or -1.
  int PositionOf(const std::string& port) {
    for (int id = 0; id < outputs_->DeviceCount(); ++id) {
      if (outputs_->DeviceName(id) == port) {
        return id + 1;
      }
    }
    return -1;
  }
  // Plays string 1 of drop D once with `settings`, through the tone player.
  void PlayDropD(PlaybackSettings settings) {
    settings.Shape = TuningShape::DropD;
    settings.Loop = false;
    player_ = std::make_unique<TonePlayer>(*outputs_, sleeper_);
    player_->ApplySettings(settings);
    player_->Play(1);
    player_->WaitIdle();
  }
  bool Heard(int which) {
    return WaitFor(
        [&] {
          return testing::ReadText(dumps_[which].string()).find(kDropDNoteOn) != std::string::npos;
        },
        kWait);
  }

  const char* kClients[2] = {kFirst, kSecond};
  std::filesystem::path dumps_[2] = {
      std::filesystem::temp_directory_path() / ("mf-listed-a-" + std::to_string(getpid())),
      std::filesystem::temp_directory_path() / ("mf-listed-b-" + std::to_string(getpid()))};
  std::unique_ptr<JackTestServer> server_;
  std::unique_ptr<ChildProcess> sinks_[2];
  ExternalMidiPorts* ports_ = nullptr;
  std::unique_ptr<SystemMidiOutputs> outputs_;
  SystemSleeper sleeper_;
  std::unique_ptr<TonePlayer> player_;
};

TEST_F(ListedDeviceJackTest, TheNamedPortIsFoundAtItsNewPositionAfterTwoPortsSwapPlaces) {
  StartSink(0, 1);
  StartSink(1, 2);
  // What the options dialog stored when the second sink was chosen.
  const PlaybackSettings stored{.DeviceIndex = PositionOf(PortOf(kSecond)),
                                .DeviceName = PortOf(kSecond)};
  ASSERT_EQ(stored.DeviceIndex, 2);

  StopSinks();
  StartSink(1, 1);
  StartSink(0, 2);
  ASSERT_EQ(PositionOf(PortOf(kSecond)), 1) << "the ports did not change places";

  const PlaybackSettings found = WithListedDevice(stored, *outputs_);
  EXPECT_EQ(found.DeviceIndex, 1);
  PlayDropD(found);
  EXPECT_TRUE(Heard(1)) << "the named port got no note";
  EXPECT_EQ(testing::ReadText(dumps_[0].string()).find(kDropDNoteOn), std::string::npos)
      << "the port now at the stored position got the note";
}

// The port at the stored position is never played instead; the named one plays once it is back,
// with the settings unchanged.
TEST_F(ListedDeviceJackTest, AnAbsentNamedPortIsSilentUntilItComesBack) {
  StartSink(0, 1);
  const PlaybackSettings stored{.DeviceIndex = 1, .DeviceName = PortOf(kSecond)};
  const PlaybackSettings found = WithListedDevice(stored, *outputs_);
  EXPECT_EQ(found, stored);
  PlayDropD(found);

  StartSink(1, 2);
  PlayDropD(found);
  EXPECT_TRUE(Heard(1)) << "the named port got no note once it was back";
  EXPECT_EQ(testing::ReadText(dumps_[0].string()).find(kDropDNoteOn), std::string::npos)
      << "the port at the stored position got the note meant for the absent one";
}

}  // namespace
}  // namespace morrowfane
