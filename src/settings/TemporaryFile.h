#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <utility>

namespace morrowfane {

// Owns a temporary file's name: removes the file again unless it has been moved into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::filesystem::path path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!kept_) {
      std::error_code ignored;
      std::filesystem::remove(path_, ignored);
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  std::filesystem::path path_;
  bool kept_ = false;
};

using ProcessId = std::uint64_t;

// The name of the temporary file that process `pid` writes a new `file` into before it takes the
// file's place, beside it: ".morrowfane.ini.<pid>-<attempt>.tmp".
std::filesystem::path TemporaryFileFor(const std::filesystem::path& file, ProcessId pid,
                                       int attempt);

// The process that wrote `name`, when `name` is one of `fileName`'s temporary file names.
std::optional<ProcessId> TemporaryFileWriter(const std::filesystem::path& name,
                                             const std::filesystem::path& fileName);

// Removes the temporary files of `file` that a save killed half-way left beside it: regular files
// of its naming pattern whose writer is neither `self` nor still running. Best effort.
void RemoveStaleTemporaryFiles(const std::filesystem::path& file, ProcessId self,
                               const std::function<bool(ProcessId)>& isRunning);

}  // namespace morrowfane
