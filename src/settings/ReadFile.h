#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace morrowfane {

// The first `maxBytes` bytes of `file` when it is a regular file or a link to one. Anything else
// (no file, a directory, a FIFO, a socket, a device) reads as empty at once: opening a FIFO or a
// device could block or have side effects, and none of them holds settings.
std::string ReadRegularFilePrefix(const std::filesystem::path& file, std::size_t maxBytes);

}  // namespace morrowfane
