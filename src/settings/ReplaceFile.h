#pragma once

#include <filesystem>
#include <string_view>

namespace morrowfane {

// Replaces `file` with `bytes` through a temporary file in the same directory, so that the old
// file stays whole until the new one is complete on disk; the temporary file is removed again on
// failure. `file` itself is replaced, so a symbolic link must be followed first. Returns 0 or the
// cause as an errno value (EACCES, ENOSPC, ...), on every platform.
int ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes);

}  // namespace morrowfane
