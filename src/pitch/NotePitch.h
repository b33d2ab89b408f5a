#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>

#include "pitch/PitchAnalysis.h"

namespace morrowfane {

// The pitch of a note, as a tuning reference needs it, is the one heard once the attack is over:
// its mean frequency from kNoteSettle to kNoteEnd after the strike, the least-squares slope of
// its measured partial's phase over that stretch. The stretch starts after the pitch glide that
// follows the strike of many samples (a bass glides by some 15 cents in its first 0.3 s and
// wavers until about 0.4 s); it is
// long enough to span the slow wobble of looped samples, short enough for the time budget. The
// pitch correction and the pitch report measure this same stretch with methods of their own.
inline constexpr std::chrono::milliseconds kNoteSettle{400};
inline constexpr std::chrono::milliseconds kNoteEnd{1400};

// How many frames of a note of `key`, from its strike, NotePitch needs: the analysis frames
// centred on the ends of the measured stretch reach half a frame beyond it. Without a key, the
// most any playable key needs.
std::size_t NoteFrames(double sampleRate, int key);
std::size_t NoteFrames(double sampleRate);

// The pitch in cents (see FrequencyToCents) of a note of `key` rendered from its strike (at least
// NoteFrames samples, the channels summed), measured near the key; nothing when it has no clear
// pitch there.
std::optional<double> NotePitch(PitchAnalyzer& analyzer, std::span<const float> fromStrike,
                                double sampleRate, int key);

}  // namespace morrowfane
