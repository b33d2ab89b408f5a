#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "player/MidiOutput.h"
#include "ports/JackMidiClient.h"

class RtMidiOut;

namespace morrowfane {

// The external MIDI ports: the system's MIDI outputs through RtMidi (the ALSA sequencer on
// Linux), then the MIDI input ports of a running JACK server, so that a JACK-only system has its
// ports too. The list is asked afresh on every call. Without a sequencer or server there are no
// ports, and nothing is printed. While a JACK server that was there is away, its ports stay listed
// in the state ServerAway and cannot be opened; they come back when the server does.
//
// Workers may open, send to and close the same port at the same time; each connection has an
// ALSA client or a JACK port of its own, and the sequencer or server merges their messages.
class ExternalMidiPorts {
 public:
  // What an earlier version added to the name of a port whose server was away; settings files
  // it wrote may hold such a name.
  static constexpr char kServerAwaySuffix[] = " (JACK server not running)";

  explicit ExternalMidiPorts(JackMidiClientOptions jackOptions = {});
  ~ExternalMidiPorts();

  ExternalMidiPorts(const ExternalMidiPorts&) = delete;
  ExternalMidiPorts& operator=(const ExternalMidiPorts&) = delete;

  int Count();
  // The port's name, or empty when no port has that index.
  std::string Name(int index);
  // Ready, ServerAway, or NotConnected when no port has that index.
  DeviceState StateOf(int index);
  // The index of the port listed under `name` (also with kServerAwaySuffix).
  std::optional<int> IndexOf(const std::string& name);
  // A connection to the port, or nullptr when it cannot be opened. A JACK port is returned only
  // once it is connected, so the first message reaches it.
  std::unique_ptr<MidiConnection> Open(int index);

 private:
  struct Port {
    bool jack = false;
    unsigned int systemIndex = 0;  // RtMidi's port number
    std::string name;
    bool available = true;
  };
  std::vector<Port> List();

  std::mutex mutex_;
  std::unique_ptr<RtMidiOut> systemLister_;
  JackMidiClient jack_;
};

}  // namespace morrowfane
