#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace morrowfane {

// One block of stereo output: frame i goes to left[i * stride] and right[i * stride].
struct StereoBlock {
  float* left = nullptr;
  float* right = nullptr;
  int stride = 1;
  int frames = 0;
};

// What an audio output plays: called on the output's audio thread, so it must neither lock what
// other threads hold across slow work nor allocate.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  // Overwrites the block with the next frames.
  virtual void RenderAudio(const StereoBlock& block) noexcept = 0;
};

// Called on the sound system's own thread when it says that the output's device or server has
// gone. Must return at once.
using OutputLostHandler = std::function<void()>;

// A running audio output, rendering from its source at a fixed sample rate. Destroying it stops
// the rendering; an output whose server has gone is abandoned instead where closing it would touch
// the dead server (a JACK client).
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;

  // Which sound system plays it, for example "jack" or "sdl/pulseaudio".
  virtual std::string Backend() const = 0;
  // Lets go of the desktop's playback stream while nothing sounds. Outputs that the user routes
  // by hand (a JACK client) stay.
  virtual void Suspend() = 0;
  // Plays again after Suspend(); false if the stream cannot be opened (the server has gone).
  virtual bool Resume() = 0;
  // True once the sound system has said that the device or server has gone. A late callback
  // never counts: a busy or suspended machine makes callbacks late while the server is fine.
  virtual bool Lost() const = 0;
};

// The audio backends, in the order they are tried: "jack" (when a JACK server answers at the
// rate), "sdl" (PipeWire, PulseAudio, ALSA, in SDL's order), then FluidSynth's own drivers by
// their names ("pulseaudio", "alsa"), for where SDL cannot open a device.
std::vector<std::string> DefaultAudioBackends();

// The sample rate a synthesizer for `backends` should run at: the JACK server's when JACK comes
// first and a server answers, which it cannot change; otherwise `preferred`, which the others
// take or convert to.
double OutputSampleRate(const std::vector<std::string>& backends, double preferred);

// Opens the first of `backends` that plays `source` at `sampleRate`; nullptr if none does.
// `source` must outlive the output.
std::unique_ptr<AudioOutput> OpenAudioOutput(const std::vector<std::string>& backends,
                                             double sampleRate, AudioSource& source,
                                             OutputLostHandler lost);

}  // namespace morrowfane
