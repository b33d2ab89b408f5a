#include "ports/ExternalMidiPorts.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

#include "synth/AudioLibraries.h"

#if defined(__linux__)
#include <unistd.h>
#endif

namespace morrowfane {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr char kListerClientName[] = "MorrowFane-ports";
constexpr char kConnectionClientName[] = "MorrowFane-midi";
constexpr char kOutputPortName[] = "out";
#if defined(__linux__)
constexpr char kSequencerDevice[] = "/dev/snd/seq";
constexpr RtMidi::Api kSystemApi = RtMidi::LINUX_ALSA;
#else
constexpr RtMidi::Api kSystemApi = RtMidi::UNSPECIFIED;
#endif

// A JACK port carries messages only once the server has made the connection and run a cycle
// with it; until then they are dropped. Open() waits for that, within this bound.
constexpr milliseconds kConnectWait{1000};
constexpr std::uint64_t kCyclesAfterConnect = 2;
// Closing waits this long at most for the queued messages to go out.
constexpr milliseconds kDrainWait{500};
constexpr milliseconds kPollInterval{1};
// Asking for a server that is not there costs a few milliseconds of the caller's (the user
// interface's) time, so after a failed attempt the next waits this long.
constexpr milliseconds kJackRetryInterval{1000};
constexpr std::size_t kQueueCapacity = 1024;

void IgnoreRtMidiError(RtMidiError::Type /*type*/, const std::string& /*text*/, void* /*data*/) {}

bool SystemMidiAvailable() {
#if defined(__linux__)
  // RtMidi prints and throws when it finds no sequencer; ask first.
  return access(kSequencerDevice, R_OK | W_OK) == 0;
#else
  return true;
#endif
}

struct JackClientCloser {
  void operator()(jack_client_t* client) const { jack_client_close(client); }
};
using JackClient = std::unique_ptr<jack_client_t, JackClientCloser>;

struct JackPortsFree {
  void operator()(const char** ports) const { jack_free(static_cast<void*>(ports)); }
};

// Messages on their way to a JACK process callback. One consumer (the callback) and one producer
// at a time; lock-free, so the audio thread never waits.
class MessageQueue {
 public:
  bool Push(midi::PackedMessage message) {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t next = (tail + 1) % kQueueCapacity;
    if (next == head_.load(std::memory_order_acquire)) {
      return false;
    }
    slots_[tail] = message;
    tail_.store(next, std::memory_order_release);
    return true;
  }
  bool Front(midi::PackedMessage& message) const {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) {
      return false;
    }
    message = slots_[head];
    return true;
  }
  void Pop() {
    head_.store((head_.load(std::memory_order_relaxed) + 1) % kQueueCapacity,
                std::memory_order_release);
  }
  bool Empty() const {
    return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
  }

 private:
  std::array<midi::PackedMessage, kQueueCapacity> slots_{};
  std::atomic<std::size_t> head_{0};
  std::atomic<std::size_t> tail_{0};
};

JackClient OpenJackClient(const char* name) {
  SilenceAudioLibraries();
  jack_status_t status{};
  return JackClient(jack_client_open(name, JackNoStartServer, &status));
}

std::unique_ptr<RtMidiOut> MakeSystemOutput() {
  if (!SystemMidiAvailable()) {
    return nullptr;
  }
  try {
    auto output = std::make_unique<RtMidiOut>(kSystemApi, "MorrowFane");
    output->setErrorCallback(&IgnoreRtMidiError, nullptr);
    return output;
  } catch (const RtMidiError&) {
    return nullptr;
  }
}

class SystemConnection final : public MidiConnection {
 public:
  explicit SystemConnection(std::unique_ptr<RtMidiOut> output) : output_(std::move(output)) {}
  ~SystemConnection() override {
    try {
      output_->closePort();
    } catch (const RtMidiError&) {
      // Closing reports nothing, like sending.
    }
  }

  void Send(midi::PackedMessage message) override {
    const std::array<unsigned char, 3> bytes = {midi::StatusOf(message), midi::Data1Of(message),
                                                midi::Data2Of(message)};
    try {
      output_->sendMessage(bytes.data(), static_cast<std::size_t>(midi::LengthOf(message)));
    } catch (const RtMidiError&) {
      // A refused message is ignored; the note goes on.
    }
  }

 private:
  std::unique_ptr<RtMidiOut> output_;
};

// A JACK client of its own with one MIDI output port connected to the target port. Messages go
// through a lock-free queue to the process callback, which writes them at the start of a cycle.
class JackConnection final : public MidiConnection {
 public:
  static std::unique_ptr<JackConnection> Open(const std::string& target) {
    auto client = OpenJackClient(kConnectionClientName);
    if (!client) {
      return nullptr;
    }
    auto connection = std::unique_ptr<JackConnection>(new JackConnection(std::move(client)));
    return connection->Connect(target) ? std::move(connection) : nullptr;
  }

  ~JackConnection() override {
    if (active_) {
      WaitUntilSent();
      jack_deactivate(client_.get());
    }
  }

  void Send(midi::PackedMessage message) override {
    std::lock_guard lock(sendMutex_);
    queue_.Push(message);  // a full queue drops the message, as a refusing device would
  }

 private:
  explicit JackConnection(JackClient client) : client_(std::move(client)) {}

  bool Connect(const std::string& target) {
    port_ = jack_port_register(client_.get(), kOutputPortName, JACK_DEFAULT_MIDI_TYPE,
                               JackPortIsOutput, 0);
    if (port_ == nullptr || jack_set_process_callback(client_.get(), &Process, this) != 0 ||
        jack_activate(client_.get()) != 0) {
      return false;
    }
    active_ = true;
    const int result = jack_connect(client_.get(), jack_port_name(port_), target.c_str());
    if (result != 0 && result != EEXIST) {
      return false;
    }
    const auto deadline = Clock::now() + kConnectWait;
    std::uint64_t connectedAt = 0;
    bool connected = false;
    while (Clock::now() < deadline) {
      if (!connected && jack_port_connected_to(port_, target.c_str()) != 0) {
        connected = true;
        connectedAt = cycles_.load(std::memory_order_acquire);
      }
      if (connected &&
          cycles_.load(std::memory_order_acquire) >= connectedAt + kCyclesAfterConnect) {
        return true;
      }
      std::this_thread::sleep_for(kPollInterval);
    }
    return false;
  }

  void WaitUntilSent() {
    const auto deadline = Clock::now() + kDrainWait;
    std::uint64_t drainedAt = 0;
    bool drained = false;
    while (Clock::now() < deadline) {
      if (!drained && queue_.Empty()) {
        drained = true;
        drainedAt = cycles_.load(std::memory_order_acquire);
      }
      // One more cycle, so the cycle that took the last message has ended.
      if (drained && cycles_.load(std::memory_order_acquire) > drainedAt) {
        return;
      }
      std::this_thread::sleep_for(kPollInterval);
    }
  }

  static int Process(jack_nframes_t frames, void* data) {
    auto* self = static_cast<JackConnection*>(data);
    void* buffer = jack_port_get_buffer(self->port_, frames);
    jack_midi_clear_buffer(buffer);
    midi::PackedMessage message = 0;
    while (self->queue_.Front(message)) {
      const auto length = static_cast<std::size_t>(midi::LengthOf(message));
      jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, length);
      if (event == nullptr) {
        break;  // the port buffer is full; the rest goes out next cycle
      }
      const std::array<jack_midi_data_t, 3> bytes = {
          midi::StatusOf(message), midi::Data1Of(message), midi::Data2Of(message)};
      std::copy_n(bytes.data(), length, event);
      self->queue_.Pop();
    }
    self->cycles_.fetch_add(1, std::memory_order_acq_rel);
    return 0;
  }

  JackClient client_;
  MessageQueue queue_;
  jack_port_t* port_ = nullptr;
  bool active_ = false;
  std::atomic<std::uint64_t> cycles_{0};
  std::mutex sendMutex_;
};

}  // namespace

// A client kept open for listing the server's ports; it notices when the server goes away.
class ExternalMidiPorts::JackLister {
 public:
  static std::unique_ptr<JackLister> Open() {
    auto client = OpenJackClient(kListerClientName);
    if (!client) {
      return nullptr;
    }
    auto lister = std::unique_ptr<JackLister>(new JackLister(std::move(client)));
    jack_on_shutdown(lister->client_.get(), &JackLister::ServerGone, lister.get());
    return lister;
  }

  bool Alive() const { return alive_.load(std::memory_order_acquire); }

  std::vector<std::string> MidiInputs() {
    std::vector<std::string> names;
    std::unique_ptr<const char*, JackPortsFree> ports(
        jack_get_ports(client_.get(), nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput));
    for (const char** port = ports.get(); port != nullptr && *port != nullptr; ++port) {
      names.emplace_back(*port);
    }
    return names;
  }

 private:
  explicit JackLister(JackClient client) : client_(std::move(client)) {}
  static void ServerGone(void* data) {
    static_cast<JackLister*>(data)->alive_.store(false, std::memory_order_release);
  }

  JackClient client_;
  std::atomic<bool> alive_{true};
};

ExternalMidiPorts::ExternalMidiPorts() {
  SilenceAudioLibraries();
  // Connecting to a JACK server takes tens of milliseconds: do it now, off the caller's thread,
  // rather than when the device list is first shown.
  warmUp_ = std::thread([this] {
    std::lock_guard lock(mutex_);
    JackListerAlive();
  });
}

ExternalMidiPorts::~ExternalMidiPorts() {
  warmUp_.join();
}

bool ExternalMidiPorts::JackListerAlive() {
  if (jackLister_ && !jackLister_->Alive()) {
    jackLister_.reset();
  }
  if (!jackLister_ && Clock::now() >= nextJackAttempt_) {
    jackLister_ = JackLister::Open();
    if (!jackLister_) {
      nextJackAttempt_ = Clock::now() + kJackRetryInterval;
    }
  }
  return jackLister_ != nullptr;
}

std::vector<ExternalMidiPorts::Port> ExternalMidiPorts::List() {
  std::vector<Port> ports;
  if (!systemLister_) {
    systemLister_ = MakeSystemOutput();
  }
  if (systemLister_) {
    const unsigned int count = systemLister_->getPortCount();
    for (unsigned int i = 0; i < count; ++i) {
      ports.push_back({false, i, systemLister_->getPortName(i)});
    }
  }
  if (JackListerAlive()) {
    for (auto& name : jackLister_->MidiInputs()) {
      ports.push_back({true, 0, std::move(name)});
    }
  }
  return ports;
}

int ExternalMidiPorts::Count() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(List().size());
}

std::string ExternalMidiPorts::Name(int index) {
  std::lock_guard lock(mutex_);
  const auto ports = List();
  if (index < 0 || index >= static_cast<int>(ports.size())) {
    return {};
  }
  return ports[static_cast<std::size_t>(index)].name;
}

std::unique_ptr<MidiConnection> ExternalMidiPorts::Open(int index) {
  Port port;
  {
    std::lock_guard lock(mutex_);
    const auto ports = List();
    if (index < 0 || index >= static_cast<int>(ports.size())) {
      return nullptr;
    }
    port = ports[static_cast<std::size_t>(index)];
  }
  if (port.jack) {
    return JackConnection::Open(port.name);
  }
  auto output = MakeSystemOutput();
  if (!output) {
    return nullptr;
  }
  try {
    output->openPort(port.systemIndex, kConnectionClientName);
  } catch (const RtMidiError&) {
    return nullptr;
  }
  if (!output->isPortOpen()) {
    return nullptr;
  }
  return std::make_unique<SystemConnection>(std::move(output));
}

}  // namespace morrowfane
