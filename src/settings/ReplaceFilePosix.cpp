#include "settings/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "settings/FileDescriptor.h"
#include "settings/TemporaryFile.h"

namespace morrowfane {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxTemporaryNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask, as any new file is
constexpr mode_t kPermissionBits = 0777;
// Only a regular file is replaced: renaming over a device node, a FIFO or a socket would destroy
// it. Any errno outside the named causes is reported as an unexpected error.
constexpr int kNotARegularFile = EINVAL;

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

// A process that exists but belongs to another user answers EPERM: it runs all the same.
bool IsRunning(ProcessId pid) {
  const auto id = static_cast<pid_t>(pid);
  return static_cast<ProcessId>(id) != pid || ::kill(id, 0) == 0 || errno == EPERM;
}

}  // namespace

int ReplaceFileAtomically(const fs::path& file, std::string_view bytes) {
  const fs::path directory = file.has_parent_path() ? file.parent_path() : fs::path(".");

  // A rename would replace a file that may not be written; refuse as opening it would.
  struct stat old {};
  const bool oldExists = ::stat(file.c_str(), &old) == 0;
  if (oldExists && !S_ISREG(old.st_mode)) {
    return kNotARegularFile;
  }
  if (oldExists && ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) {
    return errno;
  }

  const auto self = static_cast<ProcessId>(::getpid());
  RemoveStaleTemporaryFiles(file, self, IsRunning);

  int fd = -1;
  fs::path temporaryPath;
  for (int attempt = 0; attempt < kMaxTemporaryNameAttempts && fd < 0; ++attempt) {
    temporaryPath = TemporaryFileFor(file, self, attempt);
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
  if (::rename(temporary.Path().c_str(), file.c_str()) != 0) {
    return errno;
  }
  temporary.Keep();
  SyncDirectory(directory);
  return 0;
}

}  // namespace morrowfane
