// Settings files that are not plain files: FIFOs, sockets and device nodes in their place, and
// temporary files that an interrupted save left behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "SettingsTestFiles.h"
#include "settings/Settings.h"

namespace morrowfane {
namespace {

namespace fs = std::filesystem;
using testing::EntryNames;
using testing::ReadBytes;
using testing::TemporaryDirectory;
using testing::WriteBytes;

constexpr unsigned kLoadTimeoutSeconds = 10;
constexpr int kNullMajor = 1;  // /dev/null's device number, harmless to open
constexpr int kNullMinor = 3;

// Ends a forked child; its exit status carries what the parent checks.
enum ChildStatus { kChildDefaults = 0, kChildNotDefaults = 1 };

enum class Kind { Fifo, Socket, Device };

struct OddFileCase {
  const char* name;
  Kind kind;
  bool throughLink;  // the settings file is a symbolic link to the odd file
};

void PrintTo(const OddFileCase& oddFile, std::ostream* out) {
  *out << oddFile.name;
}

const OddFileCase kOddFileCases[] = {
    {"Fifo", Kind::Fifo, false},     {"LinkToFifo", Kind::Fifo, true},
    {"Socket", Kind::Socket, false}, {"LinkToSocket", Kind::Socket, true},
    {"Device", Kind::Device, false}, {"LinkToDevice", Kind::Device, true},
};

// Makes the odd file; an empty result, or the reason it cannot be made here.
std::string MakeOddFile(Kind kind, const fs::path& path) {
  switch (kind) {
    case Kind::Fifo:
      return ::mkfifo(path.c_str(), 0600) == 0 ? "" : std::strerror(errno);
    case Kind::Socket: {
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      if (path.native().size() >= sizeof(address.sun_path)) {
        return "the socket's path is too long";
      }
      std::strcpy(address.sun_path, path.c_str());
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      const bool bound =
          ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
      const std::string reason = bound ? "" : std::strerror(errno);
      ::close(fd);  // the socket file stays
      return reason;
    }
    case Kind::Device:
      if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(kNullMajor, kNullMinor)) != 0) {
        return std::string("mknod is not permitted here (") + std::strerror(errno) + ")";
      }
      return "";
  }
  return "unknown kind";
}

mode_t FileType(const fs::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

class OddSettingsFile : public ::testing::TestWithParam<OddFileCase> {};

TEST_P(OddSettingsFile, SaveFailsAsUnexpectedAndLeavesItInPlace) {
  const OddFileCase& oddFile = GetParam();
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / kSettingsFileName;
  const fs::path odd = oddFile.throughLink ? directory.Path() / "odd" : file;
  if (const std::string reason = MakeOddFile(oddFile.kind, odd); !reason.empty()) {
    GTEST_SKIP() << "cannot make the " << oddFile.name << " here: " << reason;
  }
  if (oddFile.throughLink) {
    fs::create_symlink("odd", file);
  }
  const mode_t typeBefore = FileType(odd);
  const auto entriesBefore = EntryNames(directory.Path());

  const auto error = SaveSettings({}, file);

  ASSERT_TRUE(error.has_value()) << "the save replaced the " << oddFile.name;
  EXPECT_EQ(error->cause, SaveError::Cause::Other);
  EXPECT_EQ(error->message, "An unexpected file error occurred while accessing morrowfane.ini.");
  EXPECT_EQ(FileType(odd), typeBefore);
  EXPECT_EQ(FileType(file), oddFile.throughLink ? S_IFLNK : typeBefore);
  EXPECT_EQ(EntryNames(directory.Path()), entriesBefore);
}

INSTANTIATE_TEST_SUITE_P(Kinds, OddSettingsFile, ::testing::ValuesIn(kOddFileCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Opening a FIFO that no one writes blocks for ever: the load runs in a child that an alarm ends.
class FifoSettingsFile : public ::testing::TestWithParam<bool> {};

TEST_P(FifoSettingsFile, LoadLeavesTheDefaultsAtOnce) {
  const bool throughLink = GetParam();
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / kSettingsFileName;
  const fs::path fifo = throughLink ? directory.Path() / "fifo" : file;
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
  if (throughLink) {
    fs::create_symlink("fifo", file);
  }

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::alarm(kLoadTimeoutSeconds);
    const bool defaults = LoadSettings(file) == PlaybackSettings{};
    ::_exit(defaults ? kChildDefaults : kChildNotDefaults);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_FALSE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
      << "the load was still blocked after " << kLoadTimeoutSeconds << " s";
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), kChildDefaults);
}

INSTANTIATE_TEST_SUITE_P(Paths, FifoSettingsFile, ::testing::Bool(), [](const auto& info) {
  return std::string(info.param ? "ThroughLink" : "Direct");
});

// The id of a process that has ended.
pid_t EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) {
    ::_exit(0);
  }
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(SaveSettings, RemovesOnlyTheTemporaryFilesOfEndedSaves) {
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / kSettingsFileName;
  const std::string ended = std::to_string(EndedProcess());
  const std::string running = std::to_string(::getppid());
  const std::string stale = ".morrowfane.ini." + ended + "-0.tmp";
  const std::string staleRetry = ".morrowfane.ini." + ended + "-17.tmp";
  const std::vector<std::string> kept = {
      ".morrowfane.ini." + running + "-0.tmp",  // a save still under way
      ".morrowfane.ini." + ended + "-0.tmp.bak", ".morrowfane.ini." + ended + "-x.tmp",
      ".morrowfane.ini." + ended + ".tmp",       ".other.ini." + ended + "-0.tmp",
      "morrowfane.ini." + ended + "-0.tmp",      "notes.txt",
  };
  for (const auto& name : kept) {
    WriteBytes(directory.Path() / name, "keep");
  }
  WriteBytes(directory.Path() / stale, "[MorrowFane]\r\n");
  WriteBytes(directory.Path() / staleRetry, "");
  const std::string directoryOfSameName = ".morrowfane.ini." + ended + "-1.tmp";
  fs::create_directory(directory.Path() / directoryOfSameName);

  ASSERT_EQ(SaveSettings({}, file), std::nullopt);

  std::vector<std::string> expected = kept;
  expected.push_back(kSettingsFileName);
  expected.push_back(directoryOfSameName);  // a directory is no temporary file of a save
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(EntryNames(directory.Path()), expected);
  EXPECT_EQ(ReadBytes(directory.Path() / kept.front()), "keep");
}

}  // namespace
}  // namespace morrowfane
