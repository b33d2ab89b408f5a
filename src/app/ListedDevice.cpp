#include "app/ListedDevice.h"

namespace morrowfane {

PlaybackSettings WithListedDevice(PlaybackSettings settings, MidiOutputs& outputs) {
  if (settings.DeviceName.empty()) {
    return settings;
  }
  const int count = outputs.DeviceCount();
  for (int deviceId = 0; deviceId < count; ++deviceId) {
    if (outputs.DeviceName(deviceId) == settings.DeviceName) {
      // List position 0 is the default device; device id p stands at position p + 1.
      settings.DeviceIndex = deviceId + 1;
      break;
    }
  }
  return settings;
}

}  // namespace morrowfane
