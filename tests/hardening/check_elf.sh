#!/usr/bin/env bash
# Checks an ELF program for the hardening the build promises.
#   check_elf.sh [--fortify=yes|no] [--runpath=absolute|none] PROGRAM
#       every check must pass (fortify is only expected from optimised builds);
#   check_elf.sh --expect-missing PROGRAM
#       every check must fail: run on a binary built without hardening, it shows each check can.
set -uo pipefail

fortify=yes
runpath=absolute
expect=present
while [[ $# -gt 1 ]]; do
  case "$1" in
    --fortify=*) fortify=${1#*=} ;;
    --runpath=*) runpath=${1#*=} ;;
    --expect-missing) expect=missing ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
program=$1
[[ -f "$program" ]] || { echo "no such file: $program" >&2; exit 2; }

dynamic=$(readelf -dW "$program")
undefined=$(readelf --dyn-syms -W "$program" | awk '$7 == "UND" { sub(/@.*/, "", $8); print $8 }')

# An empty entry or one not starting with / is searched relative to the current directory.
safe_runpath() {
  local value
  while read -r value; do
    [[ "$value" =~ (^|:)(:|$) ]] && return 1
    local entry
    IFS=: read -ra entries <<<"$value"
    for entry in "${entries[@]}"; do
      [[ "$entry" == /* ]] || return 1
    done
  done < <(grep -E '\((RUNPATH|RPATH)\)' <<<"$dynamic" | sed -E 's/.*\[(.*)\]$/\1/')
  [[ $runpath == absolute ]] || ! grep -qE '\((RUNPATH|RPATH)\)' <<<"$dynamic"
}
bind_now() { grep -qE '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*[[:space:]]NOW' <<<"$dynamic"; }
gnu_relro() { grep -q GNU_RELRO <<<"$(readelf -lW "$program")"; }
pie() {
  grep -qE 'Type:[[:space:]]+DYN' <<<"$(readelf -hW "$program")" && grep -qE '\(FLAGS_1\).*[[:space:]]PIE' <<<"$dynamic"
}
stack_protector() { grep -qx '__stack_chk_fail' <<<"$undefined"; }
# No `grep -q` at the end of a pipe: its early exit would fail the pipeline under pipefail.
fortify_source() {
  [[ -n $(grep -E '^__[a-z0-9_]+_chk$' <<<"$undefined" | grep -vx '__stack_chk_fail') ]]
}

checks=(safe_runpath bind_now gnu_relro pie stack_protector)
if [[ $fortify == yes ]]; then
  checks+=(fortify_source)
fi

failures=0
for check in "${checks[@]}"; do
  if "$check"; then found=present; else found=missing; fi
  if [[ $found == "$expect" ]]; then
    echo "ok: $check $found"
  else
    echo "FAIL: $check $found in $program"
    failures=$((failures + 1))
  fi
done
grep -E '\((RUNPATH|RPATH)\)' <<<"$dynamic"
exit $((failures > 0))
