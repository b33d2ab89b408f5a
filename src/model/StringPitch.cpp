#include "model/StringPitch.h"

namespace morrowfane {

int StringPitch(std::string_view name, int stringNumber, int semitonesDown) {
  const auto pitchClass = PitchClass(name);
  if (!pitchClass || stringNumber < 1 || stringNumber > kStringCount || semitonesDown < 0 ||
      semitonesDown >= kPitchClassCount) {
    return stringNumber;
  }
  const int open = kOpenStringKeys[stringNumber - 1] - semitonesDown;
  // Pitch classes match keys modulo 12 (C = 0), and `open - *pitchClass` is never negative here.
  return open - (open - *pitchClass) % kPitchClassCount;
}

}  // namespace morrowfane
