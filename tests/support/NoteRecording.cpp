#include "NoteRecording.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "AudioAnalysis.h"
#include "DesktopSoundServer.h"
#include "model/Instruments.h"
#include "pitch/PitchAnalysis.h"
#include "pitch/PitchCorrector.h"

namespace morrowfane::testing {
namespace {

using namespace std::chrono_literals;

constexpr double kRate = SinkRecorder::kSampleRate;
constexpr float kOnsetLevel = 1e-3F;
constexpr float kOnsetOverTail = 2.0F;
// A monitor delivers the sink's sound a while after it played.
constexpr auto kRecordBefore = 300ms;
constexpr auto kRecordAfter = 2000ms;
constexpr double kNextStrikeAfter = 1.5;  // seconds: where to look for the next strike

}  // namespace

// The note of `key` struck at `strike` in `samples`, read as heard and for dropouts.
NoteReading ReadNote(std::span<const float> samples, std::size_t strike, int key) {
  NoteReading reading;
  const auto whole = static_cast<std::size_t>(kWholeFor * kRate);
  if (samples.size() < strike + whole) {
    return reading;
  }
  const auto note = samples.subspan(strike, whole);
  reading.audible = Rms(note) > kOnsetLevel;
  reading.dropouts = Dropouts(note, kDropoutRun);
  const auto heard = note.subspan(static_cast<std::size_t>(kHeardFrom * kRate),
                                  static_cast<std::size_t>((kHeardTo - kHeardFrom) * kRate));
  PitchAnalyzer analyzer;
  const double expected = KeyFrequency(key);
  const auto pitch = analyzer.Measure(heard, kRate, expected);
  reading.cents = pitch ? CentsBetween(pitch->frequency, expected) : kNoPitch;
  return reading;
}

std::optional<std::size_t> Onset(std::span<const float> samples, std::size_t from) {
  from = std::min(from, samples.size());
  float level = kOnsetLevel;
  for (float sample :
       samples.subspan(from - std::min(from, kLevelWindow), std::min(from, kLevelWindow))) {
    level = std::max(level, kOnsetOverTail * std::abs(sample));
  }
  const auto onset = FirstAbove(samples.subspan(from), level);
  return onset ? std::optional(from + *onset) : std::nullopt;
}

std::unique_ptr<BuiltInSynth> CorrectedSynthOnSdl(int program) {
  BuiltInSynthOptions options;
  options.audioDrivers = {"sdl"};
  options.tuning = MakePitchCorrector;
  auto synth = std::make_unique<BuiltInSynth>(std::move(options));
  synth->Prepare(program, KeysSounded(StringInstrument::Guitar6));
  return synth;
}

Recording RecordStrikes(const std::function<void(int key)>& strike, const std::vector<int>& keys) {
  Recording recording;
  SinkRecorder recorder;
  std::this_thread::sleep_for(kRecordBefore);
  for (int key : keys) {
    strike(key);
    std::this_thread::sleep_for(kStrikeSpacing);
  }
  std::this_thread::sleep_for(kRecordAfter);
  recording.samples = recorder.Stop();
  auto onset = Onset(recording.samples);
  const auto gap = static_cast<std::size_t>(kNextStrikeAfter * kRate);
  while (onset && recording.strikes.size() < keys.size()) {
    recording.strikes.push_back(*onset);
    onset = Onset(recording.samples, *onset + gap);
  }
  return recording;
}

}  // namespace morrowfane::testing
