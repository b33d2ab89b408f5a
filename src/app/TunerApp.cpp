#include "app/TunerApp.h"

#include "app/TunerWindow.h"

namespace morrowfane {

TunerApp::TunerApp(std::unique_ptr<MidiOutputs> outputs, std::unique_ptr<Sleeper> sleeper,
                   std::filesystem::path settingsFile)
    : outputs_(std::move(outputs)),
      sleeper_(std::move(sleeper)),
      settings_(std::move(settingsFile)),
      player_(*outputs_, *sleeper_) {}

TunerApp::~TunerApp() = default;

void TunerApp::Run() {
  settings_.Load(*outputs_);
  TunerWindow window(player_, *outputs_, settings_);
  window.exec();
}

}  // namespace morrowfane
