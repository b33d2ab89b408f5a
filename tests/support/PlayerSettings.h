#pragma once

#include <ostream>

#include "player/TonePlayer.h"

namespace morrowfane {

inline void PrintTo(const PlaybackSettings& settings, std::ostream* out) {
  *out << "{Root " << settings.Root << ", DeviceIndex " << settings.DeviceIndex << ", DeviceName \""
       << settings.DeviceName << "\", Instrument " << settings.Instrument << ", Loop "
       << std::boolalpha << settings.Loop << ", Rate " << settings.Rate << ", ReferenceA4 "
       << settings.ReferenceA4 << ", Shape " << ShapeEntry(settings.Shape).word << "}";
}

}  // namespace morrowfane

namespace morrowfane::testing {

// Changes one of the player's settings and keeps the others.
template <typename Value>
void ChangeSetting(TonePlayer& player, Value PlaybackSettings::*field, Value value) {
  PlaybackSettings settings = player.Settings();
  settings.*field = value;
  player.ApplySettings(settings);
}

}  // namespace morrowfane::testing
