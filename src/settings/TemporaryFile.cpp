#include "settings/TemporaryFile.h"

#include <charconv>
#include <string>
#include <string_view>

namespace morrowfane {
namespace {

namespace fs = std::filesystem;

constexpr std::u8string_view kSuffix = u8".tmp";

fs::path DirectoryOf(const fs::path& file) {
  return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

std::u8string Prefix(const fs::path& fileName) {
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "." + string at -O3.
  std::u8string prefix(1, u8'.');
  prefix += fileName.u8string();
  prefix += u8'.';
  return prefix;
}

// Reads a run of decimal digits, at least one, from the front of `text`.
std::optional<std::uint64_t> TakeNumber(std::u8string_view& text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= u8'0' && text[digits] <= u8'9') {
    ++digits;
  }
  std::uint64_t value = 0;
  const auto* first = reinterpret_cast<const char*>(text.data());
  if (digits == 0 || std::from_chars(first, first + digits, value).ec != std::errc()) {
    return std::nullopt;
  }
  text.remove_prefix(digits);
  return value;
}

}  // namespace

fs::path TemporaryFileFor(const fs::path& file, ProcessId pid, int attempt) {
  const std::string number = std::to_string(pid) + "-" + std::to_string(attempt);
  return DirectoryOf(file) /
         fs::path(Prefix(file.filename()) + std::u8string(number.begin(), number.end()) +
                  std::u8string(kSuffix));
}

std::optional<ProcessId> TemporaryFileWriter(const fs::path& name, const fs::path& fileName) {
  const std::u8string full = name.u8string();
  const std::u8string prefix = Prefix(fileName);
  std::u8string_view rest = full;
  if (!rest.starts_with(prefix)) {
    return std::nullopt;
  }
  rest.remove_prefix(prefix.size());
  const auto pid = TakeNumber(rest);
  if (!pid || !rest.starts_with(u8'-')) {
    return std::nullopt;
  }
  rest.remove_prefix(1);
  if (!TakeNumber(rest) || rest != kSuffix) {
    return std::nullopt;
  }
  return pid;
}

void RemoveStaleTemporaryFiles(const fs::path& file, ProcessId self,
                               const std::function<bool(ProcessId)>& isRunning) {
  std::error_code error;
  fs::directory_iterator entries(DirectoryOf(file), error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const fs::path& path = entries->path();
    const auto writer = TemporaryFileWriter(path.filename(), file.filename());
    std::error_code ignored;
    if (writer && *writer != self && !isRunning(*writer) &&
        fs::is_regular_file(fs::symlink_status(path, ignored))) {
      fs::remove(path, ignored);
    }
  }
}

}  // namespace morrowfane
