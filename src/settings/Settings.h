#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "player/TonePlayer.h"

namespace morrowfane {

inline constexpr char kSettingsFileName[] = "morrowfane.ini";

// Why a save failed, with the text the user is shown, which names the file.
struct SaveError {
  enum class Cause { AccessDenied, DiskFull, Other };
  Cause cause = Cause::Other;
  std::string message;  // e.g. "Access to morrowfane.ini was denied."
};

// Reads the settings file into the player's playback settings and tuning; a missing or malformed
// file leaves the defaults. Never reports anything.
void LoadSettings(TonePlayer& player, const std::filesystem::path& file = kSettingsFileName);

// Writes the player's tuning root and playback settings. Replaces the file atomically: on failure
// the old file is unchanged and the cause comes back.
std::optional<SaveError> SaveSettings(const TonePlayer& player,
                                      const std::filesystem::path& file = kSettingsFileName);

// The error for a failed save from the system's error number, named after `file`'s name part.
SaveError SaveErrorFor(int errorNumber, const std::filesystem::path& file);

}  // namespace morrowfane
