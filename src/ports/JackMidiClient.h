#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "player/MidiOutput.h"

namespace morrowfane {

struct JackMidiClientOptions {
  // How long a note left on by a closed connection may sound before it gets its note-off; the
  // next note on the same port ends it sooner.
  std::chrono::milliseconds ringLimit{kRingLimit};
  // Pause between attempts to reach a server that is not there (or has gone away).
  std::chrono::milliseconds retryInterval{1000};
};

// One JACK client for the whole run, opened in the background and opened again, in the
// background, after its server went away and came back. A connection borrows one of the
// client's MIDI output ports; a port stays connected to its target after the connection closes,
// so the next note on that target starts at once.
//
// The client notices its server's shutdown and from then on never calls into that client again:
// jack_deactivate() or jack_client_close() on it would touch the server's freed memory. Its
// connections then drop what they are sent, as a device that has gone would.
//
// Connections must be closed before the client is destroyed.
class JackMidiClient {
 public:
  explicit JackMidiClient(JackMidiClientOptions options = {});
  // Sends every pending note-off and waits until it has gone out, then closes the client.
  ~JackMidiClient();

  JackMidiClient(const JackMidiClient&) = delete;
  JackMidiClient& operator=(const JackMidiClient&) = delete;

  struct Input {
    std::string name;
    bool available = true;  // false: listed from before the server went away
  };
  // The server's MIDI input ports. While the server is away, the ones it had, unavailable.
  // Never blocks on a server that is not there.
  std::vector<Input> MidiInputs();

  // A connection to `target` whose first message reaches it, or nullptr. Waits (bounded) for a
  // client that is still opening and for a new port connection to be made.
  std::unique_ptr<MidiConnection> Open(const std::string& target);

 private:
  struct Session;
  class Connection;
  enum class SlotUse { Free, InUse, Holding };
  struct SlotState {
    SlotUse use = SlotUse::Free;
    std::string target;
    std::uint64_t serial = 0;  // order of the connections' opens
    std::vector<std::uint32_t> noteOffs;
    std::chrono::steady_clock::time_point deadline;
  };

  void Run();
  void Reconnect(std::unique_lock<std::mutex>& lock);
  void SendDueNoteOffs(std::chrono::steady_clock::time_point now);
  void Release(const std::shared_ptr<Session>& session, std::size_t slot,
               const std::vector<std::uint32_t>& noteOffs);
  bool ConnectSlot(const std::shared_ptr<Session>& session, std::size_t slot,
                   const std::string& target);
  std::unique_ptr<MidiConnection> Lend(const std::shared_ptr<Session>& session, std::size_t slot,
                                       const std::string& target);

  const JackMidiClientOptions options_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::shared_ptr<Session> session_;
  std::vector<SlotState> slots_;
  std::vector<std::string> knownInputs_;
  bool firstAttemptDone_ = false;
  bool stopping_ = false;
  std::uint64_t nextSerial_ = 1;
  std::thread thread_;
};

}  // namespace morrowfane
