#!/usr/bin/env bash
# End-to-end smoke test: ServoDesk under a virtual display against ampsim on a
# pseudo-terminal. Answers the family question, lets the status poll run for a
# few seconds, exits through the menu and checks from the simulator's log that
# the amplifier was identified and polled every 200 ms.
#   smoke.sh INSTALL_DIR AMPSIM
# Exit 77 (skipped) when the virtual display or xdotool is missing.
set -uo pipefail
install_dir=$1
ampsim=$2
skip=77

for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit $skip; }
done
[ -x "$install_dir/servodesk" ] || { echo "FAIL: no $install_dir/servodesk"; exit 1; }

# Inside the virtual display: drive the program and report through the exit code.
if [ -z "${SMOKE_INSIDE:-}" ]; then
  folder=$(mktemp -d /tmp/servodesk-e2e.XXXXXX)
  trap 'rm -rf "$folder"' EXIT
  for f in servodesk Message.E Message.J Message.C BXAmp.typ Motor.typ FX_Motor.tpy limit.ini; do
    cp "$install_dir/$f" "$folder/" || { echo "FAIL: $f is not installed"; exit 1; }
  done
  # The previous choice is FX; FX_Version is deliberately not 31, so the saved
  # value shows that identification decided it.
  source "$(dirname "$0")/../../tools/init-ini.sh"
  write_init_ini "$folder/Init.ini" 1 "$(family_choice fx)" 25
  SMOKE_INSIDE=1 SMOKE_FOLDER=$folder timeout 90 \
    xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "$install_dir" "$ampsim"
  exit $?
fi

folder=$SMOKE_FOLDER
log=$folder/ampsim.log
fail() {
  echo "FAIL: $*"
  echo "--- ampsim log (head)"; head -20 "$log" 2>/dev/null
  echo "--- servodesk output"; cat "$folder/servodesk.out" 2>/dev/null
  exit 1
}

"$ampsim" --family fx --fx-version 31 --link "$folder/Com1" --pace --log "$log" \
  < /dev/null > "$folder/ampsim.out" 2>&1 &
sim=$!
desk=""
cleanup() {
  [ -z "$desk" ] || kill "$desk" 2>/dev/null
  kill "$sim" 2>/dev/null
  wait "$sim" 2>/dev/null
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "$folder/Com1" ] && break; sleep 0.1; done
[ -e "$folder/Com1" ] || fail "ampsim did not link Com1"

(cd "$folder" && exec ./servodesk) > "$folder/servodesk.out" 2>&1 &
desk=$!

main_window() { xdotool search --onlyvisible --name 'V1\.500' 2>/dev/null | head -1; }

# The family question is the first window; Return presses the focused button.
# A key sent before the dialog has the focus is lost, so press until it is gone.
timeout 60 xdotool search --sync --onlyvisible --class servodesk > /dev/null ||
  fail "no window appeared"
# The main window shows before the family question; the question is answered
# once the link carries requests.
for _ in $(seq 20); do
  sleep 0.5
  [ -s "$log" ] && break
  xdotool key Return
done
main=$(main_window)
[ -n "$main" ] && [ -s "$log" ] || fail "the family question was not answered"
sleep 3

# Exit through the menu: Alt+X opens "E&xit", Return answers Yes.
for _ in $(seq 5); do
  xdotool windowfocus --sync "$main" 2>/dev/null
  xdotool key alt+x
  sleep 0.5
  xdotool key Return
  for _ in $(seq 10); do kill -0 "$desk" 2>/dev/null || break 2; sleep 0.1; done
done
kill -0 "$desk" 2>/dev/null && fail "servodesk did not exit after Exit and Yes"
desk=""

# Identification: the CPU word and the rating were read.
grep -qP '^\d+\tR5C3' "$log" || fail "no CPU word (C3) read"
grep -qP '^\d+\tR58B' "$log" || fail "no rating (8B) read"

# Status poll: the C7 status reads come about every 200 ms.
read -r count median < <(awk -F'\t' '$2 ~ /^R5C7/ { t[n++] = $1 }
  END {
    for (i = 1; i < n; i++) d[i - 1] = t[i] - t[i - 1]
    m = n - 1
    for (i = 0; i < m; i++) for (j = i + 1; j < m; j++) if (d[j] < d[i]) { x = d[i]; d[i] = d[j]; d[j] = x }
    print n, (m > 0 ? d[int(m / 2)] : -1)
  }' "$log")
echo "status reads: $count, median interval: $median ms"
[ "$count" -ge 10 ] || fail "only $count status reads in about 3 s"
[ "$median" -ge 180 ] && [ "$median" -le 260 ] || fail "median status interval $median ms"

# Exit rewrote the settings with the identified version.
grep -qx 'Before Amplifier=  2' "$folder/Init.ini" || fail "Init.ini: $(cat "$folder/Init.ini")"
grep -qx 'FX_Version= 31' "$folder/Init.ini" || fail "Init.ini: $(cat "$folder/Init.ini")"
echo "PASS"
