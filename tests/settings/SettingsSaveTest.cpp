#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "SettingsTestFiles.h"
#include "settings/Settings.h"

namespace morrowfane {
namespace {

namespace fs = std::filesystem;
using testing::EntryNames;
using testing::ReadBytes;
using testing::TemporaryDirectory;
using testing::WriteBytes;

TEST(SaveSettings, WritesTheDefaultsByteForByte) {
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / kSettingsFileName;
  ASSERT_EQ(SaveSettings({}, file), std::nullopt);
  EXPECT_EQ(ReadBytes(file),
            "[MorrowFane]\r\nTuning=E\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=true\r\nMidiDev=300\r\n");
}

TEST(SaveSettings, ReplacesALongerFileWholeAndLeavesNothingElse) {
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / kSettingsFileName;
  WriteBytes(file, std::string(1000, 'x'));
  ASSERT_EQ(
      SaveSettings({.DeviceIndex = 7, .Instrument = 127, .Loop = false, .Rate = 400, .Root = "C#"},
                   file),
      std::nullopt);
  EXPECT_EQ(
      ReadBytes(file),
      "[MorrowFane]\r\nTuning=C#\r\nMidiDev=7\r\nMidiPatch=127\r\nLoop=false\r\nMidiDev=400\r\n");
  EXPECT_EQ(EntryNames(directory.Path()), std::vector<std::string>{kSettingsFileName});
}

TEST(SaveSettings, KeepsThePermissionsOfTheFileItReplaces) {
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / kSettingsFileName;
  WriteBytes(file, "old");
  constexpr auto kMode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(file, kMode);
  ASSERT_EQ(SaveSettings({}, file), std::nullopt);
  EXPECT_EQ(fs::status(file).permissions(), kMode);
  EXPECT_NE(ReadBytes(file), "old");
}

TEST(SaveSettings, KeepsTheOwnerOfTheFileItReplaces) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "only root can save a file that another user owns";
  }
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / kSettingsFileName;
  WriteBytes(file, "old");
  const passwd* nobody = ::getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  ASSERT_EQ(::chown(file.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  ASSERT_EQ(SaveSettings({}, file), std::nullopt);
  struct stat saved {};
  ASSERT_EQ(::stat(file.c_str(), &saved), 0);
  EXPECT_EQ(saved.st_uid, nobody->pw_uid);
  EXPECT_EQ(saved.st_gid, nobody->pw_gid);
}

TEST(SaveSettings, WritesThroughASymbolicLinkAndKeepsTheLink) {
  TemporaryDirectory directory;
  fs::create_directory(directory.Path() / "real");
  const fs::path target = directory.Path() / "real" / "settings.ini";
  WriteBytes(target, "old");
  const fs::path link = directory.Path() / kSettingsFileName;
  fs::create_symlink(fs::path("real") / "settings.ini", link);

  ASSERT_EQ(SaveSettings({.Root = "G"}, link), std::nullopt);

  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  EXPECT_TRUE(ReadBytes(target).starts_with("[MorrowFane]\r\nTuning=G\r\n"));
  EXPECT_EQ(EntryNames(directory.Path() / "real"), std::vector<std::string>{"settings.ini"});
}

// Every root with several settings, including the highest device index and rate the reader takes.
class SaveAndLoadRoundTrip
    : public ::testing::TestWithParam<std::tuple<std::string_view, PlaybackSettings>> {};

TEST_P(SaveAndLoadRoundTrip, RestoresTuningAndSettings) {
  const auto& [root, settings] = GetParam();
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / kSettingsFileName;
  PlaybackSettings saved = settings;
  saved.Root = root;
  ASSERT_EQ(SaveSettings(saved, file), std::nullopt);

  EXPECT_EQ(LoadSettings(file), saved);
}

INSTANTIATE_TEST_SUITE_P(
    AllRoots, SaveAndLoadRoundTrip,
    ::testing::Combine(
        ::testing::ValuesIn(kRootChoices),
        ::testing::Values(
            PlaybackSettings{},
            PlaybackSettings{.DeviceIndex = 255, .Instrument = 127, .Loop = false, .Rate = 400},
            PlaybackSettings{.DeviceIndex = 4, .Instrument = 25, .Loop = true, .Rate = 20},
            PlaybackSettings{.DeviceIndex = 17, .Instrument = 64, .Loop = false, .Rate = 250})),
    [](const auto& info) {
      const std::string_view root = std::get<0>(info.param);
      const PlaybackSettings& settings = std::get<1>(info.param);
      std::string name(root.substr(0, 1));
      if (root.size() > 1) {
        name += "Sharp";
      }
      return name + "_" + std::to_string(settings.DeviceIndex) + "_" +
             std::to_string(settings.Instrument) + (settings.Loop ? "_Loop_" : "_Once_") +
             std::to_string(settings.Rate);
    });

// ---- Failed saves ----------------------------------------------------------------------------
//
// Each failure is staged in a child process, which may give up root (root ignores permission
// bits) or mount a small file system in a mount namespace of its own, so nothing outside the
// test directory is touched.

enum class Situation {
  AsUnprivilegedUser,  // permission bits apply
  FullFileSystem,      // a tiny tmpfs, filled to the last page
  ReadOnlyFileSystem,  // a tmpfs remounted read-only
  FileSizeLimit,       // writes stop after a few bytes
};

struct FailureCase {
  const char* name;
  Situation situation;
  bool oldFile;
  fs::perms fileMode;
  fs::perms directoryMode;
  SaveError::Cause cause;
};

const std::string kOldBytes =
    "[MorrowFane]\r\nTuning=C\r\nMidiDev=2\r\nMidiPatch=9\r\nLoop=false\r\nMidiDev=100\r\n";
constexpr auto kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr auto kReadWrite =
    kReadOnly | fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
constexpr auto kAllExec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
constexpr char kTmpfsOptions[] = "size=64k";
constexpr std::size_t kFillChunk = 4096;
constexpr rlim_t kFileSizeLimit = 16;

const FailureCase kFailureCases[] = {
    {"ReadOnlyDirectory", Situation::AsUnprivilegedUser, true, kReadWrite, kReadOnly | kAllExec,
     SaveError::Cause::AccessDenied},
    {"ReadOnlyDirectoryWithoutFile", Situation::AsUnprivilegedUser, false, kReadWrite,
     kReadOnly | kAllExec, SaveError::Cause::AccessDenied},
    {"ReadOnlyFile", Situation::AsUnprivilegedUser, true, kReadOnly, kReadWrite | kAllExec,
     SaveError::Cause::AccessDenied},
    {"FullFileSystem", Situation::FullFileSystem, true, kReadWrite, kReadWrite | kAllExec,
     SaveError::Cause::DiskFull},
    {"FullFileSystemWithoutFile", Situation::FullFileSystem, false, kReadWrite,
     kReadWrite | kAllExec, SaveError::Cause::DiskFull},
    {"ReadOnlyFileSystem", Situation::ReadOnlyFileSystem, true, kReadWrite, kReadWrite | kAllExec,
     SaveError::Cause::AccessDenied},
    {"WriteCutShort", Situation::FileSizeLimit, true, kReadWrite, kReadWrite | kAllExec,
     SaveError::Cause::Other},
};

std::string SystemError(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

// Gives up root for the user nobody; a user other than root is subject to permissions already.
std::string BecomeUnprivileged() {
  if (::geteuid() != 0) {
    return {};
  }
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) {
    return "there is no user nobody to run as";
  }
  if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
      ::setuid(nobody->pw_uid) != 0) {
    return SystemError("cannot run as user nobody");
  }
  return {};
}

// Mounts a tmpfs on `directory` in a mount namespace of this process alone: directly with the
// rights to, else inside a user namespace of its own.
std::string MountPrivateTmpfs(const fs::path& directory) {
  if (::unshare(CLONE_NEWNS) != 0) {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
      return SystemError("no mount namespace of its own for the test");
    }
    try {
      WriteBytes("/proc/self/setgroups", "deny");
      WriteBytes("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
      WriteBytes("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    } catch (const std::exception& error) {
      return std::string("cannot map the user namespace: ") + error.what();
    }
  }
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return SystemError("cannot make the mounts private");
  }
  if (::mount("tmpfs", directory.c_str(), "tmpfs", 0, kTmpfsOptions) != 0) {
    return SystemError("cannot mount a tmpfs");
  }
  return {};
}

std::string FillFileSystem(const fs::path& directory) {
  const int fd = ::open((directory / "filler").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) {
    return SystemError("cannot create the filler");
  }
  const std::string chunk(kFillChunk, 'f');
  while (::write(fd, chunk.data(), chunk.size()) > 0) {
  }
  const int error = errno;
  ::close(fd);
  return error == ENOSPC ? std::string() : "filling stopped with " + std::string(strerror(error));
}

std::string Prepare(const FailureCase& failure, const fs::path& directory) {
  const fs::path file = directory / kSettingsFileName;
  if (failure.situation == Situation::FullFileSystem ||
      failure.situation == Situation::ReadOnlyFileSystem) {
    if (auto reason = MountPrivateTmpfs(directory); !reason.empty()) {
      return reason;
    }
  }
  if (failure.oldFile) {
    WriteBytes(file, kOldBytes);
    fs::permissions(file, failure.fileMode);
  }
  fs::permissions(directory, failure.directoryMode);
  switch (failure.situation) {
    case Situation::AsUnprivilegedUser:
      return BecomeUnprivileged();
    case Situation::FullFileSystem:
      return FillFileSystem(directory);
    case Situation::ReadOnlyFileSystem:
      if (::mount(nullptr, directory.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        return SystemError("cannot remount read-only");
      }
      return {};
    case Situation::FileSizeLimit: {
      std::signal(SIGXFSZ, SIG_IGN);  // so the write fails instead of ending the process
      const rlimit limit{kFileSizeLimit, kFileSizeLimit};
      return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? std::string() : SystemError("setrlimit");
    }
  }
  return "unknown situation";
}

// What the child saw: the directory and the file before and after the save, and its result.
struct Outcome {
  std::string skipReason;
  std::optional<SaveError> error;
  std::vector<std::string> entriesBefore;
  std::vector<std::string> entriesAfter;
  std::optional<std::string> bytesBefore;
  std::optional<std::string> bytesAfter;
};

// Fields as "<length>:<bytes>", which survives any byte in them.
void Put(std::string& out, std::string_view field) {
  out.append(std::to_string(field.size())).append(":").append(field);
}

std::string Take(std::string_view& in) {
  const std::size_t colon = in.find(':');
  if (colon == std::string_view::npos) {
    throw std::runtime_error("truncated report from the child");
  }
  const std::size_t length = std::stoul(std::string(in.substr(0, colon)));
  std::string field(in.substr(colon + 1, length));
  in.remove_prefix(colon + 1 + length);
  return field;
}

void PutOptional(std::string& out, const std::optional<std::string>& field) {
  Put(out, field ? "1" : "0");
  Put(out, field.value_or(""));
}

std::optional<std::string> TakeOptional(std::string_view& in) {
  const bool present = Take(in) == "1";
  std::string field = Take(in);
  return present ? std::optional(field) : std::nullopt;
}

void PutList(std::string& out, const std::vector<std::string>& list) {
  Put(out, std::to_string(list.size()));
  for (const auto& item : list) {
    Put(out, item);
  }
}

std::vector<std::string> TakeList(std::string_view& in) {
  std::vector<std::string> list(std::stoul(Take(in)));
  for (auto& item : list) {
    item = Take(in);
  }
  return list;
}

std::string Encode(const Outcome& outcome) {
  std::string out;
  Put(out, outcome.skipReason);
  Put(out, outcome.error ? std::to_string(static_cast<int>(outcome.error->cause)) : "");
  Put(out, outcome.error ? outcome.error->message : "");
  PutList(out, outcome.entriesBefore);
  PutList(out, outcome.entriesAfter);
  PutOptional(out, outcome.bytesBefore);
  PutOptional(out, outcome.bytesAfter);
  return out;
}

Outcome Decode(std::string_view in) {
  Outcome outcome;
  outcome.skipReason = Take(in);
  const std::string cause = Take(in);
  std::string message = Take(in);
  if (!cause.empty()) {
    outcome.error = SaveError{static_cast<SaveError::Cause>(std::stoi(cause)), std::move(message)};
  }
  outcome.entriesBefore = TakeList(in);
  outcome.entriesAfter = TakeList(in);
  outcome.bytesBefore = TakeOptional(in);
  outcome.bytesAfter = TakeOptional(in);
  return outcome;
}

std::optional<std::string> BytesIfPresent(const fs::path& file) {
  std::error_code error;
  return fs::exists(file, error) ? std::optional(ReadBytes(file)) : std::nullopt;
}

Outcome SaveInSituation(const PlaybackSettings& settings, const fs::path& directory,
                        const std::function<std::string()>& prepare) {
  const fs::path file = directory / kSettingsFileName;
  Outcome outcome;
  outcome.skipReason = prepare();
  if (!outcome.skipReason.empty()) {
    return outcome;
  }
  outcome.entriesBefore = EntryNames(directory);
  outcome.bytesBefore = BytesIfPresent(file);
  outcome.error = SaveSettings(settings, file);
  outcome.entriesAfter = EntryNames(directory);
  outcome.bytesAfter = BytesIfPresent(file);
  return outcome;
}

// Runs the save in a forked child and brings its outcome back through a pipe.
Outcome SaveInChild(const PlaybackSettings& settings, const fs::path& directory,
                    const std::function<std::string()>& prepare) {
  std::array<int, 2> pipeEnds{};
  if (::pipe(pipeEnds.data()) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe");
  }
  const pid_t child = ::fork();
  if (child < 0) {
    throw std::system_error(errno, std::generic_category(), "fork");
  }
  if (child == 0) {
    ::close(pipeEnds[0]);
    std::string report;
    int status = 0;
    try {
      report = Encode(SaveInSituation(settings, directory, prepare));
    } catch (const std::exception& error) {
      report = error.what();
      status = 1;
    }
    for (std::string_view rest = report; !rest.empty();) {
      const ssize_t written = ::write(pipeEnds[1], rest.data(), rest.size());
      if (written <= 0) {
        ::_exit(2);
      }
      rest.remove_prefix(static_cast<std::size_t>(written));
    }
    ::_exit(status);
  }
  ::close(pipeEnds[1]);
  std::string report;
  std::array<char, 4096> buffer{};
  for (ssize_t got; (got = ::read(pipeEnds[0], buffer.data(), buffer.size())) != 0;) {
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      break;
    }
    report.append(buffer.data(), static_cast<std::size_t>(got));
  }
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("the child failed (status " + std::to_string(status) + "): " + report);
  }
  return Decode(report);
}

std::string MessageFor(SaveError::Cause cause) {
  switch (cause) {
    case SaveError::Cause::AccessDenied:
      return "Access to morrowfane.ini was denied.";
    case SaveError::Cause::DiskFull:
      return "Disk full while accessing morrowfane.ini.";
    case SaveError::Cause::Other:
      break;
  }
  return "An unexpected file error occurred while accessing morrowfane.ini.";
}

void PrintTo(const FailureCase& failure, std::ostream* out) {
  *out << failure.name;
}

class FailedSave : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailedSave, ReportsItsCauseAndLeavesTheDirectoryAsItWas) {
  const FailureCase& failure = GetParam();
  TemporaryDirectory directory;
  const PlaybackSettings settings{
      .DeviceIndex = 1, .Instrument = 80, .Loop = true, .Rate = 60, .Root = "F#"};

  const Outcome outcome =
      SaveInChild(settings, directory.Path(), [&] { return Prepare(failure, directory.Path()); });
  if (!outcome.skipReason.empty()) {
    GTEST_SKIP() << "cannot stage this failure here: " << outcome.skipReason;
  }

  ASSERT_TRUE(outcome.error.has_value()) << "the save succeeded";
  EXPECT_EQ(outcome.error->cause, failure.cause);
  EXPECT_EQ(outcome.error->message, MessageFor(failure.cause));
  EXPECT_EQ(outcome.bytesBefore, failure.oldFile ? std::optional(kOldBytes) : std::nullopt);
  EXPECT_EQ(outcome.bytesAfter, outcome.bytesBefore);
  EXPECT_EQ(outcome.entriesAfter, outcome.entriesBefore) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(Situations, FailedSave, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The unprivileged staging can write where the permissions allow it, so the failures above come
// from the permissions and not from the staging.
TEST(FailedSave, UnprivilegedUserCanSaveWhereAllowed) {
  TemporaryDirectory directory;
  const PlaybackSettings settings{.Root = "F#"};
  const FailureCase allowed{"Allowed",  Situation::AsUnprivilegedUser, true,
                            kReadWrite, kReadWrite | kAllExec,         SaveError::Cause::Other};

  const Outcome outcome =
      SaveInChild(settings, directory.Path(), [&] { return Prepare(allowed, directory.Path()); });
  if (!outcome.skipReason.empty()) {
    GTEST_SKIP() << "cannot stage this here: " << outcome.skipReason;
  }

  EXPECT_EQ(outcome.error, std::nullopt);
  ASSERT_TRUE(outcome.bytesAfter.has_value());
  EXPECT_TRUE(outcome.bytesAfter->starts_with("[MorrowFane]\r\nTuning=F#\r\n"));
  EXPECT_EQ(outcome.entriesAfter, std::vector<std::string>{kSettingsFileName});
}

}  // namespace
}  // namespace morrowfane
