#include "settings/ReplaceFile.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "settings/TemporaryFile.h"
#include "settings/WindowsHandle.h"

namespace morrowfane {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxTemporaryNameAttempts = 100;
// WriteFile takes a DWORD count; larger writes go in pieces.
constexpr std::size_t kMaxWriteBytes = std::size_t{1} << 20;
// Only a file is replaced, never a directory. Any errno outside the named causes is reported as an
// unexpected error.
constexpr int kNotARegularFile = EINVAL;

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

// A process that exists but may not be looked at (another user's) runs all the same.
bool IsRunning(ProcessId pid) {
  const auto id = static_cast<DWORD>(pid);
  if (static_cast<ProcessId>(id) != pid) {
    return true;
  }
  const WindowsHandle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
  if (!process.IsOpen()) {
    return ::GetLastError() == ERROR_ACCESS_DENIED;
  }
  return ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

}  // namespace

int ReplaceFileAtomically(const fs::path& file, std::string_view bytes) {
  const DWORD attributes = ::GetFileAttributesW(file.c_str());
  const bool oldExists = attributes != INVALID_FILE_ATTRIBUTES;
  if (oldExists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return kNotARegularFile;
  }
  const ProcessId self = ::GetCurrentProcessId();
  RemoveStaleTemporaryFiles(file, self, IsRunning);

  HANDLE handle = INVALID_HANDLE_VALUE;
  fs::path temporaryPath;
  for (int attempt = 0; attempt < kMaxTemporaryNameAttempts && handle == INVALID_HANDLE_VALUE;
       ++attempt) {
    temporaryPath = TemporaryFileFor(file, self, attempt);
    handle = ::CreateFileW(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
      return LastError();
    }
  }
  if (handle == INVALID_HANDLE_VALUE) {
    return EEXIST;
  }
  // Declared first so that it goes last: Windows removes no file that a handle holds open.
  TemporaryFile temporary(temporaryPath);
  WindowsHandle out(handle);

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
  // have; a read-only file refuses, as opening it for writing would. Given no backup name, Wine
  // leaves a backup of its own naming behind when the replacement fails; one of ours is removed.
  const TemporaryFile backup(temporary.Path().wstring() + L".old");
  const bool replaced =
      oldExists
          ? ::ReplaceFileW(file.c_str(), temporary.Path().c_str(), backup.Path().c_str(),
                           REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
          : ::MoveFileExW(temporary.Path().c_str(), file.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
  if (!replaced) {
    return LastError();
  }
  temporary.Keep();
  return 0;
}

}  // namespace morrowfane
