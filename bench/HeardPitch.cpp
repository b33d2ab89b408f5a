// Each of the first eight harmonics of the key is shifted to 0 Hz (heterodyne), low-passed, and its
// phase followed through the note; a partial's frequency is the slope of its phase over the stretch
// that defines a note's pitch (kNoteSettle to kNoteEnd after the strike). The filters run from the
// strike and their delay is allowed for, so the phase read is that of this stretch. This shares
// nothing with the correction's frame-by-frame FFT analysis, so that each checks the other.
//
// A note has no measurable pitch when those harmonics hold less than half of the sound's power,
// when its pitch is more than 50 cents from the key, or when the two halves of the stretch differ
// by more than 2 cents (a sound whose pitch moves that much within a second has no pitch to half a
// cent), or when its audible partials scatter by more than 5 cents (power-weighted) around the
// pitch they give: such partials make no one pitch, and the ear hears them apart.
#include "HeardPitch.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <complex>
#include <numbers>
#include <utility>
#include <vector>

#include "model/EqualTemperament.h"
#include "pitch/NotePitch.h"
#include "pitch/PitchAnalysis.h"

namespace morrowfane::report {
namespace {

constexpr double kSettleSeconds = std::chrono::duration<double>(kNoteSettle).count();
constexpr double kEndSeconds = std::chrono::duration<double>(kNoteEnd).count();
constexpr int kHarmonics = 8;
constexpr double kAudiblePartial = 1e-3;  // power ratio, -30 dB
constexpr double kMinExplainedPower = 0.5;
constexpr double kMaxOffsetCents = 50.0;
constexpr double kMaxHalvesCents = 2.0;
constexpr double kMaxScatterCents = 5.0;
// The low-pass: four one-pole stages with their corner at a sixth of the fundamental, so the
// neighbouring partials (one fundamental away) are 60 dB down.
constexpr int kLowPassStages = 4;
constexpr double kCornerDivisor = 6.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The phase of partial `harmonic` of `fundamental`, one value per period of the fundamental.
struct PhaseTrack {
  std::vector<double> phase;  // unwrapped
  double spacing = 0.0;       // seconds between values
  double power = 0.0;         // mean power of the partial
};

PhaseTrack Follow(std::span<const float> samples, double rate, double fundamental, int harmonic) {
  const double omega = kTwoPi * fundamental * harmonic / rate;
  const double alpha = 1.0 - std::exp(-kTwoPi * fundamental / kCornerDivisor / rate);
  // Each one-pole stage delays a slowly changing signal by (1 - alpha) / alpha samples: the
  // output at n + delay describes the input at n.
  const auto delay = static_cast<std::size_t>(std::lround(kLowPassStages * (1.0 - alpha) / alpha));
  const auto settle = static_cast<std::size_t>(std::lround(kSettleSeconds * rate)) + delay;
  const auto end = static_cast<std::size_t>(std::lround(kEndSeconds * rate)) + delay;
  const auto step = std::max<std::size_t>(1, static_cast<std::size_t>(rate / fundamental));
  std::array<std::complex<double>, kLowPassStages> stages{};
  std::complex<double> oscillator(1.0, 0.0);
  const std::complex<double> rotation(std::cos(omega), -std::sin(omega));
  PhaseTrack track;
  track.spacing = static_cast<double>(step) / rate;
  double previous = 0.0;
  double unwrapped = 0.0;
  for (std::size_t n = 0; n < std::min(end + 1, samples.size()); ++n) {
    std::complex<double> value = 2.0 * static_cast<double>(samples[n]) * oscillator;
    for (auto& stage : stages) {
      stage += alpha * (value - stage);
      value = stage;
    }
    oscillator *= rotation;
    if ((n & 1023U) == 0) {
      oscillator /= std::abs(oscillator);
    }
    if (n >= settle && (n - settle) % step == 0) {
      const double angle = std::arg(value);
      if (track.phase.empty()) {
        unwrapped = angle;
      } else {
        double change = angle - previous;
        change -= kTwoPi * std::round(change / kTwoPi);
        unwrapped += change;
      }
      previous = angle;
      track.phase.push_back(unwrapped);
      track.power += std::norm(value) / 2.0;
    }
  }
  if (!track.phase.empty()) {
    track.power /= static_cast<double>(track.phase.size());
  }
  return track;
}

// The partial's frequency over values [from, to], as a ratio to its nominal `partialHz`: the
// slope of the least-squares line through the phase, which averages out the slow phase wobble of
// many looped samples instead of depending on the phase at two instants.
double Ratio(const PhaseTrack& track, std::size_t from, std::size_t to, double partialHz) {
  const double count = static_cast<double>(to - from + 1);
  double meanT = 0.0;
  double meanPhase = 0.0;
  for (std::size_t i = from; i <= to; ++i) {
    meanT += static_cast<double>(i);
    meanPhase += track.phase[i];
  }
  meanT /= count;
  meanPhase /= count;
  double covariance = 0.0;
  double variance = 0.0;
  for (std::size_t i = from; i <= to; ++i) {
    const double t = static_cast<double>(i) - meanT;
    covariance += t * (track.phase[i] - meanPhase);
    variance += t * t;
  }
  return (partialHz + covariance / variance / (kTwoPi * track.spacing)) / partialHz;
}

double Cents(double ratio) {
  return kCentsPerOctave * std::log2(ratio);
}

}  // namespace

namespace {

KeyReading Unmeasurable(Unmeasured why) {
  KeyReading reading;
  reading.why = why;
  return reading;
}

}  // namespace

std::string_view Why(Unmeasured reason) {
  switch (reason) {
    case Unmeasured::No:
      return "measured";
    case Unmeasured::Silent:
      return "silent";
    case Unmeasured::Noise:
      return "harmonics under half the sound (breath, noise)";
    case Unmeasured::OffKey:
      return "over 50 cents from its key";
    case Unmeasured::Moves:
      return "pitch moves over 2 cents within the stretch (vibrato, glide)";
    case Unmeasured::Inharmonic:
      return "partials scatter over 5 cents (inharmonic, beating)";
  }
  return "";
}

KeyReading ReadKey(std::span<const float> fromStrike, double rate, int key) {
  const KeyReading kSilent = Unmeasurable(Unmeasured::Silent);
  const double fundamental = KeyFrequency(key);
  // The power of the sound over the measured stretch, which the partials must mostly explain.
  const auto from = static_cast<std::size_t>(std::lround(kSettleSeconds * rate));
  const auto to =
      std::min(fromStrike.size(), static_cast<std::size_t>(std::lround(kEndSeconds * rate)));
  if (from >= to) {
    return kSilent;
  }
  double meanSquare = 0.0;
  for (std::size_t n = from; n < to; ++n) {
    meanSquare += static_cast<double>(fromStrike[n]) * fromStrike[n];
  }
  meanSquare /= static_cast<double>(to - from);
  if (meanSquare <= 0.0) {
    return kSilent;
  }
  std::vector<PhaseTrack> tracks;
  double explained = 0.0;
  double strongest = 0.0;
  for (int h = 1; h <= kHarmonics && h * fundamental < rate / 2; ++h) {
    tracks.push_back(Follow(fromStrike, rate, fundamental, h));
    if (tracks.back().phase.size() < 4) {
      return kSilent;
    }
    explained += tracks.back().power;
    strongest = std::max(strongest, tracks.back().power);
  }
  if (explained < kMinExplainedPower * meanSquare) {
    return Unmeasurable(Unmeasured::Noise);
  }
  // Each audible partial's frequency divided by its number, weighted by its power, over the whole
  // stretch and over each half of it.
  struct Fit {
    double whole = 0.0;
    double first = 0.0;
    double second = 0.0;
    double weight = 0.0;
  } fit;
  std::optional<double> fundamentalCents;
  std::vector<std::pair<double, double>> partials;  // power, frequency ratio
  for (std::size_t h = 0; h < tracks.size(); ++h) {
    const auto& track = tracks[h];
    if (track.power < kAudiblePartial * strongest) {
      continue;
    }
    const double partialHz = fundamental * static_cast<double>(h + 1);
    const std::size_t last = track.phase.size() - 1;
    const double whole = Ratio(track, 0, last, partialHz);
    const double first = Ratio(track, 0, last / 2, partialHz);
    const double second = Ratio(track, last / 2, last, partialHz);
    fit.whole += track.power * whole;
    fit.first += track.power * first;
    fit.second += track.power * second;
    fit.weight += track.power;
    partials.emplace_back(track.power, whole);
    if (h == 0 && std::abs(Cents(first / second)) <= kMaxHalvesCents) {
      fundamentalCents = Cents(whole);
    }
  }
  const double heard = Cents(fit.whole / fit.weight);
  double scatter = 0.0;
  for (const auto& [power, ratio] : partials) {
    scatter += power * (Cents(ratio) - heard) * (Cents(ratio) - heard);
  }
  if (std::abs(heard) > kMaxOffsetCents) {
    return Unmeasurable(Unmeasured::OffKey);
  }
  if (std::sqrt(scatter / fit.weight) > kMaxScatterCents) {
    return Unmeasurable(Unmeasured::Inharmonic);
  }
  if (std::abs(Cents(fit.first / fit.second)) > kMaxHalvesCents) {
    return Unmeasurable(Unmeasured::Moves);
  }
  return {heard, fundamentalCents};
}

}  // namespace morrowfane::report
