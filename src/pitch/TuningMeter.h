#pragma once

#include <fluidsynth.h>

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

}  // namespace morrowfane
