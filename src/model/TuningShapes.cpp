#include "model/TuningShapes.h"

#include <algorithm>

#include "model/AsciiText.h"

namespace morrowfane {
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

}  // namespace morrowfane
