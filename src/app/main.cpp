#include <QApplication>
#include <memory>

#include "app/TunerApp.h"
#include "pitch/PitchCorrector.h"
#include "ports/SystemMidiOutputs.h"
#include "settings/Settings.h"
#include "ui/IconResources.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("MorrowFane"));
  QApplication::setDesktopFileName(QStringLiteral("io.github.morrowfane.MorrowFane"));
  QApplication::setWindowIcon(morrowfane::ApplicationIcon());

  morrowfane::TunerApp tuner(morrowfane::CreateSystemMidiOutputs(morrowfane::MakePitchCorrector),
                             std::make_unique<morrowfane::SystemSleeper>(),
                             morrowfane::kSettingsFileName);
  tuner.Run();
  return 0;
}
