#include "player/ReferencePitch.h"

#include <algorithm>
#include <cmath>

#include "model/EqualTemperament.h"
#include "player/MidiMessage.h"

namespace morrowfane {
namespace {

constexpr int kMaxFineTuning = 0x3FFF;

midi::PackedMessage Controller(std::uint8_t controller, int value) {
  return midi::Pack(midi::kControlChange, controller,
                    static_cast<std::uint8_t>(value & midi::kDataMask));
}

}  // namespace

int FineTuningFor(double a4Hz) {
  const double cents = CentsBetween(a4Hz, kStandardA4Hertz);
  // A full step of the value either way is one semitone up or down.
  const auto steps = std::lround(cents / kCentsPerKey * kCentreFineTuning);
  return std::clamp(kCentreFineTuning + static_cast<int>(steps), 0, kMaxFineTuning);
}

void SendFineTuning(MidiConnection& connection, int value) {
  connection.Send(Controller(midi::kRpnMsbController, 0));
  connection.Send(Controller(midi::kRpnLsbController, midi::kFineTuningRpn));
  connection.Send(Controller(midi::kDataEntryMsbController, value >> midi::kDataBits));
  connection.Send(Controller(midi::kDataEntryLsbController, value));
  connection.Send(Controller(midi::kRpnMsbController, midi::kNullRpn));
  connection.Send(Controller(midi::kRpnLsbController, midi::kNullRpn));
}

}  // namespace morrowfane
