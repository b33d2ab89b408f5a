#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <thread>
#include <vector>

#include "PlayerSettings.h"
#include "RecordingMidiOutputs.h"
#include "VirtualClock.h"
#include "player/DeviceChoice.h"
#include "player/TonePlayer.h"

namespace morrowfane {
namespace {

using std::chrono::milliseconds;
using testing::ChangeSetting;
using testing::RecordingMidiOutputs;
using testing::VirtualClock;
using Kind = RecordingMidiOutputs::Kind;
using Event = RecordingMidiOutputs::Event;

// The exact words on the wire, written out rather than packed, so a packing fault shows.
constexpr midi::PackedMessage kProgram0 = 0x00C0;
constexpr midi::PackedMessage kNoteOnE2 = 0x7E2890;  // key 40, velocity 126
constexpr midi::PackedMessage kPanCentre = 0x400AB0;
constexpr midi::PackedMessage kReverbOff = 0x5BB0;
constexpr midi::PackedMessage kChorusOff = 0x5DB0;
const std::vector<midi::PackedMessage> kClosing = {kPanCentre, kReverbOff, kChorusOff};

constexpr int kExternalDevices = 2;
constexpr int kPollsPerStrike = 100;

milliseconds PollOf(int rate) {
  return milliseconds(rate / 10);
}
milliseconds PeriodOf(int rate) {
  return kPollsPerStrike * PollOf(rate);
}

bool IsNoteOn(const Event& event) {
  return event.kind == Kind::Message && midi::TypeOf(event.message) == midi::kNoteOn;
}

std::vector<milliseconds> NoteOnTimes(const std::vector<Event>& events) {
  std::vector<milliseconds> times;
  for (const auto& event : events) {
    if (IsNoteOn(event)) {
      times.push_back(event.time);
    }
  }
  return times;
}

std::vector<midi::PackedMessage> MessagesOf(const std::vector<Event>& events, int connection) {
  std::vector<midi::PackedMessage> messages;
  for (const auto& event : events) {
    if (event.kind == Kind::Message && event.connection == connection) {
      messages.push_back(event.message);
    }
  }
  return messages;
}

// The last four events of a finished note: the three closing messages, then the close, all at
// one time.
void ExpectClosingAt(const std::vector<Event>& events, milliseconds time) {
  ASSERT_GE(events.size(), 4u);
  const auto tail = std::vector<Event>(events.end() - 4, events.end());
  for (std::size_t i = 0; i < kClosing.size(); ++i) {
    EXPECT_EQ(tail[i].kind, Kind::Message);
    EXPECT_EQ(tail[i].message, kClosing[i]) << "closing message " << i;
    EXPECT_EQ(tail[i].time, time) << "closing message " << i;
  }
  EXPECT_EQ(tail[3].kind, Kind::Close);
  EXPECT_EQ(tail[3].time, time);
}

// Runs a test's action inside every open, before the device is opened.
class OpenHookOutputs final : public MidiOutputs {
 public:
  OpenHookOutputs(RecordingMidiOutputs& outputs, std::function<void()> beforeOpen)
      : outputs_(outputs), beforeOpen_(std::move(beforeOpen)) {}
  int DeviceCount() override { return outputs_.DeviceCount(); }
  std::string DeviceName(int deviceId) override { return outputs_.DeviceName(deviceId); }
  std::unique_ptr<MidiConnection> Open(int deviceId) override {
    beforeOpen_();
    return outputs_.Open(deviceId);
  }

 private:
  RecordingMidiOutputs& outputs_;
  std::function<void()> beforeOpen_;
};

// A tone player whose worker sleeps in virtual time; every recorded event carries the virtual
// time at which it happened. Only the worker sleeps, so the times are exact.
class VirtualTonePlayerTest : public ::testing::Test {
 protected:
  void PlayAndWait(int stringNumber = 1) {
    player.Play(stringNumber);
    player.WaitIdle();
  }
  void StopAt(milliseconds time) {
    clock.At(time, [this] { player.StopAll(); });
  }

  VirtualClock clock;
  RecordingMidiOutputs outputs{kExternalDevices, [this] { return clock.Now(); }};
  TonePlayer player{outputs, clock};
};

TEST_F(VirtualTonePlayerTest, SingleStrikeRings200MsAndIgnoresTheStopEvent) {
  ChangeSetting(player, &PlaybackSettings::Loop, false);
  StopAt(milliseconds(100));
  PlayAndWait();

  const auto events = outputs.Events();
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[0].kind, Kind::Open);
  EXPECT_EQ(events[0].time, milliseconds(0));
  EXPECT_EQ(MessagesOf(events, 1), (std::vector<midi::PackedMessage>{
                                       kProgram0, kNoteOnE2, kPanCentre, kReverbOff, kChorusOff}));
  EXPECT_EQ(events[1].time, milliseconds(0));
  EXPECT_EQ(events[2].time, milliseconds(0));
  ExpectClosingAt(events, milliseconds(200));
  EXPECT_EQ(clock.Sleeps(), std::vector<milliseconds>{milliseconds(200)});
}

TEST_F(VirtualTonePlayerTest, EachNoteOpensTheDeviceAndSendsItsOwnProgramChange) {
  ChangeSetting(player, &PlaybackSettings::Loop, false);
  PlayAndWait();
  PlayAndWait();

  const auto events = outputs.Events();
  ASSERT_EQ(events.size(), 14u);
  for (int connection : {1, 2}) {
    SCOPED_TRACE(connection);
    EXPECT_EQ(MessagesOf(events, connection),
              (std::vector<midi::PackedMessage>{kProgram0, kNoteOnE2, kPanCentre, kReverbOff,
                                                kChorusOff}));
  }
  EXPECT_EQ(events[7].kind, Kind::Open);
  EXPECT_EQ(events[7].connection, 2);
  EXPECT_EQ(outputs.OpenConnections(), 0);
}

class RestrikePeriodTest : public VirtualTonePlayerTest,
                           public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(RestrikePeriodTest, LoopingNoteIsStruckAgainEveryHundredPolls) {
  const auto [rate, periodMs] = GetParam();
  const milliseconds period(periodMs);
  ASSERT_EQ(PeriodOf(rate), period);
  constexpr int kStrikes = 5;
  ChangeSetting(player, &PlaybackSettings::Rate, rate);
  // Well inside the fifth strike's cycle, so the test ends.
  StopAt((kStrikes - 1) * period + period / 2);
  PlayAndWait();

  std::vector<milliseconds> expected;
  for (int strike = 0; strike < kStrikes; ++strike) {
    expected.push_back(strike * period);
  }
  const auto events = outputs.Events();
  EXPECT_EQ(NoteOnTimes(events), expected);
  for (const auto& event : events) {
    if (IsNoteOn(event)) {
      EXPECT_EQ(event.message, kNoteOnE2);
    }
  }
  // The worker waits for its stop instead of waking at every poll: once per strike, then at
  // most three times to end.
  EXPECT_LE(clock.Wakeups(), kStrikes + 3);
}

INSTANTIATE_TEST_SUITE_P(Rates, RestrikePeriodTest,
                         ::testing::Values(std::pair{20, 200}, std::pair{25, 200},
                                           std::pair{300, 3000}, std::pair{400, 4000}));

class StopMidCycleTest : public VirtualTonePlayerTest, public ::testing::WithParamInterface<int> {};

TEST_P(StopMidCycleTest, NoFurtherStrikeAndClosingWithinTwoPolls) {
  const int rate = GetParam();
  ChangeSetting(player, &PlaybackSettings::Rate, rate);
  // In the middle of the second cycle and off the poll grid.
  const milliseconds stopTime = PeriodOf(rate) + PeriodOf(rate) / 2 + milliseconds(1);
  StopAt(stopTime);
  PlayAndWait();

  const auto events = outputs.Events();
  EXPECT_EQ(NoteOnTimes(events), (std::vector<milliseconds>{milliseconds(0), PeriodOf(rate)}));
  ASSERT_GE(events.size(), 4u);
  const auto closingTime = events[events.size() - 4].time;
  EXPECT_GT(closingTime, stopTime);
  EXPECT_LE(closingTime, stopTime + 2 * PollOf(rate));
  ExpectClosingAt(events, closingTime);
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](const Event& event) { return event.kind == Kind::Close; }),
            1);
}

INSTANTIATE_TEST_SUITE_P(Rates, StopMidCycleTest, ::testing::Values(20, 25, 100, 300, 400));

struct CycleEndCase {
  int stopAtMs;
  std::vector<int> noteOnsMs;
  int closingMs;
};
void PrintTo(const CycleEndCase& param, std::ostream* out) {
  *out << "stop at " << param.stopAtMs << " ms";
}

class CycleEndStopTest : public VirtualTonePlayerTest,
                         public ::testing::WithParamInterface<CycleEndCase> {};

// Rate 20: polls of 2 ms, a strike cycle of 200 ms; the 100th poll sleeps from 198 to 200 ms.
TEST_P(CycleEndStopTest, StopAroundTheLastPollOfACycle) {
  const auto& param = GetParam();
  ChangeSetting(player, &PlaybackSettings::Rate, 20);
  StopAt(milliseconds(param.stopAtMs));
  PlayAndWait();

  const auto events = outputs.Events();
  std::vector<milliseconds> noteOns;
  for (int time : param.noteOnsMs) {
    noteOns.push_back(milliseconds(time));
  }
  EXPECT_EQ(NoteOnTimes(events), noteOns);
  ExpectClosingAt(events, milliseconds(param.closingMs));
}

INSTANTIATE_TEST_SUITE_P(Polls, CycleEndStopTest,
                         ::testing::Values(
                             // Set in the 99th poll's sleep: the 100th poll sees it.
                             CycleEndCase{197, {0}, 200},
                             // Set in the 100th poll's sleep: the cycle ends by its count, one more
                             // strike goes out, and the next cycle's first poll sees the stop.
                             CycleEndCase{199, {0, 200}, 202},
                             // Set in the first poll's sleep of the second cycle.
                             CycleEndCase{201, {0, 200}, 204}));

TEST_F(VirtualTonePlayerTest, StopSetWhileIdleDoesNotCutTheNextNoteShort) {
  player.StopAll();
  ChangeSetting(player, &PlaybackSettings::Rate, 20);
  StopAt(milliseconds(450));
  PlayAndWait();

  EXPECT_EQ(NoteOnTimes(outputs.Events()),
            (std::vector<milliseconds>{milliseconds(0), milliseconds(200), milliseconds(400)}));
}

// A stop made after Play() is meant for the new note, even while its device is still opening.
TEST_F(VirtualTonePlayerTest, StopSetWhileTheDeviceOpensEndsTheNewNote) {
  TonePlayer* target = nullptr;
  OpenHookOutputs hooked(outputs, [&target] { target->StopAll(); });
  TonePlayer stopped(hooked, clock);
  target = &stopped;
  ChangeSetting(stopped, &PlaybackSettings::Rate, 20);
  // Ends the note should the stop be lost, so the test ends either way.
  clock.At(milliseconds(1000), [&stopped] { stopped.StopAll(); });
  stopped.Play(1);
  stopped.WaitIdle();

  const auto events = outputs.Events();
  EXPECT_EQ(NoteOnTimes(events), std::vector<milliseconds>{milliseconds(0)});
  ExpectClosingAt(events, milliseconds(2));
}

TEST_F(VirtualTonePlayerTest, RateChangeTakesEffectAtTheNextPoll) {
  ChangeSetting(player, &PlaybackSettings::Rate, 20);
  clock.At(milliseconds(100), [this] { ChangeSetting(player, &PlaybackSettings::Rate, 300); });
  StopAt(milliseconds(150));
  PlayAndWait();

  // Polls of 2 ms up to 100 ms; then polls of 30 ms: 130, 160 (sees the stop), 190.
  ExpectClosingAt(outputs.Events(), milliseconds(190));
}

// A device whose sound server died hears nothing more: the note ends at its next strike, with no
// closing messages, as a device that cannot open would. A single strike ends the same way. Only
// the looping note, which would have gone on, is reported lost.
TEST(TonePlayerDeviceGoneTest, ANoteWhoseDeviceWentAwayEndsSilentlyAtItsNextStrike) {
  for (const bool loop : {true, false}) {
    SCOPED_TRACE(loop ? "looping" : "single strike");
    VirtualClock clock;
    RecordingMidiOutputs gone{kExternalDevices, [&clock] { return clock.Now(); }};
    TonePlayer player{gone, clock};
    std::vector<TonePlayer::NoteId> lost;
    player.SetDeviceLostHandler([&lost](TonePlayer::NoteId note) { lost.push_back(note); });
    ChangeSetting(player, &PlaybackSettings::Loop, loop);
    ChangeSetting(player, &PlaybackSettings::Rate, 20);
    clock.At(milliseconds(150), [&gone] { gone.SetAlive(false); });
    // Ends the note should the device's loss go unnoticed, so the test ends either way.
    clock.At(milliseconds(2000), [&player] { player.StopAll(); });
    const TonePlayer::NoteId note = player.Play(1);
    player.WaitIdle();
    EXPECT_EQ(lost,
              loop ? std::vector<TonePlayer::NoteId>{note} : std::vector<TonePlayer::NoteId>{});

    const auto events = gone.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(NoteOnTimes(events), std::vector<milliseconds>{milliseconds(0)});
    EXPECT_EQ(events.back().kind, Kind::Close);
    // The second strike, or the end of the single strike's ring.
    EXPECT_EQ(events.back().time, milliseconds(200));
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const Event& e) {
                              return e.kind == Kind::Message &&
                                     midi::TypeOf(e.message) == midi::kControlChange;
                            }),
              0);
  }
}

TEST_F(VirtualTonePlayerTest, TheNoteWaitsItsPauseBeforeItOpensTheDevice) {
  ChangeSetting(player, &PlaybackSettings::Loop, false);
  player.Play(1, milliseconds(90));
  player.WaitIdle();

  const auto events = outputs.Events();
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[0].kind, Kind::Open);
  EXPECT_EQ(events[0].time, milliseconds(90));
  ExpectClosingAt(events, milliseconds(290));
}

struct ReferencePitchCase {
  int a4;
  bool tunesItself;
  // Fine tuning's data entry bytes; none when no fine tuning is sent.
  std::vector<std::uint8_t> dataEntry;
};
void PrintTo(const ReferencePitchCase& param, std::ostream* out) {
  *out << "A4 " << param.a4 << (param.tunesItself ? " on a device that tunes itself" : "");
}

class ReferencePitchTest : public VirtualTonePlayerTest,
                           public ::testing::WithParamInterface<ReferencePitchCase> {};

std::vector<midi::PackedMessage> FineTuning(std::uint8_t msb, std::uint8_t lsb) {
  return {0x0065B0,
          0x0164B0,
          static_cast<midi::PackedMessage>(0x06B0 | msb << 16),
          static_cast<midi::PackedMessage>(0x26B0 | lsb << 16),
          0x7F65B0,
          0x7F64B0};
}

TEST_P(ReferencePitchTest, FineTuningAfterTheProgramAndBackToCentreAfterTheClosing) {
  const auto& param = GetParam();
  outputs.SetTunesItself(param.tunesItself);
  ChangeSetting(player, &PlaybackSettings::Loop, false);
  ChangeSetting(player, &PlaybackSettings::ReferenceA4, param.a4);
  PlayAndWait();

  std::vector<midi::PackedMessage> expected = {kProgram0};
  if (!param.dataEntry.empty()) {
    const auto tuning = FineTuning(param.dataEntry[0], param.dataEntry[1]);
    expected.insert(expected.end(), tuning.begin(), tuning.end());
  }
  expected.push_back(kNoteOnE2);
  expected.insert(expected.end(), kClosing.begin(), kClosing.end());
  if (!param.dataEntry.empty()) {
    const auto centre = FineTuning(0x40, 0x00);
    expected.insert(expected.end(), centre.begin(), centre.end());
  }
  EXPECT_EQ(outputs.Messages(), expected);
}

// 8192 + round(1200 log2(A4 / 440) / 100 * 8192), as seven high and seven low bits.
INSTANTIATE_TEST_SUITE_P(Pitches, ReferencePitchTest,
                         ::testing::Values(ReferencePitchCase{432, false, {0x2B, 0x56}},  // 5590
                                           ReferencePitchCase{440, false, {}},
                                           ReferencePitchCase{442, false, {0x45, 0x03}},  // 8835
                                           ReferencePitchCase{460, false, {0x71, 0x20}},  // 14496
                                           ReferencePitchCase{420, false, {0x0C, 0x3A}},  // 1594
                                           ReferencePitchCase{432, true, {}}));

struct DeviceCase {
  int deviceIndex;  // list position: a device's id plus one; 0 or below is the default device
  const char* name;
  std::optional<int> deviceId;  // the device the note is played on, -1 the default; none: silent
  int listedAt;                 // the position the settings take at the program's start
};
void PrintTo(const DeviceCase& param, std::ostream* out) {
  *out << '"' << param.name << "\" at position " << param.deviceIndex;
}

class DeviceChoiceTest : public VirtualTonePlayerTest,
                         public ::testing::WithParamInterface<DeviceCase> {};

// A device is chosen by its list position; the list may have changed since the user picked it,
// so its name alone decides when it is given, and a named device that is not there is silent.
TEST_P(DeviceChoiceTest, OpensTheChosenDevice) {
  const auto& param = GetParam();
  ChangeSetting(player, &PlaybackSettings::Loop, false);
  ChangeSetting(player, &PlaybackSettings::DeviceIndex, param.deviceIndex);
  ChangeSetting(player, &PlaybackSettings::DeviceName, std::string(param.name));
  PlayAndWait();

  const auto events = outputs.Events();
  ASSERT_EQ(events.size(), param.deviceId ? 7u : 0u);
  for (const auto& event : events) {
    EXPECT_EQ(event.deviceId, param.deviceId);
  }
}

// A named device takes the position it is listed at now; otherwise the stored position stands.
TEST_P(DeviceChoiceTest, AtTheStartANamedDeviceTakesItsPositionInTodaysList) {
  const auto& param = GetParam();
  const PlaybackSettings stored{.DeviceIndex = param.deviceIndex, .DeviceName = param.name};
  EXPECT_EQ(WithListedDevice(stored, outputs).DeviceIndex, param.listedAt);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, DeviceChoiceTest,
    ::testing::Values(DeviceCase{0, "", -1, 0}, DeviceCase{1, "", 0, 1}, DeviceCase{-1, "", -1, -1},
                      DeviceCase{2, "", 1, 2}, DeviceCase{1, "Recording device 1", 1, 2},
                      DeviceCase{2, "Recording device 0", 0, 1},
                      DeviceCase{2, "Unplugged synthesizer", std::nullopt, 2}));

struct SilentCase {
  const char* what;
  int deviceIndex;
  bool failOpens;
};
void PrintTo(const SilentCase& param, std::ostream* out) {
  *out << param.what;
}

class SilentNoteTest : public VirtualTonePlayerTest,
                       public ::testing::WithParamInterface<SilentCase> {};

TEST_P(SilentNoteTest, AnUnopenableDeviceEndsTheNoteSilently) {
  const auto& param = GetParam();
  ChangeSetting(player, &PlaybackSettings::DeviceIndex, param.deviceIndex);
  outputs.FailOpens(param.failOpens);
  PlayAndWait();

  EXPECT_TRUE(outputs.Events().empty());
  EXPECT_TRUE(clock.Sleeps().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Devices, SilentNoteTest,
    ::testing::Values(SilentCase{"PastTheLastDevice", kExternalDevices + 1, false},
                      SilentCase{"BelowTheDefault", -2, false}, SilentCase{"OpenFails", 0, true}),
    [](const auto& info) { return std::string(info.param.what); });

struct BytesCase {
  int instrument;
  StringInstrument strings;
  const char* root;
  int stringNumber;
  midi::PackedMessage programChange;
  midi::PackedMessage noteOn;
};
void PrintTo(const BytesCase& param, std::ostream* out) {
  *out << "program " << param.instrument << ", " << InstrumentOf(param.strings).word << " on "
       << param.root << ", string " << param.stringNumber;
}

class MessageBytesTest : public VirtualTonePlayerTest,
                         public ::testing::WithParamInterface<BytesCase> {};

TEST_P(MessageBytesTest, ProgramChangeAndNoteOnCarryInstrumentAndKey) {
  const auto& param = GetParam();
  ChangeSetting(player, &PlaybackSettings::Loop, false);
  ChangeSetting(player, &PlaybackSettings::Instrument, param.instrument);
  ChangeSetting(player, &PlaybackSettings::Strings, param.strings);
  ChangeSetting(player, &PlaybackSettings::Root, std::string(param.root));
  PlayAndWait(param.stringNumber);

  const auto messages = outputs.Messages();
  ASSERT_EQ(messages.size(), 5u);
  EXPECT_EQ(messages[0], param.programChange);
  EXPECT_EQ(messages[1], param.noteOn);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, MessageBytesTest,
    ::testing::Values(
        BytesCase{127, StringInstrument::Guitar6, "E", 1, 0x7FC0, 0x7E2890},  // key 40
        BytesCase{0, StringInstrument::Guitar6, "F", 1, 0x00C0, 0x7E1D90},    // key 29
        BytesCase{24, StringInstrument::Guitar6, "E", 6, 0x18C0, 0x7E4090},   // key 64
        BytesCase{40, StringInstrument::Guitar6, "F", 4, 0x28C0, 0x7E2C90},   // key 44
        BytesCase{33, StringInstrument::Bass5, "B", 1, 0x21C0, 0x7E1790},     // key 23, the lowest
        BytesCase{40, StringInstrument::Violin, "G", 4, 0x28C0, 0x7E4C90},    // key 76
        BytesCase{24, StringInstrument::Ukulele, "G", 1, 0x18C0, 0x7E4390}    // key 67
        ));

// Lets the test hold workers in their sleep, so that two of them are provably alive at once.
class HeldSleeper final : public Sleeper {
 public:
  void Sleep(milliseconds) override {
    std::unique_lock lock(mutex_);
    ++sleeping_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
    --sleeping_;
  }
  milliseconds Wait(StopEvent&, StopEvent::Count, milliseconds duration) override {
    Sleep(duration);
    return duration;
  }
  bool WaitForSleepers(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10),
                             [this, count] { return sleeping_ >= count; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int sleeping_ = 0;
  bool released_ = false;
};

TEST(TonePlayerOverlapTest, SecondSingleStrikeDuringTheFirstRingRunsBesideIt) {
  HeldSleeper sleeper;
  RecordingMidiOutputs outputs(kExternalDevices);
  TonePlayer player(outputs, sleeper);
  // Declared last so it is destroyed first: the player's destruction waits for held workers.
  struct ReleaseOnExit {
    HeldSleeper& sleeper;
    ~ReleaseOnExit() { sleeper.Release(); }
  } releaseOnExit{sleeper};

  ChangeSetting(player, &PlaybackSettings::Loop, false);
  player.Play(1);
  ASSERT_TRUE(sleeper.WaitForSleepers(1));
  player.Play(2);
  ASSERT_TRUE(sleeper.WaitForSleepers(2));
  EXPECT_EQ(outputs.OpenConnections(), 2);

  sleeper.Release();
  player.WaitIdle();
  const auto events = outputs.Events();
  EXPECT_EQ(MessagesOf(events, 1), (std::vector<midi::PackedMessage>{
                                       kProgram0, kNoteOnE2, kPanCentre, kReverbOff, kChorusOff}));
  EXPECT_EQ(MessagesOf(events, 2), (std::vector<midi::PackedMessage>{
                                       kProgram0, 0x7E2D90, kPanCentre, kReverbOff, kChorusOff}));
  EXPECT_EQ(outputs.OpenConnections(), 0);
}

// Holds each open until the test lets it finish, as a SoundFont still loading or a slow JACK
// connection would; opens are numbered 1, 2, ... in the order they begin.
class GatedOutputs final : public MidiOutputs {
 public:
  explicit GatedOutputs(RecordingMidiOutputs& outputs) : outputs_(outputs) {}
  int DeviceCount() override { return outputs_.DeviceCount(); }
  std::string DeviceName(int deviceId) override { return outputs_.DeviceName(deviceId); }
  std::unique_ptr<MidiConnection> Open(int deviceId) override {
    std::unique_lock lock(mutex_);
    const int number = ++begun_;
    changed_.notify_all();
    changed_.wait(lock, [this, number] { return released_.count(number) != 0; });
    lock.unlock();
    return outputs_.Open(deviceId);
  }
  bool WaitForOpens(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10),
                             [this, count] { return begun_ >= count; });
  }
  void Release(int number) {
    std::lock_guard lock(mutex_);
    released_.insert(number);
    changed_.notify_all();
  }

 private:
  RecordingMidiOutputs& outputs_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int begun_ = 0;
  std::set<int> released_;
};

// Waits (in real time, as a guard against a hang) until `done` holds for the recorded events.
bool WaitForEvents(const RecordingMidiOutputs& outputs,
                   const std::function<bool(const std::vector<Event>&)>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < deadline) {
    if (done(outputs.Events())) {
      return true;
    }
    std::this_thread::sleep_for(milliseconds(1));
  }
  return false;
}

bool Closed(const std::vector<Event>& events, int connection) {
  return std::any_of(events.begin(), events.end(), [connection](const Event& event) {
    return event.kind == Kind::Close && event.connection == connection;
  });
}

// The user starts string 1, then switches to string 2 while both devices are still opening.
// The second device opens first; the stop meant for the first note must still end it.
TEST(TonePlayerSlowOpenTest, AStopForTheFirstOfTwoWaitingNotesStillEndsIt) {
  SystemSleeper sleeper;
  RecordingMidiOutputs outputs(kExternalDevices);
  GatedOutputs gated(outputs);
  TonePlayer player(gated, sleeper);
  ChangeSetting(player, &PlaybackSettings::Rate, 20);
  // Lets every open finish whatever happens, so the player's destruction cannot hang.
  struct ReleaseOnExit {
    GatedOutputs& gated;
    ~ReleaseOnExit() {
      gated.Release(1);
      gated.Release(2);
    }
  } releaseOnExit{gated};

  player.Play(1);
  ASSERT_TRUE(gated.WaitForOpens(1));
  player.StopAll();
  player.Play(2);
  ASSERT_TRUE(gated.WaitForOpens(2));
  gated.Release(2);
  ASSERT_TRUE(WaitForEvents(outputs, [](const auto& events) {
    return std::any_of(events.begin(), events.end(), IsNoteOn);
  }));
  gated.Release(1);

  EXPECT_TRUE(WaitForEvents(outputs, [](const auto& events) { return Closed(events, 2); }))
      << "the first note loops on with no button lit";
  const auto events = outputs.Events();
  EXPECT_FALSE(Closed(events, 1)) << "the second note was never stopped";
  EXPECT_EQ(MessagesOf(events, 2), (std::vector<midi::PackedMessage>{
                                       kProgram0, kNoteOnE2, kPanCentre, kReverbOff, kChorusOff}));
  // The player's destruction ends the second note.
}

// Real threads and real sleeps; the bounds are generous so a loaded machine does not fail them.
constexpr auto kPromptly = std::chrono::milliseconds(500);

using SteadyTime = std::chrono::steady_clock::time_point;

constexpr milliseconds kOpenTime{100};

class RealTimeTonePlayerTest : public ::testing::Test {
 protected:
  milliseconds SinceStart() const {
    return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start_);
  }
  // Waits until the first note-on has gone out.
  bool WaitForNoteOn() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      const auto events = outputs.Events();
      if (std::any_of(events.begin(), events.end(), IsNoteOn)) {
        return true;
      }
      std::this_thread::sleep_for(milliseconds(1));
    }
    return false;
  }

  SteadyTime start_ = std::chrono::steady_clock::now();
  SystemSleeper sleeper;
  RecordingMidiOutputs outputs{kExternalDevices, [this] { return SinceStart(); }};
};

TEST_F(RealTimeTonePlayerTest, LoopingNoteEndsSoonAfterTheStop) {
  TonePlayer player(outputs, sleeper);
  ChangeSetting(player, &PlaybackSettings::Rate, 20);
  player.Play(1);
  ASSERT_TRUE(WaitForNoteOn());
  std::this_thread::sleep_for(milliseconds(50));

  const auto stopTime = SinceStart();
  player.StopAll();
  player.WaitIdle();
  EXPECT_LT(SinceStart() - stopTime, kPromptly);

  const auto events = outputs.Events();
  ASSERT_GE(events.size(), 4u);
  EXPECT_GE(events[events.size() - 4].time, stopTime);
  EXPECT_EQ(outputs.Messages().back(), kChorusOff);
  EXPECT_EQ(outputs.OpenConnections(), 0);
}

TEST_F(RealTimeTonePlayerTest, SingleStrikeRingsForAtLeast200Ms) {
  TonePlayer player(outputs, sleeper);
  ChangeSetting(player, &PlaybackSettings::Loop, false);
  player.Play(1);
  player.WaitIdle();

  const auto events = outputs.Events();
  ASSERT_EQ(events.size(), 7u);
  EXPECT_GE(events[3].time - events[2].time, milliseconds(200));
}

// The player owns its workers' threads: once WaitIdle() returns, each has ended entirely, down to
// the thread-local state a device's library may keep on it.
TEST_F(RealTimeTonePlayerTest, WaitIdleReturnsOnceTheWorkersThreadHasEnded) {
  struct ExitMark {
    std::atomic<bool>& exited;
    ~ExitMark() {
      // Long enough for a waiter that does not join the thread to return first.
      std::this_thread::sleep_for(milliseconds(50));
      exited = true;
    }
  };
  std::atomic<bool> exited{false};
  OpenHookOutputs marking(outputs, [&exited] { thread_local const ExitMark mark{exited}; });
  TonePlayer player(marking, sleeper);
  ChangeSetting(player, &PlaybackSettings::Loop, false);
  player.Play(1);
  player.WaitIdle();
  EXPECT_TRUE(exited);
}

TEST_F(RealTimeTonePlayerTest, DestroyingThePlayerEndsALoopingNotePromptly) {
  auto player = std::make_unique<TonePlayer>(outputs, sleeper);
  ChangeSetting(*player, &PlaybackSettings::Rate, 400);
  player->Play(1);
  ASSERT_TRUE(WaitForNoteOn());

  const auto destroyTime = SinceStart();
  player.reset();
  EXPECT_LT(SinceStart() - destroyTime, kPromptly);
  EXPECT_EQ(outputs.OpenConnections(), 0);
  const auto events = outputs.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().kind, Kind::Close);
  EXPECT_EQ(MessagesOf(events, 1).back(), kChorusOff);
}

TEST_F(RealTimeTonePlayerTest, DestroyingThePlayerWhileAWorkerOpensItsDeviceEndsTheNote) {
  std::atomic<bool> opening{false};
  // A device whose open takes a while, as a JACK port does while it connects.
  OpenHookOutputs slowOutputs(outputs, [&opening] {
    opening = true;
    std::this_thread::sleep_for(kOpenTime);
  });
  auto player = std::make_unique<TonePlayer>(slowOutputs, sleeper);
  TonePlayer* const raw = player.get();
  ChangeSetting(*player, &PlaybackSettings::Rate, 20);
  player->Play(1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!opening && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(1));
  }
  ASSERT_TRUE(opening);

  auto destroyed = std::async(std::launch::async, [&player] { player.reset(); });
  if (destroyed.wait_for(kOpenTime + kPromptly) != std::future_status::ready) {
    raw->StopAll();  // frees the waiting destruction so the test can end
    FAIL() << "the destruction did not end the looping note";
  }
  EXPECT_EQ(outputs.OpenConnections(), 0);
  EXPECT_EQ(outputs.Messages().back(), kChorusOff);
}

}  // namespace
}  // namespace morrowfane
