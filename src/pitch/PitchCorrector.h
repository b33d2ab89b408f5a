#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "model/KeyRange.h"
#include "pitch/TuningMeter.h"
#include "synth/KeyTuning.h"

namespace morrowfane {

// The key tuning source of the built-in synthesizer: works out each requested program on a
// worker thread of its own, over the keys asked for (a program asked for again with keys it has
// not measured is measured again over both), at MeasuringRate, and keeps the results for its
// lifetime. The worker loads its own copy of the SoundFont when work arrives and drops it, handing
// the memory back to the system, as soon as no work is left: the copy is tens of megabytes, loading
// it takes a few tens of milliseconds, and programs are requested rarely.
class PitchCorrector final : public KeyTuningSource {
 public:
  PitchCorrector(std::string soundFontPath, double sampleRate);
  // Abandons queued work, lets the program under way stop at its next key and joins the worker.
  ~PitchCorrector() override;

  PitchCorrector(const PitchCorrector&) = delete;
  PitchCorrector& operator=(const PitchCorrector&) = delete;

  std::optional<KeyPitches> Lookup(int program) const override;
  void Request(int program, KeyRange keys) override;
  void WorkOutOn(NoteRenderer& renderer, int program, KeyRange keys,
                 const std::atomic<bool>& cancel) override;

  // Waits until `program` has been worked out (it must have been requested); true if it was in
  // time. Lookup() may still give nothing afterwards: the program has no clear pitch.
  bool WaitUntilDone(int program, std::chrono::milliseconds timeout) const;
  // Waits until no work is queued or under way and the worker's SoundFont is released; true if
  // that happened in time.
  bool WaitUntilIdle(std::chrono::milliseconds timeout) const;
  // Whether the worker holds its copy of the SoundFont now.
  bool HoldsSoundFont() const;

 private:
  void Run();
  struct Work {
    int program;
    KeyRange keys;
  };
  struct Done {
    std::optional<KeyPitches> pitches;
    KeyRange keys;
  };
  // Whether `keys` of `program` are worked out, or queued or under way. Called with the mutex
  // held.
  bool KnownOrPending(int program, KeyRange keys) const;
  // The keys to measure for `program`: `keys` and those measured before. Mutex held.
  KeyRange WithMeasured(int program, KeyRange keys) const;

  const std::string soundFontPath_;
  const double sampleRate_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::deque<Work> queue_;
  std::optional<Work> underWay_;
  std::map<int, Done> done_;
  bool holdsSoundFont_ = false;
  std::atomic<bool> stopping_{false};
  std::thread worker_;
};

// Matches KeyTuningFactory.
std::unique_ptr<KeyTuningSource> MakePitchCorrector(const std::string& soundFontPath,
                                                    double sampleRate);

}  // namespace morrowfane
