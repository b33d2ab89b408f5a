#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/EqualTemperament.h"
#include "model/KeyRange.h"
#include "pitch/NotePitch.h"
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

// The rate at which a private synthesizer renders the notes it measures for output at
// `outputRate`: half of it, down to kLowestMeasuringRate. A key sounds at the same pitch at any
// rate, and the partials its pitch is fitted to (the eighth of the highest key is under 3 kHz)
// stay far below half of that rate; rendering and analysing half the samples halves the time of a
// correction. Measured both ways, the keys of the guitar, bass and piano programs read the same
// to a hundredth of a cent.
double MeasuringRate(double outputRate);
inline constexpr double kLowestMeasuringRate = 22050.0;

// Measures the pitch of single notes of a SoundFont's programs, rendered offline: on a
// synthesizer of its own, loading the SoundFont once, or through a renderer the caller lends.
// Not thread-safe.
class TuningMeter {
 public:
  TuningMeter(const std::string& soundFontPath, double sampleRate);
  // Measures through `renderer`, which must outlive the meter.
  explicit TuningMeter(NoteRenderer& renderer);

  TuningMeter(const TuningMeter&) = delete;
  TuningMeter& operator=(const TuningMeter&) = delete;

  // False when the SoundFont could not be loaded; then nothing is ever measured.
  bool Loaded() const;

  // Measures `keys` of `program` with `tuning` in force, as the built-in synthesizer applies it.
  // Stops early, with nothing, once `cancel` is set.
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
  std::unique_ptr<NoteRenderer> own_;  // null when measuring through a caller's renderer
  NoteRenderer& renderer_;
  PitchAnalyzer analyzer_;
  std::vector<float> mono_;
};

}  // namespace morrowfane
