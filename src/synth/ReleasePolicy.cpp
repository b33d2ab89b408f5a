#include "synth/ReleasePolicy.h"

#include <algorithm>

namespace morrowfane {
namespace {

// FluidSynth releases the voices of an exclusive class when a new voice of that class starts on
// their channel, at a release time of -200 timecents of its own; while a connection's notes
// sound, its channel's release offset turns that into kDampedRelease.
constexpr float kDampingClass = 1.0F;  // added to the SoundFont's class, 0 for pitched sounds
constexpr float kExclusiveClassRelease = -200.0F;  // timecents
// 0.12 s from full level to silence, falling steadily in decibels: FluidR3's own release for a
// plucked string (the jazz guitar's), gone before the next strike of the fastest loop.
constexpr float kDampedRelease = -3670.0F;  // timecents
constexpr float kDampingReleaseOffset = kDampedRelease - kExclusiveClassRelease;
constexpr float kSoundFontRelease = 0.0F;

}  // namespace

void PrepareDamping(fluid_synth_t* synth, int channel) {
  fluid_synth_set_gen(synth, channel, GEN_EXCLUSIVECLASS, kDampingClass);
  fluid_synth_set_gen(synth, channel, GEN_VOLENVRELEASE, kSoundFontRelease);
}

void DampEarlierNotes(fluid_synth_t* synth, int channel) {
  fluid_synth_set_gen(synth, channel, GEN_VOLENVRELEASE, kDampingReleaseOffset);
}

void UndoDamping(fluid_synth_t* synth, int channel) {
  fluid_synth_set_gen(synth, channel, GEN_VOLENVRELEASE, kSoundFontRelease);
}

void ReleaseNotes(fluid_synth_t* synth, int channel) {
  UndoDamping(synth, channel);
  fluid_synth_all_notes_off(synth, channel);
}

void RingLimit::Closed(int channel, std::uint64_t now) {
  std::lock_guard lock(mutex_);
  dueAt_[static_cast<std::size_t>(channel)] = now + limitFrames_;
  UpdateNextDue();
}

void RingLimit::Reopened(int channel) {
  std::lock_guard lock(mutex_);
  dueAt_[static_cast<std::size_t>(channel)] = kNever;
  UpdateNextDue();
}

ChannelSet RingLimit::TakeAll() {
  return TakeDue(kNever - 1);
}

ChannelSet RingLimit::TakeDue(std::uint64_t now) {
  ChannelSet due;
  std::lock_guard lock(mutex_);
  for (std::size_t channel = 0; channel < dueAt_.size(); ++channel) {
    if (dueAt_[channel] <= now) {
      due.set(channel);
      dueAt_[channel] = kNever;
    }
  }
  UpdateNextDue();
  return due;
}

bool RingLimit::MarkIfDue(std::uint64_t now) {
  std::uint64_t due = nextDue_.load(std::memory_order_acquire);
  // Claims this limit, so the mark is made once however many periods pass before it is taken.
  while (now >= due) {
    if (nextDue_.compare_exchange_weak(due, kNever, std::memory_order_acq_rel)) {
      marked_.store(true, std::memory_order_release);
      return true;
    }
  }
  return false;
}

void RingLimit::UpdateNextDue() {
  nextDue_.store(*std::min_element(dueAt_.begin(), dueAt_.end()), std::memory_order_release);
}

}  // namespace morrowfane
