#pragma once

namespace morrowfane::testing {

// The General MIDI SoundFonts that scripts/setup installs, used by the audio tests and benchmarks.
inline constexpr char kFluidR3[] = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
inline constexpr char kTimGM6mb[] = "/usr/share/sounds/sf2/TimGM6mb.sf2";

}  // namespace morrowfane::testing
