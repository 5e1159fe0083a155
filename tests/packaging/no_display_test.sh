#!/usr/bin/env bash
# Without a display, or with one that cannot be reached, ServoDesk says so in
# one line and exits 1, instead of aborting with the platform plugin's trace;
# --version and --help answer and exit 0 without one.
set -uo pipefail
servodesk=$1
version=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
failed=0
check() {  # name, expected start of the line, environment...
  local name=$1 expected=$2
  shift 2
  local output status
  output=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$servodesk" 2>&1)
  status=$?
  if [ $status -ne 1 ] || [ "$(printf '%s\n' "$output" | wc -l)" -ne 1 ] ||
     [ "${output#"$expected"}" = "$output" ]; then
    echo "$name: status $status, output:"; printf '%s\n' "$output"; failed=$((failed + 1))
  fi
}
check "no DISPLAY" "servodesk: no display (DISPLAY is not set)" -u DISPLAY
check "unreachable DISPLAY" "servodesk: cannot open the display (DISPLAY=:97)" DISPLAY=:97
answers() {  # option, expected first line
  local output status
  output=$(env -u WAYLAND_DISPLAY -u DISPLAY -u QT_QPA_PLATFORM "$servodesk" "$1" 2>&1)
  status=$?
  if [ $status -ne 0 ] || [ "$(printf '%s\n' "$output" | head -n 1)" != "$2" ]; then
    echo "$1: status $status, output:"; printf '%s\n' "$output"; failed=$((failed + 1))
  fi
}
answers --version "servodesk $version"
answers --help "usage: servodesk [--help] [--version]"
[ -e Init.ini ] && { echo "Init.ini written"; failed=$((failed + 1)); }
echo "no display: $((4 - failed)) passed, $failed failed"
[ $failed -eq 0 ]
