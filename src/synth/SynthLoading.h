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

// The paths of `candidates` that name regular files, in order.
std::vector<std::string> RegularFiles(const std::vector<std::string>& candidates);

// Loads the SoundFont at `path`, selecting no preset on any channel; its id, or nothing if the file
// is no SoundFont.
std::optional<int> LoadSoundFont(fluid_synth_t* synth, const std::string& path);

// True if a note of the program on `channel` (program 0 where none is selected) renders more than
// silence. A SoundFont whose sample data is cut short loads, but none of its notes sounds.
bool ChannelSounds(fluid_synth_t* synth, int channel);

}  // namespace morrowfane
