#include "model/TuningShapes.h"

#include <algorithm>

namespace morrowfane {
namespace {

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

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
