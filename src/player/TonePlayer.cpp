#include "player/TonePlayer.h"

#include <thread>

#include "model/StringPitch.h"

namespace morrowfane {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kSingleStrikeRing{200};
constexpr int kPollsPerStrike = 100;
constexpr int kMillisecondsPerRateUnit = 10;  // a poll lasts Rate / 10 ms
constexpr std::uint8_t kDataMask = 0x7F;

std::uint8_t DataByte(int value) {
  return static_cast<std::uint8_t>(value) & kDataMask;
}

}  // namespace

int DeviceIdForIndex(int deviceIndex) {
  return deviceIndex == kDefaultDeviceId ? kDefaultDeviceId : deviceIndex - 1;
}

TonePlayer::TonePlayer(MidiOutputs& outputs, Sleeper& sleeper)
    : outputs_(outputs), sleeper_(sleeper) {}

TonePlayer::~TonePlayer() {
  closing_.store(true);
  stop_.Set();
  WaitIdle();
}

void TonePlayer::WaitIdle() {
  std::unique_lock lock(workersMutex_);
  workersDone_.wait(lock, [this] { return runningWorkers_ == 0; });
}

Tuning TonePlayer::GetTuning() const {
  return TuningOf(settings_);
}

PlaybackSettings TonePlayer::Settings() const {
  return settings_;
}

void TonePlayer::ApplySettings(const PlaybackSettings& settings) {
  settings_ = settings;
  rate_.store(settings.Rate);
}

void TonePlayer::Play(std::string note, int stringNumber) {
  // The worker gets its own copy, so a later Play() or settings change cannot disturb it.
  Note copy{std::move(note),      stringNumber,   settings_.DeviceIndex,
            settings_.Instrument, settings_.Loop, stop_.Sets()};
  copy.semitonesDown = ShapeSemitonesDown(settings_.Shape, stringNumber);
  {
    std::lock_guard lock(workersMutex_);
    ++runningWorkers_;
  }
  try {
    std::thread([this, copy = std::move(copy)] {
      RunWorker(copy);
      WorkerFinished();
    }).detach();
  } catch (const std::system_error&) {
    // A worker that cannot start leaves the note silent, as a device that cannot open would.
    WorkerFinished();
  }
}

void TonePlayer::WorkerFinished() {
  std::lock_guard lock(workersMutex_);
  --runningWorkers_;
  workersDone_.notify_all();
}

bool TonePlayer::StopSeen() {
  return stop_.Poll() || closing_.load();
}

void TonePlayer::RunWorker(const Note& note) {
  const int key = StringPitch(note.name, note.stringNumber, note.semitonesDown);
  auto connection = outputs_.Open(DeviceIdForIndex(note.deviceIndex));
  if (!connection) {
    return;
  }
  connection->Send(midi::Pack(midi::kProgramChange, DataByte(note.instrument)));
  // A stop set for an earlier note must not cut this one short. A stop set since Play() is meant
  // for this note, though: the device can take a while to open (a SoundFont still loading, a JACK
  // port connecting), and a user who stops the note meanwhile must not get an endless loop.
  stop_.ResetUnlessSetSince(note.stopsBeforePlay);

  const auto noteOn = midi::Pack(midi::kNoteOn, DataByte(key), midi::kStrikeVelocity);
  if (!note.loop) {
    connection->Send(noteOn);
    sleeper_.Sleep(kSingleStrikeRing);
  } else {
    bool repeat = true;
    while (repeat) {
      connection->Send(noteOn);
      bool seen = false;
      // After the poll that sees the stop, the worker still sleeps once before it leaves.
      for (int poll = 0; poll < kPollsPerStrike && !seen; ++poll) {
        if (StopSeen()) {
          seen = true;
          repeat = false;
        }
        sleeper_.Sleep(milliseconds(rate_.load() / kMillisecondsPerRateUnit));
      }
    }
  }

  // Pan goes back to the centre: 0 would be hard left for a note that may still ring.
  connection->Send(midi::Pack(midi::kControlChange, midi::kPanController, midi::kPanCentre));
  connection->Send(midi::Pack(midi::kControlChange, midi::kReverbSendController, 0));
  connection->Send(midi::Pack(midi::kControlChange, midi::kChorusSendController, 0));
}

}  // namespace morrowfane
