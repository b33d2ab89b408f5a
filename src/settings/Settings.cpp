#include "settings/Settings.h"

#include <cerrno>

#include "settings/ReadFile.h"
#include "settings/ReplaceFile.h"
#include "settings/SettingsText.h"

namespace morrowfane {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxSymlinkHops = 40;

// Writing through a symbolic link updates the file it points to, so the replacement happens
// beside that file and the link stays.
fs::path FollowSymlinks(fs::path file) {
  for (int hop = 0; hop < kMaxSymlinkHops; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(file, error))) {
      break;
    }
    const fs::path target = fs::read_symlink(file, error);
    if (error) {
      break;
    }
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  return file;
}

}  // namespace

PlaybackSettings LoadSettings(const fs::path& file, PlaybackSettings current) {
  return ParseSettingsText(
      SettingsTextFromFileBytes(ReadRegularFilePrefix(file, kMaxSettingsFileBytes)),
      std::move(current));
}

std::optional<SaveError> SaveSettings(const PlaybackSettings& settings, const fs::path& file) {
  if (const int error = ReplaceFileAtomically(FollowSymlinks(file), FormatSettingsFile(settings));
      error != 0) {
    return SaveErrorFor(error, file);
  }
  return std::nullopt;
}

SaveError SaveErrorFor(int errorNumber, const fs::path& file) {
  const std::string name = file.has_filename() ? file.filename().string() : file.string();
  switch (errorNumber) {
    case EACCES:
    case EPERM:
    case EROFS:
      return {SaveError::Cause::AccessDenied, "Access to " + name + " was denied."};
    case ENOSPC:
#if defined(EDQUOT)
    case EDQUOT:
#endif
      return {SaveError::Cause::DiskFull, "Disk full while accessing " + name + "."};
    default:
      return {SaveError::Cause::Other,
              "An unexpected file error occurred while accessing " + name + "."};
  }
}

}  // namespace morrowfane
