#!/usr/bin/env bash
# Takes pictures of ServoDesk running on the simulated amplifier, in a
# throw-away copy of the installation folder, under a virtual display.
#
#   tools/screenshot.sh [options] OUT.png
#     --family bx|dx|fx|kqrv|lqrv|yz   simulated amplifier (default fx)
#     --fx-version N                  its FX version (default 31 for fx, 33 for the others)
#     --language 0|1|2                Japanese, English, Chinese (default 1)
#     --dialog FILE.png               also take the family question before answering it
#     --keys "KEY ..."                xdotool keys sent to the main window before the
#                                     picture, e.g. "alt+h Down Return" for the about box;
#                                     "click:X,Y" clicks the screen there
#     --sim "CMD" FILE.png            after the main picture: send CMD to ampsim, wait,
#                                     take FILE.png (repeatable, e.g. unplug then replug)
#     --wait SECONDS                  settle time before each picture (default 2)
#     --keep DIR                      use DIR as the folder and keep it (logs, Init.ini)
#
# Needs xvfb-run, xdotool and ImageMagick's import (tools/install-deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/init-ini.sh"
build=${BUILD_DIR:-$root/build}

family=fx
fx_version=""
language=1
dialog_shot=""
keys=""
wait_s=2
keep=""
sim_steps=()
out=""
args=("$@")
while [ $# -gt 0 ]; do
  case "$1" in
    --family) family=$2; shift 2 ;;
    --fx-version) fx_version=$2; shift 2 ;;
    --language) language=$2; shift 2 ;;
    --dialog) dialog_shot=$2; shift 2 ;;
    --keys) keys=$2; shift 2 ;;
    --sim) [ $# -ge 3 ] || { echo "--sim needs a command and a picture file" >&2; exit 2; }
           sim_steps+=("$2" "$3"); shift 3 ;;
    --wait) wait_s=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) out=$1; shift ;;
  esac
done
[ -n "$out" ] || { sed -n '2,17p' "$0" >&2; exit 2; }

for tool in xvfb-run xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing" >&2; exit 2; }
done

# Without a display, run this script again inside a virtual one.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "${args[@]}"
fi

choice=$(family_choice "$family") || { echo "unknown family $family" >&2; exit 2; }

if [ -z "$fx_version" ]; then
  case "$family" in fx|bx|dx) fx_version=31 ;; *) fx_version=33 ;; esac
fi

if [ -n "$keep" ]; then
  folder=$keep
  mkdir -p "$folder"
else
  folder=$(mktemp -d /tmp/servodesk-shot.XXXXXX)
fi
for f in servodesk Message.E Message.J Message.C BXAmp.typ Motor.typ FX_Motor.tpy limit.ini Main.Bmp; do
  cp "$build/ServoDesk/$f" "$folder/"
done
write_init_ini "$folder/Init.ini" "$language" "$choice" "$fx_version"

fifo="$folder/ampsim.in"
rm -f "$fifo" "$folder/Com1"
mkfifo "$fifo"
"$build/sim/ampsim" --family "$family" --fx-version "$fx_version" --link "$folder/Com1" \
  --pace --log "$folder/ampsim.log" < "$fifo" > "$folder/ampsim.out" 2>&1 &
sim=$!
exec 3> "$fifo"  # holds the command pipe open for the whole run
desk=""
cleanup() {
  if [ -n "$desk" ]; then
    kill "$desk" 2>/dev/null || true
    wait "$desk" 2>/dev/null || true
  fi
  echo quit >&3 2>/dev/null || true
  exec 3>&-
  wait "$sim" 2>/dev/null || true
  [ -n "$keep" ] || rm -rf "$folder"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "$folder/Com1" ] && break; sleep 0.1; done
[ -e "$folder/Com1" ] || { echo "screenshot.sh: ampsim did not start:" >&2; cat "$folder/ampsim.out" >&2; exit 1; }

(cd "$folder" && exec ./servodesk) > "$folder/servodesk.out" 2>&1 &
desk=$!

# The main window shows first, then the family question over it.
xdotool search --sync --onlyvisible --class servodesk > /dev/null
sleep "$wait_s"
[ -z "$dialog_shot" ] || import -window root "$dialog_shot"
xdotool key Return
sleep "$wait_s"
if [ -n "$keys" ]; then
  main=$(xdotool search --onlyvisible --name 'V1\.500' | head -1)
  [ -z "$main" ] || xdotool windowfocus --sync "$main" 2>/dev/null || true
  for key in $keys; do
    case "$key" in
      click:*) xy=${key#click:}; xdotool mousemove "${xy%,*}" "${xy#*,}" click 1 ;;
      *) xdotool key "$key" ;;
    esac
    sleep 0.4
  done
  sleep "$wait_s"
fi
import -window root "$out"

for ((i = 0; i < ${#sim_steps[@]}; i += 2)); do
  echo "${sim_steps[i]}" >&3
  sleep "$wait_s"
  import -window root "${sim_steps[i+1]}"
done
echo "wrote $out"
