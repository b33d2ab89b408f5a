#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/PlaybackSettings.h"
#include "player/MidiOutput.h"

namespace morrowfane {

// Which device the settings mean, decided here alone. The device list shows the default device at
// position 0, then device ids 0..N-1 at positions 1..N. The settings keep the position chosen and,
// for a device chosen from the list, its name, which outlasts a change of the list.

// The device id listed at `position`; the "no selection" value -1 also means the default device.
int DeviceIdAt(int position);

// The device the user chose, even if the list has changed since: when the settings name a device,
// the name alone decides, and a named device that is not there now is none (nullopt); otherwise
// the list position does.
std::optional<int> ChosenDeviceId(const PlaybackSettings& settings, MidiOutputs& outputs);

// The settings with the list position of the device named `settings.DeviceName`, where such a
// device is listed now: a port plugged in another order, or a JACK client started later, moves in
// the list but keeps its name. Otherwise the stored position stands, to be written again for
// readers that know only positions; the name still decides the device.
PlaybackSettings WithListedDevice(PlaybackSettings settings, MidiOutputs& outputs);

// The device list's names by position, the default device's first. The count is asked afresh
// after each entry, so a device that goes away while the list is built ends it early.
std::vector<std::string> ListDevices(MidiOutputs& outputs);

}  // namespace morrowfane
