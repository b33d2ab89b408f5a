#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "model/PlaybackSettings.h"

namespace morrowfane {

inline constexpr char kSettingsFileName[] = "morrowfane.ini";

// Why a save failed, with the text the user is shown, which names the file.
struct SaveError {
  enum class Cause { AccessDenied, DiskFull, Other };
  Cause cause = Cause::Other;
  std::string message;  // e.g. "Access to morrowfane.ini was denied."
};

// The settings the file holds, over `current`: a missing or malformed file, or a value that is not
// accepted, leaves the value of `current`. Never reports anything.
PlaybackSettings LoadSettings(const std::filesystem::path& file = kSettingsFileName,
                              PlaybackSettings current = {});

// Writes `settings`. Replaces the file atomically: on failure the old file is unchanged and the
// cause comes back.
std::optional<SaveError> SaveSettings(const PlaybackSettings& settings,
                                      const std::filesystem::path& file = kSettingsFileName);

// The error for a failed save from the system's error number, named after `file`'s name part.
SaveError SaveErrorFor(int errorNumber, const std::filesystem::path& file);

}  // namespace morrowfane
