#include "settings/ReadFile.h"

#include <algorithm>

#include "settings/WindowsHandle.h"

namespace morrowfane {
namespace {

// ReadFile takes a DWORD count; larger reads go in pieces.
constexpr std::size_t kMaxReadBytes = std::size_t{1} << 20;

}  // namespace

std::string ReadRegularFilePrefix(const std::filesystem::path& file, std::size_t maxBytes) {
  // Other programs may keep the file open, even for writing; reading must not stop them.
  const WindowsHandle in(::CreateFileW(file.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  // A pipe, a console or another device is no disk file; a directory cannot be opened this way.
  if (!in.IsOpen() || ::GetFileType(in.Get()) != FILE_TYPE_DISK ||
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
