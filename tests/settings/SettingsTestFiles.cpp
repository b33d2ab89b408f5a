#include "SettingsTestFiles.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace morrowfane::testing {

namespace fs = std::filesystem;

constexpr int kMaxDirectoryNameAttempts = 100;

// Made with a random name, as mkdtemp would, on every platform.
TemporaryDirectory::TemporaryDirectory() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < kMaxDirectoryNameAttempts; ++attempt) {
    path_ = fs::temp_directory_path() / ("morrowfane-settings-" + std::to_string(random()));
    if (fs::create_directory(path_)) {
      return;
    }
  }
  throw std::runtime_error("no fresh temporary directory in " + fs::temp_directory_path().string());
}

TemporaryDirectory::~TemporaryDirectory() {
  std::error_code error;
  // Tests make the directory read-only; removing its entries needs it writable again.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(path_, error);
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + file.string());
  }
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    throw std::runtime_error("cannot write " + file.string());
  }
}

std::vector<std::string> EntryNames(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace morrowfane::testing
