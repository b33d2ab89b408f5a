#include "TunerReading.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "model/EqualTemperament.h"
#include "pitch/NotePitch.h"
#include "pitch/PitchAnalysis.h"

namespace morrowfane::report {
namespace {

// YIN computed through the FFT ("yinfast": the same readings as "yin", in a fraction of the time).
// 85 ms at 48 kHz: two periods of the lowest key (38.9 Hz) with room to spare, as YIN needs.
constexpr uint_t kBufferSize = 4096;
constexpr uint_t kHopSize = 512;
constexpr double kMaxOffsetCents = 50.0;

struct PitchDeleter {
  void operator()(aubio_pitch_t* pitch) const { del_aubio_pitch(pitch); }
};
struct VectorDeleter {
  void operator()(fvec_t* vector) const { del_fvec(vector); }
};

}  // namespace

std::optional<double> TunerCents(std::span<const float> fromStrike, double rate, int key) {
  std::unique_ptr<aubio_pitch_t, PitchDeleter> yin(
      new_aubio_pitch("yinfast", kBufferSize, kHopSize, static_cast<uint_t>(std::lround(rate))));
  std::unique_ptr<fvec_t, VectorDeleter> input(new_fvec(kHopSize));
  std::unique_ptr<fvec_t, VectorDeleter> output(new_fvec(1));
  if (!yin || !input || !output) {
    return std::nullopt;
  }
  aubio_pitch_set_unit(yin.get(), "Hz");
  // The readings of a tuner are judged here by how near the key they are, not by silence.
  aubio_pitch_set_silence(yin.get(), -200.0F);

  // A reading describes the buffer that ends with the hop just fed in: its centre lies half a
  // buffer earlier.
  const double settle = std::chrono::duration<double>(kNoteSettle).count() * rate;
  const double end = std::chrono::duration<double>(kNoteEnd).count() * rate;
  std::vector<double> readings;
  std::size_t frames = 0;
  for (std::size_t at = 0; at + kHopSize <= fromStrike.size(); at += kHopSize) {
    std::copy_n(fromStrike.begin() + static_cast<std::ptrdiff_t>(at), kHopSize, input->data);
    aubio_pitch_do(yin.get(), input.get(), output.get());
    const double centre = static_cast<double>(at + kHopSize) - kBufferSize / 2.0;
    if (centre < settle || centre > end) {
      continue;
    }
    ++frames;
    const double hertz = output->data[0];
    if (hertz <= 0.0) {
      continue;
    }
    const double cents = WithinOctave(FrequencyToCents(hertz) - kCentsPerKey * key);
    if (std::abs(cents) <= kMaxOffsetCents) {
      readings.push_back(cents);
    }
  }
  if (readings.empty() || 2 * readings.size() < frames) {
    return std::nullopt;
  }
  const auto middle = readings.begin() + static_cast<std::ptrdiff_t>(readings.size() / 2);
  std::nth_element(readings.begin(), middle, readings.end());
  return *middle;
}

}  // namespace morrowfane::report
