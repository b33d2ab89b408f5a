#pragma once

#include <chrono>
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
// client's MIDI output ports (PortSlots decides which); a port stays connected to its target
// after the connection closes, so the next note on that target starts at once. While the server
// is away, connections drop what they are sent, as a device that has gone would.
//
// Closing a connection never blocks: it hands its port back, and the client's thread finishes the
// close once what the connection sent has gone out (bounded), before the port is lent again.
// Connections should be closed before the client is destroyed, or their notes left on get no
// note-off.
class JackMidiClient {
 public:
  explicit JackMidiClient(JackMidiClientOptions options = {});
  // Sends every pending note-off and waits (bounded) until it has gone out, then closes the
  // client.
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
  // client that is still opening, for closes still being finished and for a new port
  // connection to be made.
  std::unique_ptr<MidiConnection> Open(const std::string& target);

 private:
  class Connection;
  class SessionPorts;
  struct State;  // shared with the connections, so that closing one needs nothing else

  void Run();
  void Reconnect(std::unique_lock<std::mutex>& lock);
  // Takes back the ports of closed connections once what they sent has gone out, and settles
  // their note-offs; unlocks while it waits.
  void FinishCloses(std::unique_lock<std::mutex>& lock);

  const JackMidiClientOptions options_;
  const std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace morrowfane
