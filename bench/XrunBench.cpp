// JACK xruns while the built-in synthesizer plays: a note loops on one connection while another
// connection changes program 50 times, each change reading new samples from the SoundFont. The
// audio thread must never wait for that. Counts the xruns a client of the JACK dummy server sees.

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "JackTestServer.h"
#include "SoundFonts.h"
#include "synth/BuiltInSynth.h"

namespace {

using namespace morrowfane;
using namespace std::chrono_literals;

constexpr int kServerRate = 48000;
constexpr int kServerPeriod = 256;
constexpr int kProgramChanges = 50;
constexpr int kLoopingProgram = 24;
constexpr int kLoopingKey = 45;
constexpr auto kStrikeEvery = 100ms;  // a string looping at rate 20 in its fastest form
constexpr auto kSettle = 500ms;

int CountXrun(void* count) {
  static_cast<std::atomic<int>*>(count)->fetch_add(1);
  return 0;
}

}  // namespace

int main() {
  if (!testing::ProgramOnPath("jackd")) {
    std::printf("skipped: jackd is not installed\n");
    return 0;
  }
  testing::JackTestServer server(kServerRate, kServerPeriod);
  if (!server.Running()) {
    std::printf("skipped: the JACK dummy server did not start\n");
    return 0;
  }
  std::atomic<int> xruns{0};
  jack_status_t status{};
  jack_client_t* watcher = jack_client_open("mf-xrun-watch", JackNoStartServer, &status);
  if (watcher == nullptr || jack_set_xrun_callback(watcher, &CountXrun, &xruns) != 0 ||
      jack_activate(watcher) != 0) {
    std::printf("skipped: no JACK client\n");
    return 0;
  }

  BuiltInSynthOptions options;
  options.soundFonts = std::vector<std::string>{testing::kFluidR3};
  options.audioDrivers = {"jack"};
  int changes = 0;
  std::chrono::duration<double, std::milli> longest{0};
  {
    BuiltInSynth synth(options);
    if (!synth.WaitUntilReady(30s)) {
      std::printf("skipped: %s\n", synth.Name().c_str());
      return 0;
    }
    std::atomic<bool> done{false};
    std::thread loop([&synth, &done] {
      auto connection = synth.Open();
      connection->Send(midi::Pack(midi::kProgramChange, kLoopingProgram));
      while (!done.load()) {
        connection->Send(midi::Pack(midi::kNoteOn, kLoopingKey, midi::kStrikeVelocity));
        std::this_thread::sleep_for(kStrikeEvery);
      }
    });
    std::this_thread::sleep_for(kSettle);
    xruns.store(0);
    auto other = synth.Open();
    for (int program = 0; program < midi::kProgramCount && changes < kProgramChanges; ++program) {
      if (program == kLoopingProgram) {
        continue;
      }
      const auto start = std::chrono::steady_clock::now();
      other->Send(midi::Pack(midi::kProgramChange, static_cast<std::uint8_t>(program)));
      longest = std::max(longest, std::chrono::duration<double, std::milli>(
                                      std::chrono::steady_clock::now() - start));
      ++changes;
    }
    std::this_thread::sleep_for(kSettle);
    done.store(true);
    loop.join();
  }
  jack_deactivate(watcher);
  jack_client_close(watcher);
  std::printf("xruns while a note loops and %d program changes load new samples: %d (target 0)\n",
              changes, xruns.load());
  std::printf("longest program change (samples read on the caller's thread): %.1f ms\n",
              longest.count());
  return 0;
}
