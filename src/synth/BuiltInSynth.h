#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/MidiOutput.h"
#include "synth/KeyTuning.h"
#include "synth/ReleasePolicy.h"
#include "synth/SynthLoading.h"

namespace morrowfane {

// How long an Open() made while the SoundFont is still loading waits for it. Open() runs on a
// note's worker, never on the user-interface thread, so the wait delays that one note at most.
inline constexpr std::chrono::seconds kLoadWait{10};

struct BuiltInSynthOptions {
  // SoundFonts to try, in order; the first that loads is used. Unset: the default candidates,
  // worked out on the loading thread.
  std::optional<std::vector<std::string>> soundFonts;
  // Audio backends to try, in order (see OpenAudioOutput); the first that opens is kept. Empty: no
  // audio output, the caller renders the audio with Render() at `sampleRate`.
  std::vector<std::string> audioDrivers;
  double sampleRate = 48000.0;
  // Called on the loading thread once the SoundFont is loaded, before the synthesizer is ready,
  // so it must return quickly and do its work in the background.
  KeyTuningFactory tuning;
  // How long an Open() made during loading waits for it before it fails.
  std::chrono::milliseconds loadWait = kLoadWait;
};

// The built-in synthesizer: the default MIDI device. The SoundFont is loaded on a thread of the
// object's own, started by the constructor, so constructing it is fast.
//
// Every Open() is an independent connection with a synth channel of its own, freshly reset; its
// channel-1 messages go there. A connection sounds one string: each note-on damps the
// connection's earlier notes within 0.12 s, as plucking a string again does. After a connection
// closes its notes ring on until a note starts on another connection or kRingLimit of rendered
// audio has passed, then they are released. Connections must not outlive the synthesizer.
//
// The audio output is opened once the synthesizer has loaded and measured the program wanted
// first. Once nothing has sounded for kRingLimit and no connection is open, the synthesizer is
// idle: it lets go of the desktop's audio stream until the next Wake() or Open(). When the sound
// system says the output has gone, State() says so and Open() fails; a thread of the synthesizer's
// own tries the backends again, in the same order, at most once a second, and the next Open() after
// one opens plays again.
class BuiltInSynth {
 public:
  explicit BuiltInSynth(BuiltInSynthOptions options);
  ~BuiltInSynth();

  BuiltInSynth(const BuiltInSynth&) = delete;
  BuiltInSynth& operator=(const BuiltInSynth&) = delete;

  // "Built-in synthesizer", whatever its state.
  std::string Name() const;
  // Ready while loading, idle or playing; otherwise why it cannot play. Never blocks.
  DeviceState State() const;
  // A connection, or nullptr when the synthesizer cannot play (no SoundFont, no audio output,
  // loading took longer than the load wait) or all its channels are held by open connections.
  // The connection's SetReferencePitch() moves every key of its channel, on top of the key's
  // pitch correction.
  std::unique_ptr<MidiConnection> Open();
  // Asks the pitch correction to work out `keys` of `program` in the background. Never blocks.
  void Prepare(int program, KeyRange keys);
  // A note comes after a short pause: an audio output let go while idle opens again now, so the
  // note is not late. Never blocks.
  void Wake();

  // Waits until loading has ended; true if the synthesizer can play.
  bool WaitUntilReady(std::chrono::milliseconds timeout);
  std::string SoundFontPath() const;
  // The output sample rate, once loading has ended.
  double SampleRate() const;
  // The audio backend in use ("jack", "sdl/pulseaudio", ...); empty when the caller renders or
  // while no output plays.
  std::string AudioDriver() const;

  // Without an audio driver: renders the next `frames` stereo frames, adding nothing but the
  // synthesizer's output (the buffers are overwritten).
  void Render(float* left, float* right, int frames);

  // The synth channel a connection from Open() plays on.
  static int ChannelOf(const MidiConnection& connection);

  struct SelectedProgram {
    int channel = 0;
    int bank = 0;
    int program = 0;
    friend bool operator==(const SelectedProgram&, const SelectedProgram&) = default;
  };
  // The channels that have a program selected, in channel order. The samples of exactly these
  // programs are held in memory. Empty until loading has ended.
  std::vector<SelectedProgram> SelectedPrograms() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace morrowfane
