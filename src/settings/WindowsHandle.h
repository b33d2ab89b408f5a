#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <utility>

namespace morrowfane {

// Owns a Windows handle: a file's, a process's. Windows calls report "none" as either
// INVALID_HANDLE_VALUE (CreateFileW) or null (OpenProcess); both hold nothing.
class WindowsHandle {
 public:
  explicit WindowsHandle(HANDLE handle) : handle_(handle) {}
  ~WindowsHandle() {
    if (IsOpen()) {
      ::CloseHandle(handle_);
    }
  }
  WindowsHandle(const WindowsHandle&) = delete;
  WindowsHandle& operator=(const WindowsHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  // Closes now and reports whether that worked.
  bool Close() { return ::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0; }

 private:
  HANDLE handle_;
};

}  // namespace morrowfane
