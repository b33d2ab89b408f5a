#include "ports/JackSession.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <new>
#include <optional>
#include <utility>

#include "audio/AudioLibraries.h"

namespace morrowfane {
namespace {

using std::chrono::milliseconds;

constexpr char kClientName[] = "MorrowFane-midi";
constexpr char kPortPrefix[] = "out";
// Room for the prefix and a slot number.
constexpr std::size_t kPortNameBytes = 16;
constexpr std::size_t kQueueMessages = 1024;
constexpr std::size_t kQueueBytes = kQueueMessages * sizeof(midi::PackedMessage);
// jack_ringbuffer_t keeps one byte free, so a queue holds one message less.
constexpr std::uint64_t kQueueCapacity = kQueueMessages - 1;
// A JACK port carries messages only once the server has made the connection and run a cycle
// with it; until then they are dropped. A new connection waits for that, within this bound.
constexpr milliseconds kConnectWait{3000};
constexpr milliseconds kConnectRetry{100};
constexpr std::uint64_t kCyclesAfterConnect = 2;
// Closing waits this long at most for the queued messages to go out.
constexpr milliseconds kDrainWait{500};

struct JackPortsFree {
  void operator()(const char** ports) const { jack_free(static_cast<void*>(ports)); }
};

}  // namespace

void JackSession::QueueFree::operator()(jack_ringbuffer_t* queue) const {
  jack_ringbuffer_free(queue);
}

void JackSession::CycleSignal::WaitUntil(Clock::time_point deadline) {
  // The steady clock is CLOCK_MONOTONIC.
  const auto since = deadline.time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
  const timespec at{static_cast<std::time_t>(seconds.count()),
                    static_cast<long>(std::chrono::nanoseconds(since - seconds).count())};
  sem_clockwait(&semaphore_, CLOCK_MONOTONIC, &at);
}

bool JackSession::Writer::Push(midi::PackedMessage message) {
  auto& port = session_->ports_[slot_];
  const std::uint64_t queued = port.queued.load(std::memory_order_relaxed);
  if (queued - port.sent.load(std::memory_order_acquire) >= kQueueCapacity) {
    return false;
  }
  jack_ringbuffer_write(port.queue.get(), reinterpret_cast<const char*>(&message), sizeof message);
  port.queued.store(queued + 1, std::memory_order_release);
  return true;
}

void JackSession::Port::WriteQueued(void* buffer) {
  jack_midi_clear_buffer(buffer);
  const std::uint64_t done = sent.load(std::memory_order_relaxed);
  const std::uint64_t available = queued.load(std::memory_order_acquire) - done;
  std::uint64_t written = 0;
  midi::PackedMessage message = 0;
  for (; written < available; ++written) {
    jack_ringbuffer_peek(queue.get(), reinterpret_cast<char*>(&message), sizeof message);
    const auto length = static_cast<std::size_t>(midi::LengthOf(message));
    jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, length);
    if (event == nullptr) {
      break;  // the port buffer is full; the rest goes out next cycle
    }
    const std::array<jack_midi_data_t, 3> bytes = {midi::StatusOf(message), midi::Data1Of(message),
                                                   midi::Data2Of(message)};
    std::copy_n(bytes.data(), length, event);
    jack_ringbuffer_read_advance(queue.get(), sizeof message);
  }
  sent.store(done + written, std::memory_order_release);
}

std::shared_ptr<JackSession> JackSession::Open() {
  SilenceAudioLibraries();
  auto session = std::make_shared<JackSession>();
  jack_status_t status{};
  jack_client_t* client = jack_client_open(kClientName, JackNoStartServer, &status);
  if (client == nullptr) {
    return nullptr;
  }
  session->client_ = client;
  jack_on_info_shutdown(client, &JackSession::ServerGone, session.get());
  if (jack_set_process_callback(client, &JackSession::Process, session.get()) != 0 ||
      jack_activate(client) != 0) {
    return nullptr;
  }
  session->active_ = true;
  return session;
}

JackSession::JackSession() {
  for (auto& port : ports_) {
    port.queue.reset(jack_ringbuffer_create(kQueueBytes));
    if (!port.queue) {
      throw std::bad_alloc();
    }
  }
}

JackSession::~JackSession() {
  // After a shutdown the client's server-side state is gone, and closing it crashes inside
  // libjack; the small client object is left behind on purpose.
  if (client_ == nullptr || !Alive()) {
    return;
  }
  if (active_) {
    jack_deactivate(client_);
  }
  jack_client_close(client_);
}

std::vector<JackSession::Writer> JackSession::TakeWriters() {
  std::vector<Writer> writers;
  if (std::exchange(writersTaken_, true)) {
    return writers;
  }
  for (std::size_t slot = 0; slot < kMaxPorts; ++slot) {
    writers.push_back(Writer(shared_from_this(), slot));
  }
  return writers;
}

std::vector<std::string> JackSession::MidiInputs() {
  std::lock_guard api(apiMutex_);
  std::unique_ptr<const char*, JackPortsFree> ports(
      jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput));
  std::vector<std::string> names;
  for (const char** port = ports.get(); port != nullptr && *port != nullptr; ++port) {
    names.emplace_back(*port);
  }
  return names;
}

bool JackSession::ConnectedTo(std::size_t slot, const std::string& target) {
  jack_port_t* port = ports_[slot].port.load(std::memory_order_acquire);
  if (port == nullptr) {
    return false;
  }
  std::lock_guard api(apiMutex_);
  return jack_port_connected_to(port, target.c_str()) != 0;
}

bool JackSession::Connect(std::size_t slot, const std::string& target) {
  const auto deadline = Clock::now() + kConnectWait;
  if (!Drained(slot)) {
    WaitDrained(slot);  // what the port still carries reaches its old target first
  }
  jack_port_t* own = RegisteredPort(slot);
  if (own == nullptr) {
    return false;
  }
  // A busy server can turn a connection request down, or take a while to show it in its graph:
  // the request is made again now and then until the connection shows or the wait runs out.
  auto nextRequest = Clock::now();
  std::optional<std::uint64_t> connectedAt;
  return AwaitCycles(slot, deadline, [&](Clock::time_point& wakeBy) {
    if (!connectedAt && ConnectedTo(slot, target)) {
      connectedAt = cycles_.load();
    }
    if (connectedAt) {
      return cycles_.load() >= *connectedAt + kCyclesAfterConnect;
    }
    if (Clock::now() >= nextRequest) {
      std::lock_guard api(apiMutex_);
      jack_connect(client_, jack_port_name(own), target.c_str());
      nextRequest = Clock::now() + kConnectRetry;
    }
    wakeBy = std::min(wakeBy, nextRequest);
    return false;
  });
}

void JackSession::WaitDrained(std::size_t slot) {
  std::optional<std::uint64_t> drainedAt;
  AwaitCycles(slot, Clock::now() + kDrainWait, [&](Clock::time_point& /*wakeBy*/) {
    if (!drainedAt && Drained(slot)) {
      drainedAt = cycles_.load();
    }
    return drainedAt && cycles_.load() > *drainedAt;
  });
}

jack_port_t* JackSession::RegisteredPort(std::size_t slot) {
  std::lock_guard api(apiMutex_);
  auto& port = ports_[slot].port;
  if (jack_port_t* existing = port.load(std::memory_order_relaxed)) {
    jack_port_disconnect(client_, existing);
    return existing;
  }
  std::array<char, kPortNameBytes> name{};
  std::snprintf(name.data(), name.size(), "%s%zu", kPortPrefix, slot + 1);
  jack_port_t* registered =
      jack_port_register(client_, name.data(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  port.store(registered, std::memory_order_release);
  return registered;
}

bool JackSession::Drained(std::size_t slot) const {
  const auto& port = ports_[slot];
  return port.sent.load(std::memory_order_acquire) == port.queued.load(std::memory_order_acquire);
}

template <typename Done>
bool JackSession::AwaitCycles(std::size_t slot, Clock::time_point deadline, Done done) {
  auto& port = ports_[slot];
  while (port.cycleEnded.TryTake()) {
    // a wake-up left over from an earlier wait
  }
  for (;;) {
    // Sequentially consistent with Process() and ServerGone(): either they see the flag, or
    // this thread sees the cycle count or the shutdown they wrote before looking.
    port.waiting.store(true);
    if (!Alive() || Clock::now() >= deadline) {
      return false;
    }
    auto wakeBy = deadline;
    if (done(wakeBy)) {
      return true;
    }
    port.cycleEnded.WaitUntil(wakeBy);
  }
}

void JackSession::WakeWaiters() {
  for (auto& port : ports_) {
    if (port.waiting.exchange(false)) {
      port.cycleEnded.Post();
    }
  }
}

int JackSession::Process(jack_nframes_t frames, void* data) {
  auto* self = static_cast<JackSession*>(data);
  for (auto& slot : self->ports_) {
    if (jack_port_t* port = slot.port.load(std::memory_order_acquire)) {
      slot.WriteQueued(jack_port_get_buffer(port, frames));
    }
  }
  self->cycles_.fetch_add(1);
  self->WakeWaiters();
  return 0;
}

void JackSession::ServerGone(jack_status_t /*code*/, const char* /*reason*/, void* data) {
  auto* self = static_cast<JackSession*>(data);
  self->alive_.store(false);
  self->WakeWaiters();
}

}  // namespace morrowfane
