#pragma once

#include "model/PlaybackSettings.h"
#include "player/MidiOutput.h"

namespace morrowfane {

// The settings with the device list position of the device named `settings.DeviceName`, where
// such a device is listed now: a port plugged in another order, or a JACK client started later,
// moves in the list but keeps its name. Otherwise the stored position stands, to be written again
// for readers that know only positions; the name still decides the device.
PlaybackSettings WithListedDevice(PlaybackSettings settings, MidiOutputs& outputs);

}  // namespace morrowfane
