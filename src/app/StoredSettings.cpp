#include "app/StoredSettings.h"

#include "player/DeviceChoice.h"

namespace morrowfane {

void StoredSettings::Load(MidiOutputs& outputs) {
  value_ = WithListedDevice(LoadSettings(file_, value_), outputs);
}

std::optional<SaveError> StoredSettings::Save() const {
  return SaveSettings(value_, file_);
}

}  // namespace morrowfane
