#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "settings/UniqueHandle.h"

namespace morrowfane {

// A Windows handle: a file's, a process's. Windows calls report "none" as either
// INVALID_HANDLE_VALUE (CreateFileW) or null (OpenProcess); both hold nothing. Close() reports
// whether closing worked.
struct WindowsHandleTraits {
  using Value = HANDLE;
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
  static bool IsOpen(HANDLE handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
  static bool Close(HANDLE handle) { return ::CloseHandle(handle) != 0; }
};

using WindowsHandle = UniqueHandle<WindowsHandleTraits>;

}  // namespace morrowfane
