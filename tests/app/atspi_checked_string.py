"""A screen reader's view of the real program over AT-SPI: key 1 checks "String 1: E2".

Runs the program on its own X server, with a private session bus (it runs itself again under
dbus-run-session) and accessibility bus, and listens as Orca does for the checked-state event of
the first string button. Exits 77 (skipped) where the X server or the buses cannot start.

Usage: atspi_checked_string.py <morrowfane executable>
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
STRING_ONE = "String 1: E2"
TIMEOUT_S = 20


def skip(reason):
    print(f"skipped: {reason}")
    sys.exit(SKIP)


def start_x_server():
    if shutil.which("Xvfb") is None:
        skip("Xvfb is not installed")
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "640x480x24",
                               "-nolisten", "tcp"], pass_fds=(write_end,),
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as displays:
        number = displays.readline().strip()
    if not number:
        server.kill()
        skip("Xvfb did not start")
    return server, f":{number}"


def start_accessibility_bus(runtime_dir):
    """at-spi-bus-launcher on the private session bus, its socket in `runtime_dir`; returns it
    once the bus answers. It and the buses it starts share a process group of their own."""
    launcher_path = "/usr/libexec/at-spi-bus-launcher"
    if not os.path.exists(launcher_path):
        skip("at-spi-bus-launcher is not installed (at-spi2-core)")
    launcher = subprocess.Popen([launcher_path, "--launch-immediately", "--a11y=1"],
                                env=dict(os.environ, XDG_RUNTIME_DIR=runtime_dir),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and launcher.poll() is None:
        # Asked without activation, so the bus answering is this launcher's.
        answer = subprocess.run(["dbus-send", "--session", "--print-reply",
                                 "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                 "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"],
                                capture_output=True, text=True)
        if "boolean true" in answer.stdout:
            return launcher
        time.sleep(0.1)
    stop_group(launcher)
    skip("the accessibility bus did not start")


def stop_group(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.wait()


def find(accessible, name, depth=0):
    if accessible is None or depth > 8:
        return None
    if accessible.name == name:
        return accessible
    for child in accessible:
        found = find(child, name, depth + 1)
        if found is not None:
            return found
    return None


def main():
    program = os.path.abspath(sys.argv[1])
    if os.environ.get("MORROWFANE_PRIVATE_BUS") != "1":
        if shutil.which("dbus-run-session") is None:
            skip("dbus-run-session is not installed")
        os.environ["MORROWFANE_PRIVATE_BUS"] = "1"
        os.execvp("dbus-run-session",
                  ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), program])

    work = tempfile.mkdtemp()
    x_server, display = start_x_server()
    launcher = start_accessibility_bus(work)
    try:
        # Connects to the accessibility bus as it is imported.
        import pyatspi
        from gi.repository import GLib
    except ImportError as error:
        stop_group(launcher)
        x_server.kill()
        skip(f"python3-pyatspi is missing ({error})")
    environment = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="C")
    for overriding in ("LC_ALL", "LC_MESSAGES", "LANGUAGE"):
        environment.pop(overriding, None)
    tuner = subprocess.Popen([program], cwd=work, env=environment, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    events = []
    try:
        button = None
        deadline = time.monotonic() + TIMEOUT_S
        while button is None and time.monotonic() < deadline:
            time.sleep(0.2)
            desktop = pyatspi.Registry.getDesktop(0)
            for application in desktop:
                if application is not None and application.name.lower() == "morrowfane":
                    button = find(application, STRING_ONE)
        if button is None:
            print(f"FAIL: no \"{STRING_ONE}\" on the accessibility bus")
            return 1
        if button.getState().contains(pyatspi.STATE_CHECKED):
            print("FAIL: string 1 is checked before any key")
            return 1

        def on_event(event):
            events.append((event.source.name, event.detail1))
            pyatspi.Registry.stop()

        def press_key():
            subprocess.run(["xdotool", "key", "1"], env=environment, check=False)
            return False

        pyatspi.Registry.registerEventListener(on_event, "object:state-changed:checked")
        GLib.timeout_add(500, press_key)
        GLib.timeout_add_seconds(TIMEOUT_S, lambda: pyatspi.Registry.stop() or False)
        pyatspi.Registry.start()
    finally:
        tuner.kill()
        tuner.wait()
        stop_group(launcher)
        x_server.kill()
        x_server.wait()
        shutil.rmtree(work, ignore_errors=True)
    if events != [(STRING_ONE, 1)]:
        print(f"FAIL: checked-state events {events}, expected [('{STRING_ONE}', 1)]")
        return 1
    print(f"\"{STRING_ONE}\" sent its checked-state event")
    return 0


if __name__ == "__main__":
    sys.exit(main())
