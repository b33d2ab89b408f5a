#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/EqualTemperament.h"
#include "model/Instruments.h"
#include "model/Notes.h"
#include "model/TuningShapes.h"

namespace morrowfane {

// The ranges a stored or typed value must lie in. They cover every value the options dialog can
// produce.
inline constexpr int kMinDeviceIndex = 0;
inline constexpr int kMaxDeviceIndex = 255;
inline constexpr int kMinInstrument = 0;
inline constexpr int kMaxInstrument = 127;
inline constexpr int kMinRate = 20;
inline constexpr int kMaxRate = 400;
inline constexpr int kDefaultRate = 300;
inline constexpr int kMinReferenceA4 = 420;
inline constexpr int kMaxReferenceA4 = 460;
inline constexpr int kDefaultReferenceA4 = kStandardA4Hertz;

// Everything the user chooses: kept in the settings file, edited in the options dialog, played by
// the tone player. One value, passed whole between them.
struct PlaybackSettings {
  int DeviceIndex = 0;              // position in the device list: 0 = default device, p = id p - 1
  int Instrument = 0;               // General MIDI program number
  bool Loop = true;                 // re-strike until stopped, or strike once
  int Rate = kDefaultRate;          // one stop poll lasts Rate / 10 ms; a strike every 100 polls
  std::string Root{kStandardRoot};  // the tuning's root note: string 1 of the lowered tuning
  int ReferenceA4 = kDefaultReferenceA4;  // the pitch of A4 in Hz
  std::string DeviceName{};  // the chosen external device's listed name; empty for the default one
  TuningShape Shape = TuningShape::Standard;  // strings moved away from the root's tuning
  StringInstrument Strings = StringInstrument::Guitar6;  // the instrument being tuned
  // A tuning of one's own, one key per string, string 1 first; when empty, the root and the shape
  // make the tuning. Root and shape are kept meanwhile for when the user goes back to them.
  std::vector<int> CustomKeys{};

  friend bool operator==(const PlaybackSettings&, const PlaybackSettings&) = default;
};

// The keys the settings sound, string 1 first: the custom keys, else the root's tuning in the
// shape. Nothing for a root the instrument does not offer.
std::optional<std::vector<int>> KeysOf(const PlaybackSettings& settings);

// The note names of KeysOf, one per string; empty names for a root the instrument does not offer.
Tuning TuningOf(const PlaybackSettings& settings);

// The settings with root, shape and custom keys made fit for their instrument: a root the
// instrument does not offer becomes its lowest, a shape it does not offer (or not on that root)
// becomes Standard, and custom keys that are no custom tuning of it are dropped.
PlaybackSettings FittedToInstrument(PlaybackSettings settings);

}  // namespace morrowfane
