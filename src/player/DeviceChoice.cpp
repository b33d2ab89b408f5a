#include "player/DeviceChoice.h"

namespace morrowfane {
namespace {

// Position 0 is the default device; device id p stands at position p + 1.
constexpr int kFirstPortPosition = 1;

int PositionOf(int deviceId) {
  return deviceId + kFirstPortPosition;
}

}  // namespace

int DeviceIdAt(int position) {
  return position == kDefaultDeviceId ? kDefaultDeviceId : position - kFirstPortPosition;
}

std::optional<int> ChosenDeviceId(const PlaybackSettings& settings, MidiOutputs& outputs) {
  if (!settings.DeviceName.empty()) {
    return outputs.DeviceIdByName(settings.DeviceName);
  }
  return DeviceIdAt(settings.DeviceIndex);
}

PlaybackSettings WithListedDevice(PlaybackSettings settings, MidiOutputs& outputs) {
  if (settings.DeviceName.empty()) {
    return settings;
  }
  if (const auto deviceId = ChosenDeviceId(settings, outputs)) {
    settings.DeviceIndex = PositionOf(*deviceId);
  }
  return settings;
}

std::vector<std::string> ListDevices(MidiOutputs& outputs) {
  std::vector<std::string> names;
  int deviceId = kDefaultDeviceId;
  do {
    names.push_back(outputs.DeviceName(deviceId));
    ++deviceId;
  } while (deviceId < outputs.DeviceCount());
  return names;
}

}  // namespace morrowfane
