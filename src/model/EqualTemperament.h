#pragma once

#include <array>

namespace morrowfane {

// Pitches in cents: a key (an equal-tempered semitone) is 100, an octave 1200.
inline constexpr double kCentsPerKey = 100.0;
inline constexpr double kCentsPerOctave = 1200.0;

// How far `hertz` lies above `reference`, in cents.
double CentsBetween(double hertz, double reference);
// `cents` less the whole octaves nearest it: the interval within half an octave either way.
double WithinOctave(double cents);

// The standard pitch of A4, key 69, to which the reference pitch is set by default.
inline constexpr int kA4Key = 69;
inline constexpr int kStandardA4Hertz = 440;

// Equal temperament with A4 at the standard pitch, in cents above key 0: key k sits at 100 * k.
double FrequencyToCents(double hertz);
double CentsToFrequency(double cents);
// The frequency of a key (or of a fraction of one) in that temperament.
double KeyFrequency(double key);

// The pitch at which each of the 128 keys should sound, in cents above key 0 (so an in-tune key k
// of an in-tune SoundFont is 100 * k).
inline constexpr int kKeyCount = 128;
using KeyPitches = std::array<double, kKeyCount>;
// Every key at its equal-tempered pitch.
KeyPitches EqualTemperament();

}  // namespace morrowfane
