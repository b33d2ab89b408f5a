#include "app/TunerApp.h"

#include "app/TunerWindow.h"

namespace morrowfane {

TunerApp::TunerApp(std::unique_ptr<MidiOutputs> outputs, std::unique_ptr<Sleeper> sleeper,
                   std::filesystem::path settingsFile)
    : outputs_(std::move(outputs)),
      sleeper_(std::move(sleeper)),
      settingsFile_(std::move(settingsFile)),
      player_(*outputs_, *sleeper_) {}

TunerApp::~TunerApp() = default;

void TunerApp::Run() {
  TunerWindow window(player_, *outputs_, settingsFile_);
  window.exec();
}

}  // namespace morrowfane
