#!/usr/bin/env bash
# Installs what is missing, builds, and starts ServoDesk on the simulated
# amplifier: ampsim serves a pseudo-terminal linked as Com1 in the installation
# folder, and ServoDesk starts in that folder.
#   FAMILY=bx|dx|fx|kqrv|lqrv|yz   the simulated amplifier (default fx)
#   FX_VERSION=25|27|28|30|31|33    its FX version (default 31)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/init-ini.sh"
bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh"
build=${BUILD_DIR:-$root/build}
folder="$build/ServoDesk"
family=${FAMILY:-fx}
fx_version=${FX_VERSION:-31}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<MSG
There is no display. Run ServoDesk under a virtual one, for example:
  xvfb-run -a -s "-screen 0 1280x800x24" bash tools/run.sh
and take a picture of it with:  import -display :99 -window root shot.png
MSG
  exit 2
fi

# Offer the simulated family first in the family question.
if [ ! -f "$folder/Init.ini" ]; then
  choice=$(family_choice "$family") || choice=2
  write_init_ini "$folder/Init.ini" 1 "$choice" "$fx_version"
fi

"$build/sim/ampsim" --family "$family" --fx-version "$fx_version" --link "$folder/Com1" \
  --pace --log "$folder/ampsim.log" < /dev/null &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$folder/Com1" ] && break; sleep 0.1; done
[ -e "$folder/Com1" ] || { echo "run.sh: ampsim did not start; see $folder/ampsim.log" >&2; exit 1; }

cd "$folder"
./servodesk
