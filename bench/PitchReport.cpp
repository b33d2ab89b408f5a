// Pitch report: how far each General MIDI program of a SoundFont sounds from equal temperament
// (A4 = 440 Hz) on the keys an instrument's tunings can sound, before and after the built-in
// synthesizer's pitch correction.
//
//   pitch_report [--keys] [--soundfont PATH] [--rate HZ] [--strings WORD | --instruments]
//                [PROGRAM...]
//
// The keys are those of the six-string guitar, or of the instrument `--strings` names (a settings
// word: Bass4, Violin...), whose program is reported when none is given. --instruments reports
// each instrument's proposed program on that instrument's keys. Each program's line is followed
// by the keys that have no heard pitch before correction, and why.
// --keys also prints each key's readings before and after ("-" where it has none). The notes are
// rendered as the built-in synthesizer plays them (key tuning installed under the program's number
// and activated on the note's channel, velocity 126, no reverberation or chorus) and read three
// ways, each as worst key / RMS in cents:
//   heard        the power-weighted harmonic fit of partials 1 to 8 (HeardPitch.h), with an
//   analysis
//                of this tool's own, not the correction's; the targets apply to it;
//   fundamental  the first partial alone;
//   tuner        aubio's YIN period detector, as a tuner app reads (TunerReading.h).
// Samples that beat read differently from strike to strike. The guitar, bass and piano programs
// and those the instruments propose are struck kStrikes times per key, each strike a little later
// than the last, so that it meets the samples at another point of the audio blocks; their heard
// pitch is the mean, and `spread` is the widest range of a key's strikes. `agree` is the largest
// difference, before correction, between this tool's heard pitch and the correction's own
// measurement of the same audio. A program is measurable when two thirds of its keys are, before
// and after.
#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "HeardPitch.h"
#include "PitchReportOptions.h"
#include "TunerReading.h"
#include "model/Instruments.h"
#include "pitch/NotePitch.h"
#include "pitch/PitchCorrector.h"
#include "synth/FluidInstance.h"
#include "synth/FluidKeyTuning.h"

namespace morrowfane {
namespace {

using report::KeyReading;

constexpr int kChannel = 1;
constexpr double kEndSeconds = std::chrono::duration<double>(kNoteEnd).count();
// Rendered beyond the end of the stretch for the heard pitch's filter delay (under 0.1 s on the
// lowest key).
constexpr double kDelayMarginSeconds = 0.15;
constexpr double kTightCents = 0.5;
constexpr double kTightRmsCents = 0.2;
constexpr double kLooseCents = 1.0;
// The guitar, bass and piano programs, and those the instruments propose (violin family, banjo).
constexpr std::array<int, 13> kTightPrograms = {0, 24, 25, 26, 27, 32, 33, 34, 40, 41, 42, 43, 105};
constexpr int kStrikes = 4;
// Frames of silence added before each further strike: not a multiple of the synthesizer's
// 64-frame block.
constexpr int kStrikeStepFrames = 2477;

class Renderer {
 public:
  Renderer(const std::string& soundFont, double rate) : rate_(rate), fluid_(rate) {
    loaded_ = fluid_.MakeSynth() &&
              fluid_synth_sfload(fluid_.Synth(), soundFont.c_str(), 1) != FLUID_FAILED;
  }

  bool Loaded() const { return loaded_; }

  // The samples of `key` from its strike, to beyond kEndSeconds, struck after `lead` frames of
  // silence.
  std::vector<float> Note(int program, int key, const std::optional<KeyPitches>& pitches,
                          int lead) {
    auto* synth = fluid_.Synth();
    if (lead > 0) {
      left_.resize(static_cast<std::size_t>(lead));
      right_.resize(left_.size());
      fluid_synth_write_float(synth, lead, left_.data(), 0, 1, right_.data(), 0, 1);
    }
    fluid_synth_program_change(synth, kChannel, program);
    if (pitches) {
      InstallKeyTuning(synth, program, "report " + std::to_string(program), *pitches);
      PlayWithKeyTuning(synth, kChannel, program);
    } else {
      PlayWithSoundFontTuning(synth, kChannel);
    }
    fluid_synth_noteon(synth, kChannel, key, midi::kStrikeVelocity);
    // Long enough for the heard pitch's filters and for the correction's own reading.
    const auto frames =
        std::max(static_cast<std::size_t>((kEndSeconds + kDelayMarginSeconds) * rate_),
                 NoteFrames(rate_, key));
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

// Worst key and RMS of one reading over the keys that have it.
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

// One key's readings, each over the strikes that have it.
struct KeyReadings {
  std::optional<double> heard;
  std::optional<double> fundamental;
  std::optional<double> tuner;
  double spread = 0.0;
  std::optional<double> corrector;  // the correction's own measurement of the first strike
  report::Unmeasured why = report::Unmeasured::No;  // of the first strike
};

std::optional<double> Mean(const std::vector<double>& values) {
  if (values.empty()) {
    return std::nullopt;
  }
  double sum = 0.0;
  for (const double v : values) {
    sum += v;
  }
  return sum / static_cast<double>(values.size());
}

// The readings of all the keys of one program, tuned or not.
struct ProgramReadings {
  std::vector<double> heard;
  std::vector<double> fundamental;
  std::vector<double> tuner;
  double spread = 0.0;
  double disagreement = 0.0;
};

std::string Text(const std::optional<double>& cents) {
  if (!cents) {
    return "-";
  }
  char text[16];
  std::snprintf(text, sizeof text, "%.3f", *cents);
  return text;
}

std::string Column(const std::vector<double>& errors) {
  const auto s = Summarize(errors);
  char text[32];
  if (s.keys == 0) {
    std::snprintf(text, sizeof text, "%13s", "-");
  } else {
    std::snprintf(text, sizeof text, "%2d %5.2f/%4.2f", s.keys, s.worst, s.rms);
  }
  return text;
}

class Reporter {
 public:
  Reporter(Renderer& renderer, double rate) : renderer_(renderer), rate_(rate) {}

  KeyReadings Read(int program, int key, const std::optional<KeyPitches>& pitches, int strikes) {
    KeyReadings readings;
    std::vector<double> heard;
    std::vector<double> fundamental;
    std::vector<double> tuner;
    for (int strike = 0; strike < strikes; ++strike) {
      const auto note = renderer_.Note(program, key, pitches, strike * kStrikeStepFrames);
      const KeyReading reading = report::ReadKey(note, rate_, key);
      if (strike == 0) {
        readings.why = reading.why;
      }
      if (reading.heard) {
        heard.push_back(*reading.heard);
      }
      if (reading.fundamental) {
        fundamental.push_back(*reading.fundamental);
      }
      if (const auto cents = report::TunerCents(note, rate_, key)) {
        tuner.push_back(*cents);
      }
      if (strike == 0 && !pitches) {
        if (const auto cents = NotePitch(analyzer_, note, rate_, key)) {
          readings.corrector = *cents - 100.0 * key;
        }
      }
    }
    readings.heard = Mean(heard);
    readings.fundamental = Mean(fundamental);
    readings.tuner = Mean(tuner);
    if (!heard.empty()) {
      readings.spread = *std::max_element(heard.begin(), heard.end()) -
                        *std::min_element(heard.begin(), heard.end());
    }
    return readings;
  }

 private:
  Renderer& renderer_;
  double rate_;
  PitchAnalyzer analyzer_;
};

void Add(ProgramReadings& program, const KeyReadings& key) {
  if (key.heard) {
    program.heard.push_back(*key.heard);
  }
  if (key.fundamental) {
    program.fundamental.push_back(*key.fundamental);
  }
  if (key.tuner) {
    program.tuner.push_back(*key.tuner);
  }
  program.spread = std::max(program.spread, key.spread);
  if (key.heard && key.corrector) {
    program.disagreement = std::max(program.disagreement, std::abs(*key.heard - *key.corrector));
  }
}

struct Tally {
  int measurable = 0;
  int onTarget = 0;
  std::vector<int> missed;
};

void ReportJob(const report::Job& job, const std::optional<KeyPitches>& pitches, Reporter& reporter,
               bool everyKey, Tally& tally) {
  const bool tight =
      std::find(kTightPrograms.begin(), kTightPrograms.end(), job.program) != kTightPrograms.end();
  const int strikes = tight ? kStrikes : 1;
  ProgramReadings before;
  ProgramReadings after;
  std::string keyLines;
  std::vector<std::pair<int, report::Unmeasured>> unmeasured;
  for (int key = job.keys.first; key <= job.keys.last; ++key) {
    const auto untuned = reporter.Read(job.program, key, std::nullopt, strikes);
    const auto tuned = reporter.Read(job.program, key, pitches, strikes);
    Add(before, untuned);
    Add(after, tuned);
    if (!untuned.heard) {
      unmeasured.emplace_back(key, untuned.why);
    }
    if (everyKey) {
      keyLines += "    key " + std::to_string(key) + ": heard " + Text(untuned.heard) + " -> " +
                  Text(tuned.heard) + ", fundamental " + Text(untuned.fundamental) + " -> " +
                  Text(tuned.fundamental) + ", tuner " + Text(untuned.tuner) + " -> " +
                  Text(tuned.tuner) + ", spread " + Text(tuned.spread) + ", correction read " +
                  Text(untuned.corrector) + "\n";
    }
  }
  const auto b = Summarize(before.heard);
  const auto a = Summarize(after.heard);
  const int keys = job.keys.last - job.keys.first + 1;
  const bool canMeasure = 3 * b.keys >= 2 * keys && 3 * a.keys >= 2 * keys;
  std::string verdict = "not measurable";
  if (canMeasure) {
    ++tally.measurable;
    const bool ok =
        tight ? a.worst <= kTightCents && a.rms <= kTightRmsCents : a.worst <= kLooseCents;
    if (ok) {
      ++tally.onTarget;
      verdict = "ok";
    } else {
      tally.missed.push_back(job.program);
      verdict = "MISSED";
    }
    verdict += tight ? " (target 0.5, RMS 0.2)" : " (target 1.0)";
  }
  std::printf("%7d %2d..%2d %s %s %s %s %s %s %6.2f %6.3f %s%s\n", job.program, job.keys.first,
              job.keys.last, Column(before.heard).c_str(), Column(after.heard).c_str(),
              Column(before.fundamental).c_str(), Column(after.fundamental).c_str(),
              Column(before.tuner).c_str(), Column(after.tuner).c_str(),
              std::max(before.spread, after.spread), before.disagreement, verdict.c_str(),
              pitches ? "" : " [uncorrected]");
  std::fputs(report::UnmeasuredText(unmeasured).c_str(), stdout);
  std::fputs(keyLines.c_str(), stdout);
  std::fflush(stdout);
}

int Run(int argc, char** argv) {
  const auto options = report::ParseOptions(argc, argv);
  if (!options) {
    std::fprintf(stderr,
                 "usage: pitch_report [--keys] [--soundfont PATH] [--rate HZ]"
                 " [--strings WORD | --instruments] [PROGRAM...]\n");
    return 2;
  }
  if (!(options->rate >= 8000.0 && options->rate <= 192000.0)) {
    std::fprintf(stderr, "pitch_report: --rate must be between 8000 and 192000 Hz\n");
    return 2;
  }
  Renderer renderer(options->soundFont, options->rate);
  if (!renderer.Loaded()) {
    std::fprintf(stderr, "cannot load %s\n", options->soundFont.c_str());
    return 1;
  }
  auto source = MakePitchCorrector(options->soundFont, options->rate);
  auto* corrector = dynamic_cast<PitchCorrector*>(source.get());
  Reporter reporter(renderer, options->rate);

  std::printf("SoundFont %s at %.0f Hz; cents from equal temperament,\n",
              options->soundFont.c_str(), options->rate);
  std::printf("each column: keys read, worst key / RMS\n");
  std::printf("%7s %6s %13s %13s %13s %13s %13s %13s %6s %6s\n", "program", "keys", "heard before",
              "heard after", "fund. before", "fund. after", "tuner before", "tuner after", "spread",
              "agree");
  Tally tally;
  for (const report::Job& job : options->jobs) {
    // One program at a time: the same program on wider keys is measured again over them.
    corrector->Request(job.program, job.keys);
    corrector->WaitUntilDone(job.program, std::chrono::minutes(5));
    ReportJob(job, corrector->Lookup(job.program), reporter, options->everyKey, tally);
  }
  std::printf("measurable programs: %d, on target: %d, missed:", tally.measurable, tally.onTarget);
  for (const int p : tally.missed) {
    std::printf(" %d", p);
  }
  std::printf("\n");
  return tally.missed.empty() ? 0 : 3;
}

}  // namespace
}  // namespace morrowfane

int main(int argc, char** argv) {
  return morrowfane::Run(argc, argv);
}
