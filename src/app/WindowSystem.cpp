#include "app/WindowSystem.h"

#include <QByteArray>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace morrowfane {
namespace {

constexpr char kDefaultWaylandDisplay[] = "wayland-0";
// Follows a platform's name when its plugin is not installed.
constexpr char kMissingMark[] = "!";

struct HeldMessage {
  QtMsgType type;
  QByteArray file;
  int line;
  QByteArray function;
  QByteArray category;
  QString text;
};

// Only the UI thread starts the window system, before any other thread of the program runs.
std::vector<HeldMessage> held;
QtMessageHandler previousHandler = nullptr;

// Qt names each platform it could not start in a message of this form; the messages are not
// translated. A platform whose plugin is missing is marked so.
QStringList PlatformsTried() {
  static const QRegularExpression plugin(
      QStringLiteral("Could not (find|load) the Qt platform plugin \"([^\"]+)\""));
  QStringList platforms;
  for (const HeldMessage& message : held) {
    const QRegularExpressionMatch match = plugin.match(message.text);
    if (!match.hasMatch()) {
      continue;
    }
    const bool missing = match.captured(1) == QLatin1String("find");
    const QString platform = match.captured(2) + (missing ? QString(kMissingMark) : QString());
    if (!platforms.contains(platform)) {
      platforms.append(platform);
    }
  }
  if (platforms.isEmpty()) {
    platforms.append(qEnvironmentVariable("QT_QPA_PLATFORM").section(QLatin1Char(';'), 0, 0));
  }
  return platforms;
}

void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    const QString line = NoWindowSystemLine(PlatformsTried(), qEnvironmentVariable("DISPLAY"),
                                            qEnvironmentVariable("WAYLAND_DISPLAY"));
    std::fputs(QStringLiteral("morrowfane: %1\n").arg(line).toLocal8Bit().constData(), stderr);
    // Qt would abort after this handler returns; nothing of the program has started yet.
    std::_Exit(kNoWindowSystemExitCode);
  }
  held.push_back({type, QByteArray(context.file), context.line, QByteArray(context.function),
                  QByteArray(context.category), text});
}

QString PlatformPhrase(const QString& platform, const QString& display,
                       const QString& waylandDisplay) {
  if (platform.endsWith(QLatin1String(kMissingMark))) {
    return QStringLiteral("the window system \"%1\" (its Qt platform plugin is not installed)")
        .arg(platform.chopped(1));
  }
  if (platform == QLatin1String("xcb")) {
    return display.isEmpty() ? QStringLiteral("an X display (DISPLAY is not set)")
                             : QStringLiteral("the X display \"%1\"").arg(display);
  }
  if (platform.startsWith(QLatin1String("wayland"))) {
    return QStringLiteral("the Wayland display \"%1\"")
        .arg(waylandDisplay.isEmpty() ? QString::fromLatin1(kDefaultWaylandDisplay)
                                      : waylandDisplay);
  }
  return platform.isEmpty() ? QStringLiteral("a window system")
                            : QStringLiteral("the window system \"%1\"").arg(platform);
}

}  // namespace

QString NoWindowSystemLine(const QStringList& platforms, const QString& display,
                           const QString& waylandDisplay) {
  QStringList phrases;
  for (const QString& platform : platforms) {
    phrases.append(PlatformPhrase(platform, display, waylandDisplay));
  }
  if (phrases.isEmpty()) {
    phrases.append(PlatformPhrase(QString(), display, waylandDisplay));
  }
  return QStringLiteral("cannot open %1").arg(phrases.join(QStringLiteral(" or ")));
}

WindowSystemStart::WindowSystemStart() {
  previousHandler = qInstallMessageHandler(Hold);
}

WindowSystemStart::~WindowSystemStart() {
  qInstallMessageHandler(previousHandler);
  if (previousHandler != nullptr) {
    for (const HeldMessage& message : held) {
      const QMessageLogContext context(message.file.constData(), message.line,
                                       message.function.constData(), message.category.constData());
      previousHandler(message.type, context, message.text);
    }
  }
  held.clear();
}

void KeepSessionBusFromStarting() {
  if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) {
    return;
  }
  // Where a user session's bus listens; D-Bus itself looks there before starting one.
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  const QString userBus = runtime + QStringLiteral("/bus");
  if (!runtime.isEmpty() && QFileInfo(userBus).exists()) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray("unix:path=") + userBus.toLocal8Bit());
  } else {
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray("disabled:"));
  }
}

}  // namespace morrowfane
