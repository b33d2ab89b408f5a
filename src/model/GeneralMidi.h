#pragma once

#include <span>
#include <string_view>

namespace morrowfane {

// The General MIDI instrument names, indexed by program number 0..127, as the instrument list has
// always spelled them.
std::span<const std::string_view> GeneralMidiNames();

}  // namespace morrowfane
