#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "model/KeyRange.h"
#include "player/MidiMessage.h"

namespace morrowfane {

// Device ids as the platform numbers them: the default device, then external ports 0..N-1.
inline constexpr int kDefaultDeviceId = -1;

// Whether a device can play now, and if not, why. The user interface words it; a device's name
// never carries it.
enum class DeviceState {
  Ready,
  NoSoundFont,        // the built-in synthesizer found no SoundFont
  SoundFontUnusable,  // it found SoundFonts, but none that sounds
  NoAudioOutput,      // it has no audio output (the sound server is down)
  ServerAway,         // the JACK server of a listed port has gone
  NotConnected,       // a remembered port that is not there now
};

// How long the notes a closed connection left on may ring before they are released. A plucked or
// struck instrument has faded to a murmur by then, so a single strike still rings naturally; a
// sustaining one (organ, strings) would otherwise drone until the next note.
inline constexpr std::chrono::seconds kRingLimit{4};

// One open MIDI output. Destroying it closes the device.
class MidiConnection {
 public:
  virtual ~MidiConnection() = default;
  // Sends one channel message. Failures are the device's business and are not reported.
  virtual void Send(midi::PackedMessage message) = 0;
  // Tunes the connection's notes so that A4 sounds at `a4Hz`, if the device can do that itself
  // without MIDI messages; true if it did. Otherwise the caller tunes the channel by MIDI.
  virtual bool SetReferencePitch(double /*a4Hz*/) { return false; }
  // False once the device behind the connection has gone (its sound server died): nothing sent
  // is heard any more, and the note should end as if the device had never opened.
  virtual bool Alive() const { return true; }
};

// The set of MIDI outputs a note can be played on.
class MidiOutputs {
 public:
  virtual ~MidiOutputs() = default;
  // The number N of external devices right now; ids 0..N-1 are valid, and -1 always is.
  virtual int DeviceCount() = 0;
  // A well-formed name for any id, also one that names no device (then possibly empty).
  virtual std::string DeviceName(int deviceId) = 0;
  // Whether the device can play now. Never blocks.
  virtual DeviceState StateOf(int /*deviceId*/) { return DeviceState::Ready; }
  // Opens a device; nullptr when it cannot be opened.
  virtual std::unique_ptr<MidiConnection> Open(int deviceId) = 0;
  // A hint that notes with `program` on `keys` will soon be played on `deviceId`, so the device
  // can do any slow preparation in the background. Never blocks.
  virtual void Prepare(int /*deviceId*/, int /*program*/, KeyRange /*keys*/) {}
  // A note will be played on `deviceId` after a short pause: a device that let go of its audio
  // output while idle opens it again now, so the note is not late. Never blocks.
  virtual void Wake(int /*deviceId*/) {}
  // The id of the device listed under `name` right now, so a choice made from an earlier list
  // still opens the same device after the list has changed; nullopt when none is.
  virtual std::optional<int> DeviceIdByName(const std::string& name) {
    for (int id = kDefaultDeviceId; id < DeviceCount(); ++id) {
      if (DeviceName(id) == name) {
        return id;
      }
    }
    return std::nullopt;
  }
};

}  // namespace morrowfane
