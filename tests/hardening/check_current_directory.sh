#!/usr/bin/env bash
# Starts the program from a directory holding a libfluidsynth.so.3 that aborts when loaded, as a
# user starting it from a downloads folder would, and checks that the program runs and loads the
# system's FluidSynth instead.
#   check_current_directory.sh PROGRAM TRAP_LIBRARY
set -uo pipefail
program=$1 trap_library=$2
startup_wait=1.5 # seconds: the window is up well before, a loading failure ends it at once
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$trap_library" "$dir/libfluidsynth.so.3"
cd "$dir" || exit 2

QT_QPA_PLATFORM=offscreen LD_DEBUG=libs LD_DEBUG_OUTPUT="$dir/ld" "$program" >/dev/null 2>&1 &
pid=$!
sleep "$startup_wait"
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"
  echo "FAIL: the program ended with status $? when started from $dir"
  exit 1
fi
kill "$pid"
wait "$pid" 2>/dev/null

log=$(cat "$dir"/ld.* 2>/dev/null)
# The loader logs every file it tries; a relative one is looked up in the current directory.
relative=$(grep -E 'trying file=[^/]' <<<"$log")
fluidsynth=$(grep -E 'calling init: .*libfluidsynth\.so\.3' <<<"$log")
status=0
if [[ -n "$relative" ]]; then
  echo "FAIL: the loader looked in the current directory:"
  echo "$relative" | head -5
  status=1
fi
if [[ "$fluidsynth" != *"calling init: /"* || "$fluidsynth" == *"$dir"* ]]; then
  echo "FAIL: the system's libfluidsynth.so.3 was not the one loaded: ${fluidsynth:-none}"
  status=1
fi
[[ $status == 0 ]] && echo "ok: started from $dir, loaded ${fluidsynth#*calling init: }"
exit $status
