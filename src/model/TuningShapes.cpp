#include "model/TuningShapes.h"

#include "model/WordTable.h"

namespace morrowfane {

const TuningShapeEntry& ShapeEntry(TuningShape shape) {
  return EntryFor(kTuningShapes, shape, &TuningShapeEntry::shape);
}

std::optional<TuningShape> ShapeForWord(std::string_view word) {
  return KeyForWord(kTuningShapes, word, &TuningShapeEntry::shape);
}

}  // namespace morrowfane
