// The settings file's Windows replacement (ReplaceFileW, MoveFileExW) against what Windows users'
// files do: held open by another program, read-only, hidden, a directory, a full disk.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "SettingsTestFiles.h"
#include "settings/ReplaceFile.h"
#include "settings/Settings.h"

namespace morrowfane {
namespace {

namespace fs = std::filesystem;
using testing::EntryNames;
using testing::ReadBytes;
using testing::TemporaryDirectory;
using testing::WriteBytes;

constexpr char kOldBytes[] = "[MorrowFane]\r\nTuning=C\r\n";
constexpr char kNewBytes[] = "[MorrowFane]\r\nTuning=G\r\nMidiDev=0\r\n";
// A directory on a nearly full file system, where the test runner can offer one.
constexpr char kFullDirectoryVariable[] = "MORROWFANE_TEST_FULL_DIRECTORY";
constexpr std::size_t kMoreThanAnyFreeSpace = std::size_t{64} << 20;

// Owns a handle that another program keeps open on a file.
class OpenFile {
 public:
  OpenFile(const fs::path& file, DWORD share)
      : handle_(::CreateFileW(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~OpenFile() {
    if (IsOpen()) {
      ::CloseHandle(handle_);
    }
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  std::string ReadAll() const {
    std::string bytes(1024, '\0');
    DWORD got = 0;
    ::SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
    ::ReadFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    return bytes;
  }

 private:
  HANDLE handle_;
};

std::optional<SaveError> Save(const fs::path& file, std::string_view bytes) {
  const int error = ReplaceFileAtomically(file, bytes);
  return error == 0 ? std::nullopt : std::optional(SaveErrorFor(error, file));
}

// A program that reads the file and lets others rename it (as editors and viewers open files)
// keeps reading the old file, and the new one takes its name: the file is replaced, not
// overwritten in place.
TEST(WindowsSettingsFile, ReplacesAFileThatAnotherProgramHoldsOpen) {
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / kSettingsFileName;
  WriteBytes(file, kOldBytes);
  const OpenFile reader(file, FILE_SHARE_READ | FILE_SHARE_DELETE);
  ASSERT_TRUE(reader.IsOpen());

  ASSERT_EQ(Save(file, kNewBytes), std::nullopt);

  EXPECT_EQ(reader.ReadAll(), kOldBytes);
  EXPECT_EQ(ReadBytes(file), kNewBytes);
}

enum class Obstacle { LockedByAnotherProgram, ReadOnlyFile, DirectoryInPlace };

struct FailureCase {
  const char* name;
  Obstacle obstacle;
  SaveError::Cause cause;
  const char* message;
};

void PrintTo(const FailureCase& failure, std::ostream* out) {
  *out << failure.name;
}

const FailureCase kFailureCases[] = {
    {"LockedByAnotherProgram", Obstacle::LockedByAnotherProgram, SaveError::Cause::AccessDenied,
     "Access to morrowfane.ini was denied."},
    {"ReadOnlyFile", Obstacle::ReadOnlyFile, SaveError::Cause::AccessDenied,
     "Access to morrowfane.ini was denied."},
    {"DirectoryInPlace", Obstacle::DirectoryInPlace, SaveError::Cause::Other,
     "An unexpected file error occurred while accessing morrowfane.ini."},
};

class WindowsFailedSave : public ::testing::TestWithParam<FailureCase> {};

TEST_P(WindowsFailedSave, ReportsItsCauseAndLeavesTheDirectoryAsItWas) {
  const FailureCase& failure = GetParam();
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / kSettingsFileName;
  std::optional<OpenFile> locker;
  switch (failure.obstacle) {
    case Obstacle::LockedByAnotherProgram:
      WriteBytes(file, kOldBytes);
      locker.emplace(file, FILE_SHARE_READ);  // neither writing nor renaming allowed
      ASSERT_TRUE(locker->IsOpen());
      break;
    case Obstacle::ReadOnlyFile:
      WriteBytes(file, kOldBytes);
      ASSERT_NE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY), 0);
      break;
    case Obstacle::DirectoryInPlace:
      fs::create_directory(file);
      break;
  }
  const auto entriesBefore = EntryNames(directory.Path());

  const auto error = Save(file, kNewBytes);

  ASSERT_TRUE(error.has_value()) << "the save succeeded";
  EXPECT_EQ(error->cause, failure.cause);
  EXPECT_EQ(error->message, failure.message);
  EXPECT_EQ(EntryNames(directory.Path()), entriesBefore) << "a temporary file was left behind";
  if (failure.obstacle != Obstacle::DirectoryInPlace) {
    EXPECT_EQ(ReadBytes(file), kOldBytes);
  }
  ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);  // so the directory can go
}

INSTANTIATE_TEST_SUITE_P(Obstacles, WindowsFailedSave, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WindowsSettingsFile, AFullDiskIsReportedAsSuch) {
  const char* full = std::getenv(kFullDirectoryVariable);
  if (full == nullptr || *full == '\0') {
    GTEST_SKIP() << "no full disk to save on: " << kFullDirectoryVariable
                 << " names a directory on a full file system where the test runner has one";
  }
  const fs::path file = fs::path(full) / kSettingsFileName;
  const auto entriesBefore = EntryNames(full);

  const auto error = Save(file, std::string(kMoreThanAnyFreeSpace, 'x'));

  ASSERT_TRUE(error.has_value()) << "the save succeeded";
  EXPECT_EQ(error->cause, SaveError::Cause::DiskFull);
  EXPECT_EQ(error->message, "Disk full while accessing morrowfane.ini.");
  EXPECT_EQ(EntryNames(full), entriesBefore) << "a temporary file was left behind";
}

}  // namespace
}  // namespace morrowfane
