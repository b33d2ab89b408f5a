#pragma once

#include <cstdint>
#include <vector>

#include "player/MidiMessage.h"

namespace morrowfane {

// The notes a connection has left on, read from the messages it sent, so that they can be ended
// after the connection has closed. An external synthesizer never ends a sustained note by itself.
class SoundingNotes {
 public:
  static constexpr std::uint8_t kReleaseVelocity = 0x40;

  void Observe(midi::PackedMessage message) {
    const auto type = midi::TypeOf(message);
    if (type != midi::kNoteOn && type != midi::kNoteOff) {
      return;
    }
    const bool on = type == midi::kNoteOn && midi::Data2Of(message) != 0;
    const auto note =
        midi::Pack(static_cast<std::uint8_t>(midi::kNoteOff | midi::ChannelOf(message)),
                   midi::Data1Of(message), kReleaseVelocity);
    std::erase(offs_, note);
    if (on) {
      offs_.push_back(note);
    }
  }

  // One note-off for each note still on, in the order the notes began.
  const std::vector<midi::PackedMessage>& NoteOffs() const { return offs_; }

 private:
  std::vector<midi::PackedMessage> offs_;
};

}  // namespace morrowfane
