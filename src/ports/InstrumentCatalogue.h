#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "player/MidiMessage.h"
#include "player/MidiOutput.h"

namespace morrowfane {

// Names for the options dialog's two MIDI lists: General MIDI instruments by program number, and
// the output devices by id.
class InstrumentCatalogue {
 public:
  explicit InstrumentCatalogue(MidiOutputs& outputs);

  // The General MIDI program name, as the list has always spelled it; valid programs are 0..127.
  std::string InstrumentName(std::int8_t program) const;
  // The device's product name; -1 is the default device.
  std::string DeviceName(int deviceId) const;

 private:
  MidiOutputs& outputs_;
  const std::array<std::string_view, midi::kProgramCount>& names_;
};

// The device list, default device first, then ids 0..N-1. The count is asked afresh after each
// entry, so a device that goes away while the list is built ends it early.
std::vector<std::string> ListDevices(const InstrumentCatalogue& catalogue, MidiOutputs& outputs);

// The instrument list: 128 names in program order.
std::vector<std::string> ListInstruments(const InstrumentCatalogue& catalogue);

}  // namespace morrowfane
