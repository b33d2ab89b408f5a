#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/PlaybackSettings.h"

namespace morrowfane {

// The five values read by their position must stand within this many characters of the text.
inline constexpr std::size_t kMaxSettingsTextLength = 200;
// Only this many bytes of the file are read. Lines read by their key may stand anywhere in them.
inline constexpr std::size_t kMaxSettingsFileBytes = 4096;

// The text the reader scans, from the file's bytes: each CR LF becomes LF, and a NUL ends the
// text early.
std::string SettingsTextFromFileBytes(std::string_view bytes);

// Applies a settings text to `current`. The root note, device, instrument, loop and rate are
// taken by their position among the values, not by key, and only within the first
// kMaxSettingsTextLength characters; values after them are taken by their key. A value that is not
// accepted, an unknown key, or a file without the header leaves the current value in force.
PlaybackSettings ParseSettingsText(std::string_view text, PlaybackSettings current);

// The file's bytes for `settings`, CR LF line ends included. Lines read by key are written only
// when their value differs from the default, so a file of defaults keeps its six lines.
std::string FormatSettingsFile(const PlaybackSettings& settings);

}  // namespace morrowfane
