#include "app/ListedDevice.h"

namespace morrowfane {

PlaybackSettings WithListedDevice(PlaybackSettings settings, MidiOutputs& outputs) {
  if (settings.DeviceName.empty()) {
    return settings;
  }
  if (const auto deviceId = outputs.DeviceIdByName(settings.DeviceName)) {
    // List position 0 is the default device; device id p stands at position p + 1.
    settings.DeviceIndex = *deviceId + 1;
  }
  return settings;
}

}  // namespace morrowfane
