#pragma once

#include <fluidsynth.h>

#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <limits>
#include <mutex>

#include "player/MidiOutput.h"

namespace morrowfane {

inline constexpr int kSynthChannelCount = 16;
using ChannelSet = std::bitset<kSynthChannelCount>;

// Damping: a connection sounds one string, and its next note-on damps the earlier ones, as the
// pick that plucks a string again stops its vibration. Otherwise a loop piles up the release
// tails of all its strikes (FluidR3's nylon guitar releases over 2.4 s, its steel guitar over
// 25 s), and the synthesizer renders a dozen to 32 voices where two are heard.

// Puts `channel`'s voices in one exclusive class, so each new note releases the earlier ones, and
// gives released notes the SoundFont's release.
void PrepareDamping(fluid_synth_t* synth, int channel);
// After a note-on: the voices it released get a release of 0.12 s.
void DampEarlierNotes(fluid_synth_t* synth, int channel);
// Gives the channel's notes the SoundFont's release again, before they are released otherwise.
void UndoDamping(fluid_synth_t* synth, int channel);
// Releases every note of `channel` with the SoundFont's release.
void ReleaseNotes(fluid_synth_t* synth, int channel);

// Which closed channels still ring, and when their ring limit is due, counted in rendered frames.
// The audio thread only asks MarkIfDue(), which neither locks nor allocates; the releases
// themselves are made by the caller of TakeDue() or TakeAll(), off the audio thread.
class RingLimit {
 public:
  explicit RingLimit(std::uint64_t limitFrames) : limitFrames_(limitFrames) {}

  // A connection closed `channel` at `now`: its notes ring until the limit or the next note.
  void Closed(int channel, std::uint64_t now);
  // `channel` was handed out again: whatever it held has been silenced.
  void Reopened(int channel);
  // The channels whose notes must end now because a note starts; none of them rings afterwards.
  ChannelSet TakeAll();
  // The channels whose ring limit has passed at `now`; none of them rings afterwards.
  ChannelSet TakeDue(std::uint64_t now);

  // Audio thread: true once per due limit, when `now` reaches it; lock-free.
  bool MarkIfDue(std::uint64_t now);
  // True (once) if MarkIfDue() found a limit due since the last call.
  bool TakeMark() { return marked_.exchange(false, std::memory_order_acq_rel); }

 private:
  static constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
  void UpdateNextDue();  // with mutex_ held

  const std::uint64_t limitFrames_;
  std::mutex mutex_;
  std::array<std::uint64_t, kSynthChannelCount> dueAt_ = Nevers();
  std::atomic<std::uint64_t> nextDue_{kNever};
  std::atomic<bool> marked_{false};

  static constexpr std::array<std::uint64_t, kSynthChannelCount> Nevers() {
    std::array<std::uint64_t, kSynthChannelCount> all{};
    all.fill(kNever);
    return all;
  }
};

}  // namespace morrowfane
