#include "model/TuningShapes.h"

#include <algorithm>

#include "model/StringPitch.h"

namespace morrowfane {
namespace {

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

}  // namespace

const TuningShapeEntry& ShapeEntry(TuningShape shape) {
  const auto* found = std::ranges::find(kTuningShapes, shape, &TuningShapeEntry::shape);
  return found != kTuningShapes.end() ? *found : kTuningShapes.front();
}

std::optional<TuningShape> ShapeForWord(std::string_view word) {
  for (const TuningShapeEntry& entry : kTuningShapes) {
    if (EqualIgnoringCase(entry.word, word)) {
      return entry.shape;
    }
  }
  return std::nullopt;
}

int ShapeSemitonesDown(TuningShape shape, int stringNumber) {
  if (stringNumber < 1 || stringNumber > kStringCount) {
    return 0;
  }
  return ShapeEntry(shape).semitonesDown[stringNumber - 1];
}

Tuning ShapedTuning(std::string_view root, TuningShape shape) {
  Tuning tuning;
  const auto keys = ShapedKeys(root, shape);
  if (!keys) {
    return tuning;
  }
  for (int k = 0; k < kStringCount; ++k) {
    tuning[k] = std::string(kNoteNames[(*keys)[k] % kPitchClassCount]);
  }
  return tuning;
}

std::optional<std::array<int, kStringCount>> ShapedKeys(std::string_view root, TuningShape shape) {
  const auto rootClass = PitchClass(root);
  if (!rootClass) {
    return std::nullopt;
  }
  // String 1 sounds the root at or below its standard key; the other strings follow it.
  const int rootSemitonesDown = (kOpenStringKeys[0] - *rootClass) % kPitchClassCount;
  std::array<int, kStringCount> keys{};
  for (int k = 0; k < kStringCount; ++k) {
    keys[k] = kOpenStringKeys[k] - rootSemitonesDown - ShapeEntry(shape).semitonesDown[k];
  }
  return keys;
}

}  // namespace morrowfane
