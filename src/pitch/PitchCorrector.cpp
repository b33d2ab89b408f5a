#include "pitch/PitchCorrector.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <mutex>
#include <utility>

namespace morrowfane {
namespace {

// Freed heap memory stays with the process under glibc until it is trimmed: the SoundFont's
// samples are many small blocks, so most of them would never be returned otherwise.
void ReturnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace

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

void PitchCorrector::WorkOutOn(NoteRenderer& renderer, int program, KeyRange keys,
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
  TuningMeter meter(renderer);
  auto pitches = meter.Correct(program, keys, &cancel);
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
