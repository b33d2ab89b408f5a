#include "pitch/TuningMeter.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace morrowfane {

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

TuningMeter::TuningMeter(const std::string& soundFontPath, double sampleRate)
    : own_(MakeNoteRenderer(soundFontPath, sampleRate)), renderer_(*own_) {}

TuningMeter::TuningMeter(NoteRenderer& renderer) : renderer_(renderer) {}

bool TuningMeter::Loaded() const {
  return renderer_.Loaded();
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
  if (!renderer_.Select(program, tuning)) {
    return std::nullopt;
  }
  const double sampleRate = renderer_.SampleRate();
  KeyMeasurements measured{};
  for (const int key : keys) {
    if (cancel != nullptr && cancel->load()) {
      return std::nullopt;
    }
    // Each note as long as its analysis needs: higher keys need shorter frames.
    mono_.resize(NoteFrames(sampleRate, key));
    renderer_.Render(key, mono_);
    measured[static_cast<std::size_t>(key)] = NotePitch(analyzer_, mono_, sampleRate, key);
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
