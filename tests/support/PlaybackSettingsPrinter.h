#pragma once

#include <ostream>

#include "model/PlaybackSettings.h"

namespace morrowfane {

inline void PrintTo(const PlaybackSettings& settings, std::ostream* out) {
  *out << "{Root " << settings.Root << ", DeviceIndex " << settings.DeviceIndex << ", DeviceName \""
       << settings.DeviceName << "\", Instrument " << settings.Instrument << ", Loop "
       << std::boolalpha << settings.Loop << ", Rate " << settings.Rate << ", ReferenceA4 "
       << settings.ReferenceA4 << ", Shape " << ShapeEntry(settings.Shape).word << ", Strings "
       << InstrumentOf(settings.Strings).word << ", CustomKeys";
  for (const int key : settings.CustomKeys) {
    *out << " " << key;
  }
  *out << "}";
}

}  // namespace morrowfane
