#pragma once

#include <filesystem>
#include <optional>

#include "model/PlaybackSettings.h"
#include "player/MidiOutput.h"
#include "settings/Settings.h"

namespace morrowfane {

// The playback settings the program runs with, and the file that keeps them between runs: read
// as the program starts, written as its window closes. The tone player is handed a copy.
class StoredSettings {
 public:
  explicit StoredSettings(std::filesystem::path file) : file_(std::move(file)) {}

  // Reads the file over the settings held now: a missing or malformed file, or a value that is not
  // accepted, keeps theirs. A remembered device takes its position in today's device list.
  void Load(MidiOutputs& outputs);
  // Writes the settings held now; on failure the old file is unchanged and the cause comes back.
  std::optional<SaveError> Save() const;

  const PlaybackSettings& Value() const { return value_; }
  void Set(const PlaybackSettings& value) { value_ = value; }
  const std::filesystem::path& File() const { return file_; }

 private:
  std::filesystem::path file_;
  PlaybackSettings value_;
};

}  // namespace morrowfane
