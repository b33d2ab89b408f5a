#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "model/Notes.h"
#include "model/PlaybackSettings.h"
#include "player/MidiOutput.h"
#include "player/Sleeper.h"
#include "player/StopEvent.h"

namespace morrowfane {

// The device id that a device-list position opens: position 0 and the "no selection" value -1
// both open the default device.
int DeviceIdForIndex(int deviceIndex);

// Keeper of the tuning in force and the playback settings; sounds one string's note per Play()
// on a worker thread of its own. All members are called on one (the user-interface) thread, but
// the stop event, which ends a looping note, may be set from anywhere.
class TonePlayer {
 public:
  TonePlayer(MidiOutputs& outputs, Sleeper& sleeper);
  // Stops a sounding note and waits for every worker, so none outlives the player.
  virtual ~TonePlayer();

  TonePlayer(const TonePlayer&) = delete;
  TonePlayer& operator=(const TonePlayer&) = delete;

  // The tuning of the settings in force.
  Tuning GetTuning() const;

  // Starts a worker that sounds `note` on string `stringNumber` with the settings in force now.
  // Returns at once.
  void Play(std::string note, int stringNumber);

  StopEvent& Stop() { return stop_; }

  // Blocks until every worker started so far has ended. The note is not stopped: a looping note
  // ends only once the stop event is set.
  void WaitIdle();

  // The settings in force. Workers copy them when Play() starts them, but read the rate at every
  // poll, so a change of rate reaches a looping note.
  PlaybackSettings Settings() const;
  void ApplySettings(const PlaybackSettings& settings);

 private:
  struct Note {
    std::string name;
    int stringNumber = 0;
    int deviceIndex = 0;
    int instrument = 0;
    bool loop = true;
    StopEvent::Count stopsBeforePlay = 0;
    int semitonesDown = 0;  // the tuning shape's extra lowering of the string
  };

  void RunWorker(const Note& note);
  bool StopSeen();
  void WorkerFinished();

  MidiOutputs& outputs_;
  Sleeper& sleeper_;
  StopEvent stop_;
  PlaybackSettings settings_;
  std::atomic<int> rate_{kDefaultRate};

  std::atomic<bool> closing_{false};
  std::mutex workersMutex_;
  std::condition_variable workersDone_;
  int runningWorkers_ = 0;
};

}  // namespace morrowfane
