// Pitch report: how far each General MIDI program of a SoundFont sounds from equal temperament
// (A4 = 440 Hz) on the guitar's keys 29..64, before and after the built-in synthesizer's pitch
// correction.
//
//   pitch_report [--keys] [--soundfont PATH] [--rate HZ] [PROGRAM...]
//
// --keys also prints each key's deviation before and after ("-" where it has no measurable pitch).
// The notes are rendered as the built-in synthesizer plays them (key tuning installed under the
// program's number and activated on the note's channel, velocity 126, no reverberation or chorus)
// and measured here with a method of this tool's own, not the correction's analysis: each of the
// first eight harmonics of the key is shifted to 0 Hz (heterodyne), low-passed, and its phase
// followed through the note. A partial's frequency is the slope of its phase over the stretch that
// defines a note's pitch (kNoteSettle to kNoteEnd after the strike); the filters
// run from the strike and their delay is allowed for, so the phase read is that of this stretch.
// The partial followed is the lowest of them no more than 30 dB below the strongest. A key has no
// measurable pitch when those harmonics hold less than half of the sound's power, when it dies away
// within the stretch (its last tenth more than 60 dB below its first), when its pitch is more than
// 50 cents from the key, or when its two halves differ by more than 2 cents (a sound
// whose pitch moves that much within a second has no pitch to half a cent); a program is measurable
// when two thirds of its keys are, before and after.
#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "pitch/PitchCorrector.h"
#include "synth/FluidInstance.h"
#include "synth/FluidKeyTuning.h"

namespace morrowfane {
namespace {

constexpr char kDefaultSoundFont[] = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
constexpr double kDefaultRate = 48000.0;
constexpr int kChannel = 1;
constexpr double kSettleSeconds = std::chrono::duration<double>(kNoteSettle).count();
constexpr double kEndSeconds = std::chrono::duration<double>(kNoteEnd).count();
// Rendered beyond the end of the stretch for the low-pass filters' delay (under 0.1 s on the
// lowest key).
constexpr double kDelayMarginSeconds = 0.15;
constexpr int kHarmonics = 8;
constexpr double kAudiblePartial = 1e-3;  // power ratio, -30 dB
constexpr double kMinExplainedPower = 0.5;
constexpr double kMaxOffsetCents = 50.0;
constexpr double kMaxHalvesCents = 2.0;
// The low-pass: four one-pole stages with their corner at a sixth of the fundamental, so the
// neighbouring partials (one fundamental away) are 60 dB down.
constexpr int kLowPassStages = 4;
constexpr double kCornerDivisor = 6.0;
constexpr double kTightCents = 0.5;
constexpr double kLooseCents = 1.0;
constexpr std::array<int, 8> kTightPrograms = {0, 24, 25, 26, 27, 32, 33, 34};
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The phase of partial `harmonic` of `fundamental`, followed sample by sample.
struct PhaseTrack {
  std::vector<double> phase;  // unwrapped, one value per period
  double spacing = 0.0;       // seconds between values
  double power = 0.0;         // mean power of the partial
};

PhaseTrack Follow(const std::vector<float>& samples, double rate, double fundamental,
                  int harmonic) {
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
  std::size_t count = 0;
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
      ++count;
    }
  }
  if (count > 0) {
    track.power /= static_cast<double>(count);
  }
  return track;
}

// The frequency offset of the partial, in cents, over values [from, to]: the slope of the
// least-squares line through the phase, which averages out the slow phase wobble of many looped
// samples instead of depending on the phase at two instants.
double OffsetCents(const PhaseTrack& track, std::size_t from, std::size_t to, double partialHz) {
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
  const double hertz = covariance / variance / (kTwoPi * track.spacing);
  return 1200.0 * std::log2((partialHz + hertz) / partialHz);
}

// Deviation of the note from `key` in cents, or nothing when it has no measurable pitch.
std::optional<double> MeasureKey(const std::vector<float>& samples, double rate, int key) {
  const double fundamental = CentsToFrequency(100.0 * key);
  // The power of the sound over the measured stretch, which the partials must mostly explain.
  const auto from = static_cast<std::size_t>(std::lround(kSettleSeconds * rate));
  const auto to =
      std::min(samples.size(), static_cast<std::size_t>(std::lround(kEndSeconds * rate)));
  if (from >= to) {
    return std::nullopt;
  }
  double meanSquare = 0.0;
  for (std::size_t n = from; n < to; ++n) {
    meanSquare += static_cast<double>(samples[n]) * samples[n];
  }
  meanSquare /= static_cast<double>(to - from);
  if (meanSquare <= 0.0) {
    return std::nullopt;
  }
  std::vector<PhaseTrack> tracks;
  double explained = 0.0;
  double strongest = 0.0;
  for (int h = 1; h <= kHarmonics && h * fundamental < rate / 2; ++h) {
    tracks.push_back(Follow(samples, rate, fundamental, h));
    explained += tracks.back().power;
    strongest = std::max(strongest, tracks.back().power);
  }
  if (explained < kMinExplainedPower * meanSquare) {
    return std::nullopt;
  }
  // The lowest harmonic no more than 30 dB below the strongest is followed.
  std::size_t chosen = 0;
  while (tracks[chosen].power < kAudiblePartial * strongest) {
    ++chosen;
  }
  const auto& track = tracks[chosen];
  if (track.phase.size() < 4) {
    return std::nullopt;
  }
  const double partialHz = fundamental * static_cast<double>(chosen + 1);
  const std::size_t last = track.phase.size() - 1;
  const std::size_t middle = last / 2;
  const double whole = OffsetCents(track, 0, last, partialHz);
  const double first = OffsetCents(track, 0, middle, partialHz);
  const double second = OffsetCents(track, middle, last, partialHz);
  if (std::abs(whole) > kMaxOffsetCents || std::abs(first - second) > kMaxHalvesCents) {
    return std::nullopt;
  }
  return whole;
}

class Renderer {
 public:
  Renderer(const std::string& soundFont, double rate) : rate_(rate), fluid_(rate) {
    loaded_ = fluid_.MakeSynth() &&
              fluid_synth_sfload(fluid_.Synth(), soundFont.c_str(), 1) != FLUID_FAILED;
  }

  bool Loaded() const { return loaded_; }

  // The samples of `key` from its strike, to beyond kEndSeconds.
  std::vector<float> Note(int program, int key, const std::optional<KeyPitches>& pitches) {
    auto* synth = fluid_.Synth();
    fluid_synth_program_change(synth, kChannel, program);
    if (pitches) {
      InstallKeyTuning(synth, program, "report " + std::to_string(program), *pitches);
      PlayWithKeyTuning(synth, kChannel, program);
    } else {
      PlayWithSoundFontTuning(synth, kChannel);
    }
    fluid_synth_noteon(synth, kChannel, key, midi::kStrikeVelocity);
    const auto frames = static_cast<std::size_t>((kEndSeconds + kDelayMarginSeconds) * rate_);
    left_.resize(frames);
    right_.resize(frames);
    fluid_synth_write_float(synth, static_cast<int>(frames), left_.data(), 0, 1, right_.data(), 0,
                            1);
    std::vector<float> mono(frames);
    for (std::size_t i = 0; i < frames; ++i) {
      mono[i] = left_[i] + right_[i];
    }
    fluid_synth_all_sounds_off(synth, kChannel);
    fluid_synth_write_float(synth, kRetire, left_.data(), 0, 1, right_.data(), 0, 1);
    return mono;
  }

 private:
  static constexpr int kRetire = 64;
  double rate_;
  FluidInstance fluid_;
  bool loaded_ = false;
  std::vector<float> left_;
  std::vector<float> right_;
};

struct Summary {
  int keys = 0;
  double worst = 0.0;
  double rms = 0.0;
};

Summary Summarize(const std::vector<double>& errors) {
  Summary summary;
  summary.keys = static_cast<int>(errors.size());
  double squares = 0.0;
  for (const double e : errors) {
    summary.worst = std::max(summary.worst, std::abs(e));
    squares += e * e;
  }
  if (!errors.empty()) {
    summary.rms = std::sqrt(squares / static_cast<double>(errors.size()));
  }
  return summary;
}

int Run(int argc, char** argv) {
  std::string soundFont = kDefaultSoundFont;
  double rate = kDefaultRate;
  std::vector<int> programs;
  bool everyKey = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keys") {
      everyKey = true;
    } else if (arg == "--soundfont" && i + 1 < argc) {
      soundFont = argv[++i];
    } else if (arg == "--rate" && i + 1 < argc) {
      rate = std::atof(argv[++i]);
    } else if (!arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos &&
               std::atoi(arg.c_str()) < midi::kProgramCount) {
      programs.push_back(std::atoi(arg.c_str()));
    } else {
      std::fprintf(stderr,
                   "usage: pitch_report [--keys] [--soundfont PATH] [--rate HZ] [PROGRAM...]\n");
      return 2;
    }
  }
  if (programs.empty()) {
    for (int p = 0; p < midi::kProgramCount; ++p) {
      programs.push_back(p);
    }
  }
  Renderer renderer(soundFont, rate);
  if (!renderer.Loaded()) {
    std::fprintf(stderr, "cannot load %s\n", soundFont.c_str());
    return 1;
  }
  auto source = MakePitchCorrector(soundFont, rate);
  auto* corrector = dynamic_cast<PitchCorrector*>(source.get());
  for (const int program : programs) {
    corrector->Request(program);
  }

  std::printf("SoundFont %s at %.0f Hz; keys %d..%d; cents from equal temperament\n",
              soundFont.c_str(), rate, kFirstCorrectedKey, kLastCorrectedKey);
  std::printf("%7s %5s %9s %7s %5s %9s %7s %s\n", "program", "keys", "worst", "rms", "keys",
              "worst", "rms", "");
  std::printf("%7s %23s %23s\n", "", "before", "after");
  int measurable = 0;
  int onTarget = 0;
  std::vector<int> missed;
  for (const int program : programs) {
    corrector->WaitUntilDone(program, std::chrono::minutes(5));
    const auto pitches = corrector->Lookup(program);
    std::vector<double> before;
    std::vector<double> after;
    std::string keyLines;
    for (int key = kFirstCorrectedKey; key <= kLastCorrectedKey; ++key) {
      const auto untuned = MeasureKey(renderer.Note(program, key, std::nullopt), rate, key);
      const auto tuned = MeasureKey(renderer.Note(program, key, pitches), rate, key);
      if (untuned) {
        before.push_back(*untuned);
      }
      if (tuned) {
        after.push_back(*tuned);
      }
      if (everyKey) {
        const auto text = [](const std::optional<double>& e) {
          return e ? std::to_string(std::round(*e * 1000.0) / 1000.0).substr(0, 7) : "-";
        };
        keyLines +=
            "    key " + std::to_string(key) + ": " + text(untuned) + " -> " + text(tuned) + "\n";
      }
    }
    const auto b = Summarize(before);
    const auto a = Summarize(after);
    constexpr int kKeys = kLastCorrectedKey - kFirstCorrectedKey + 1;
    const bool canMeasure = 3 * b.keys >= 2 * kKeys && 3 * a.keys >= 2 * kKeys;
    const bool tight =
        std::find(kTightPrograms.begin(), kTightPrograms.end(), program) != kTightPrograms.end();
    const double target = tight ? kTightCents : kLooseCents;
    std::string verdict = "not measurable";
    if (canMeasure) {
      ++measurable;
      if (a.worst <= target) {
        ++onTarget;
        verdict = "ok";
      } else {
        missed.push_back(program);
        verdict = "MISSED";
      }
      verdict += tight ? " (target 0.5)" : " (target 1.0)";
    }
    std::printf("%7d %5d %9.2f %7.2f %5d %9.3f %7.3f %s%s\n", program, b.keys, b.worst, b.rms,
                a.keys, a.worst, a.rms, verdict.c_str(), pitches ? "" : " [uncorrected]");
    std::fputs(keyLines.c_str(), stdout);
    std::fflush(stdout);
  }
  std::printf("measurable programs: %d, on target: %d, missed:", measurable, onTarget);
  for (const int p : missed) {
    std::printf(" %d", p);
  }
  std::printf("\n");
  return missed.empty() ? 0 : 3;
}

}  // namespace
}  // namespace morrowfane

int main(int argc, char** argv) {
  return morrowfane::Run(argc, argv);
}
