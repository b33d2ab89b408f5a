#include "ports/JackMidiClient.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <optional>

#include "audio/AudioLibraries.h"
#include "player/MidiMessage.h"
#include "ports/SoundingNotes.h"

namespace morrowfane {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr char kClientName[] = "MorrowFane-midi";
constexpr char kPortPrefix[] = "out";
// Room for the prefix and a slot number.
constexpr std::size_t kPortNameBytes = 16;
constexpr std::size_t kMaxPorts = 16;
constexpr std::size_t kQueueCapacity = 1024;
// A JACK port carries messages only once the server has made the connection and run a cycle
// with it; until then they are dropped. A new connection waits for that, within this bound.
constexpr milliseconds kConnectWait{3000};
constexpr milliseconds kConnectRetry{100};
constexpr std::uint64_t kCyclesAfterConnect = 2;
// Closing waits this long at most for the queued messages to go out.
constexpr milliseconds kDrainWait{500};
constexpr milliseconds kPollInterval{1};
// How soon a server's shutdown is noticed; its callback may not take locks, so it is polled.
constexpr milliseconds kAlivePoll{250};

struct JackPortsFree {
  void operator()(const char** ports) const { jack_free(static_cast<void*>(ports)); }
};

// Messages on their way to the process callback. One consumer (the callback) and one producer
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

}  // namespace

// One jack_client_t from its open until its server goes away, with its ports and queues.
struct JackMidiClient::Session {
  struct Slot {
    std::atomic<jack_port_t*> port{nullptr};
    MessageQueue queue;
  };

  static std::shared_ptr<Session> Open() {
    SilenceAudioLibraries();
    jack_status_t status{};
    jack_client_t* client = jack_client_open(kClientName, JackNoStartServer, &status);
    if (client == nullptr) {
      return nullptr;
    }
    auto session = std::make_shared<Session>(client);
    jack_on_info_shutdown(client, &Session::ServerGone, session.get());
    if (jack_set_process_callback(client, &Session::Process, session.get()) != 0 ||
        jack_activate(client) != 0) {
      return nullptr;
    }
    session->active = true;
    return session;
  }

  explicit Session(jack_client_t* jackClient) : client(jackClient) {}
  ~Session() {
    // After a shutdown the client's server-side state is gone, and closing it crashes inside
    // libjack; the small client object is left behind on purpose.
    if (!Alive()) {
      return;
    }
    if (active) {
      jack_deactivate(client);
    }
    jack_client_close(client);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool Alive() const { return alive.load(std::memory_order_acquire); }

  bool ConnectedTo(jack_port_t* port, const std::string& target) {
    std::lock_guard lock(apiMutex);
    return jack_port_connected_to(port, target.c_str()) != 0;
  }

  // Waits until the slot's queued messages have gone out, and the cycle that took them ended.
  void WaitDrained(std::size_t slot) const {
    const auto deadline = Clock::now() + kDrainWait;
    std::uint64_t drainedAt = 0;
    bool drained = false;
    while (Alive() && Clock::now() < deadline) {
      if (!drained && slots[slot].queue.Empty()) {
        drained = true;
        drainedAt = cycles.load(std::memory_order_acquire);
      }
      if (drained && cycles.load(std::memory_order_acquire) > drainedAt) {
        return;
      }
      std::this_thread::sleep_for(kPollInterval);
    }
  }

  static void ServerGone(jack_status_t /*code*/, const char* /*reason*/, void* data) {
    static_cast<Session*>(data)->alive.store(false, std::memory_order_release);
  }

  static int Process(jack_nframes_t frames, void* data) {
    auto* self = static_cast<Session*>(data);
    for (auto& slot : self->slots) {
      jack_port_t* port = slot.port.load(std::memory_order_acquire);
      if (port == nullptr) {
        continue;
      }
      void* buffer = jack_port_get_buffer(port, frames);
      jack_midi_clear_buffer(buffer);
      midi::PackedMessage message = 0;
      while (slot.queue.Front(message)) {
        const auto length = static_cast<std::size_t>(midi::LengthOf(message));
        jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, length);
        if (event == nullptr) {
          break;  // the port buffer is full; the rest goes out next cycle
        }
        const std::array<jack_midi_data_t, 3> bytes = {
            midi::StatusOf(message), midi::Data1Of(message), midi::Data2Of(message)};
        std::copy_n(bytes.data(), length, event);
        slot.queue.Pop();
      }
    }
    self->cycles.fetch_add(1, std::memory_order_acq_rel);
    return 0;
  }

  jack_client_t* client;
  std::mutex apiMutex;
  bool active = false;
  std::atomic<bool> alive{true};
  std::atomic<std::uint64_t> cycles{0};
  std::array<Slot, kMaxPorts> slots;
};

// A note's use of one of the client's ports.
class JackMidiClient::Connection final : public MidiConnection {
 public:
  Connection(JackMidiClient& owner, std::shared_ptr<Session> session, std::size_t slot)
      : owner_(owner), session_(std::move(session)), slot_(slot) {}
  ~Connection() override { owner_.Release(session_, slot_, notes_.NoteOffs()); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Send(midi::PackedMessage message) override {
    if (!session_->Alive()) {
      return;
    }
    notes_.Observe(message);
    session_->slots[slot_].queue.Push(message);  // a full queue drops it, as a busy device would
  }
  bool Alive() const override { return session_->Alive(); }

 private:
  JackMidiClient& owner_;
  std::shared_ptr<Session> session_;
  std::size_t slot_;
  SoundingNotes notes_;
};

JackMidiClient::JackMidiClient(JackMidiClientOptions options)
    : options_(options), thread_([this] { Run(); }) {}

JackMidiClient::~JackMidiClient() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
  if (!session_ || !session_->Alive()) {
    return;
  }
  for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
    if (slots_[slot].use == SlotUse::Holding) {
      for (const auto off : slots_[slot].noteOffs) {
        session_->slots[slot].queue.Push(off);
      }
    }
    session_->WaitDrained(slot);
  }
}

void JackMidiClient::Run() {
  std::unique_lock lock(mutex_);
  auto nextAttempt = Clock::now();
  while (!stopping_) {
    auto now = Clock::now();
    if ((!session_ || !session_->Alive()) && now >= nextAttempt) {
      Reconnect(lock);
      now = Clock::now();
      nextAttempt = now + options_.retryInterval;
    }
    SendDueNoteOffs(now);
    auto wake = (session_ && session_->Alive()) ? now + kAlivePoll : nextAttempt;
    for (const auto& slot : slots_) {
      if (slot.use == SlotUse::Holding) {
        wake = std::min(wake, slot.deadline);
      }
    }
    changed_.wait_until(lock, wake);
  }
}

void JackMidiClient::Reconnect(std::unique_lock<std::mutex>& lock) {
  // Reaching a server takes tens of milliseconds, and longer when there is none: never under
  // the lock that listing and opening take.
  lock.unlock();
  auto session = Session::Open();
  lock.lock();
  if (session) {
    session_ = std::move(session);
    slots_.assign(kMaxPorts, SlotState{});
  }
  firstAttemptDone_ = true;
  changed_.notify_all();
}

void JackMidiClient::SendDueNoteOffs(Clock::time_point now) {
  if (!session_ || !session_->Alive()) {
    return;
  }
  for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
    auto& state = slots_[slot];
    if (state.use == SlotUse::Holding && now >= state.deadline) {
      // The same queue carries whatever the port's next user sends, so the order holds.
      for (const auto off : state.noteOffs) {
        session_->slots[slot].queue.Push(off);
      }
      state.noteOffs.clear();
      state.use = SlotUse::Free;
    }
  }
}

std::vector<JackMidiClient::Input> JackMidiClient::MidiInputs() {
  std::lock_guard lock(mutex_);
  if (session_ && session_->Alive()) {
    std::lock_guard api(session_->apiMutex);
    std::unique_ptr<const char*, JackPortsFree> ports(
        jack_get_ports(session_->client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput));
    knownInputs_.clear();
    for (const char** port = ports.get(); port != nullptr && *port != nullptr; ++port) {
      knownInputs_.emplace_back(*port);
    }
  }
  const bool available = session_ && session_->Alive();
  std::vector<Input> inputs;
  for (const auto& name : knownInputs_) {
    inputs.push_back({name, available});
  }
  return inputs;
}

std::unique_ptr<MidiConnection> JackMidiClient::Open(const std::string& target) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, kConnectWait, [this] { return firstAttemptDone_ || stopping_; });
  auto session = session_;
  if (!session || !session->Alive()) {
    return nullptr;
  }
  const auto connected = [&](std::size_t slot) {
    jack_port_t* port = session->slots[slot].port.load(std::memory_order_relaxed);
    return port != nullptr && session->ConnectedTo(port, target);
  };
  // A port still holding notes on this target sends their note-offs now and is lent to the new
  // note, so the note-offs precede its messages on the same queue.
  std::optional<std::size_t> chosen;
  for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
    auto& state = slots_[slot];
    if (state.use == SlotUse::Holding && state.target == target) {
      for (const auto off : state.noteOffs) {
        session->slots[slot].queue.Push(off);
      }
      state.noteOffs.clear();
      state.use = SlotUse::Free;
      if (!chosen && connected(slot)) {
        chosen = slot;
      }
    }
  }
  for (std::size_t slot = 0; slot < slots_.size() && !chosen; ++slot) {
    if (slots_[slot].use == SlotUse::Free && slots_[slot].target == target && connected(slot)) {
      chosen = slot;
    }
  }
  if (chosen) {
    return Lend(session, *chosen, target);
  }
  // Otherwise a free port, one without a port yet last, is connected to the target.
  for (std::size_t slot = 0; slot < slots_.size() && !chosen; ++slot) {
    if (slots_[slot].use == SlotUse::Free) {
      chosen = slot;
    }
  }
  if (!chosen) {
    return nullptr;
  }
  slots_[*chosen].use = SlotUse::InUse;
  slots_[*chosen].target = target;
  lock.unlock();
  const bool ok = ConnectSlot(session, *chosen, target);
  lock.lock();
  if (session != session_) {
    return nullptr;  // the server went away meanwhile; its slots are gone
  }
  if (!ok) {
    slots_[*chosen] = SlotState{};
    return nullptr;
  }
  return Lend(session, *chosen, target);
}

std::unique_ptr<MidiConnection> JackMidiClient::Lend(const std::shared_ptr<Session>& session,
                                                     std::size_t slot, const std::string& target) {
  auto& state = slots_[slot];
  state.use = SlotUse::InUse;
  state.target = target;
  state.serial = nextSerial_++;
  return std::make_unique<Connection>(*this, session, slot);
}

bool JackMidiClient::ConnectSlot(const std::shared_ptr<Session>& session, std::size_t slot,
                                 const std::string& target) {
  const auto deadline = Clock::now() + kConnectWait;
  auto& port = session->slots[slot].port;
  {
    // libjack does not guard a client's graph changes against each other.
    std::lock_guard api(session->apiMutex);
    if (port.load(std::memory_order_relaxed) == nullptr) {
      std::array<char, kPortNameBytes> name{};
      std::snprintf(name.data(), name.size(), "%s%zu", kPortPrefix, slot + 1);
      jack_port_t* registered = jack_port_register(session->client, name.data(),
                                                   JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
      if (registered == nullptr) {
        return false;
      }
      port.store(registered, std::memory_order_release);
    } else {
      jack_port_disconnect(session->client, port.load(std::memory_order_relaxed));
    }
  }
  jack_port_t* own = port.load(std::memory_order_relaxed);
  // A busy server can turn a connection request down, or take a while to show it in its graph:
  // the request is made again now and then until the connection shows or the wait runs out.
  auto nextRequest = Clock::now();
  std::uint64_t connectedAt = 0;
  bool connected = false;
  while (session->Alive() && Clock::now() < deadline) {
    if (!connected && session->ConnectedTo(own, target)) {
      connected = true;
      connectedAt = session->cycles.load(std::memory_order_acquire);
    }
    if (!connected && Clock::now() >= nextRequest) {
      std::lock_guard api(session->apiMutex);
      jack_connect(session->client, jack_port_name(own), target.c_str());
      nextRequest = Clock::now() + kConnectRetry;
    }
    if (connected &&
        session->cycles.load(std::memory_order_acquire) >= connectedAt + kCyclesAfterConnect) {
      return true;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return false;
}

void JackMidiClient::Release(const std::shared_ptr<Session>& session, std::size_t slot,
                             const std::vector<std::uint32_t>& noteOffs) {
  session->WaitDrained(slot);  // closing waits for the connection's last message
  std::unique_lock lock(mutex_);
  if (session != session_ || !session->Alive()) {
    return;
  }
  auto& state = slots_[slot];
  if (noteOffs.empty()) {
    state.use = SlotUse::Free;
    return;
  }
  const bool newerNote = std::any_of(slots_.begin(), slots_.end(), [&](const SlotState& other) {
    return other.use == SlotUse::InUse && other.target == state.target &&
           other.serial > state.serial;
  });
  if (newerNote) {
    for (const auto off : noteOffs) {
      session->slots[slot].queue.Push(off);
    }
    state.use = SlotUse::Free;
    lock.unlock();
    session->WaitDrained(slot);
    return;
  }
  state.use = SlotUse::Holding;
  state.noteOffs = noteOffs;
  state.deadline = Clock::now() + options_.ringLimit;
  changed_.notify_all();
}

}  // namespace morrowfane
