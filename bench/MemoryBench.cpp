// Resident memory of the real program. Starts the `morrowfane` binary (path built in, or the
// first argument) under QT_QPA_PLATFORM=offscreen with a JACK server on the dummy backend as its
// audio output, waits until its window is up, the SoundFont is loaded and its resident memory has
// settled (the pitch correction of the selected program done), then reads /proc/<pid>/smaps and
// splits the resident memory by what it holds:
//   - JACK's shared memory: the server's segments, mapped into every client; not the program's.
//   - shared libraries: code and data of the .so files, largely shared with other processes.
//   - the program's own memory: heap and anonymous mappings (SoundFont structure, samples, Qt).
//   - other files: the executable, fonts, locale data and the like.
// Before that, the peak of resident memory without JACK's shared memory over the first seconds,
// while the SoundFont loads and the selected program is corrected. Prints the median of several
// runs; skipped without jackd.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "JackTestServer.h"
#include "Median.h"

namespace {

using morrowfane::testing::Median;
using namespace morrowfane;
using namespace std::chrono_literals;

constexpr int kRuns = 3;
constexpr int kServerRate = 48000;
constexpr int kServerPeriod = 256;
constexpr auto kSample = 250ms;
// Resident memory counts as settled once it has moved less than kSettledKilobytes over kSettled.
constexpr auto kSettled = 3s;
constexpr double kSettledKilobytes = 512.0;
constexpr auto kSettleTimeout = 60s;
constexpr double kKilobytesPerMegabyte = 1024.0;
constexpr char kJackSharedMemory[] = "/dev/shm/jack";
constexpr auto kStartWindow = 3s;
constexpr auto kPeakSample = 20ms;

enum class Kind { JackShared, SharedLibraries, Own, OtherFiles };
constexpr Kind kKinds[] = {Kind::Own, Kind::SharedLibraries, Kind::OtherFiles, Kind::JackShared};

const char* Label(Kind kind) {
  switch (kind) {
    case Kind::JackShared:
      return "JACK's shared memory (the server's)";
    case Kind::SharedLibraries:
      return "shared libraries";
    case Kind::Own:
      return "the program's own (heap, anonymous)";
    case Kind::OtherFiles:
      return "other files (executable, fonts, locale)";
  }
  return "";
}

Kind KindOf(const std::string& path) {
  if (path.rfind(kJackSharedMemory, 0) == 0) {
    return Kind::JackShared;
  }
  if (path.empty() || path.front() == '[') {
    return Kind::Own;  // heap, stack, anonymous mappings
  }
  const auto name = std::filesystem::path(path).filename().string();
  if (name.find(".so") != std::string::npos) {
    return Kind::SharedLibraries;
  }
  return Kind::OtherFiles;
}

struct Usage {
  double resident = 0.0;  // kB
  double privateResident = 0.0;
  // Written pages: only swap can take them back. Clean file pages the kernel drops and rereads.
  double dirty = 0.0;
};

struct Snapshot {
  double resident = 0.0;  // kB, VmRSS
  std::map<Kind, Usage> kinds;
};

bool IsMappingHeader(const std::string& line) {
  // "start-end perms offset dev inode [path]"; field lines start with a name and a colon.
  const auto space = line.find(' ');
  return space != std::string::npos && line.find('-') < space && line[space - 1] != ':';
}

Snapshot Read(pid_t pid) {
  Snapshot snapshot;
  std::ifstream smaps("/proc/" + std::to_string(pid) + "/smaps");
  std::string line;
  Kind kind = Kind::Own;
  while (std::getline(smaps, line)) {
    if (IsMappingHeader(line)) {
      std::istringstream fields(line);
      std::string range, perms, offset, device, inode, path;
      fields >> range >> perms >> offset >> device >> inode;
      std::getline(fields >> std::ws, path);
      kind = KindOf(path);
      continue;
    }
    std::istringstream fields(line);
    std::string key;
    double kilobytes = 0.0;
    fields >> key >> kilobytes;
    if (key == "Rss:") {
      snapshot.kinds[kind].resident += kilobytes;
      snapshot.resident += kilobytes;
    } else if (key == "Private_Clean:" || key == "Private_Dirty:") {
      snapshot.kinds[kind].privateResident += kilobytes;
    }
    if (key == "Private_Dirty:" || key == "Shared_Dirty:") {
      snapshot.kinds[kind].dirty += kilobytes;
    }
  }
  return snapshot;
}

double ResidentKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      double kilobytes = 0.0;
      status >> kilobytes;
      return kilobytes;
    }
    status.ignore(4096, '\n');
  }
  return 0.0;
}

bool HasJackPort(pid_t pid) {
  // The built-in synthesizer's JACK client maps the server's shared memory once it has opened.
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find(kJackSharedMemory) != std::string::npos) {
      return true;
    }
  }
  return false;
}

// Waits until the resident memory has settled; false if the process ended or it never settled.
bool WaitUntilSettled(testing::ChildProcess& program) {
  std::vector<double> recent;
  const auto samplesPerWindow = static_cast<std::size_t>(kSettled / kSample);
  const auto deadline = std::chrono::steady_clock::now() + kSettleTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (program.Exited()) {
      return false;
    }
    recent.push_back(ResidentKilobytes(program.Pid()));
    if (recent.size() > samplesPerWindow) {
      recent.erase(recent.begin());
      const auto [low, high] = std::minmax_element(recent.begin(), recent.end());
      if (*high - *low < kSettledKilobytes && HasJackPort(program.Pid())) {
        return true;
      }
    }
    std::this_thread::sleep_for(kSample);
  }
  return false;
}

double WithoutJack(const Snapshot& snapshot) {
  const auto jack = snapshot.kinds.find(Kind::JackShared);
  return snapshot.resident - (jack != snapshot.kinds.end() ? jack->second.resident : 0.0);
}

// The highest resident memory without JACK's shared memory over the program's first seconds.
double StartPeak(testing::ChildProcess& program) {
  double peak = 0.0;
  const auto end = std::chrono::steady_clock::now() + kStartWindow;
  while (std::chrono::steady_clock::now() < end && !program.Exited()) {
    peak = std::max(peak, WithoutJack(Read(program.Pid())));
    std::this_thread::sleep_for(kPeakSample);
  }
  return peak;
}

double Megabytes(double kilobytes) {
  return kilobytes / kKilobytesPerMegabyte;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string program = argc > 1 ? argv[1] : MORROWFANE_PROGRAM;
  if (!testing::ProgramOnPath("jackd")) {
    std::printf("memory_bench: skipped, jackd is not installed\n");
    return 0;
  }
  testing::JackTestServer server(kServerRate, kServerPeriod);
  if (!server.Running()) {
    std::printf("memory_bench: skipped, jackd did not start\n");
    return 0;
  }
  // A folder of its own for the settings file the program reads and writes.
  const auto folder = std::filesystem::temp_directory_path() /
                      ("morrowfane-memory-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);

  std::vector<Snapshot> snapshots;
  std::vector<double> peaks;
  for (int run = 0; run < kRuns; ++run) {
    testing::ChildProcess child({program});
    if (child.Started()) {
      peaks.push_back(StartPeak(child));
    }
    if (!child.Started() || !WaitUntilSettled(child)) {
      std::printf("memory_bench: %s did not start or its memory never settled\n", program.c_str());
      return 1;
    }
    snapshots.push_back(Read(child.Pid()));
  }
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(folder);

  std::vector<double> total;
  for (const auto& snapshot : snapshots) {
    total.push_back(snapshot.resident);
  }
  std::vector<double> withoutJack;
  for (const auto& snapshot : snapshots) {
    withoutJack.push_back(WithoutJack(snapshot));
  }
  std::printf("morrowfane on JACK (48 kHz, dummy backend), offscreen, settled; median of %d runs\n",
              kRuns);
  std::printf("%-44s %8.1f MB\n", "resident (RSS)", Megabytes(Median(total)));
  std::printf("%-44s %8.1f MB\n", "resident without JACK's shared memory",
              Megabytes(Median(withoutJack)));
  std::printf("%-44s %8.1f MB (highest run %.1f MB)\n",
              "peak in the first 3 s, without JACK's memory", Megabytes(Median(peaks)),
              Megabytes(*std::max_element(peaks.begin(), peaks.end())));
  for (const Kind kind : kKinds) {
    std::vector<double> resident;
    std::vector<double> privateResident;
    std::vector<double> dirty;
    for (const auto& snapshot : snapshots) {
      const auto found = snapshot.kinds.find(kind);
      const Usage usage = found != snapshot.kinds.end() ? found->second : Usage{};
      resident.push_back(usage.resident);
      privateResident.push_back(usage.privateResident);
      dirty.push_back(usage.dirty);
    }
    std::printf("  %-42s %8.1f MB (private %.1f MB, dirty %.1f MB)\n", Label(kind),
                Megabytes(Median(resident)), Megabytes(Median(privateResident)),
                Megabytes(Median(dirty)));
  }
  return 0;
}
