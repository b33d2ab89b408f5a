#include "model/EqualTemperament.h"

#include <cmath>

namespace morrowfane {
namespace {

constexpr double kA4Cents = kCentsPerKey * kA4Key;

}  // namespace

KeyPitches EqualTemperament() {
  KeyPitches pitches{};
  for (int key = 0; key < kKeyCount; ++key) {
    pitches[static_cast<std::size_t>(key)] = kCentsPerKey * key;
  }
  return pitches;
}

double CentsBetween(double hertz, double reference) {
  return kCentsPerOctave * std::log2(hertz / reference);
}

double WithinOctave(double cents) {
  return cents - kCentsPerOctave * std::round(cents / kCentsPerOctave);
}

double FrequencyToCents(double hertz) {
  return kA4Cents + CentsBetween(hertz, kStandardA4Hertz);
}

double CentsToFrequency(double cents) {
  return kStandardA4Hertz * std::exp2((cents - kA4Cents) / kCentsPerOctave);
}

double KeyFrequency(double key) {
  return CentsToFrequency(kCentsPerKey * key);
}

}  // namespace morrowfane
