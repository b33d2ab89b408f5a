#include "pitch/NotePitch.h"

#include <algorithm>
#include <cmath>

#include "model/EqualTemperament.h"
#include "model/Instruments.h"

namespace morrowfane {
namespace {

std::size_t Frames(std::chrono::milliseconds time, double sampleRate) {
  return static_cast<std::size_t>(
      std::lround(sampleRate * static_cast<double>(time.count()) / 1000.0));
}

// Half an analysis frame, the margin NotePitch reads on each side of the measured stretch: for a
// key at `expectedHertz`, or the widest for any key.
std::size_t HalfFrame(double sampleRate, std::optional<double> expectedHertz = std::nullopt) {
  const std::size_t stretch = Frames(kNoteEnd, sampleRate) - Frames(kNoteSettle, sampleRate);
  return PitchAnalyzer::FrameSize(sampleRate, stretch, expectedHertz) / 2;
}

}  // namespace

std::size_t NoteFrames(double sampleRate, int key) {
  return Frames(kNoteEnd, sampleRate) + HalfFrame(sampleRate, KeyFrequency(key));
}

std::size_t NoteFrames(double sampleRate) {
  // The lowest key has the longest frames.
  return std::max(NoteFrames(sampleRate, kPlayableKeys.first),
                  Frames(kNoteEnd, sampleRate) + HalfFrame(sampleRate));
}

std::optional<double> NotePitch(PitchAnalyzer& analyzer, std::span<const float> fromStrike,
                                double sampleRate, int key) {
  const double expected = KeyFrequency(key);
  const std::size_t half = HalfFrame(sampleRate, expected);
  const std::size_t first = Frames(kNoteSettle, sampleRate) - half;
  const std::size_t count = Frames(kNoteEnd, sampleRate) + half - first;
  if (fromStrike.size() < first + count) {
    return std::nullopt;
  }
  if (const auto pitch = analyzer.Measure(fromStrike.subspan(first, count), sampleRate, expected)) {
    return FrequencyToCents(pitch->frequency);
  }
  return std::nullopt;
}

}  // namespace morrowfane
