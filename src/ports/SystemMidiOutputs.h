#pragma once

#include <memory>

#include "player/MidiOutput.h"
#include "ports/ExternalMidiPorts.h"
#include "synth/BuiltInSynth.h"
#include "synth/KeyTuning.h"

namespace morrowfane {

// The MIDI outputs of this computer: the built-in synthesizer as the default device (id -1) and
// the external MIDI ports as devices 0..N-1.
class SystemMidiOutputs final : public MidiOutputs {
 public:
  SystemMidiOutputs(std::unique_ptr<BuiltInSynth> synth, std::unique_ptr<ExternalMidiPorts> ports);

  int DeviceCount() override;
  std::string DeviceName(int deviceId) override;
  DeviceState StateOf(int deviceId) override;
  std::unique_ptr<MidiConnection> Open(int deviceId) override;
  void Prepare(int deviceId, int program, KeyRange keys) override;
  void Wake(int deviceId) override;
  std::optional<int> DeviceIdByName(const std::string& name) override;

  BuiltInSynth& Synth() { return *synth_; }

 private:
  std::unique_ptr<BuiltInSynth> synth_;
  std::unique_ptr<ExternalMidiPorts> ports_;
};

// The outputs for the program: the built-in synthesizer with the platform's SoundFonts and audio
// drivers, whose loading starts in the background, and the external ports. Returns at once.
std::unique_ptr<MidiOutputs> CreateSystemMidiOutputs(KeyTuningFactory tuning = {});

}  // namespace morrowfane
