// Resident memory over a long evening of use: the real tuner window (offscreen) with the
// program's own devices, the built-in synthesizer playing on a JACK server with the dummy
// backend. Runs Options OK cycles, then string presses, each after a warm-up of 100, and prints
// how much resident memory (without JACK's shared memory) each added after its warm-up, and the
// peak over the session. Skipped without jackd.
//
//   evening_memory_bench [OK cycles] [presses]    (default 1000 and 5000)

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "JackTestServer.h"
#include "app/TunerWindow.h"
#include "pitch/PitchCorrector.h"
#include "ports/SystemMidiOutputs.h"
#include "ui/IconButton.h"
#include "ui/OptionsDialog.h"

namespace {

using namespace morrowfane;
using namespace std::chrono_literals;

constexpr int kServerRate = 48000;
constexpr int kServerPeriod = 256;
constexpr int kWarmUp = 100;
constexpr int kDefaultCycles = 1000;
constexpr int kDefaultPresses = 5000;
constexpr int kSampleEvery = 10;
// A quick player, faster than any hand: workers of single strikes overlap, as they would at most.
constexpr auto kPressInterval = 5ms;
constexpr auto kSynthStartWait = 30s;
constexpr auto kPeakSample = 20ms;
constexpr auto kSettle = 3s;
constexpr char kJackSharedMemory[] = "/dev/shm/jack";
constexpr double kKilobytesPerMegabyte = 1024.0;

// Resident memory without the JACK server's shared memory, in kB.
double ResidentKilobytes() {
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  bool jack = false;
  double total = 0.0;
  while (std::getline(smaps, line)) {
    std::istringstream fields(line);
    std::string first;
    fields >> first;
    if (first == "Rss:") {
      double kilobytes = 0.0;
      fields >> kilobytes;
      total += jack ? 0.0 : kilobytes;
    } else if (first.find('-') != std::string::npos && first.back() != ':') {
      jack = line.find(kJackSharedMemory) != std::string::npos;
    }
  }
  return total;
}

double Megabytes(double kilobytes) {
  return kilobytes / kKilobytesPerMegabyte;
}

struct Phase {
  double afterWarmUp = 0.0;
  double atEnd = 0.0;
};

// Runs `step` warm-up plus `count` times, settling the player between samples.
Phase Run(int count, TonePlayer& player, double& peak, const std::function<void(int)>& step) {
  Phase phase;
  for (int i = 0; i < kWarmUp + count; ++i) {
    step(i);
    QApplication::processEvents();
    if (i % kSampleEvery == 0) {
      peak = std::max(peak, ResidentKilobytes());
    }
    if (i + 1 == kWarmUp) {
      player.WaitIdle();
      phase.afterWarmUp = ResidentKilobytes();
    }
  }
  player.WaitIdle();
  QApplication::processEvents();
  phase.atEnd = ResidentKilobytes();
  peak = std::max(peak, phase.atEnd);
  return phase;
}

void Print(int count, const char* what, const Phase& phase) {
  std::printf("%5d %-28s %6.2f MB (%.1f -> %.1f MB)\n", count, what,
              Megabytes(phase.atEnd - phase.afterWarmUp), Megabytes(phase.afterWarmUp),
              Megabytes(phase.atEnd));
}

}  // namespace

int main(int argc, char* argv[]) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : kDefaultCycles;
  const int presses = argc > 2 ? std::atoi(argv[2]) : kDefaultPresses;
  if (!testing::ProgramOnPath("jackd")) {
    std::printf("evening_memory_bench: skipped, jackd is not installed\n");
    return 0;
  }
  testing::JackTestServer server(kServerRate, kServerPeriod);
  if (!server.Running()) {
    std::printf("evening_memory_bench: skipped, jackd did not start\n");
    return 0;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);

  // As the program starts: the window comes up while the SoundFont loads in the background.
  auto outputs = CreateSystemMidiOutputs(MakePitchCorrector);
  auto& synth = static_cast<SystemMidiOutputs&>(*outputs).Synth();
  SystemSleeper sleeper;
  TonePlayer player(*outputs, sleeper);
  const std::string settings =
      (QDir::tempPath() + QStringLiteral("/morrowfane-evening-%1.ini").arg(getpid())).toStdString();
  {
    // Single strikes, so presses never wait on a looping note.
    std::ofstream(settings, std::ios::binary)
        << "[MorrowFane]\r\nTuning=E\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=false\r\nMidiDev=300\r\n";
  }
  double peak = 0.0;
  {
    StoredSettings stored(settings);
    stored.Load(*outputs);
    TunerWindow window(player, *outputs, stored);
    window.SetOptionsRunner([](OptionsDialog& dialog) {
      dialog.show();
      dialog.accept();
      return dialog.result() == QDialog::Accepted;
    });
    window.show();
    QApplication::processEvents();
    const auto loading = std::chrono::steady_clock::now();
    while (!synth.WaitUntilReady(kPeakSample)) {
      peak = std::max(peak, ResidentKilobytes());
      if (std::chrono::steady_clock::now() - loading > kSynthStartWait) {
        std::printf("evening_memory_bench: the built-in synthesizer did not start\n");
        std::remove(settings.c_str());
        return 1;
      }
    }
    // The start-up work (the first program's correction) ends soon after loading.
    for (auto settled = std::chrono::steady_clock::now() + kSettle;
         std::chrono::steady_clock::now() < settled;) {
      peak = std::max(peak, ResidentKilobytes());
      std::this_thread::sleep_for(kPeakSample);
    }

    const Phase options = Run(cycles, player, peak, [&window](int) { window.RunOptions(); });
    const Phase pressing = Run(presses, player, peak, [&window](int i) {
      window.StringButton(i % kStringCount + 1).click();
      std::this_thread::sleep_for(kPressInterval);
    });
    std::printf(
        "real window offscreen, built-in synthesizer on JACK (dummy, 48 kHz); resident\n"
        "memory without JACK's shared memory, each phase after a warm-up of %d\n",
        kWarmUp);
    Print(cycles, "Options OK cycles add", options);
    Print(presses, "string presses add", pressing);
    std::printf("%-34s %6.1f MB\n", "peak over the session", Megabytes(peak));
  }
  std::remove(settings.c_str());
  return 0;
}
