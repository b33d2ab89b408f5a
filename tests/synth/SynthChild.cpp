// The built-in synthesizer in a process of its own, played as the program plays it, for tests that
// stop and continue a process: `synth_child PROGRAM` prints "ready" once it can play PROGRAM, then
// reads lines from its standard input: a MIDI key strikes that key on a new connection (the one
// before closes), "close" closes the connection. It ends at the end of its input.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "audio/AudioOutput.h"
#include "model/Instruments.h"
#include "pitch/PitchCorrector.h"
#include "synth/BuiltInSynth.h"

int main(int argc, char* argv[]) {
  using namespace morrowfane;
  constexpr auto kLoadTimeout = std::chrono::seconds(30);
  const int program = argc > 1 ? std::stoi(argv[1]) : 0;
  BuiltInSynthOptions options;
  options.audioDrivers = DefaultAudioBackends();
  options.tuning = MakePitchCorrector;
  BuiltInSynth synth(std::move(options));
  synth.Prepare(program, KeysSounded(StringInstrument::Guitar6));
  if (!synth.WaitUntilReady(kLoadTimeout)) {
    std::printf("%s\n", synth.Name().c_str());
    return 1;
  }
  std::printf("ready %s\n", synth.AudioDriver().c_str());
  std::fflush(stdout);
  std::unique_ptr<MidiConnection> connection;
  std::string line;
  while (std::getline(std::cin, line)) {
    connection.reset();
    if (line == "close") {
      continue;
    }
    connection = synth.Open();
    if (connection) {
      connection->Send(midi::Pack(midi::kProgramChange, static_cast<std::uint8_t>(program)));
      connection->Send(midi::Pack(midi::kNoteOn, static_cast<std::uint8_t>(std::stoi(line)),
                                  midi::kStrikeVelocity));
    }
    std::printf("%s\n", connection ? "struck" : "silent");
    std::fflush(stdout);
  }
  return 0;
}
