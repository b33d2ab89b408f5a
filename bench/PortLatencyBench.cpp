// A click on a string button, or its key, to the first byte on an external JACK port, as a JACK
// MIDI reader on a dummy server sees it. Drives the real tuner window (on Qt's offscreen
// platform), the tone player and the external ports, so the figure includes the press's pause
// and the port's open.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <functional>
#include <vector>

#include "JackTestServer.h"
#include "Median.h"
#include "app/TunerWindow.h"
#include "ports/SystemMidiOutputs.h"
#include "synth/BuiltInSynth.h"
#include "ui/IconButton.h"

namespace {

using morrowfane::testing::JackTestServer;
using morrowfane::testing::Median;
using morrowfane::testing::WaitFor;
using std::chrono::milliseconds;

constexpr int kRounds = 9;
constexpr std::array<int, 2> kStrings = {1, 3};  // an outer string, then an inner one
constexpr std::array<Qt::Key, 3> kStringKeys = {Qt::Key_1, Qt::Key_2, Qt::Key_3};
constexpr milliseconds kWait{5000};
constexpr milliseconds kBetweenPresses{300};

// A JACK client with one MIDI input that stamps the first event after Arm().
class MidiReader {
 public:
  MidiReader() {
    jack_status_t status{};
    client_ = jack_client_open("mf-reader", JackNoStartServer, &status);
    if (client_ == nullptr) {
      return;
    }
    port_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client_, &MidiReader::Process, this);
    jack_activate(client_);
  }
  ~MidiReader() {
    if (client_ != nullptr) {
      jack_deactivate(client_);
      jack_client_close(client_);
    }
  }
  MidiReader(const MidiReader&) = delete;
  MidiReader& operator=(const MidiReader&) = delete;

  bool Ok() const { return port_ != nullptr; }
  jack_time_t Now() const { return jack_get_time(); }
  void Arm() { firstEvent_.store(0); }
  jack_time_t FirstEvent() const { return firstEvent_.load(); }

 private:
  static int Process(jack_nframes_t frames, void* data) {
    auto* self = static_cast<MidiReader*>(data);
    void* buffer = jack_port_get_buffer(self->port_, frames);
    jack_midi_event_t event;
    if (jack_midi_get_event_count(buffer) > 0 && jack_midi_event_get(&event, buffer, 0) == 0 &&
        self->firstEvent_.load() == 0) {
      self->firstEvent_.store(
          jack_frames_to_time(self->client_, jack_last_frame_time(self->client_) + event.time));
    }
    return 0;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* port_ = nullptr;
  std::atomic<jack_time_t> firstEvent_{1};
};

}  // namespace

int main(int argc, char* argv[]) {
  using namespace morrowfane;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  JackTestServer server;
  if (!server.Running()) {
    std::fprintf(stderr, "jackd did not start\n");
    return 1;
  }
  MidiReader reader;
  if (!reader.Ok()) {
    std::fprintf(stderr, "the JACK reader could not open\n");
    return 1;
  }
  BuiltInSynthOptions silent;
  silent.soundFonts = std::vector<std::string>{};
  SystemMidiOutputs outputs(std::make_unique<BuiltInSynth>(silent),
                            std::make_unique<ExternalMidiPorts>());
  if (!WaitFor([&] { return outputs.DeviceIdByName("mf-reader:in").has_value(); }, kWait)) {
    std::fprintf(stderr, "the reader's port is not listed\n");
    return 1;
  }
  SystemSleeper sleeper;
  TonePlayer player(outputs, sleeper);
  const QTemporaryDir settingsDirectory;
  StoredSettings settings(
      settingsDirectory.filePath(QStringLiteral("morrowfane.ini")).toStdString());
  TunerWindow window(player, outputs, settings);
  player.ApplySettings({.DeviceIndex = *outputs.DeviceIdByName("mf-reader:in") + 1});
  window.show();
  window.activateWindow();
  QApplication::setActiveWindow(&window);
  if (!QTest::qWaitForWindowActive(&window)) {
    std::fprintf(stderr, "the window did not show\n");
    return 1;
  }

  const auto measure = [&](const char* how, int string, const std::function<void()>& press) {
    std::vector<double> latencies;
    for (int round = 0; round < kRounds; ++round) {
      reader.Arm();
      const jack_time_t pressed = reader.Now();
      press();
      if (!WaitFor([&] { return reader.FirstEvent() != 0; }, kWait)) {
        std::fprintf(stderr, "no byte reached the reader\n");
        return false;
      }
      latencies.push_back(static_cast<double>(reader.FirstEvent() - pressed) / 1000.0);
      press();  // stops the note
      player.WaitIdle();
      QTest::qWait(static_cast<int>(kBetweenPresses.count()));
    }
    std::printf("%s of string %d to first byte on a JACK port: median %.1f ms (of %d)\n", how,
                string, Median(latencies), kRounds);
    return true;
  };
  for (const int string : kStrings) {
    const bool measured =
        measure("click", string,
                [&] { QTest::mouseClick(&window.StringButton(string), Qt::LeftButton); }) &&
        measure("key", string, [&] { QTest::keyClick(&window, kStringKeys[string - 1]); });
    if (!measured) {
      return 1;
    }
  }
  return 0;
}
