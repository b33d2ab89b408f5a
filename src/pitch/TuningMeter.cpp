#include "pitch/TuningMeter.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "player/MidiMessage.h"
#include "synth/FluidInstance.h"
#include "synth/FluidKeyTuning.h"

namespace morrowfane {
namespace {

constexpr int kMeasuringPolyphony = 64;
constexpr char kTuningName[] = "measuring";
constexpr int kRetireFrames = 64;
// A multiple of the synthesizer's 64-frame block, so that blocks render exactly as one call would.
constexpr std::size_t kRenderBlock = 4096;

}  // namespace

double MeasuringRate(double outputRate) {
  return std::max(outputRate / 2.0, std::min(outputRate, kLowestMeasuringRate));
}

std::optional<KeyPitches> CorrectionFor(const KeyMeasurements& measured,
                                        const KeyPitches& measuredWith) {
  auto pitches = measuredWith;
  bool any = false;
  for (int key = 0; key < kKeyCount; ++key) {
    const auto index = static_cast<std::size_t>(key);
    if (!measured[index]) {
      continue;
    }
    const double error_in_octave = WithinOctave(*measured[index] - kCentsPerKey * key);
    if (std::abs(error_in_octave) > kMaxCorrectionCents) {
      continue;
    }
    pitches[index] -= error_in_octave;
    any = true;
  }
  if (!any) {
    return std::nullopt;
  }
  return pitches;
}

struct TuningMeter::Synth {
  std::unique_ptr<FluidInstance> own;  // null when measuring on a caller's synthesizer
  fluid_synth_t* synth = nullptr;
  bool loaded = false;
};

TuningMeter::TuningMeter(const std::string& soundFontPath, double sampleRate)
    : synth_(std::make_unique<Synth>()), sampleRate_(sampleRate) {
  synth_->own = std::make_unique<FluidInstance>(sampleRate);
  auto* settings = synth_->own->Settings();
  if (settings == nullptr) {
    return;
  }
  fluid_settings_setint(settings, "synth.polyphony", kMeasuringPolyphony);
  fluid_settings_setint(settings, "synth.cpu-cores", 1);
  fluid_settings_setint(settings, "synth.threadsafe-api", 0);
  if (!synth_->own->MakeSynth()) {
    return;
  }
  synth_->synth = synth_->own->Synth();
  // No presets are selected at loading: that would read the piano's samples for every
  // measurement, whichever program it is for.
  synth_->loaded = fluid_synth_sfload(synth_->synth, soundFontPath.c_str(), 0) != FLUID_FAILED;
}

TuningMeter::TuningMeter(fluid_synth_t* synth, int channel, double sampleRate)
    : synth_(std::make_unique<Synth>()), channel_(channel), sampleRate_(sampleRate) {
  synth_->synth = synth;
  synth_->loaded = synth != nullptr && fluid_synth_sfcount(synth) > 0;
}

TuningMeter::~TuningMeter() = default;

bool TuningMeter::Loaded() const {
  return synth_->loaded;
}

std::optional<KeyMeasurements> TuningMeter::Measure(int program, const KeyPitches& tuning,
                                                    KeyRange keys,
                                                    const std::atomic<bool>* cancel) {
  std::vector<int> each(static_cast<std::size_t>(std::max(keys.last - keys.first + 1, 0)));
  std::iota(each.begin(), each.end(), keys.first);
  return Measure(program, tuning, each, cancel);
}

std::optional<KeyMeasurements> TuningMeter::Measure(int program, const KeyPitches& tuning,
                                                    std::span<const int> keys,
                                                    const std::atomic<bool>* cancel) {
  if (!Loaded()) {
    return std::nullopt;
  }
  auto* synth = synth_->synth;
  // The channel's number is its key tuning's, as on the built-in synthesizer, whose connections
  // never play on the channel it lends for measuring.
  const int tuningNumber = channel_;
  fluid_synth_all_sounds_off(synth, channel_);
  InstallKeyTuning(synth, tuningNumber, kTuningName, tuning);
  PlayWithKeyTuning(synth, channel_, tuningNumber);
  fluid_synth_bank_select(synth, channel_, 0);
  if (fluid_synth_program_change(synth, channel_, program) != FLUID_OK) {
    return std::nullopt;
  }

  // The channels are rendered a block at a time and summed: only the sum is kept whole.
  left_.resize(kRenderBlock);
  right_.resize(kRenderBlock);
  KeyMeasurements measured{};
  for (const int key : keys) {
    if (cancel != nullptr && cancel->load()) {
      return std::nullopt;
    }
    // Each note as long as its analysis needs: higher keys need shorter frames.
    const std::size_t frames = NoteFrames(sampleRate_, key);
    mono_.resize(frames);
    fluid_synth_noteon(synth, channel_, key, midi::kStrikeVelocity);
    for (std::size_t done = 0; done < frames; done += kRenderBlock) {
      const std::size_t count = std::min(kRenderBlock, frames - done);
      fluid_synth_write_float(synth, static_cast<int>(count), left_.data(), 0, 1, right_.data(), 0,
                              1);
      for (std::size_t i = 0; i < count; ++i) {
        mono_[done + i] = left_[i] + right_[i];
      }
    }
    fluid_synth_all_sounds_off(synth, channel_);
    // Lets the synthesizer retire the silenced voices before the next note: a note started on
    // the key of a voice still waiting to be retired can sound almost a cent away.
    fluid_synth_write_float(synth, kRetireFrames, left_.data(), 0, 1, right_.data(), 0, 1);
    measured[static_cast<std::size_t>(key)] = NotePitch(analyzer_, mono_, sampleRate_, key);
  }
  return measured;
}

std::optional<KeyPitches> TuningMeter::Correct(int program, KeyRange keys,
                                               const std::atomic<bool>* cancel) {
  const auto tuning = EqualTemperament();
  const auto measured = Measure(program, tuning, keys, cancel);
  if (!measured) {
    return std::nullopt;
  }
  return CorrectionFor(*measured, tuning);
}

}  // namespace morrowfane
