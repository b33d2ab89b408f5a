#include "settings/ReadFile.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>

namespace morrowfane {
namespace {

// ReadFile takes a DWORD count; larger reads go in pieces.
constexpr std::size_t kMaxReadBytes = std::size_t{1} << 20;

// Owns a file handle opened for reading.
class ReadHandle {
 public:
  explicit ReadHandle(HANDLE handle) : handle_(handle) {}
  ~ReadHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) {
      ::CloseHandle(handle_);
    }
  }
  ReadHandle(const ReadHandle&) = delete;
  ReadHandle& operator=(const ReadHandle&) = delete;

  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::string ReadRegularFilePrefix(const std::filesystem::path& file, std::size_t maxBytes) {
  // Other programs may keep the file open, even for writing; reading must not stop them.
  const ReadHandle in(::CreateFileW(file.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  // A pipe, a console or another device is no disk file; a directory cannot be opened this way.
  if (in.Get() == INVALID_HANDLE_VALUE || ::GetFileType(in.Get()) != FILE_TYPE_DISK ||
      ::GetFileInformationByHandle(in.Get(), &info) == 0 ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return {};
  }
  std::string bytes(maxBytes, '\0');
  std::size_t filled = 0;
  while (filled < maxBytes) {
    const auto chunk = static_cast<DWORD>(std::min(maxBytes - filled, kMaxReadBytes));
    DWORD got = 0;
    if (::ReadFile(in.Get(), bytes.data() + filled, chunk, &got, nullptr) == 0 || got == 0) {
      break;
    }
    filled += got;
  }
  bytes.resize(filled);
  return bytes;
}

}  // namespace morrowfane
