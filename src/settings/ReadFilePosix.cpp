#include "settings/ReadFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "settings/FileDescriptor.h"

namespace morrowfane {

std::string ReadRegularFilePrefix(const std::filesystem::path& file, std::size_t maxBytes) {
  // Looked at before opening, so that no device is ever opened; O_NONBLOCK keeps the open from
  // waiting for a writer should a FIFO take the file's place in between, and fstat then checks
  // what was really opened.
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return {};
  }
  const FileDescriptor in(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!in.IsOpen() || ::fstat(in.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return {};
  }
  std::string bytes(maxBytes, '\0');
  std::size_t filled = 0;
  while (filled < maxBytes) {
    const ssize_t got = ::read(in.Get(), bytes.data() + filled, maxBytes - filled);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  return bytes;
}

}  // namespace morrowfane
