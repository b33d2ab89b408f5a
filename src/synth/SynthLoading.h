#pragma once

#include <fluidsynth.h>

#include <optional>
#include <string>
#include <vector>

namespace morrowfane {

// The SoundFonts the built-in synthesizer looks for, in order: the system's General MIDI
// SoundFonts, FluidSynth's configured default, then one installed beside the program.
std::vector<std::string> DefaultSoundFontCandidates();

// Settings of the built-in synthesizer that do not depend on its audio output.
void ConfigureForPlaying(fluid_settings_t* settings, int channels, int polyphony);

// Loads the first of `candidates` that is a SoundFont, selecting no preset on any channel; its
// path, or nothing if none loads.
std::optional<std::string> LoadFirstSoundFont(fluid_synth_t* synth,
                                              const std::vector<std::string>& candidates);

}  // namespace morrowfane
