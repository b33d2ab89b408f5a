#pragma once

#include <jack/jack.h>
#include <jack/ringbuffer.h>
#include <semaphore.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "player/MidiMessage.h"

namespace morrowfane {

// One jack_client_t from its open until its server goes away: its MIDI output ports, the queue
// of messages on their way to each, and the process callback that writes them out.
//
// The session notices its server's shutdown and from then on never calls into that client again:
// jack_deactivate() or jack_client_close() on it would touch the server's freed memory.
class JackSession : public std::enable_shared_from_this<JackSession> {
 public:
  static constexpr std::size_t kMaxPorts = 16;

  // The one writer of a port's queue. The process callback is the queue's one reader, and
  // jack_ringbuffer_t allows one writer at a time; each queue has exactly one Writer, handed
  // out once by TakeWriters() and moved, never copied, between its users.
  class Writer {
   public:
    Writer(Writer&&) noexcept = default;
    Writer& operator=(Writer&&) noexcept = default;
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    ~Writer() = default;

    // False when the queue is full: the message is dropped, as a busy device would drop it.
    bool Push(midi::PackedMessage message);
    std::size_t Slot() const { return slot_; }
    JackSession& Session() const { return *session_; }

   private:
    friend class JackSession;
    Writer(std::shared_ptr<JackSession> session, std::size_t slot)
        : session_(std::move(session)), slot_(slot) {}

    std::shared_ptr<JackSession> session_;
    std::size_t slot_;
  };

  // A session with an active client, or nullptr when no server answers.
  static std::shared_ptr<JackSession> Open();
  JackSession();  // the queues, without a client yet
  ~JackSession();
  JackSession(const JackSession&) = delete;
  JackSession& operator=(const JackSession&) = delete;

  // The writers of the port queues, one per slot in slot order; only the first call has them.
  std::vector<Writer> TakeWriters();

  bool Alive() const { return alive_.load(); }
  // The names of the server's MIDI input ports.
  std::vector<std::string> MidiInputs();
  // Whether the slot has a port and it is connected to `target`.
  bool ConnectedTo(std::size_t slot, const std::string& target);
  // Connects the slot's port, registered on first use, to `target` alone, and waits (bounded)
  // until the server has run cycles with the connection, so that the next message reaches it.
  bool Connect(std::size_t slot, const std::string& target);
  // Waits (bounded) until the slot's queued messages have gone out, and the cycle that took
  // them ended. One thread at a time waits on a slot: the one that holds it.
  void WaitDrained(std::size_t slot);

 private:
  using Clock = std::chrono::steady_clock;

  // Wakes a waiting thread from the process callback: sem_post() neither locks nor allocates.
  class CycleSignal {
   public:
    CycleSignal() { sem_init(&semaphore_, 0, 0); }
    ~CycleSignal() { sem_destroy(&semaphore_); }
    CycleSignal(const CycleSignal&) = delete;
    CycleSignal& operator=(const CycleSignal&) = delete;

    void Post() { sem_post(&semaphore_); }
    bool TryTake() { return sem_trywait(&semaphore_) == 0; }
    // Returns when posted, at `deadline`, or on a signal; the caller looks again in any case.
    void WaitUntil(Clock::time_point deadline);

   private:
    sem_t semaphore_{};
  };
  struct QueueFree {
    void operator()(jack_ringbuffer_t* queue) const;
  };
  struct Port {
    // Process callback: writes what the queue holds into the port's buffer for this cycle, as
    // far as the buffer has room.
    void WriteQueued(void* buffer);

    std::atomic<jack_port_t*> port{nullptr};
    // Single producer, single consumer: read by the process callback only, written only through
    // the slot's one Writer.
    std::unique_ptr<jack_ringbuffer_t, QueueFree> queue;
    // Messages written to and read from the queue so far. They hand the messages over under
    // the C++ memory model (libjack orders its ring with barriers the compiler's tools cannot
    // see), and tell when the queue has drained.
    std::atomic<std::uint64_t> queued{0};
    std::atomic<std::uint64_t> sent{0};
    // Set by the slot's waiter; the process callback then wakes it once after its cycle.
    std::atomic<bool> waiting{false};
    CycleSignal cycleEnded;
  };

  jack_port_t* RegisteredPort(std::size_t slot);
  bool Drained(std::size_t slot) const;
  // Calls `done` once per cycle of the server until it returns true (then true), the server has
  // gone or `deadline` passed (then false). `done` may move `wakeBy` earlier than the next
  // cycle's end, to be called then too.
  template <typename Done>
  bool AwaitCycles(std::size_t slot, Clock::time_point deadline, Done done);
  void WakeWaiters();

  static int Process(jack_nframes_t frames, void* data);
  static void ServerGone(jack_status_t code, const char* reason, void* data);

  jack_client_t* client_ = nullptr;
  // libjack does not guard a client's graph changes against each other.
  std::mutex apiMutex_;
  bool active_ = false;
  bool writersTaken_ = false;
  std::atomic<bool> alive_{true};
  std::atomic<std::uint64_t> cycles_{0};
  std::array<Port, kMaxPorts> ports_;
};

}  // namespace morrowfane
