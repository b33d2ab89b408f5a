#pragma once

#include <fluidsynth.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "model/KeyRange.h"
#include "pitch/PitchAnalysis.h"
#include "synth/KeyTuning.h"

namespace morrowfane {

// One measured pitch per key, in cents (see FrequencyToCents); nothing where the key has no clear
// pitch or was not measured.
using KeyMeasurements = std::array<std::optional<double>, kKeyCount>;

// The key tuning that brings each measured key to equal temperament, given the measurements made
// with `measuredWith` in force: each key moves by its measured deviation, to the fraction of a
// cent (see FluidKeyTuning.h for how the synthesizer sounds fractions). Deviations are taken
// modulo the octave, as a program may sound an octave away from its key; keys off by more than
// kMaxCorrectionCents after that, and keys without a measurement, keep `measuredWith`'s pitch.
// Nothing when no key was measured.
std::optional<KeyPitches> CorrectionFor(const KeyMeasurements& measured,
                                        const KeyPitches& measuredWith);
inline constexpr double kMaxCorrectionCents = 50.0;

// The pitch of a note, as a tuning reference needs it, is the one heard once the attack is over:
// its mean frequency from kNoteSettle to kNoteEnd after the strike, the least-squares slope of
// its measured partial's phase over that stretch. The stretch starts after the pitch glide that
// follows the strike of many samples (a bass glides by some 15 cents in its first 0.3 s and
// wavers until about 0.4 s); it is
// long enough to span the slow wobble of looped samples, short enough for the time budget. The
// pitch correction and the pitch report measure this same stretch with methods of their own.
inline constexpr std::chrono::milliseconds kNoteSettle{400};
inline constexpr std::chrono::milliseconds kNoteEnd{1400};

// How many frames of a note of `key`, from its strike, NotePitch needs: the analysis frames
// centred on the ends of the measured stretch reach half a frame beyond it. Without a key, the
// most any playable key needs.
std::size_t NoteFrames(double sampleRate, int key);
std::size_t NoteFrames(double sampleRate);

// The pitch in cents (see FrequencyToCents) of a note of `key` rendered from its strike (at least
// NoteFrames samples, the channels summed), measured near the key; nothing when it has no clear
// pitch there.
std::optional<double> NotePitch(PitchAnalyzer& analyzer, std::span<const float> fromStrike,
                                double sampleRate, int key);

// The rate at which a private synthesizer renders the notes it measures for output at
// `outputRate`: half of it, down to kLowestMeasuringRate. A key sounds at the same pitch at any
// rate, and the partials its pitch is fitted to (the eighth of the highest key is under 3 kHz)
// stay far below half of that rate; rendering and analysing half the samples halves the time of a
// correction. Measured both ways, the keys of the guitar, bass and piano programs read the same
// to a hundredth of a cent.
double MeasuringRate(double outputRate);
inline constexpr double kLowestMeasuringRate = 22050.0;

// Renders single notes of a SoundFont offline (velocity 126, no reverb or chorus) and measures
// their pitch: on a private synthesizer (channel 0), loading the SoundFont once, or on a
// caller's synthesizer that has it loaded, on the given channel, which then uses the key tuning of
// the channel's number. Not thread-safe.
class TuningMeter {
 public:
  TuningMeter(const std::string& soundFontPath, double sampleRate);
  // Measures on `synth`, which must outlive the meter and which nothing else may use meanwhile.
  TuningMeter(fluid_synth_t* synth, int channel, double sampleRate);
  ~TuningMeter();

  TuningMeter(const TuningMeter&) = delete;
  TuningMeter& operator=(const TuningMeter&) = delete;

  // False when the SoundFont could not be loaded; then nothing is ever measured.
  bool Loaded() const;

  // Measures `keys` of `program` with `tuning` active on the channel, as the built-in synthesizer
  // applies it. Stops early, with nothing, once `cancel` is set.
  std::optional<KeyMeasurements> Measure(int program, const KeyPitches& tuning, KeyRange keys,
                                         const std::atomic<bool>* cancel = nullptr);
  std::optional<KeyMeasurements> Measure(int program, const KeyPitches& tuning,
                                         std::span<const int> keys,
                                         const std::atomic<bool>* cancel = nullptr);

  // Measures `keys` of `program` and works out its correction (see CorrectionFor); the other
  // keys keep equal temperament.
  std::optional<KeyPitches> Correct(int program, KeyRange keys,
                                    const std::atomic<bool>* cancel = nullptr);

 private:
  struct Synth;
  std::unique_ptr<Synth> synth_;
  int channel_ = 0;
  double sampleRate_;
  PitchAnalyzer analyzer_;
  std::vector<float> left_;
  std::vector<float> right_;
  std::vector<float> mono_;
};

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
  void WorkOutOn(fluid_synth_t* synth, int channel, int program, KeyRange keys,
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
