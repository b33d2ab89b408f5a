#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

#include "model/Notes.h"
#include "model/PlaybackSettings.h"
#include "player/MidiOutput.h"
#include "player/Sleeper.h"
#include "player/StopEvent.h"

namespace morrowfane {

// Plays with the settings it is handed (their owner is the application): sounds one string's note
// per Play() on a worker thread of its own, which the player owns and joins. The members are
// called on one (the user-interface) thread, except StopAll().
// Each note has a stop of its own, so a later note can never take the stop meant for another.
class TonePlayer {
 public:
  // Names the note of one Play() call; ids count up from 1.
  using NoteId = std::uint64_t;
  // Told, on the note's worker, that a looping note has ended although nothing stopped it: its
  // device went away (its sound server died).
  using DeviceLostFunction = std::function<void(NoteId note)>;

  TonePlayer(MidiOutputs& outputs, Sleeper& sleeper);
  // Stops every note and waits for every worker, so none outlives the player.
  ~TonePlayer();

  TonePlayer(const TonePlayer&) = delete;
  TonePlayer& operator=(const TonePlayer&) = delete;

  // The tuning of the settings in force.
  Tuning GetTuning() const;

  // Starts a worker that waits `pause`, then sounds string `stringNumber` (1..N) in the tuning of
  // the settings in force now. Returns at once; workers that have ended are joined first.
  NoteId Play(int stringNumber, std::chrono::milliseconds pause = std::chrono::milliseconds(0));

  // Replaces the receiver of lost notes; an empty function receives none. Once it returns, the
  // one it replaced is not called any more. May be called from any thread.
  void SetDeviceLostHandler(DeviceLostFunction handler);

  // Stops every note started so far, wherever it is: pausing, opening its device or sounding.
  // Notes started later are not affected. May be called from any thread.
  void StopAll();
  // How many times StopAll() has been called.
  int StopRequests() const { return stopRequests_.load(); }

  // Blocks until every worker started so far has ended, and joins them. No note is stopped: a
  // looping note ends only once it is stopped.
  void WaitIdle();

  // The settings in force, as last handed over. Workers copy them when Play() starts them, but
  // read the rate at every poll, so a change of rate reaches a looping note.
  PlaybackSettings Settings() const;
  void ApplySettings(const PlaybackSettings& settings);

 private:
  struct Note {
    int stringNumber = 0;
    std::chrono::milliseconds pause{0};
    PlaybackSettings settings;
    NoteId id = 0;
  };
  // One note's worker. The player keeps it until the thread has ended and been joined.
  struct Worker {
    explicit Worker(Note played) : note(std::move(played)) {}
    const Note note;
    StopEvent stop;
    bool finished = false;  // guarded by workersMutex_
    // Last, so that it is joined before the rest of the worker goes.
    std::jthread thread;
  };

  void RunWorker(const Note& note, StopEvent& stop);
  void Loop(MidiConnection& connection, midi::PackedMessage noteOn, StopEvent& stop);
  std::chrono::milliseconds Poll() const;
  void WorkerFinished(Worker& worker);
  // Joins the workers that have ended and lets them go.
  void ReapFinished();
  void ReportDeviceLost(NoteId note);

  MidiOutputs& outputs_;
  Sleeper& sleeper_;
  PlaybackSettings settings_;
  std::atomic<int> rate_{kDefaultRate};
  std::atomic<int> stopRequests_{0};
  NoteId lastNote_ = 0;

  std::mutex handlerMutex_;
  DeviceLostFunction deviceLost_;

  std::mutex workersMutex_;
  std::condition_variable workersDone_;
  // Every worker started and not yet joined. The list changes under workersMutex_, and only in
  // Play(), WaitIdle() and the destructor, which alone start and join the threads.
  std::list<Worker> workers_;
};

}  // namespace morrowfane
