#!/usr/bin/env bash
# check_install.sh CHECK PREFIX [ARGS]: one check of an installed MorrowFane; exit 77 skips it.
set -euo pipefail
check=$1
prefix=$2
shift 2

skip_without() {
  if ! command -v "$1" >/dev/null; then
    echo "SKIPPED: $1 is not installed (scripts/setup installs it)"
    exit 77
  fi
}

case "$check" in
  tree)  # tree PREFIX BUILD_DIR
    rm -rf "$prefix"
    cmake --install "$1" --prefix "$prefix" >/dev/null
    ;;

  files)  # files PREFIX EXPECTED_LIST
    diff -u "$1" <(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
    ;;

  desktop)
    skip_without desktop-file-validate
    file="$prefix/share/applications/io.github.morrowfane.MorrowFane.desktop"
    output=$(desktop-file-validate "$file" 2>&1) || { echo "$output"; exit 1; }
    # desktop-file-validate passes files with hints and warnings; a clean file says nothing.
    if [[ -n "$output" ]]; then echo "$output"; exit 1; fi
    # The icon the desktop file names is there in every installed size.
    icon=$(sed -n 's/^Icon=//p' "$file")
    for folder in "$prefix"/share/icons/hicolor/*/apps; do
      if ! compgen -G "$folder/$icon.*" >/dev/null; then
        echo "Icon=$icon: none in $folder"
        exit 1
      fi
    done
    ;;

  appstream)
    skip_without appstreamcli
    # The whole tree, so the metadata is checked together with the desktop file it launches.
    output=$(appstreamcli validate-tree --no-net --explain "$prefix" 2>&1) || {
      echo "$output"
      exit 1
    }
    echo "$output"
    if grep -qE '^(W|E):' <<<"$output"; then exit 1; fi
    ;;

  manual)
    skip_without groff
    page="$prefix/share/man/man1/morrowfane.1.gz"
    warnings=$(gzip -dc "$page" | groff -man -ww -z 2>&1)
    if [[ -n "$warnings" ]]; then echo "$warnings"; exit 1; fi
    ;;

  command-line)  # command-line PREFIX VERSION
    version=${1//./\\.}
    program="$prefix/bin/morrowfane"
    errors=$(mktemp)
    trap 'rm -f "$errors"' EXIT
    failures=0
    # arguments | exit code | pattern of standard output | pattern of the first line of standard
    # error; an empty pattern wants no output at all.
    cases=(
      "--help|0|^Usage: .*morrowfane \[options\]$|"
      "-h|0|^  -v, --version|"
      "--version|0|^MorrowFane $version$|"
      "-v|0|^MorrowFane $version$|"
      "--bogus|2||^morrowfane: Unknown option 'bogus'\.$"
      "-x|2||^morrowfane: Unknown option 'x'\.$"
      "--version extra|2||^morrowfane: unexpected argument 'extra'\.$"
    )
    matches() {  # matches TEXT PATTERN
      if [[ -z "$2" ]]; then [[ -z "$1" ]]; else grep -qE -- "$2" <<<"$1"; fi
    }
    for case in "${cases[@]}"; do
      IFS='|' read -r arguments want_code want_out want_err <<<"$case"
      # No display of any kind and no platform chosen: a window system must not be needed.
      code=0
      # shellcheck disable=SC2086  # the arguments are split on purpose
      out=$(env -i PATH=/usr/bin:/bin HOME="$prefix" "$program" $arguments 2>"$errors") || code=$?
      err=$(<"$errors")
      if [[ $code != "$want_code" ]] || ! matches "$out" "$want_out" ||
         ! matches "$(head -n 1 <<<"$err")" "$want_err" ||
         { [[ $want_code == 2 ]] && ! grep -q '^Usage:' <<<"$err"; }; then
        echo "morrowfane $arguments: exit $code, want $want_code"
        echo "--- standard output:"; echo "$out"
        echo "--- standard error:"; echo "$err"
        failures=$((failures + 1))
      fi
    done
    ((failures == 0))
    ;;

  *)
    echo "unknown check: $check" >&2
    exit 2
    ;;
esac
