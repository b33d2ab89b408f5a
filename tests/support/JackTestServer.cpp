#include "JackTestServer.h"

#include <jack/jack.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace morrowfane::testing {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kServerStartWait{10000};
constexpr char kServerVariable[] = "JACK_DEFAULT_SERVER";
constexpr char kRecorderName[] = "mf-recorder";
constexpr char kRecorderPort[] = "in";
constexpr double kMicrosecondsPerSecond = 1e6;

void IgnoreJackMessage(const char* /*message*/) {}

jack_client_t* OpenClient(const char* name) {
  jack_set_error_function(IgnoreJackMessage);
  jack_set_info_function(IgnoreJackMessage);
  jack_status_t status{};
  return jack_client_open(name, JackNoStartServer, &status);
}

}  // namespace

std::string MissingJackMidiTools() {
  for (const char* program : {"jackd", "jack_midi_dump", "stdbuf"}) {
    if (!ProgramOnPath(program)) {
      return "jackd, jack_midi_dump or stdbuf is not installed (package jackd2)";
    }
  }
  return {};
}

JackTestServer::JackTestServer(int sampleRate, int period)
    : sampleRate_(sampleRate), period_(period) {
  static std::atomic<int> serial{0};
  name_ = "mf-test-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
  if (const char* previous = std::getenv(kServerVariable)) {
    previousDefault_ = previous;
    hadPreviousDefault_ = true;
  }
  setenv(kServerVariable, name_.c_str(), 1);
  // The dummy backend needs no sound card, and no device reservation over D-Bus.
  setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
  Start();
}

void JackTestServer::Start() {
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"jackd", "-n", name_, "-d", "dummy", "-r",
                               std::to_string(sampleRate_), "-p", std::to_string(period_)});
  running_ = false;
  if (!process_->Started()) {
    return;
  }
  running_ = WaitFor(
      [this] {
        if (process_->Exited()) {
          return true;
        }
        jack_client_t* client = OpenClient("mf-probe");
        if (client == nullptr) {
          return false;
        }
        jack_client_close(client);
        return true;
      },
      kServerStartWait);
  running_ = running_ && !process_->Exited();
}

void JackTestServer::Kill() {
  // SIGTERM, as `kill` sends: a server ended by SIGKILL never leaves JACK's server registry, and
  // a few of those stop any further server from starting on the machine.
  if (process_) {
    process_->Stop();
  }
  running_ = false;
}

bool JackTestServer::Restart() {
  Kill();
  Start();
  return running_;
}

JackTestServer::~JackTestServer() {
  process_.reset();
  if (hadPreviousDefault_) {
    setenv(kServerVariable, previousDefault_.c_str(), 1);
  } else {
    unsetenv(kServerVariable);
  }
}

JackRecorder::JackRecorder(std::size_t maxFrames) : samples_(maxFrames), blockTimes_(maxFrames) {
  client_ = OpenClient(kRecorderName);
  if (client_ != nullptr) {
    port_ = jack_port_register(client_, kRecorderPort, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  }
}

JackRecorder::~JackRecorder() {
  if (client_ != nullptr) {
    if (active_) {
      jack_deactivate(client_);
    }
    jack_client_close(client_);
  }
}

bool JackRecorder::Record(const std::string& sourcePort) {
  if (port_ == nullptr || jack_set_process_callback(client_, &JackRecorder::Process, this) != 0 ||
      jack_activate(client_) != 0) {
    return false;
  }
  active_ = true;
  return jack_connect(client_, sourcePort.c_str(), jack_port_name(port_)) == 0;
}

// The port's buffer is JACK's shared memory, handed over from the client that wrote it (here the
// built-in synthesizer's audio callback) by JACK's own process graph, whose synchronisation
// ThreadSanitizer cannot see. Reading it here is left out of the race detection.
__attribute__((no_sanitize("thread"))) int JackRecorder::Process(std::uint32_t frames, void* data) {
  auto* self = static_cast<JackRecorder*>(data);
  const auto* input = static_cast<const float*>(jack_port_get_buffer(self->port_, frames));
  const std::size_t start = self->recorded_.load(std::memory_order_relaxed);
  const auto cycleStart = static_cast<std::int64_t>(
      jack_frames_to_time(self->client_, jack_last_frame_time(self->client_)));
  const double rate = jack_get_sample_rate(self->client_);
  std::size_t count = 0;
  for (; count < frames && start + count < self->samples_.size(); ++count) {
    self->samples_[start + count] = input[count];
    self->blockTimes_[start + count] =
        cycleStart +
        static_cast<std::int64_t>(static_cast<double>(count) * kMicrosecondsPerSecond / rate);
  }
  self->recorded_.store(start + count, std::memory_order_release);
  return 0;
}

std::vector<float> JackRecorder::Samples() const {
  const std::size_t count = recorded_.load(std::memory_order_acquire);
  return {samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(count)};
}

std::int64_t JackRecorder::FirstAudibleTime(float threshold) const {
  const std::size_t count = recorded_.load(std::memory_order_acquire);
  for (std::size_t i = 0; i < count; ++i) {
    if (std::abs(samples_[i]) > threshold) {
      return blockTimes_[i];
    }
  }
  return -1;
}

double JackRecorder::SampleRate() const {
  return client_ != nullptr ? jack_get_sample_rate(client_) : 0.0;
}

}  // namespace morrowfane::testing
