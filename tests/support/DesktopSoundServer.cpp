#include "DesktopSoundServer.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace morrowfane::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kStartWait = 10s;
constexpr auto kRecorderStopWait = 3s;
constexpr char kSink[] = "out";
constexpr std::uintmax_t kStartedBytes = 4800;  // 25 ms of the recording

// The output of `command` run through the shell, or nothing if it failed.
std::optional<std::string> Output(const std::string& command) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) {
    return std::nullopt;
  }
  std::string text;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
    text += buffer;
  }
  return pclose(pipe) == 0 ? std::optional(text) : std::nullopt;
}

std::string MakeFolder(const char* prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / prefix).string() + "XXXXXX";
  return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

}  // namespace

DesktopSoundServer::DesktopSoundServer(Kind kind) : folder_(MakeFolder("mf-sound-")) {
  const std::vector<std::string> needed =
      kind == Kind::PulseAudio
          ? std::vector<std::string>{"pulseaudio", "pactl", "parecord"}
          : std::vector<std::string>{"pipewire",    "pipewire-pulse", "wireplumber",
                                     "dbus-daemon", "pactl",          "parecord"};
  for (const auto& program : needed) {
    if (!ProgramOnPath(program)) {
      failure_ = program + " is not installed (see scripts/setup)";
      return;
    }
  }
  std::filesystem::create_directories(folder_ + "/run");
  SetVariable("XDG_RUNTIME_DIR", folder_ + "/run");
  if (kind == Kind::PulseAudio) {
    StartPulseAudio();
  } else {
    StartPipeWire();
  }
}

DesktopSoundServer::~DesktopSoundServer() {
  while (!processes_.empty()) {
    processes_.pop_back();
  }
  for (auto it = savedVariables_.rbegin(); it != savedVariables_.rend(); ++it) {
    if (it->second) {
      setenv(it->first.c_str(), it->second->c_str(), 1);
    } else {
      unsetenv(it->first.c_str());
    }
  }
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
}

void DesktopSoundServer::StartPulseAudio() {
  const std::string socket = folder_ + "/run/native";
  SetVariable("PULSE_SERVER", "unix:" + socket);
  Spawn({"env", "HOME=" + folder_, "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
         "--use-pid-file=no", "--load=module-null-sink sink_name=out rate=48000",
         "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket,
         "--load=module-always-sink"},
        "pulseaudio.log");
  if (!WaitUntilAnswering()) {
    failure_ = "pulseaudio did not start (see " + folder_ + "/pulseaudio.log)";
  }
}

void DesktopSoundServer::StartPipeWire() {
  const std::string bus = "unix:path=" + folder_ + "/bus";
  SetVariable("DBUS_SESSION_BUS_ADDRESS", bus);
  SetVariable("PULSE_SERVER", "unix:" + folder_ + "/run/pulse/native");
  const std::string home = "HOME=" + folder_;
  Spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + bus}, "dbus.log");
  Spawn({"env", home, "pipewire"}, "pipewire.log");
  Spawn({"env", home, "wireplumber"}, "wireplumber.log");
  Spawn({"env", home, "pipewire-pulse"}, "pipewire-pulse.log");
  if (!WaitUntilAnswering() ||
      !Output("pactl load-module module-null-sink sink_name=" + std::string(kSink)) ||
      !Output("pactl set-default-sink " + std::string(kSink))) {
    failure_ = "PipeWire did not start headless (see the logs in " + folder_ + ")";
  }
}

ChildProcess& DesktopSoundServer::Spawn(const std::vector<std::string>& argv,
                                        const std::string& log) {
  processes_.push_back(std::make_unique<ChildProcess>(argv, folder_ + "/" + log));
  return *processes_.back();
}

bool DesktopSoundServer::WaitUntilAnswering() {
  return WaitFor([] { return Output("pactl info").has_value(); }, kStartWait);
}

void DesktopSoundServer::SetVariable(const std::string& name, const std::string& value) {
  const char* previous = getenv(name.c_str());
  savedVariables_.emplace_back(name, previous != nullptr ? std::optional(previous) : std::nullopt);
  setenv(name.c_str(), value.c_str(), 1);
}

int DesktopSoundServer::Streams() const {
  const auto listing = Output("pactl list short sink-inputs");
  if (!listing) {
    return -1;
  }
  return static_cast<int>(std::count(listing->begin(), listing->end(), '\n'));
}

SinkRecorder::SinkRecorder(std::chrono::milliseconds latency)
    : path_(MakeFolder("mf-record-") + "/monitor.raw") {
  recorder_ = std::make_unique<ChildProcess>(std::vector<std::string>{
      "parecord", "--device=" + std::string(kSink) + ".monitor", "--raw", "--format=float32le",
      "--rate=48000", "--channels=1", "--latency-msec=" + std::to_string(latency.count()), path_});
  // Recording once samples arrive: the sink runs while a stream plays into it.
  WaitFor(
      [this] {
        std::error_code error;
        const auto size = std::filesystem::file_size(path_, error);
        startTime_ = std::chrono::steady_clock::now();
        startSamples_ = error ? 0 : size / sizeof(float);
        return !error && size >= kStartedBytes;
      },
      kStartWait);
}

std::chrono::steady_clock::time_point SinkRecorder::TimeOf(std::size_t index) const {
  const auto seconds =
      (static_cast<double>(index) - static_cast<double>(startSamples_)) / kSampleRate;
  return startTime_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                          std::chrono::duration<double>(seconds));
}

SinkRecorder::~SinkRecorder() {
  recorder_.reset();
  std::error_code error;
  std::filesystem::remove_all(std::filesystem::path(path_).parent_path(), error);
}

std::vector<float> SinkRecorder::Stop() {
  // parecord writes out what it holds when interrupted.
  recorder_->Signal(SIGINT);
  WaitFor([this] { return recorder_->Exited(); }, kRecorderStopWait);
  std::ifstream file(path_, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  std::vector<float> samples(bytes.size() / sizeof(float));
  std::copy_n(bytes.data(), samples.size() * sizeof(float),
              reinterpret_cast<char*>(samples.data()));
  return samples;
}

}  // namespace morrowfane::testing
