#include "ports/JackMidiClient.h"

#include <algorithm>
#include <condition_variable>
#include <optional>

#include "ports/JackSession.h"
#include "ports/PortSlots.h"
#include "ports/SoundingNotes.h"

namespace morrowfane {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// How long Open() waits for the first attempt to reach a server, and then for the closes still
// being finished.
constexpr milliseconds kOpenWait{3000};
// How soon a server's shutdown is noticed; its callback may not take locks, so it is polled.
constexpr milliseconds kAlivePoll{250};

}  // namespace

struct JackMidiClient::State {
  // A closed connection's port, with the note-offs it owes, on its way back to the slots.
  struct Returned {
    JackSession::Writer writer;
    std::vector<midi::PackedMessage> noteOffs;
  };

  explicit State(milliseconds ringLimit) : slots(JackSession::kMaxPorts, ringLimit) {}

  bool SessionAlive() const { return session && session->Alive(); }

  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Returned> returned;
  std::size_t unfinished = 0;  // closes not yet settled in the slots
  std::shared_ptr<JackSession> session;
  // The session's queue writers, each here while its slot is not lent to a connection.
  std::vector<std::optional<JackSession::Writer>> writers;
  PortSlots slots;
  std::vector<std::string> knownInputs;
  bool firstAttemptDone = false;
  bool stopping = false;
};

// The current session's ports, as the slot policy sees them.
class JackMidiClient::SessionPorts final : public SlotPorts {
 public:
  explicit SessionPorts(State& state) : state_(state) {}

  void Queue(std::size_t slot, midi::PackedMessage message) override {
    state_.writers[slot]->Push(message);
  }
  bool ConnectedTo(std::size_t slot, const std::string& target) override {
    return state_.session->ConnectedTo(slot, target);
  }

 private:
  State& state_;
};

// A note's use of one of the client's ports. It writes the port's queue itself; closing hands
// the queue back and never waits.
class JackMidiClient::Connection final : public MidiConnection {
 public:
  Connection(std::shared_ptr<State> state, JackSession::Writer writer)
      : state_(std::move(state)), writer_(std::move(writer)) {}
  ~Connection() override {
    {
      std::lock_guard lock(state_->mutex);
      state_->returned.push_back({std::move(writer_), notes_.NoteOffs()});
      ++state_->unfinished;
    }
    state_->changed.notify_all();
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Send(midi::PackedMessage message) override {
    if (!writer_.Session().Alive()) {
      return;
    }
    notes_.Observe(message);
    writer_.Push(message);  // a full queue drops it, as a busy device would
  }
  bool Alive() const override { return writer_.Session().Alive(); }

 private:
  std::shared_ptr<State> state_;
  JackSession::Writer writer_;
  SoundingNotes notes_;
};

JackMidiClient::JackMidiClient(JackMidiClientOptions options)
    : options_(options),
      state_(std::make_shared<State>(options.ringLimit)),
      thread_([this] { Run(); }) {}

JackMidiClient::~JackMidiClient() {
  auto& state = *state_;
  {
    std::lock_guard lock(state.mutex);
    state.stopping = true;
  }
  state.changed.notify_all();
  thread_.join();
  std::unique_lock lock(state.mutex);
  FinishCloses(lock);
  if (!state.SessionAlive()) {
    return;
  }
  SessionPorts ports(state);
  state.slots.FlushAll(ports);
  const auto session = state.session;
  lock.unlock();
  for (std::size_t slot = 0; slot < JackSession::kMaxPorts; ++slot) {
    session->WaitDrained(slot);
  }
}

void JackMidiClient::Run() {
  auto& state = *state_;
  std::unique_lock lock(state.mutex);
  auto nextAttempt = Clock::now();
  while (!state.stopping) {
    FinishCloses(lock);
    auto now = Clock::now();
    if (!state.SessionAlive() && now >= nextAttempt) {
      Reconnect(lock);
      now = Clock::now();
      nextAttempt = now + options_.retryInterval;
    }
    auto wake = nextAttempt;
    if (state.SessionAlive()) {
      SessionPorts ports(state);
      state.slots.FlushDue(now, ports);
      wake = now + kAlivePoll;
      if (const auto due = state.slots.NextDeadline()) {
        wake = std::min(wake, *due);
      }
    }
    state.changed.wait_until(lock, wake, [&] { return state.stopping || !state.returned.empty(); });
  }
}

void JackMidiClient::Reconnect(std::unique_lock<std::mutex>& lock) {
  auto& state = *state_;
  // Reaching a server takes tens of milliseconds, and longer when there is none: never under
  // the lock that listing and opening take.
  lock.unlock();
  auto session = JackSession::Open();
  lock.lock();
  if (session) {
    state.writers.clear();
    for (auto& writer : session->TakeWriters()) {
      state.writers.emplace_back(std::move(writer));
    }
    state.session = std::move(session);
    state.slots.Reset();
  }
  state.firstAttemptDone = true;
  state.changed.notify_all();
}

void JackMidiClient::FinishCloses(std::unique_lock<std::mutex>& lock) {
  auto& state = *state_;
  while (!state.returned.empty()) {
    auto port = std::move(state.returned.front());
    state.returned.erase(state.returned.begin());
    const std::size_t slot = port.writer.Slot();
    lock.unlock();
    port.writer.Session().WaitDrained(slot);  // the connection's last message goes out first
    lock.lock();
    if (&port.writer.Session() == state.session.get() && state.SessionAlive()) {
      state.writers[slot] = std::move(port.writer);
      SessionPorts ports(state);
      state.slots.Close(slot, std::move(port.noteOffs), Clock::now(), ports);
    }
    --state.unfinished;
    state.changed.notify_all();
  }
}

std::vector<JackMidiClient::Input> JackMidiClient::MidiInputs() {
  auto& state = *state_;
  std::unique_lock lock(state.mutex);
  const auto session = state.session;
  if (session && session->Alive()) {
    // Asking the server is a round trip: not under the lock connections close under.
    lock.unlock();
    auto names = session->MidiInputs();
    lock.lock();
    if (session == state.session) {
      state.knownInputs = std::move(names);
    }
  }
  const bool available = state.SessionAlive();
  std::vector<Input> inputs;
  for (const auto& name : state.knownInputs) {
    inputs.push_back({name, available});
  }
  return inputs;
}

std::unique_ptr<MidiConnection> JackMidiClient::Open(const std::string& target) {
  auto& state = *state_;
  std::unique_lock lock(state.mutex);
  state.changed.wait_for(lock, kOpenWait, [&] { return state.firstAttemptDone || state.stopping; });
  if (!state.SessionAlive()) {
    return nullptr;
  }
  // A connection closed before this open is back in its slot, as if its close had waited.
  state.changed.wait_for(lock, kOpenWait, [&] { return state.unfinished == 0 || state.stopping; });
  const auto session = state.session;
  if (!state.SessionAlive()) {
    return nullptr;
  }
  SessionPorts ports(state);
  const auto choice = state.slots.Choose(target, ports);
  if (!choice) {
    return nullptr;
  }
  if (choice->connect) {
    lock.unlock();
    const bool connected = session->Connect(choice->slot, target);
    lock.lock();
    if (session != state.session) {
      return nullptr;  // the server went away meanwhile; its slots are gone
    }
    if (!connected) {
      state.slots.Free(choice->slot);
      return nullptr;
    }
  }
  state.slots.Lend(choice->slot);
  auto& writer = state.writers[choice->slot];
  auto connection = std::make_unique<Connection>(state_, std::move(*writer));
  writer.reset();
  return connection;
}

}  // namespace morrowfane
