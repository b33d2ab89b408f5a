#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "player/MidiOutput.h"

class RtMidiOut;

namespace morrowfane {

// The external MIDI ports: the system's MIDI outputs through RtMidi (the ALSA sequencer on
// Linux), then the MIDI input ports of a running JACK server, so that a JACK-only system has its
// ports too. The list is asked afresh on every call. Without a sequencer or server there are no
// ports, and nothing is printed.
//
// Every connection has a MIDI client of its own, so workers may open, send to and close the same
// port at the same time; the sequencer or server merges their messages.
class ExternalMidiPorts {
 public:
  ExternalMidiPorts();
  ~ExternalMidiPorts();

  ExternalMidiPorts(const ExternalMidiPorts&) = delete;
  ExternalMidiPorts& operator=(const ExternalMidiPorts&) = delete;

  int Count();
  // The port's name, or empty when no port has that index.
  std::string Name(int index);
  // A connection to the port, or nullptr when it cannot be opened. A JACK port is returned only
  // once it is connected, so the first message reaches it.
  std::unique_ptr<MidiConnection> Open(int index);

 private:
  struct Port {
    bool jack = false;
    unsigned int systemIndex = 0;  // RtMidi's port number
    std::string name;
  };
  std::vector<Port> List();
  bool JackListerAlive();

  class JackLister;
  std::mutex mutex_;
  std::unique_ptr<RtMidiOut> systemLister_;
  std::unique_ptr<JackLister> jackLister_;
  std::chrono::steady_clock::time_point nextJackAttempt_;
  std::thread warmUp_;
};

}  // namespace morrowfane
