#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/TunerApp.h"
#include "app/WindowSystem.h"
#include "pitch/PitchCorrector.h"
#include "ports/SystemMidiOutputs.h"
#include "settings/Settings.h"
#include "ui/IconResources.h"
#include "ui/Translators.h"

namespace {

constexpr int kUsageExitCode = 2;

void Print(std::FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
}

// Reads the command line. Returns the exit code when the program should end without a window:
// after --help or --version (0) or a bad argument (2). Needs no window system, so it works on a
// machine without a display.
std::optional<int> HandleCommandLine(int argc, char* argv[]) {
  // A QCoreApplication gives the usage line the program's name as invoked and needs no display.
  const QCoreApplication core(argc, argv);
  const morrowfane::Translators translators;
  QCommandLineParser parser;
  parser.setApplicationDescription(QCoreApplication::translate(
      "CommandLine", "Plays reference notes for tuning a six-string guitar by ear."));
  // Not addHelpOption(): its --help-all would list the window system's options, which are read
  // only once the window system starts.
  const QCommandLineOption help(
      {QStringLiteral("h"), QStringLiteral("help")},
      QCoreApplication::translate("CommandLine", "Displays this help and exits."));
  parser.addOption(help);
  const QCommandLineOption version = parser.addVersionOption();

  if (!parser.parse(QCoreApplication::arguments())) {
    Print(stderr, QStringLiteral("morrowfane: %1\n").arg(parser.errorText()));
    Print(stderr, parser.helpText());
    return kUsageExitCode;
  }
  if (!parser.positionalArguments().isEmpty()) {
    Print(stderr, QStringLiteral("morrowfane: %1\n")
                      .arg(QCoreApplication::translate("CommandLine", "unexpected argument '%1'.")
                               .arg(parser.positionalArguments().constFirst())));
    Print(stderr, parser.helpText());
    return kUsageExitCode;
  }
  if (parser.isSet(help)) {
    Print(stdout, parser.helpText());
    return 0;
  }
  if (parser.isSet(version)) {
    Print(stdout, QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                QCoreApplication::applicationVersion()));
    return 0;
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication::setApplicationName(QStringLiteral("MorrowFane"));
  QCoreApplication::setApplicationVersion(QStringLiteral(MORROWFANE_VERSION));
  if (const std::optional<int> exitCode = HandleCommandLine(argc, argv)) {
    return *exitCode;
  }

  morrowfane::KeepSessionBusFromStarting();
  std::optional<morrowfane::WindowSystemStart> start(std::in_place);
  QApplication application(argc, argv);
  start.reset();
  const morrowfane::Translators translators;
  QApplication::setDesktopFileName(QStringLiteral("io.github.morrowfane.MorrowFane"));
  QApplication::setWindowIcon(morrowfane::ApplicationIcon());

  morrowfane::TunerApp tuner(morrowfane::CreateSystemMidiOutputs(morrowfane::MakePitchCorrector),
                             std::make_unique<morrowfane::SystemSleeper>(),
                             morrowfane::kSettingsFileName);
  tuner.Run();
  return 0;
}
