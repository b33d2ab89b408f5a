#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "AudioAnalysis.h"
#include "JackTestServer.h"
#include "SoundFonts.h"
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
using testing::ProgramOnPath;
using testing::WaitFor;

constexpr milliseconds kPortWait{5000};
constexpr milliseconds kDeliveryWait{5000};
constexpr char kSinkClient[] = "mf-sink";
constexpr char kSinkPort[] = "mf-sink:input";
using morrowfane::testing::kFluidR3;
constexpr char kSequencerDevice[] = "/dev/snd/seq";
constexpr int kNylonGuitar = 24;
constexpr double kPitchTolerance = 15.0;  // cents

using Bytes = std::vector<int>;

// Sets an environment variable for the scope's lifetime.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* previous = std::getenv(name)) {
      previous_ = previous;
    }
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (previous_) {
      setenv(name_, previous_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

std::filesystem::path TempFile(const std::string& stem) {
  return std::filesystem::temp_directory_path() / (stem + "-" + std::to_string(getpid()) + ".txt");
}

// The events jack_midi_dump has printed so far, one list of bytes each.
std::vector<Bytes> DumpedEvents(const std::filesystem::path& path) {
  static const std::regex kEventLine(R"(^\s*\d+:((?:\s[0-9a-f]{2})+))");
  std::vector<Bytes> events;
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    std::smatch match;
    if (std::regex_search(line, match, kEventLine)) {
      std::istringstream bytes(match[1].str());
      Bytes event;
      int byte = 0;
      while (bytes >> std::hex >> byte) {
        event.push_back(byte);
      }
      events.push_back(event);
    }
  }
  return events;
}

std::vector<Bytes> NoteOns(const std::vector<Bytes>& events) {
  std::vector<Bytes> noteOns;
  std::copy_if(events.begin(), events.end(), std::back_inserter(noteOns),
               [](const Bytes& event) { return !event.empty() && event[0] == 0x90; });
  return noteOns;
}

TEST(ExternalPortsTest, WithoutSequencerOrServerThereAreNoPortsAndNothingIsPrinted) {
  if (access(kSequencerDevice, F_OK) == 0) {
    GTEST_SKIP() << "this machine has an ALSA sequencer, so it may well have ports";
  }
  ScopedEnvironment noServer("JACK_DEFAULT_SERVER", "mf-absent-" + std::to_string(getpid()));
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  {
    ExternalMidiPorts ports;
    EXPECT_EQ(ports.Count(), 0);
    EXPECT_EQ(ports.Name(0), "");
    EXPECT_EQ(ports.Open(0), nullptr);
    EXPECT_EQ(ports.Open(-2), nullptr);

    auto outputs = CreateSystemMidiOutputs();
    auto& synth = static_cast<SystemMidiOutputs&>(*outputs).Synth();
    synth.WaitUntilReady(std::chrono::seconds(30));
    const auto devices = ListDevices(*outputs);
    ASSERT_EQ(devices.size(), 1U);
    EXPECT_EQ(devices[0], "Built-in synthesizer");
    EXPECT_EQ(outputs->Open(0), nullptr);
    auto connection = outputs->Open(kDefaultDeviceId);
    EXPECT_EQ(connection != nullptr, outputs->StateOf(kDefaultDeviceId) == DeviceState::Ready);
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// A dummy JACK server with jack_midi_dump listening on "mf-sink:input".
class JackMidiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string missing = testing::MissingJackMidiTools(); !missing.empty()) {
      GTEST_SKIP() << missing;
    }
    server_ = std::make_unique<JackTestServer>();
    ASSERT_TRUE(server_->Running()) << "jackd did not start";
    // Line-buffered, so events can be read while the sink runs.
    sink_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"stdbuf", "-oL", "jack_midi_dump", kSinkClient}, dump_.string());
    ports_ = std::make_unique<ExternalMidiPorts>();
    ASSERT_TRUE(WaitFor([this] { return ports_->Count() == 1; }, kPortWait))
        << "the sink's port never appeared";
  }

  void TearDown() override {
    ports_.reset();
    sink_.reset();
    server_.reset();
    std::filesystem::remove(dump_);
  }

  // The program's devices: the fixture's ports, after a built-in synthesizer without a SoundFont.
  std::unique_ptr<SystemMidiOutputs> OutputsWithThePorts() {
    BuiltInSynthOptions silent;
    silent.soundFonts = std::vector<std::string>{};
    return std::make_unique<SystemMidiOutputs>(std::make_unique<BuiltInSynth>(silent),
                                               std::move(ports_));
  }

  std::vector<Bytes> WaitForEvents(std::size_t count) {
    WaitFor([&] { return DumpedEvents(dump_).size() >= count; }, kDeliveryWait);
    return DumpedEvents(dump_);
  }

  std::filesystem::path dump_ = TempFile("morrowfane-midi-dump");
  std::unique_ptr<JackTestServer> server_;
  std::unique_ptr<ChildProcess> sink_;
  std::unique_ptr<ExternalMidiPorts> ports_;
};

TEST_F(JackMidiTest, AJackOnlySystemListsTheServersMidiInputs) {
  EXPECT_EQ(ports_->Name(0), kSinkPort);
  EXPECT_EQ(ports_->Name(1), "");
  sink_.reset();
  EXPECT_TRUE(WaitFor([this] { return ports_->Count() == 0; }, kPortWait))
      << "a port that went away is still listed";
}

TEST_F(JackMidiTest, ToneOnTheExternalPortSendsTheExactBytesInOrder) {
  struct Case {
    int instrument;
    int string;
    int key;
  };
  const std::array<Case, 2> cases = {Case{kNylonGuitar, 1, 40}, Case{127, 5, 59}};
  auto outputs = OutputsWithThePorts();
  SystemSleeper sleeper;
  auto player = std::make_unique<TonePlayer>(*outputs, sleeper);
  std::vector<Bytes> expected;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto& c = cases[i];
    player->ApplySettings(
        {.DeviceIndex = 1, .Instrument = c.instrument, .Loop = false, .Rate = kDefaultRate});
    player->Play(c.string);
    player->WaitIdle();
    // The note the last one left on ends as this one starts.
    if (i > 0) {
      expected.push_back({0x80, cases[i - 1].key, 0x40});
    }
    const std::vector<Bytes> note = {{0xC0, c.instrument},
                                     {0x90, c.key, 0x7E},
                                     {0xB0, 0x0A, 0x40},
                                     {0xB0, 0x5B, 0x00},
                                     {0xB0, 0x5D, 0x00}};
    expected.insert(expected.end(), note.begin(), note.end());
    EXPECT_EQ(WaitForEvents(expected.size()), expected);
  }
  // The last note's note-off goes out when the program closes its ports.
  player.reset();
  outputs.reset();
  expected.push_back({0x80, cases.back().key, 0x40});
  EXPECT_EQ(WaitForEvents(expected.size()), expected);
}

TEST_F(JackMidiTest, AReferencePitchOtherThan440TunesTheChannelAndCentresItAfterwards) {
  struct Case {
    int a4;
    Bytes fineTuning;  // data entry's two bytes; none at 440 Hz
  };
  const std::array<Case, 2> cases = {Case{432, {0x2B, 0x56}}, Case{440, {}}};
  auto outputs = OutputsWithThePorts();
  SystemSleeper sleeper;
  auto player = std::make_unique<TonePlayer>(*outputs, sleeper);
  const auto tuning = [](const Bytes& value) {
    return std::vector<Bytes>{{0xB0, 0x65, 0x00},     {0xB0, 0x64, 0x01}, {0xB0, 0x06, value[0]},
                              {0xB0, 0x26, value[1]}, {0xB0, 0x65, 0x7F}, {0xB0, 0x64, 0x7F}};
  };
  std::vector<Bytes> expected;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto& c = cases[i];
    player->ApplySettings({.DeviceIndex = 1,
                           .Instrument = kNylonGuitar,
                           .Loop = false,
                           .Rate = kDefaultRate,
                           .ReferenceA4 = c.a4});
    player->Play(1);
    player->WaitIdle();
    if (i > 0) {
      expected.push_back({0x80, 40, 0x40});
    }
    expected.push_back({0xC0, kNylonGuitar});
    if (!c.fineTuning.empty()) {
      const auto bytes = tuning(c.fineTuning);
      expected.insert(expected.end(), bytes.begin(), bytes.end());
    }
    const std::vector<Bytes> note = {
        {0x90, 40, 0x7E}, {0xB0, 0x0A, 0x40}, {0xB0, 0x5B, 0x00}, {0xB0, 0x5D, 0x00}};
    expected.insert(expected.end(), note.begin(), note.end());
    if (!c.fineTuning.empty()) {
      const auto bytes = tuning({0x40, 0x00});
      expected.insert(expected.end(), bytes.begin(), bytes.end());
    }
    EXPECT_EQ(WaitForEvents(expected.size()), expected) << "A4 " << c.a4;
  }
  // Nothing more at 440 Hz, however long one waits.
  constexpr milliseconds kSettleTime{200};
  std::this_thread::sleep_for(kSettleTime);
  EXPECT_EQ(DumpedEvents(dump_), expected);
}

TEST_F(JackMidiTest, ANoteLeftOnEndsAfterTheRingLimitUnlessTheConnectionEndedIt) {
  constexpr milliseconds kShortRingLimit{300};
  struct Case {
    const char* what;
    std::vector<midi::PackedMessage> sent;
    std::vector<Bytes> noteOffsAfterClose;
  };
  const std::vector<Case> cases = {
      {"struck twice", {midi::Pack(0x90, 40, 126), midi::Pack(0x90, 40, 126)}, {{0x80, 40, 0x40}}},
      {"two keys on channel 3",
       {midi::Pack(0x92, 45, 126), midi::Pack(0x92, 52, 1)},
       {{0x82, 45, 0x40}, {0x82, 52, 0x40}}},
      {"ended by a note-off", {midi::Pack(0x90, 50, 126), midi::Pack(0x80, 50, 0)}, {}},
      {"ended by velocity 0", {midi::Pack(0x90, 55, 126), midi::Pack(0x90, 55, 0)}, {}},
  };
  ExternalMidiPorts ports(JackMidiClientOptions{.ringLimit = kShortRingLimit});
  ASSERT_TRUE(WaitFor([&] { return ports.Count() == 1; }, kPortWait));
  std::size_t seen = DumpedEvents(dump_).size();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    {
      auto connection = ports.Open(0);
      ASSERT_NE(connection, nullptr);
      for (const auto message : c.sent) {
        connection->Send(message);
      }
    }
    const auto closed = std::chrono::steady_clock::now();
    seen += c.sent.size();
    ASSERT_EQ(WaitForEvents(seen).size(), seen);
    // Never before the ring limit, and then within a generous bound.
    std::this_thread::sleep_for(kShortRingLimit / 2);
    EXPECT_EQ(DumpedEvents(dump_).size(), seen);
    const auto events = WaitForEvents(seen + c.noteOffsAfterClose.size());
    if (!c.noteOffsAfterClose.empty()) {
      EXPECT_GE(std::chrono::steady_clock::now() - closed, kShortRingLimit);
    }
    ASSERT_EQ(events.size(), seen + c.noteOffsAfterClose.size());
    EXPECT_EQ(std::vector<Bytes>(events.begin() + static_cast<std::ptrdiff_t>(seen), events.end()),
              c.noteOffsAfterClose);
    seen = events.size();
  }
}

TEST_F(JackMidiTest, AServerKilledWhileANoteLoopsIsSurvivedAndItsPortsComeBack) {
  constexpr int kSlowRate = 20;
  auto outputs = OutputsWithThePorts();
  SystemSleeper sleeper;
  TonePlayer player(*outputs, sleeper);
  player.ApplySettings(
      {.DeviceIndex = 1, .Instrument = kNylonGuitar, .Loop = true, .Rate = kSlowRate});
  player.Play(1);
  ASSERT_EQ(WaitForEvents(2).size(), 2U) << "the looping note never reached the port";

  server_->Kill();
  sink_.reset();
  EXPECT_TRUE(WaitFor([&] { return outputs->StateOf(0) == DeviceState::ServerAway; }, kPortWait));
  EXPECT_EQ(outputs->DeviceName(0), kSinkPort);
  EXPECT_EQ(outputs->DeviceIdByName(std::string(kSinkPort) + ExternalMidiPorts::kServerAwaySuffix),
            0)
      << "a name stored by an earlier version is not found";
  player.StopAll();
  player.WaitIdle();
  EXPECT_EQ(outputs->Open(0), nullptr);

  ASSERT_TRUE(server_->Restart()) << "jackd did not start again";
  sink_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"stdbuf", "-oL", "jack_midi_dump", kSinkClient}, dump_.string());
  ASSERT_TRUE(WaitFor([&] { return outputs->StateOf(0) == DeviceState::Ready; }, kPortWait))
      << "the restarted server's port is not listed: " << outputs->DeviceName(0);
  player.ApplySettings(
      {.DeviceIndex = 1, .Instrument = kNylonGuitar, .Loop = false, .Rate = kDefaultRate});
  player.Play(2);
  player.WaitIdle();
  const std::vector<Bytes> expected = {{0xC0, kNylonGuitar},
                                       {0x90, 45, 0x7E},
                                       {0xB0, 0x0A, 0x40},
                                       {0xB0, 0x5B, 0x00},
                                       {0xB0, 0x5D, 0x00}};
  EXPECT_EQ(WaitForEvents(expected.size()), expected);
}

TEST_F(JackMidiTest, PortsThatSwapPlacesAreStillFoundByName) {
  const std::filesystem::path otherDump = TempFile("morrowfane-midi-dump-b");
  auto other = std::make_unique<ChildProcess>(
      std::vector<std::string>{"stdbuf", "-oL", "jack_midi_dump", "mf-b"}, otherDump.string());
  ASSERT_TRUE(WaitFor([this] { return ports_->Count() == 2; }, kPortWait));
  ASSERT_EQ(ports_->Name(1), "mf-b:input");
  // The first sink comes back after the second, so the two swap places in the list. The server
  // would give it its old place back, so a filler takes that place meanwhile.
  sink_.reset();
  ASSERT_TRUE(WaitFor([this] { return ports_->Count() == 1; }, kPortWait));
  auto filler =
      std::make_unique<ChildProcess>(std::vector<std::string>{"jack_midi_dump", "mf-filler"});
  ASSERT_TRUE(WaitFor([this] { return ports_->Count() == 2; }, kPortWait));
  sink_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"stdbuf", "-oL", "jack_midi_dump", kSinkClient}, dump_.string());
  ASSERT_TRUE(WaitFor([this] { return ports_->Count() == 3; }, kPortWait));
  filler.reset();
  ASSERT_TRUE(WaitFor([this] { return ports_->Name(1) == kSinkPort; }, kPortWait))
      << ports_->Name(0) << ", " << ports_->Name(1);
  auto outputs = OutputsWithThePorts();
  EXPECT_EQ(outputs->DeviceIdByName("mf-b:input"), 0);
  EXPECT_EQ(outputs->DeviceIdByName(kSinkPort), 1);
  EXPECT_EQ(outputs->DeviceIdByName("mf-gone:input"), std::nullopt);
  const auto id = outputs->DeviceIdByName(kSinkPort);
  ASSERT_TRUE(id.has_value());
  auto connection = outputs->Open(*id);
  ASSERT_NE(connection, nullptr);
  connection->Send(midi::Pack(0xC0, 7));
  EXPECT_EQ(WaitForEvents(1), (std::vector<Bytes>{{0xC0, 7}}));
  EXPECT_TRUE(DumpedEvents(otherDump).empty());
  connection.reset();
  other.reset();
  std::filesystem::remove(otherDump);
}

TEST_F(JackMidiTest, WorkersOpeningTheSamePortAtOnceLoseNoMessage) {
  constexpr int kWorkers = 3;
  constexpr int kRounds = 2;
  constexpr int kMessages = 16;
  std::vector<std::thread> workers;
  std::atomic<int> failedOpens{0};
  for (int worker = 0; worker < kWorkers; ++worker) {
    workers.emplace_back([&, worker] {
      for (int round = 0; round < kRounds; ++round) {
        auto connection = ports_->Open(0);
        if (!connection) {
          ++failedOpens;
          continue;
        }
        for (int key = 0; key < kMessages; ++key) {
          connection->Send(midi::Pack(midi::kNoteOn, static_cast<std::uint8_t>(key),
                                      static_cast<std::uint8_t>(worker + 1)));
        }
      }
    });
  }
  for (auto& worker : workers) {
    worker.join();
  }
  EXPECT_EQ(failedOpens.load(), 0);
  // Each connection leaves its keys on; their note-offs come too, and are not counted here.
  WaitFor([&] { return NoteOns(DumpedEvents(dump_)).size() >= kWorkers * kRounds * kMessages; },
          kDeliveryWait);
  const auto events = NoteOns(DumpedEvents(dump_));
  ASSERT_EQ(events.size(), static_cast<std::size_t>(kWorkers * kRounds * kMessages));
  std::array<int, kWorkers> nextKey{};
  for (const auto& event : events) {
    ASSERT_EQ(event.size(), 3U);
    EXPECT_EQ(event[0], 0x90);
    const int worker = event[2] - 1;
    ASSERT_TRUE(worker >= 0 && worker < kWorkers);
    // Each worker's messages arrive whole and in its order.
    EXPECT_EQ(event[1], nextKey[static_cast<std::size_t>(worker)] % kMessages);
    ++nextKey[static_cast<std::size_t>(worker)];
  }
}

TEST(JackAudioTest, BuiltInSynthPlaysInTuneThroughJackAtTheServersRate) {
  if (!ProgramOnPath("jackd")) {
    GTEST_SKIP() << "jackd is not installed (package jackd2)";
  }
  if (!std::filesystem::exists(kFluidR3)) {
    GTEST_SKIP() << "FluidR3_GM.sf2 is not installed (package fluid-soundfont-gm)";
  }
  // Not the synthesizer's own preference of 48 kHz: it has to follow the server.
  constexpr int kServerRate = 44100;
  JackTestServer server(kServerRate);
  ASSERT_TRUE(server.Running()) << "jackd did not start";
  BuiltInSynthOptions options;
  options.soundFonts = std::vector<std::string>{kFluidR3};
  options.audioDrivers = {"jack"};
  auto synth = std::make_unique<BuiltInSynth>(options);
  ASSERT_TRUE(synth->WaitUntilReady(std::chrono::seconds(30))) << synth->Name();
  EXPECT_EQ(synth->AudioDriver(), "jack");
  EXPECT_EQ(synth->SampleRate(), kServerRate);

  testing::JackRecorder recorder(static_cast<std::size_t>(kServerRate) * 10);
  ASSERT_TRUE(recorder.Record("MorrowFane:left"));
  ASSERT_EQ(recorder.SampleRate(), kServerRate);

  auto* synthPointer = synth.get();
  SystemMidiOutputs outputs(std::move(synth), std::make_unique<ExternalMidiPorts>());
  SystemSleeper sleeper;
  TonePlayer player(outputs, sleeper);
  player.ApplySettings(
      {.DeviceIndex = 0, .Instrument = kNylonGuitar, .Loop = false, .Rate = kDefaultRate});
  player.Play(1);

  constexpr float kAudible = 1e-4F;
  const auto audibleAt = [&] {
    const auto samples = recorder.Samples();
    for (std::size_t i = 0; i < samples.size(); ++i) {
      if (std::abs(samples[i]) > kAudible) {
        return static_cast<std::ptrdiff_t>(i);
      }
    }
    return std::ptrdiff_t{-1};
  };
  const std::size_t wanted = static_cast<std::size_t>(1.3 * kServerRate);
  ASSERT_TRUE(WaitFor(
      [&] {
        const auto start = audibleAt();
        return start >= 0 && recorder.Samples().size() >= static_cast<std::size_t>(start) + wanted;
      },
      std::chrono::seconds(10)))
      << "no sound came out of the synthesizer's JACK port";
  player.WaitIdle();
  const auto samples = recorder.Samples();
  const auto start = static_cast<std::size_t>(audibleAt()) + kServerRate / 5;
  const std::span<const float> window(samples.data() + start, kServerRate);
  const double expected = testing::KeyFrequency(40);
  const auto peak = testing::StrongestPeak(window, kServerRate, expected / 1.12, expected * 1.12);
  EXPECT_NEAR(testing::CentsBetween(peak.frequency, expected), 0.0, kPitchTolerance)
      << peak.frequency << " Hz";
  EXPECT_EQ(synthPointer->State(), DeviceState::Ready);
}

}  // namespace
}  // namespace morrowfane
