// The built-in synthesizer on a desktop sound server, as most users hear it: a PulseAudio null sink
// recorded from its monitor (no sound card needed).
//   dropouts  20 notes while two busy loops run on the two cores: dropouts, and the heard pitch
//   latency   a press (Wake) to the first audible sample in the monitor, with the 80 ms pause, from
//             an idle output and from an open one
//   idle      the real program, idle: its playback streams and its CPU over 10 s, on PulseAudio
//             and on a JACK dummy server
//   exit      the real window closing, with a note looping, to the program's parts all gone
// With no argument, all of them.
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "DesktopSoundServer.h"
#include "JackTestServer.h"
#include "Median.h"
#include "NoteRecording.h"
#include "app/TunerApp.h"
#include "model/Instruments.h"
#include "pitch/PitchCorrector.h"
#include "ports/SystemMidiOutputs.h"
#include "synth/BuiltInSynth.h"

namespace {

using namespace morrowfane;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::DesktopSoundServer;

constexpr int kNylonGuitar = 24;
constexpr auto kLoadTimeout = 30s;
constexpr int kLoadedNotes = 20;
constexpr std::array<int, 6> kStrings = {40, 45, 50, 55, 59, 64};
constexpr auto kPause = 80ms;  // the tone player's pause before a note
constexpr int kLatencyRuns = 5;
constexpr auto kIdleWait = 15s;
constexpr auto kCpuWindow = 10s;
constexpr int kExitRuns = 5;
constexpr auto kBeforePress = 1500ms;
constexpr auto kBeforeClose = 1500ms;

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

std::unique_ptr<BuiltInSynth> SynthOnSdl() {
  auto synth = testing::CorrectedSynthOnSdl(kNylonGuitar);
  synth->WaitUntilReady(kLoadTimeout);
  return synth;
}

void Dropouts() {
  DesktopSoundServer server(DesktopSoundServer::Kind::PulseAudio);
  auto synth = SynthOnSdl();
  std::vector<std::unique_ptr<testing::ChildProcess>> loads;
  for (int i = 0; i < 2; ++i) {
    loads.push_back(std::make_unique<testing::ChildProcess>(
        std::vector<std::string>{"sh", "-c", "while :; do :; done"}));
  }
  std::vector<int> keys;
  for (int i = 0; i < kLoadedNotes; ++i) {
    keys.push_back(kStrings[static_cast<std::size_t>(i) % kStrings.size()]);
  }
  auto connection = synth->Open();
  connection->Send(midi::Pack(midi::kProgramChange, kNylonGuitar));
  const auto recording = testing::RecordStrikes(
      [&](int key) {
        connection->Send(
            midi::Pack(midi::kNoteOn, static_cast<std::uint8_t>(key), midi::kStrikeVelocity));
      },
      keys);
  int dropouts = 0;
  double worst = 0.0;
  for (std::size_t i = 0; i < recording.strikes.size(); ++i) {
    const auto note = testing::ReadNote(recording.samples, recording.strikes[i], keys[i]);
    dropouts += note.dropouts;
    worst = std::max(worst, std::abs(note.cents));
  }
  std::printf(
      "dropouts under two busy loops (%s): %d in %zu of %d notes; worst heard pitch %.2f c\n",
      synth->AudioDriver().c_str(), dropouts, recording.strikes.size(), kLoadedNotes, worst);
}

// A press: Wake() at once, then after the pause the connection and its note, as the tone player
// does. The time to the note's first sample in the monitor.
double PressToSound(BuiltInSynth& synth) {
  testing::SinkRecorder recorder(testing::SinkRecorder::kTiming);
  std::this_thread::sleep_for(300ms);
  const auto press = Clock::now();
  synth.Wake();
  std::this_thread::sleep_for(kPause);
  auto connection = synth.Open();
  connection->Send(midi::Pack(midi::kProgramChange, kNylonGuitar));
  connection->Send(midi::Pack(midi::kNoteOn, 45, midi::kStrikeVelocity));
  std::this_thread::sleep_for(1s);
  const auto samples = recorder.Stop();
  const auto onset = testing::Onset(samples);
  return onset ? Milliseconds(recorder.TimeOf(*onset) - press) : -1.0;
}

void Latency() {
  DesktopSoundServer server(DesktopSoundServer::Kind::PulseAudio);
  auto synth = SynthOnSdl();
  std::vector<double> fromIdle;
  std::vector<double> fromOpen;
  for (int i = 0; i < kLatencyRuns; ++i) {
    testing::WaitFor([&] { return server.Streams() == 0; }, kIdleWait);
    fromIdle.push_back(PressToSound(*synth));
    fromOpen.push_back(PressToSound(*synth));
  }
  std::printf(
      "press to first audible sample on PulseAudio (pause %lld ms): from idle %.1f ms, "
      "stream open %.1f ms (medians of %d)\n",
      static_cast<long long>(kPause.count()), testing::Median(fromIdle), testing::Median(fromOpen),
      kLatencyRuns);
}

double CpuSeconds(pid_t pid) {
  std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
  if (file == nullptr) {
    return 0.0;
  }
  unsigned long user = 0;
  unsigned long system = 0;
  const int read = std::fscanf(file, "%*d %*s %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu",
                               &user, &system);
  std::fclose(file);
  return read == 2 ? static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK))
                   : 0.0;
}

// The real program, offscreen, left alone until it is idle; its CPU over kCpuWindow.
void IdleProgram(const char* where, const std::function<int()>& streams) {
  const auto folder = std::filesystem::temp_directory_path() / "mf-idle-bench";
  std::filesystem::create_directories(folder);
  testing::ChildProcess program(
      {"env", "-C", folder.string(), "QT_QPA_PLATFORM=offscreen", MORROWFANE_PROGRAM});
  std::this_thread::sleep_for(2s);
  const int loaded = streams();
  std::this_thread::sleep_for(kIdleWait - 2s);
  const double before = CpuSeconds(program.Pid());
  std::this_thread::sleep_for(kCpuWindow);
  const double used = CpuSeconds(program.Pid()) - before;
  std::printf(
      "idle program on %s: %d stream(s) after start, %d after the ring limit; CPU %.2f %% "
      "of one core over %lld s\n",
      where, loaded, streams(), 100.0 * used / static_cast<double>(kCpuWindow.count()),
      static_cast<long long>(kCpuWindow.count()));
}

void Idle() {
  {
    DesktopSoundServer server(DesktopSoundServer::Kind::PulseAudio);
    IdleProgram("PulseAudio", [&] { return server.Streams(); });
  }
  testing::JackTestServer jack;
  IdleProgram("JACK (its client stays)", [] { return -1; });
}

// The real window: a string pressed (the note loops), then the window closes; the time from the
// close to the program's parts (window, player, synthesizer, ports) all gone.
void Exit(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const auto folder = std::filesystem::temp_directory_path() / "mf-exit-bench";
  std::filesystem::create_directories(folder);
  DesktopSoundServer server(DesktopSoundServer::Kind::PulseAudio);
  std::vector<double> exits;
  for (int i = 0; i < kExitRuns; ++i) {
    Clock::time_point closed;
    {
      TunerApp tuner(CreateSystemMidiOutputs(MakePitchCorrector), std::make_unique<SystemSleeper>(),
                     folder / "morrowfane.ini");
      QTimer::singleShot(kBeforePress,
                         [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_1); });
      QTimer::singleShot(kBeforePress + kBeforeClose, [&closed] {
        closed = Clock::now();
        QApplication::activeModalWidget()->close();
      });
      tuner.Run();
    }
    exits.push_back(Milliseconds(Clock::now() - closed));
  }
  std::printf(
      "window closed (note looping on PulseAudio) to everything gone: median %.0f ms, "
      "worst %.0f ms of %d\n",
      testing::Median(exits), *std::max_element(exits.begin(), exits.end()), kExitRuns);
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string only = argc > 1 ? argv[1] : "";
  if (only.empty() || only == "dropouts") {
    Dropouts();
  }
  if (only.empty() || only == "latency") {
    Latency();
  }
  if (only.empty() || only == "idle") {
    Idle();
  }
  if (only.empty() || only == "exit") {
    Exit(argc, argv);
  }
  return 0;
}
