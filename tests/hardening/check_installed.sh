#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed program: no RUNPATH at all.
#   check_installed.sh CMAKE BUILD_DIR CHECK_ELF [CHECK_ELF OPTIONS...]
set -euo pipefail
cmake=$1 build=$2 check_elf=$3
shift 3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
"$check_elf" --runpath=none "$@" "$prefix/bin/morrowfane"
