#include "player/TonePlayer.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <system_error>

#include "player/DeviceChoice.h"
#include "player/ReferencePitch.h"

namespace morrowfane {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kSingleStrikeRing{200};
constexpr int kPollsPerStrike = 100;
constexpr int kMillisecondsPerRateUnit = 10;  // a poll lasts Rate / 10 ms

std::uint8_t DataByte(int value) {
  return static_cast<std::uint8_t>(value) & midi::kDataMask;
}

// Polls of `poll` that it takes to reach or pass `elapsed`, at least one.
int PollsCovering(milliseconds elapsed, milliseconds poll) {
  if (poll.count() <= 0) {
    return 1;
  }
  return std::max<int>(1, static_cast<int>((elapsed.count() + poll.count() - 1) / poll.count()));
}

}  // namespace

TonePlayer::TonePlayer(MidiOutputs& outputs, Sleeper& sleeper)
    : outputs_(outputs), sleeper_(sleeper) {}

TonePlayer::~TonePlayer() {
  StopAll();
  WaitIdle();
}

void TonePlayer::WaitIdle() {
  {
    std::unique_lock lock(workersMutex_);
    workersDone_.wait(lock, [this] {
      return std::ranges::all_of(workers_, [](const Worker& worker) { return worker.finished; });
    });
  }
  ReapFinished();
}

void TonePlayer::ReapFinished() {
  std::list<Worker> finished;
  {
    std::lock_guard lock(workersMutex_);
    for (auto worker = workers_.begin(); worker != workers_.end();) {
      const auto next = std::next(worker);
      if (worker->finished) {
        finished.splice(finished.end(), workers_, worker);
      }
      worker = next;
    }
  }
  // `finished` joins its threads as it goes, outside the lock: an ended worker's thread has
  // nothing left to do but return.
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
  // A waiting worker takes the new rate at its next poll, as a polling one would.
  std::lock_guard lock(workersMutex_);
  for (Worker& worker : workers_) {
    worker.stop.Wake();
  }
}

void TonePlayer::StopAll() {
  ++stopRequests_;
  std::lock_guard lock(workersMutex_);
  for (Worker& worker : workers_) {
    worker.stop.Set();
  }
}

TonePlayer::NoteId TonePlayer::Play(int stringNumber, milliseconds pause) {
  ReapFinished();
  // The worker gets its own copy, so a later Play() or settings change cannot disturb it.
  const NoteId id = ++lastNote_;
  Worker* worker = nullptr;
  {
    std::lock_guard lock(workersMutex_);
    worker = &workers_.emplace_back(Note{stringNumber, pause, settings_, id});
  }
  try {
    worker->thread = std::jthread([this, worker] {
      RunWorker(worker->note, worker->stop);
      WorkerFinished(*worker);
    });
  } catch (const std::system_error&) {
    // A worker that cannot start leaves the note silent, as a device that cannot open would.
    WorkerFinished(*worker);
  }
  return id;
}

void TonePlayer::SetDeviceLostHandler(DeviceLostFunction handler) {
  std::lock_guard lock(handlerMutex_);
  deviceLost_ = std::move(handler);
}

void TonePlayer::ReportDeviceLost(NoteId note) {
  std::lock_guard lock(handlerMutex_);
  if (deviceLost_) {
    deviceLost_(note);
  }
}

void TonePlayer::WorkerFinished(Worker& worker) {
  std::lock_guard lock(workersMutex_);
  worker.finished = true;
  workersDone_.notify_all();
}

milliseconds TonePlayer::Poll() const {
  return milliseconds(rate_.load() / kMillisecondsPerRateUnit);
}

void TonePlayer::RunWorker(const Note& note, StopEvent& stop) {
  // A named device that is not there has no id: the note is silent, as if it could not open.
  const std::optional<int> deviceId = ChosenDeviceId(note.settings, outputs_);
  if (deviceId) {
    outputs_.Wake(*deviceId);
  }
  if (note.pause.count() > 0) {
    sleeper_.Sleep(note.pause);
  }
  // A string the tuning does not have sounds nothing.
  const auto keys = KeysOf(note.settings);
  const auto string = static_cast<std::size_t>(note.stringNumber - 1);
  if (!keys || note.stringNumber < 1 || string >= keys->size()) {
    return;
  }
  const int key = (*keys)[string];
  auto connection = deviceId ? outputs_.Open(*deviceId) : nullptr;
  if (!connection) {
    return;
  }
  connection->Send(midi::Pack(midi::kProgramChange, DataByte(note.settings.Instrument)));
  const int a4 = note.settings.ReferenceA4;
  const bool tuneByMessages = !connection->SetReferencePitch(a4) && a4 != kDefaultReferenceA4;
  if (tuneByMessages) {
    SendFineTuning(*connection, FineTuningFor(a4));
  }

  const auto noteOn = midi::Pack(midi::kNoteOn, DataByte(key), midi::kStrikeVelocity);
  if (!note.settings.Loop) {
    connection->Send(noteOn);
    sleeper_.Sleep(kSingleStrikeRing);
  } else {
    Loop(*connection, noteOn, stop);
  }
  // A device that went away meanwhile (its sound server died) hears nothing more: the note ends
  // as if the device had never opened. A looping note would have gone on, so whoever shows it
  // sounding is told; a single strike ends by itself anyway.
  if (!connection->Alive()) {
    if (note.settings.Loop && !stop.IsSet()) {
      ReportDeviceLost(note.id);
    }
    return;
  }

  // Pan goes back to the centre: 0 would be hard left for a note that may still ring.
  connection->Send(midi::Pack(midi::kControlChange, midi::kPanController, midi::kPanCentre));
  connection->Send(midi::Pack(midi::kControlChange, midi::kReverbSendController, 0));
  connection->Send(midi::Pack(midi::kControlChange, midi::kChorusSendController, 0));
  if (tuneByMessages) {
    SendFineTuning(*connection, kCentreFineTuning);
  }
}

// Strikes every 100 polls of Rate / 10 ms until the poll that sees the stop, then waits one more
// poll. A device found gone at a strike ends the loop at once.
// Rather than waking at every poll, the worker waits for its stop (or a change of rate) until the
// next strike is due; when woken it goes on to the poll that would have seen the stop or the new
// rate, so the timing is that of a worker that polls.
void TonePlayer::Loop(MidiConnection& connection, midi::PackedMessage noteOn, StopEvent& stop) {
  while (connection.Alive()) {
    connection.Send(noteOn);
    int poll = 0;
    while (poll < kPollsPerStrike) {
      const StopEvent::Count seen = stop.Wakes();
      const milliseconds period = Poll();
      if (stop.IsSet()) {
        sleeper_.Sleep(period);
        return;
      }
      const milliseconds untilStrike = (kPollsPerStrike - poll) * period;
      const milliseconds waited = sleeper_.Wait(stop, seen, untilStrike);
      if (waited >= untilStrike || stop.Wakes() == seen) {
        break;
      }
      const int polls = PollsCovering(waited, period);
      const milliseconds toPoll = polls * period - waited;
      if (toPoll.count() > 0) {
        sleeper_.Sleep(toPoll);
      }
      poll += polls;
    }
  }
}

}  // namespace morrowfane
