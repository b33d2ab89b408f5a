#include "settings/Settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <system_error>
#include <utility>

#include "settings/SettingsText.h"

namespace morrowfane {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxSymlinkHops = 40;
constexpr int kMaxTemporaryNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask, as any new file is
constexpr mode_t kPermissionBits = 0777;

// Owns an open file descriptor.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Closes now and reports the result: a delayed write error can surface only here.
  int Close() {
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

// Removes the temporary file again unless it has been renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(fs::path path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!kept_) {
      ::unlink(path_.c_str());
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const fs::path& Path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  fs::path path_;
  bool kept_ = false;
};

std::string ReadFilePrefix(const fs::path& file, std::size_t maxBytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    return {};
  }
  std::string bytes(maxBytes, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(maxBytes));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

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

// The new file takes the old one's owner (possible only for root, or within the user's own
// groups) and permissions, as writing into the old file would have kept them. Where that is not
// possible the settings are saved all the same.
void KeepOwnerAndPermissions(int fd, const struct stat& old) {
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    // Not the owner's to give away; the file stays the saving user's.
  }
  ::fchmod(fd, old.st_mode & kPermissionBits);
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    if (written == 0) {
      return EIO;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

// Makes the rename itself durable. Best effort: the new file is in place already, so a failure
// here must not be reported as a failed save.
void SyncDirectory(const fs::path& directory) {
  FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.IsOpen()) {
    ::fsync(dir.Get());
  }
}

// Replaces `file` with `bytes` through a temporary file in the same directory, so that the old
// file stays whole until the new one is complete on disk. Returns 0 or the error number.
int ReplaceFile(const fs::path& file, std::string_view bytes) {
  const fs::path target = FollowSymlinks(file);
  const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");

  // A rename would replace a file that may not be written; refuse as opening it would.
  struct stat old {};
  const bool oldExists = ::stat(target.c_str(), &old) == 0;
  if (oldExists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    return errno;
  }

  int fd = -1;
  fs::path temporaryPath;
  const std::string stem = "." + target.filename().string() + "." + std::to_string(::getpid());
  for (int attempt = 0; attempt < kMaxTemporaryNameAttempts && fd < 0; ++attempt) {
    temporaryPath = directory / (stem + "-" + std::to_string(attempt) + ".tmp");
    fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
    if (fd < 0 && errno != EEXIST) {
      return errno;
    }
  }
  if (fd < 0) {
    return EEXIST;
  }
  FileDescriptor out(fd);
  TemporaryFile temporary(temporaryPath);

  if (oldExists) {
    KeepOwnerAndPermissions(out.Get(), old);
  }
  if (const int error = WriteAll(out.Get(), bytes); error != 0) {
    return error;
  }
  if (::fsync(out.Get()) != 0) {
    return errno;
  }
  if (const int error = out.Close(); error != 0) {
    return error;
  }
  if (::rename(temporary.Path().c_str(), target.c_str()) != 0) {
    return errno;
  }
  temporary.Keep();
  SyncDirectory(directory);
  return 0;
}

}  // namespace

void LoadSettings(TonePlayer& player, const fs::path& file) {
  StoredSettings settings{std::string(kStandardRoot), player.Settings()};
  settings = ParseSettingsText(
      SettingsTextFromFileBytes(ReadFilePrefix(file, kMaxSettingsFileBytes)), settings);
  player.ApplySettings(settings.Playback);
  player.SetTuning(TuningForRoot(settings.Root));
}

std::optional<SaveError> SaveSettings(const TonePlayer& player, const fs::path& file) {
  const StoredSettings settings{player.GetTuning()[0], player.Settings()};
  if (const int error = ReplaceFile(file, FormatSettingsFile(settings)); error != 0) {
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
    case EDQUOT:
      return {SaveError::Cause::DiskFull, "Disk full while accessing " + name + "."};
    default:
      return {SaveError::Cause::Other,
              "An unexpected file error occurred while accessing " + name + "."};
  }
}

}  // namespace morrowfane
