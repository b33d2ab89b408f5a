#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "PlaybackSettingsPrinter.h"
#include "settings/Settings.h"

namespace morrowfane {

inline void PrintTo(const SaveError& error, std::ostream* out) {
  *out << "{cause " << static_cast<int>(error.cause) << ", \"" << error.message << "\"}";
}

}  // namespace morrowfane

namespace morrowfane::testing {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, std::string_view bytes);
// Names in `directory`, sorted.
std::vector<std::string> EntryNames(const std::filesystem::path& directory);

}  // namespace morrowfane::testing
