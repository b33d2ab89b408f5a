#!/bin/sh
# The real program where its window system cannot be reached: one line on standard error naming
# what could not be opened, nothing else, exit status 1. Offscreen it still starts; on a display
# without a session bus it leaves no dbus-launch or dbus-daemon behind.
#
#   check_display.sh PROGRAM no-display|absent-display|offscreen|session-bus
# Exit 0 on success, 1 on failure, 77 when a tool the case needs is missing.

set -u
program=$1
case_name=$2
work=$(mktemp -d)
server=
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

fail() {
  echo "FAIL: $*"
  echo "--- standard error:"
  cat err
  exit 1
}

# Runs the program without any display or platform chosen, plus the given variables.
run() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE "$@" >out 2>err
}

expect_line() {
  status=$1
  expected=$2
  [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
  [ "$(wc -l <err)" -eq 1 ] || fail "expected exactly one line"
  [ "$(cat err)" = "$expected" ] || fail "expected: $expected"
  [ ! -s out ] || fail "standard output is not empty"
}

# A display number that no X server uses here.
free_display() {
  n=150
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do
    n=$((n + 1))
  done
  echo "$n"
}

case $case_name in
  no-display)
    run "$program"
    expect_line $? "morrowfane: cannot open an X display (DISPLAY is not set)"
    ;;
  absent-display)
    n=$(free_display)
    run DISPLAY=":$n" "$program"
    expect_line $? "morrowfane: cannot open the X display \":$n\""
    ;;
  offscreen)
    run QT_QPA_PLATFORM=offscreen timeout 5 "$program"
    status=$?
    [ "$status" -eq 124 ] || fail "exit status $status: it did not keep running offscreen"
    ! grep -q "cannot open" err || fail "it reported no window system"
    ;;
  session-bus)
    for tool in Xvfb pgrep timeout; do
      command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    Xvfb -displayfd 3 -nolisten tcp 3>display 2>/dev/null &
    server=$!
    tries=0
    while [ ! -s display ] && [ "$tries" -lt 100 ]; do
      sleep 0.1
      tries=$((tries + 1))
    done
    [ -s display ] || fail "Xvfb did not start"
    display=":$(cat display)"
    run DISPLAY="$display" timeout 5 env -u DBUS_SESSION_BUS_ADDRESS -u XDG_RUNTIME_DIR "$program"
    status=$?
    [ "$status" -eq 124 ] || fail "exit status $status: it did not keep running on $display"
    # What D-Bus starts for a program inherits its display; none may be left on this one.
    left=
    for pid in $(pgrep -x dbus-launch) $(pgrep -x dbus-daemon); do
      if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "DISPLAY=$display"; then
        left="$left $pid"
      fi
    done
    if [ -n "$left" ]; then
      kill $left
      fail "D-Bus processes left behind:$left"
    fi
    ;;
  *)
    echo "unknown case $case_name"
    exit 1
    ;;
esac
echo "PASS: $case_name"
