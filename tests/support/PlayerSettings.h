#pragma once

#include "PlaybackSettingsPrinter.h"
#include "player/TonePlayer.h"

namespace morrowfane::testing {

// Changes one of the player's settings and keeps the others.
template <typename Value>
void ChangeSetting(TonePlayer& player, Value PlaybackSettings::*field, Value value) {
  PlaybackSettings settings = player.Settings();
  settings.*field = value;
  player.ApplySettings(settings);
}

}  // namespace morrowfane::testing
