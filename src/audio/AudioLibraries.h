#pragma once

namespace morrowfane {

// Turns off the console output of FluidSynth, JACK and ALSA, which report every missing server or
// sound card on stderr. The program reports device trouble through its device names instead.
// Safe to call any number of times from any thread.
void SilenceAudioLibraries();

// The sample rate of the running JACK server (the default one, or $JACK_DEFAULT_SERVER), or 0
// when none runs. Never starts a server.
double JackServerSampleRate();

}  // namespace morrowfane
