#include "settings/ReplaceFile.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

#include "settings/TemporaryFile.h"

namespace morrowfane {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxTemporaryNameAttempts = 100;
// WriteFile takes a DWORD count; larger writes go in pieces.
constexpr std::size_t kMaxWriteBytes = std::size_t{1} << 20;

// Owns an open file handle.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (IsOpen()) {
      ::CloseHandle(handle_);
    }
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  // Closes now and reports whether that worked.
  bool Close() { return ::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0; }

 private:
  HANDLE handle_;
};

// The errno value for a Windows error code, so that both platforms report the same causes.
int ErrnoFor(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    default:
      return EIO;
  }
}

int LastError() {
  return ErrnoFor(::GetLastError());
}

int WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min(bytes.size(), kMaxWriteBytes));
    DWORD written = 0;
    if (::WriteFile(file, bytes.data(), chunk, &written, nullptr) == 0) {
      return LastError();
    }
    if (written == 0) {
      return EIO;
    }
    bytes.remove_prefix(written);
  }
  return 0;
}

}  // namespace

int ReplaceFileAtomically(const fs::path& file, std::string_view bytes) {
  const fs::path directory = file.has_parent_path() ? file.parent_path() : fs::path(".");
  const std::wstring stem =
      L"." + file.filename().wstring() + L"." + std::to_wstring(::GetCurrentProcessId());
  HANDLE handle = INVALID_HANDLE_VALUE;
  fs::path temporaryPath;
  for (int attempt = 0; attempt < kMaxTemporaryNameAttempts && handle == INVALID_HANDLE_VALUE;
       ++attempt) {
    temporaryPath = directory / (stem + L"-" + std::to_wstring(attempt) + L".tmp");
    handle = ::CreateFileW(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
      return LastError();
    }
  }
  if (handle == INVALID_HANDLE_VALUE) {
    return EEXIST;
  }
  FileHandle out(handle);
  TemporaryFile temporary(temporaryPath);

  if (const int error = WriteAll(out.Get(), bytes); error != 0) {
    return error;
  }
  if (::FlushFileBuffers(out.Get()) == 0) {
    return LastError();
  }
  if (!out.Close()) {
    return LastError();
  }
  // ReplaceFileW keeps the old file's attributes and access rights, as writing into it would
  // have; a read-only file refuses, as opening it for writing would.
  const bool replaced =
      fs::exists(file)
          ? ::ReplaceFileW(file.c_str(), temporary.Path().c_str(), nullptr,
                           REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
          : ::MoveFileExW(temporary.Path().c_str(), file.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
  if (!replaced) {
    return LastError();
  }
  temporary.Keep();
  return 0;
}

}  // namespace morrowfane
