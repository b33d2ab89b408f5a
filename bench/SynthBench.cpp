// Start-up, load, latency, memory and rendering-cost figures of the built-in synthesizer and the
// MIDI outputs. Prints one line per figure; the JACK latency needs jackd (package jackd2) and is
// skipped without it. Arguments name the sections to run (memory, startup, load, latency,
// render); none runs them all.

#include <jack/jack.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "JackTestServer.h"
#include "SoundFonts.h"
#include "VirtualClock.h"
#include "model/Instruments.h"
#include "pitch/PitchCorrector.h"
#include "player/TonePlayer.h"
#include "ports/ExternalMidiPorts.h"
#include "ports/SystemMidiOutputs.h"
#include "synth/BuiltInSynth.h"

namespace {

using namespace morrowfane;
using Clock = std::chrono::steady_clock;

using morrowfane::testing::kFluidR3;
using morrowfane::testing::kTimGM6mb;
constexpr int kNylonGuitar = 24;
constexpr int kPiano = 0;
constexpr int kRuns = 5;
constexpr int kLatencyRuns = 8;
constexpr std::chrono::seconds kLoadTimeout{60};
constexpr int kServerRate = 48000;
constexpr int kServerPeriod = 256;
constexpr float kAudible = 1e-4F;  // -80 dBFS
constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;
constexpr int kRenderRuns = 5;
constexpr int kRenderSeconds = 20;
constexpr int kRenderPeriod = 256;
constexpr int kLowE = 40;
// Time between two strikes of a looping note: a hundred stop polls of Rate / 10 ms each.
constexpr double kSecondsPerRateUnit = 100.0 / 10.0 / 1000.0;

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

double ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      double kilobytes = 0.0;
      status >> kilobytes;
      return kilobytes * 1024.0 / kBytesPerMegabyte;
    }
    status.ignore(4096, '\n');
  }
  return 0.0;
}

void Report(const char* what, std::vector<double> values, const char* unit) {
  std::sort(values.begin(), values.end());
  std::printf("%-58s median %8.2f %s  min %8.2f  max %8.2f  (n=%zu)\n", what,
              values[values.size() / 2], unit, values.front(), values.back(), values.size());
}

BuiltInSynthOptions Offline(const char* soundFont) {
  BuiltInSynthOptions options;
  options.soundFonts = std::vector<std::string>{soundFont};
  return options;
}

void Memory() {
  const double before = ResidentMegabytes();
  BuiltInSynth synth(Offline(kFluidR3));
  synth.WaitUntilReady(kLoadTimeout);
  std::vector<float> left(4096);
  std::vector<float> right(4096);
  for (int program : {kNylonGuitar, kPiano}) {
    auto connection = synth.Open();
    connection->Send(midi::Pack(midi::kProgramChange, static_cast<std::uint8_t>(program)));
    const KeyRange keys = KeysSounded(StringInstrument::Guitar6);
    for (int key = keys.first; key <= keys.last; ++key) {
      connection->Send(midi::Pack(midi::kNoteOn, static_cast<std::uint8_t>(key), 100));
      synth.Render(left.data(), right.data(), static_cast<int>(left.size()));
    }
  }
  std::printf("%-58s %8.1f MB (process before: %.1f MB)\n",
              "resident memory, FluidR3 loaded, programs 24 and 0 played", ResidentMegabytes(),
              before);
}

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// CPU time the synthesizer needs to render audio, as a share of one core in real time: offline,
// in periods of an audio server's size, so neither an audio server nor the tone player counts.
// `rate` 0 renders silence; otherwise the nylon guitar's E2 is struck as a loop at that Rate
// strikes it.
double RenderLoad(int rate) {
  BuiltInSynthOptions options = Offline(kFluidR3);
  options.sampleRate = kServerRate;
  BuiltInSynth synth(options);
  synth.WaitUntilReady(kLoadTimeout);
  auto connection = synth.Open();
  // Selecting the program loads its samples, before the clock starts.
  connection->Send(midi::Pack(midi::kProgramChange, kNylonGuitar));
  std::vector<float> left(kRenderPeriod);
  std::vector<float> right(kRenderPeriod);
  const auto framesPerStrike = static_cast<std::int64_t>(rate * kSecondsPerRateUnit * kServerRate);
  const std::int64_t total = static_cast<std::int64_t>(kRenderSeconds) * kServerRate;
  std::int64_t nextStrike = 0;
  const double start = ThreadCpuSeconds();
  for (std::int64_t done = 0; done < total; done += kRenderPeriod) {
    if (rate > 0 && done >= nextStrike) {
      connection->Send(midi::Pack(midi::kNoteOn, kLowE, midi::kStrikeVelocity));
      nextStrike += framesPerStrike;
    }
    synth.Render(left.data(), right.data(), kRenderPeriod);
  }
  return 100.0 * (ThreadCpuSeconds() - start) / kRenderSeconds;
}

void Rendering() {
  for (const int rate : {0, 20, 300}) {
    std::vector<double> loads;
    for (int run = 0; run < kRenderRuns; ++run) {
      loads.push_back(RenderLoad(rate));
    }
    const std::string label =
        rate == 0 ? std::string("rendering, no note sounding (48 kHz, 256-frame periods)")
                  : "rendering, E2 looping at Rate " + std::to_string(rate);
    Report(label.c_str(), loads, "% of one core");
  }
}

void StartUp() {
  std::vector<double> create;
  std::vector<double> count;
  std::vector<double> again;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    auto outputs = CreateSystemMidiOutputs();
    create.push_back(Milliseconds(Clock::now() - start));
    // The device list is first shown when the user opens the options dialog, seconds later.
    static_cast<SystemMidiOutputs&>(*outputs).Synth().WaitUntilReady(kLoadTimeout);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto countStart = Clock::now();
    outputs->DeviceCount();
    count.push_back(Milliseconds(Clock::now() - countStart));
    const auto againStart = Clock::now();
    outputs->DeviceCount();
    again.push_back(Milliseconds(Clock::now() - againStart));
  }
  Report("CreateSystemMidiOutputs() returns after", create, "ms");
  Report("first DeviceCount(), 0.5 s after start-up", count, "ms");
  Report("next DeviceCount()", again, "ms");
}

// With `corrected`, the program is announced at once, as the program's window does, and its pitch
// correction is worked out on the synthesizer before it is ready.
void Load(const char* label, const char* soundFont, std::optional<int> corrected = std::nullopt) {
  std::vector<double> load;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    auto options = Offline(soundFont);
    if (corrected) {
      options.tuning = MakePitchCorrector;
    }
    BuiltInSynth synth(options);
    if (corrected) {
      synth.Prepare(*corrected, KeysSounded(StringInstrument::Guitar6));
    }
    synth.WaitUntilReady(kLoadTimeout);
    load.push_back(Milliseconds(Clock::now() - start));
  }
  Report(label, load, "ms");
}

// Play() to the first audible sample on the synthesizer's JACK port, without the callers' 80 ms
// pause, on a fresh synthesizer each time; with and without Prepare() for the program first.
void Latency() {
  if (!testing::ProgramOnPath("jackd")) {
    std::printf("%-58s skipped: jackd is not installed\n", "Play() to first audible sample");
    return;
  }
  testing::JackTestServer server(kServerRate, kServerPeriod);
  if (!server.Running()) {
    std::printf("%-58s skipped: jackd did not start\n", "Play() to first audible sample");
    return;
  }
  for (const bool prepare : {false, true}) {
    std::vector<double> latency;
    for (int run = 0; run < kLatencyRuns; ++run) {
      BuiltInSynthOptions options = Offline(kFluidR3);
      options.audioDrivers = {"jack"};
      SystemMidiOutputs outputs(std::make_unique<BuiltInSynth>(options),
                                std::make_unique<ExternalMidiPorts>());
      if (!outputs.Synth().WaitUntilReady(kLoadTimeout)) {
        std::printf("the synthesizer did not start: %s\n", outputs.DeviceName(-1).c_str());
        return;
      }
      if (prepare) {
        outputs.Prepare(kDefaultDeviceId, kNylonGuitar, KeysSounded(StringInstrument::Guitar6));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
      }
      testing::JackRecorder recorder(static_cast<std::size_t>(kServerRate) * 2);
      recorder.Record("MorrowFane:left");
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      SystemSleeper sleeper;
      TonePlayer player(outputs, sleeper);
      player.ApplySettings(
          {.DeviceIndex = 0, .Instrument = kNylonGuitar, .Loop = false, .Rate = kDefaultRate});
      const auto played = static_cast<std::int64_t>(jack_get_time());
      player.Play(1);
      testing::WaitFor([&] { return recorder.FirstAudibleTime(kAudible) >= 0; },
                       std::chrono::seconds(2));
      const auto audible = recorder.FirstAudibleTime(kAudible);
      if (audible >= 0) {
        latency.push_back(static_cast<double>(audible - played) / 1000.0);
      }
      player.WaitIdle();
    }
    if (latency.empty()) {
      std::printf("no sound came out of the synthesizer's JACK port\n");
      return;
    }
    Report(prepare ? "Play() to first audible sample, program prepared"
                   : "Play() to first audible sample, first use of the program",
           latency, "ms");
  }
  std::printf("%-58s %8.2f ms (%d frames at %d Hz)\n", "  plus one audio period until it is heard",
              1000.0 * kServerPeriod / kServerRate, kServerPeriod, kServerRate);
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> chosen(argv + 1, argv + argc);
  const auto wanted = [&](const std::string& section) {
    return chosen.empty() || std::find(chosen.begin(), chosen.end(), section) != chosen.end();
  };
  if (wanted("memory")) {
    Memory();
  }
  if (wanted("startup")) {
    StartUp();
  }
  if (wanted("load")) {
    Load("SoundFont load, FluidR3_GM (dynamic sample loading)", kFluidR3);
    Load("SoundFont load, TimGM6mb", kTimGM6mb);
    Load("SoundFont load to ready, FluidR3_GM, piano corrected", kFluidR3, kPiano);
    Load("SoundFont load to ready, TimGM6mb, piano corrected", kTimGM6mb, kPiano);
  }
  if (wanted("render")) {
    Rendering();
  }
  if (wanted("latency")) {
    Latency();
  }
  return 0;
}
