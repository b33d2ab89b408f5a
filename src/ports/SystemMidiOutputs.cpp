#include "ports/SystemMidiOutputs.h"

#include "audio/AudioOutput.h"

namespace morrowfane {

SystemMidiOutputs::SystemMidiOutputs(std::unique_ptr<BuiltInSynth> synth,
                                     std::unique_ptr<ExternalMidiPorts> ports)
    : synth_(std::move(synth)), ports_(std::move(ports)) {}

int SystemMidiOutputs::DeviceCount() {
  return ports_->Count();
}

std::string SystemMidiOutputs::DeviceName(int deviceId) {
  if (deviceId == kDefaultDeviceId) {
    return synth_->Name();
  }
  return ports_->Name(deviceId);
}

DeviceState SystemMidiOutputs::StateOf(int deviceId) {
  if (deviceId == kDefaultDeviceId) {
    return synth_->State();
  }
  return ports_->StateOf(deviceId);
}

std::unique_ptr<MidiConnection> SystemMidiOutputs::Open(int deviceId) {
  if (deviceId == kDefaultDeviceId) {
    return synth_->Open();
  }
  return ports_->Open(deviceId);
}

void SystemMidiOutputs::Wake(int deviceId) {
  if (deviceId == kDefaultDeviceId) {
    synth_->Wake();
  }
}

void SystemMidiOutputs::Prepare(int deviceId, int program, KeyRange keys) {
  if (deviceId == kDefaultDeviceId) {
    synth_->Prepare(program, keys);
  }
}

std::optional<int> SystemMidiOutputs::DeviceIdByName(const std::string& name) {
  if (name == synth_->Name()) {
    return kDefaultDeviceId;
  }
  // One listing, so the answer cannot mix two states of a changing list.
  return ports_->IndexOf(name);
}

std::unique_ptr<MidiOutputs> CreateSystemMidiOutputs(KeyTuningFactory tuning) {
  BuiltInSynthOptions options;
  options.audioDrivers = DefaultAudioBackends();
  options.tuning = std::move(tuning);
  return std::make_unique<SystemMidiOutputs>(std::make_unique<BuiltInSynth>(std::move(options)),
                                             std::make_unique<ExternalMidiPorts>());
}

}  // namespace morrowfane
