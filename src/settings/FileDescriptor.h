#pragma once

#include <unistd.h>

#include <cerrno>

#include "settings/UniqueHandle.h"

namespace morrowfane {

// A POSIX file descriptor; -1 holds none. Close() reports the error number, or 0.
struct PosixDescriptorTraits {
  using Value = int;
  static int None() { return -1; }
  static bool IsOpen(int fd) { return fd >= 0; }
  static int Close(int fd) { return ::close(fd) == 0 ? 0 : errno; }
};

using FileDescriptor = UniqueHandle<PosixDescriptorTraits>;

}  // namespace morrowfane
