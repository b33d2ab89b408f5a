#pragma once

#include <fluidsynth.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "synth/FluidInstance.h"
#include "synth/KeyTuning.h"

namespace morrowfane {

// Key tunings on a FluidSynth synthesizer, applied the one way every corrected note sounds them:
// the built-in synthesizer's notes, the renders that measure a program and the pitch report's.
//
// FluidSynth truncates a voice's pitch to whole cents before it turns it into a frequency, so a
// steady pitch can only sit on whole-cent steps. A channel that plays a key tuning therefore adds
// half a cent of vibrato each way (the voice's own vibrato oscillator, a triangle of about 8 Hz),
// and every key is tuned half a cent higher: the truncated pitch then spends on each of the two
// whole-cent steps around the wanted pitch the share of the time that makes their mean exactly
// that pitch. A key wanted on a whole cent stays on it. Before a program's vibrato delay ends the
// pitch is the nearest step; programs with a vibrato of their own keep it, half a cent deeper.
// The pitch correction measures each key through these same calls, so a FluidSynth that resolved
// pitch finely would see the half cent in its measurements and take it back out.

// Installs `pitches` as the synthesizer's tuning `tuning`, replacing an earlier one.
void InstallKeyTuning(fluid_synth_t* synth, int tuning, const std::string& name,
                      const KeyPitches& pitches);
// Makes `channel` play its next notes with the installed tuning `tuning`.
void PlayWithKeyTuning(fluid_synth_t* synth, int channel, int tuning);
// Makes `channel` play its next notes at the SoundFont's own pitches.
void PlayWithSoundFontTuning(fluid_synth_t* synth, int channel);

// Renders notes on a channel of a synthesizer, whose key tuning of the channel's number it uses:
// on channel 0 of a synthesizer of its own (see MakeNoteRenderer), or on a channel that the
// built-in synthesizer, with its SoundFont loaded, lends it. A lent channel is given back at the
// SoundFont's own pitches, with the last program selected, and so its samples, still loaded.
class FluidNoteRenderer final : public NoteRenderer {
 public:
  FluidNoteRenderer(const std::string& soundFontPath, double sampleRate);
  // Renders on `synth`, which must outlive the renderer and which nothing else may use meanwhile.
  FluidNoteRenderer(fluid_synth_t* synth, int channel, double sampleRate);
  ~FluidNoteRenderer() override;

  FluidNoteRenderer(const FluidNoteRenderer&) = delete;
  FluidNoteRenderer& operator=(const FluidNoteRenderer&) = delete;

  bool Loaded() const override { return loaded_; }
  double SampleRate() const override { return sampleRate_; }
  bool Select(int program, const KeyPitches& tuning) override;
  void Render(int key, std::span<float> frames) override;

 private:
  std::unique_ptr<FluidInstance> own_;  // null on a lent channel
  fluid_synth_t* synth_ = nullptr;
  int channel_ = 0;
  double sampleRate_;
  bool loaded_ = false;
  bool selected_ = false;
  std::vector<float> left_;
  std::vector<float> right_;
};

}  // namespace morrowfane
