#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/Notes.h"
#include "player/TonePlayer.h"

namespace morrowfane {

// Only this many characters of the file count, after CR LF has become LF.
inline constexpr std::size_t kMaxSettingsTextLength = 200;
// Bytes on disk that can make up the counted characters: each may be a CR LF pair, and a CR in
// the last place needs the byte after it to tell whether it starts a pair.
inline constexpr std::size_t kMaxSettingsFileBytes = 2 * kMaxSettingsTextLength + 1;

// Accepted ranges on reading. They cover every value the options dialog can produce.
inline constexpr int kMinStoredDeviceIndex = 0;
inline constexpr int kMaxStoredDeviceIndex = 255;
inline constexpr int kMinStoredInstrument = 0;
inline constexpr int kMaxStoredInstrument = 127;
inline constexpr int kMinStoredRate = 20;
inline constexpr int kMaxStoredRate = 400;

// Everything the settings file keeps: the tuning by its root note, and the playback settings.
struct StoredSettings {
  std::string Root{kStandardRoot};
  PlaybackSettings Playback;

  friend bool operator==(const StoredSettings&, const StoredSettings&) = default;
};

// The text the reader scans, from the file's bytes: each CR LF becomes LF, then only the first
// kMaxSettingsTextLength characters are kept, and a NUL ends the text early.
std::string SettingsTextFromFileBytes(std::string_view bytes);

// Applies a settings text to `current`. Values are taken by position, not by key; a value that
// is not accepted, or a file without the header, leaves the current one in force.
StoredSettings ParseSettingsText(std::string_view text, StoredSettings current);

// The file's bytes for `settings`, CR LF line ends included.
std::string FormatSettingsFile(const StoredSettings& settings);

}  // namespace morrowfane
