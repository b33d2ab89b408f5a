#pragma once

#include <QString>
#include <QStringList>

namespace morrowfane {

inline constexpr int kNoWindowSystemExitCode = 1;

// The one line said when the window system cannot be reached, naming what could not be opened:
// `platforms` are the Qt platforms that were tried ("xcb", "wayland", ...; "wayland!" when its
// plugin is not installed), `display` and `waylandDisplay` the values of DISPLAY and
// WAYLAND_DISPLAY (empty when unset).
QString NoWindowSystemLine(const QStringList& platforms, const QString& display,
                           const QString& waylandDisplay);

// Holds back Qt's messages while it connects to the window system. If it cannot connect, Qt
// would print several lines and abort; instead NoWindowSystemLine() is printed and the program
// exits with kNoWindowSystemExitCode. Destroyed after a successful start, it gives the messages
// held to the handler that was installed before, and reinstalls it.
class WindowSystemStart {
 public:
  WindowSystemStart();
  ~WindowSystemStart();

  WindowSystemStart(const WindowSystemStart&) = delete;
  WindowSystemStart& operator=(const WindowSystemStart&) = delete;
};

// Without a session bus address, D-Bus would start dbus-launch and a dbus-daemon of its own for
// the desktop's services, which outlive the program. Points the address at the user's bus where
// there is one, and otherwise at none. An address already set is left alone.
void KeepSessionBusFromStarting();

}  // namespace morrowfane
