// Cost of the pitch correction and of a looping note. Prints one line per figure, each the
// median of several runs.
//
// 1. CPU time of one thread to correct one program as the idle corrector does it (load the
//    SoundFont, render and measure keys 27..64, release it), and per program when three are
//    pending at once; then the corrector's resident memory before, during and after its work.
// 2. CPU use of the whole process while the tone player loops a note through the built-in
//    synthesizer at Rate 20 and Rate 300, and with the synthesizer idle. The synthesizer plays
//    into a JACK server with the dummy backend (real-time paced, no sound card), so the figure
//    includes rendering the audio, as on a desktop; jackd itself is another process and is not
//    counted. Process CPU time over a few seconds of wall time, as a percentage of one core.
//    Skipped without jackd. For comparison, the tone player alone with a device that discards
//    the messages. With the argument --loop, only this part runs.

#include <time.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "JackTestServer.h"
#include "Median.h"
#include "SoundFonts.h"
#include "model/Instruments.h"
#include "pitch/PitchCorrector.h"
#include "pitch/TuningMeter.h"
#include "player/TonePlayer.h"
#include "synth/BuiltInSynth.h"

namespace {

using morrowfane::testing::Median;
using namespace morrowfane;

using morrowfane::testing::kFluidR3;
using morrowfane::testing::kTimGM6mb;
constexpr double kRate = 48000.0;
constexpr int kCorrectionRuns = 5;
constexpr int kLoopRuns = 3;
constexpr int kServerRate = 48000;
constexpr int kServerPeriod = 256;
constexpr std::chrono::seconds kLoadTimeout{60};
constexpr std::chrono::seconds kSettle{2};
constexpr std::chrono::seconds kMeasured{5};
constexpr int kNylonGuitar = 24;
// The keys the six-string guitar's tunings sound: what the program corrects by default.
const KeyRange kGuitarKeys = KeysSounded(StringInstrument::Guitar6);
constexpr std::array<int, 3> kTimedPrograms = {0, 24, 25};

// As the corrector does once it is idle.
void ReleaseToSystem() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

double CpuMilliseconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// What the corrector's worker does for one request while idle: load the SoundFont, correct the
// program, release the SoundFont; and for three requests pending at once, which share one load.
void CorrectionTime() {
  for (const char* soundFont : {kFluidR3, kTimGM6mb}) {
    const std::string name = std::string(soundFont).substr(std::string(soundFont).rfind('/') + 1);
    bool loaded = true;
    for (const int program : kTimedPrograms) {
      std::vector<double> times;
      for (int run = 0; run < kCorrectionRuns; ++run) {
        const double start = CpuMilliseconds(CLOCK_THREAD_CPUTIME_ID);
        {
          TuningMeter meter(soundFont, MeasuringRate(kRate));
          loaded = meter.Loaded() && loaded;
          meter.Correct(program, kGuitarKeys);
        }
        ReleaseToSystem();
        times.push_back(CpuMilliseconds(CLOCK_THREAD_CPUTIME_ID) - start);
      }
      std::printf("load, correct program %3d, release, %-16s %7.1f ms CPU\n", program, name.c_str(),
                  Median(times));
    }
    std::vector<double> times;
    for (int run = 0; run < kCorrectionRuns; ++run) {
      const double start = CpuMilliseconds(CLOCK_THREAD_CPUTIME_ID);
      {
        TuningMeter meter(soundFont, MeasuringRate(kRate));
        for (const int program : kTimedPrograms) {
          meter.Correct(program, kGuitarKeys);
        }
      }
      ReleaseToSystem();
      times.push_back((CpuMilliseconds(CLOCK_THREAD_CPUTIME_ID) - start) / kTimedPrograms.size());
    }
    std::printf("%zu programs pending at once, %-16s %7.1f ms CPU per program\n",
                kTimedPrograms.size(), name.c_str(), Median(times));
    if (!loaded) {
      std::printf("cannot load %s\n", soundFont);
    }
  }
}

// Resident memory of the process, in megabytes.
double ResidentMegabytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// The corrector's memory: before any request, while it works, and once it is idle again.
void CorrectorMemory() {
  for (const char* soundFont : {kFluidR3, kTimGM6mb}) {
    const std::string name = std::string(soundFont).substr(std::string(soundFont).rfind('/') + 1);
    const double before = ResidentMegabytes();
    PitchCorrector corrector(soundFont, kRate);
    double peak = before;
    for (const int program : kTimedPrograms) {
      corrector.Request(program, kGuitarKeys);
    }
    while (!corrector.WaitUntilIdle(std::chrono::milliseconds(5))) {
      peak = std::max(peak, ResidentMegabytes());
    }
    std::printf(
        "corrector %-16s resident %6.1f MB before, %6.1f MB at most while working, "
        "%6.1f MB idle\n",
        name.c_str(), before, peak, ResidentMegabytes());
  }
}

// The default device only: the built-in synthesizer.
class SynthOutputs final : public MidiOutputs {
 public:
  explicit SynthOutputs(BuiltInSynth& synth) : synth_(synth) {}
  int DeviceCount() override { return 0; }
  std::string DeviceName(int) override { return synth_.Name(); }
  std::unique_ptr<MidiConnection> Open(int deviceId) override {
    return deviceId == kDefaultDeviceId ? synth_.Open() : nullptr;
  }
  void Prepare(int deviceId, int program, KeyRange keys) override {
    if (deviceId == kDefaultDeviceId) {
      synth_.Prepare(program, keys);
    }
  }

 private:
  BuiltInSynth& synth_;
};

// A device that takes every message and does nothing with it: what the tone player alone costs.
class SilentOutputs final : public MidiOutputs {
 public:
  int DeviceCount() override { return 0; }
  std::string DeviceName(int) override { return "silent"; }
  std::unique_ptr<MidiConnection> Open(int) override { return std::make_unique<Silent>(); }

 private:
  struct Silent final : MidiConnection {
    void Send(midi::PackedMessage) override {}
  };
};

// Percentage of one core that the process uses over kMeasured of wall time.
double ProcessLoad() {
  const double cpuStart = CpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID);
  const auto wallStart = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(kMeasured);
  const double cpu = CpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart;
  const double wall =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart)
          .count();
  return 100.0 * cpu / wall;
}

// Median CPU use of the process while the nylon guitar's E2 loops at `rate` on `outputs`,
// measured `settle` after the strike.
double MedianLoopLoad(MidiOutputs& outputs, int rate, std::chrono::seconds settle) {
  SystemSleeper sleeper;
  std::vector<double> loads;
  for (int run = 0; run < kLoopRuns; ++run) {
    TonePlayer player(outputs, sleeper);
    player.ApplySettings(
        {.DeviceIndex = 0, .Instrument = kNylonGuitar, .Loop = true, .Rate = rate});
    player.Play(1);
    std::this_thread::sleep_for(settle);
    loads.push_back(ProcessLoad());
    player.StopAll();
    player.WaitIdle();
  }
  return Median(loads);
}

void PlayerLoad() {
  SilentOutputs outputs;
  for (const int rate : {20, 300}) {
    std::printf("tone player alone looping at Rate %-3d          %6.2f %% of one core\n", rate,
                MedianLoopLoad(outputs, rate, std::chrono::seconds(0)));
  }
}

void LoopLoad() {
  if (!testing::ProgramOnPath("jackd")) {
    std::printf("looping note CPU use: skipped, jackd is not installed\n");
    return;
  }
  testing::JackTestServer server(kServerRate, kServerPeriod);
  if (!server.Running()) {
    std::printf("looping note CPU use: skipped, jackd did not start\n");
    return;
  }
  BuiltInSynthOptions options;
  options.soundFonts = {kFluidR3};
  options.audioDrivers = {"jack"};
  options.tuning = MakePitchCorrector;
  BuiltInSynth synth(options);
  if (!synth.WaitUntilReady(kLoadTimeout)) {
    std::printf("the synthesizer did not start: %s\n", synth.Name().c_str());
    return;
  }
  SynthOutputs outputs(synth);
  // The correction of the program is worked out before the measurement starts.
  outputs.Prepare(kDefaultDeviceId, kNylonGuitar, kGuitarKeys);
  std::this_thread::sleep_for(kSettle);

  std::vector<double> idle;
  for (int run = 0; run < kLoopRuns; ++run) {
    idle.push_back(ProcessLoad());
  }
  std::printf("%-44s %6.2f %% of one core\n", "built-in synthesizer idle (JACK, 48 kHz)",
              Median(idle));

  for (const int rate : {20, 300}) {
    std::printf("note looping at Rate %-3d (nylon guitar, E2)      %6.2f %% of one core\n", rate,
                MedianLoopLoad(outputs, rate, kSettle));
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  // "--loop": only the looping-note figures (part 2).
  const bool loopOnly = argc > 1 && std::string(argv[1]) == "--loop";
  if (!loopOnly) {
    CorrectionTime();
    CorrectorMemory();
  }
  PlayerLoad();
  LoopLoad();
  return 0;
}
