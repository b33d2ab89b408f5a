#include "pitch/PitchCorrector.h"

#include <fluidsynth.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numeric>

#include "model/Instruments.h"
#include "synth/FluidInstance.h"
#include "synth/FluidKeyTuning.h"

namespace morrowfane {
namespace {

constexpr int kMeasuringPolyphony = 64;
constexpr char kTuningName[] = "measuring";
constexpr int kRetireFrames = 64;
// A multiple of the synthesizer's 64-frame block, so that blocks render exactly as one call would.
constexpr std::size_t kRenderBlock = 4096;

std::size_t Frames(std::chrono::milliseconds time, double sampleRate) {
  return static_cast<std::size_t>(
      std::lround(sampleRate * static_cast<double>(time.count()) / 1000.0));
}

// Half an analysis frame, the margin NotePitch reads on each side of the measured stretch: for a
// key at `expectedHertz`, or the widest for any key.
std::size_t HalfFrame(double sampleRate, std::optional<double> expectedHertz = std::nullopt) {
  const std::size_t stretch = Frames(kNoteEnd, sampleRate) - Frames(kNoteSettle, sampleRate);
  return PitchAnalyzer::FrameSize(sampleRate, stretch, expectedHertz) / 2;
}

// Freed heap memory stays with the process under glibc until it is trimmed: the SoundFont's
// samples are many small blocks, so most of them would never be returned otherwise.
void ReturnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace

std::size_t NoteFrames(double sampleRate, int key) {
  return Frames(kNoteEnd, sampleRate) + HalfFrame(sampleRate, KeyFrequency(key));
}

std::size_t NoteFrames(double sampleRate) {
  // The lowest key has the longest frames.
  return std::max(NoteFrames(sampleRate, kPlayableKeys.first),
                  Frames(kNoteEnd, sampleRate) + HalfFrame(sampleRate));
}

std::optional<double> NotePitch(PitchAnalyzer& analyzer, std::span<const float> fromStrike,
                                double sampleRate, int key) {
  const double expected = KeyFrequency(key);
  const std::size_t half = HalfFrame(sampleRate, expected);
  const std::size_t first = Frames(kNoteSettle, sampleRate) - half;
  const std::size_t count = Frames(kNoteEnd, sampleRate) + half - first;
  if (fromStrike.size() < first + count) {
    return std::nullopt;
  }
  if (const auto pitch = analyzer.Measure(fromStrike.subspan(first, count), sampleRate, expected)) {
    return FrequencyToCents(pitch->frequency);
  }
  return std::nullopt;
}

double MeasuringRate(double outputRate) {
  return std::max(outputRate / 2.0, std::min(outputRate, kLowestMeasuringRate));
}

std::optional<KeyPitches> CorrectionFor(const KeyMeasurements& measured,
                                        const KeyPitches& measuredWith) {
  auto pitches = measuredWith;
  bool any = false;
  for (int key = 0; key < kKeyCount; ++key) {
    const auto index = static_cast<std::size_t>(key);
    if (!measured[index]) {
      continue;
    }
    const double error_in_octave = WithinOctave(*measured[index] - kCentsPerKey * key);
    if (std::abs(error_in_octave) > kMaxCorrectionCents) {
      continue;
    }
    pitches[index] -= error_in_octave;
    any = true;
  }
  if (!any) {
    return std::nullopt;
  }
  return pitches;
}

struct TuningMeter::Synth {
  std::unique_ptr<FluidInstance> own;  // null when measuring on a caller's synthesizer
  fluid_synth_t* synth = nullptr;
  bool loaded = false;
};

TuningMeter::TuningMeter(const std::string& soundFontPath, double sampleRate)
    : synth_(std::make_unique<Synth>()), sampleRate_(sampleRate) {
  synth_->own = std::make_unique<FluidInstance>(sampleRate);
  auto* settings = synth_->own->Settings();
  if (settings == nullptr) {
    return;
  }
  fluid_settings_setint(settings, "synth.polyphony", kMeasuringPolyphony);
  fluid_settings_setint(settings, "synth.cpu-cores", 1);
  fluid_settings_setint(settings, "synth.threadsafe-api", 0);
  if (!synth_->own->MakeSynth()) {
    return;
  }
  synth_->synth = synth_->own->Synth();
  // No presets are selected at loading: that would read the piano's samples for every
  // measurement, whichever program it is for.
  synth_->loaded = fluid_synth_sfload(synth_->synth, soundFontPath.c_str(), 0) != FLUID_FAILED;
}

TuningMeter::TuningMeter(fluid_synth_t* synth, int channel, double sampleRate)
    : synth_(std::make_unique<Synth>()), channel_(channel), sampleRate_(sampleRate) {
  synth_->synth = synth;
  synth_->loaded = synth != nullptr && fluid_synth_sfcount(synth) > 0;
}

TuningMeter::~TuningMeter() = default;

bool TuningMeter::Loaded() const {
  return synth_->loaded;
}

std::optional<KeyMeasurements> TuningMeter::Measure(int program, const KeyPitches& tuning,
                                                    KeyRange keys,
                                                    const std::atomic<bool>* cancel) {
  std::vector<int> each(static_cast<std::size_t>(std::max(keys.last - keys.first + 1, 0)));
  std::iota(each.begin(), each.end(), keys.first);
  return Measure(program, tuning, each, cancel);
}

std::optional<KeyMeasurements> TuningMeter::Measure(int program, const KeyPitches& tuning,
                                                    std::span<const int> keys,
                                                    const std::atomic<bool>* cancel) {
  if (!Loaded()) {
    return std::nullopt;
  }
  auto* synth = synth_->synth;
  // The channel's number is its key tuning's, as on the built-in synthesizer, whose connections
  // never play on the channel it lends for measuring.
  const int tuningNumber = channel_;
  fluid_synth_all_sounds_off(synth, channel_);
  InstallKeyTuning(synth, tuningNumber, kTuningName, tuning);
  PlayWithKeyTuning(synth, channel_, tuningNumber);
  fluid_synth_bank_select(synth, channel_, 0);
  if (fluid_synth_program_change(synth, channel_, program) != FLUID_OK) {
    return std::nullopt;
  }

  // The channels are rendered a block at a time and summed: only the sum is kept whole.
  left_.resize(kRenderBlock);
  right_.resize(kRenderBlock);
  KeyMeasurements measured{};
  for (const int key : keys) {
    if (cancel != nullptr && cancel->load()) {
      return std::nullopt;
    }
    // Each note as long as its analysis needs: higher keys need shorter frames.
    const std::size_t frames = NoteFrames(sampleRate_, key);
    mono_.resize(frames);
    fluid_synth_noteon(synth, channel_, key, midi::kStrikeVelocity);
    for (std::size_t done = 0; done < frames; done += kRenderBlock) {
      const std::size_t count = std::min(kRenderBlock, frames - done);
      fluid_synth_write_float(synth, static_cast<int>(count), left_.data(), 0, 1, right_.data(), 0,
                              1);
      for (std::size_t i = 0; i < count; ++i) {
        mono_[done + i] = left_[i] + right_[i];
      }
    }
    fluid_synth_all_sounds_off(synth, channel_);
    // Lets the synthesizer retire the silenced voices before the next note: a note started on
    // the key of a voice still waiting to be retired can sound almost a cent away.
    fluid_synth_write_float(synth, kRetireFrames, left_.data(), 0, 1, right_.data(), 0, 1);
    measured[static_cast<std::size_t>(key)] = NotePitch(analyzer_, mono_, sampleRate_, key);
  }
  return measured;
}

std::optional<KeyPitches> TuningMeter::Correct(int program, KeyRange keys,
                                               const std::atomic<bool>* cancel) {
  const auto tuning = EqualTemperament();
  const auto measured = Measure(program, tuning, keys, cancel);
  if (!measured) {
    return std::nullopt;
  }
  return CorrectionFor(*measured, tuning);
}

PitchCorrector::PitchCorrector(std::string soundFontPath, double sampleRate)
    : soundFontPath_(std::move(soundFontPath)),
      sampleRate_(sampleRate),
      worker_(&PitchCorrector::Run, this) {}

PitchCorrector::~PitchCorrector() {
  {
    std::lock_guard lock(mutex_);
    stopping_.store(true);
    queue_.clear();
  }
  changed_.notify_all();
  worker_.join();
}

std::optional<KeyPitches> PitchCorrector::Lookup(int program) const {
  std::lock_guard lock(mutex_);
  const auto found = done_.find(program);
  if (found == done_.end()) {
    return std::nullopt;
  }
  return found->second.pitches;
}

bool PitchCorrector::KnownOrPending(int program, KeyRange keys) const {
  const auto covers = [program, keys](const Work& work) {
    return work.program == program && work.keys.Contains(keys);
  };
  const auto done = done_.find(program);
  return (done != done_.end() && done->second.keys.Contains(keys)) ||
         (underWay_ && covers(*underWay_)) || std::ranges::any_of(queue_, covers);
}

KeyRange PitchCorrector::WithMeasured(int program, KeyRange keys) const {
  const auto done = done_.find(program);
  if (done == done_.end()) {
    return keys;
  }
  return {std::min(keys.first, done->second.keys.first),
          std::max(keys.last, done->second.keys.last)};
}

void PitchCorrector::Request(int program, KeyRange keys) {
  if (program < 0 || program >= midi::kProgramCount) {
    return;
  }
  {
    std::lock_guard lock(mutex_);
    if (KnownOrPending(program, keys)) {
      return;
    }
    queue_.push_back({program, WithMeasured(program, keys)});
  }
  changed_.notify_all();
}

void PitchCorrector::WorkOutOn(fluid_synth_t* synth, int channel, int program, KeyRange keys,
                               const std::atomic<bool>& cancel) {
  if (program < 0 || program >= midi::kProgramCount) {
    return;
  }
  {
    std::lock_guard lock(mutex_);
    if (KnownOrPending(program, keys)) {
      return;
    }
    keys = WithMeasured(program, keys);
  }
  TuningMeter meter(synth, channel, sampleRate_);
  auto pitches = meter.Correct(program, keys, &cancel);
  PlayWithSoundFontTuning(synth, channel);
  if (cancel.load()) {
    return;
  }
  {
    std::lock_guard lock(mutex_);
    done_[program] = {std::move(pitches), keys};
  }
  changed_.notify_all();
}

bool PitchCorrector::WaitUntilDone(int program, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  const auto isProgram = [program](const Work& work) { return work.program == program; };
  // Done, and not to be measured again over more keys.
  return changed_.wait_for(lock, timeout, [&] {
    return done_.contains(program) && !(underWay_ && isProgram(*underWay_)) &&
           std::ranges::none_of(queue_, isProgram);
  });
}

bool PitchCorrector::WaitUntilIdle(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout,
                           [&] { return queue_.empty() && !underWay_ && !holdsSoundFont_; });
}

bool PitchCorrector::HoldsSoundFont() const {
  std::lock_guard lock(mutex_);
  return holdsSoundFont_;
}

void PitchCorrector::Run() {
  // Made on this thread when work arrives: loading the SoundFont is slow.
  std::unique_ptr<TuningMeter> meter;
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return stopping_.load() || !queue_.empty(); });
    if (stopping_.load()) {
      return;
    }
    const Work work = queue_.front();
    queue_.pop_front();
    underWay_ = work;
    holdsSoundFont_ = true;
    lock.unlock();
    if (!meter) {
      meter = std::make_unique<TuningMeter>(soundFontPath_, MeasuringRate(sampleRate_));
    }
    auto pitches = meter->Correct(work.program, work.keys, &stopping_);
    lock.lock();
    underWay_.reset();
    if (stopping_.load()) {
      return;
    }
    done_[work.program] = {std::move(pitches), work.keys};
    changed_.notify_all();
    if (!queue_.empty()) {
      continue;
    }
    lock.unlock();
    meter.reset();
    ReturnFreedMemory();
    lock.lock();
    // Work that arrived meanwhile loads it again.
    holdsSoundFont_ = false;
    changed_.notify_all();
  }
}

std::unique_ptr<KeyTuningSource> MakePitchCorrector(const std::string& soundFontPath,
                                                    double sampleRate) {
  return std::make_unique<PitchCorrector>(soundFontPath, sampleRate);
}

}  // namespace morrowfane
