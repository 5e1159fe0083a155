#!/usr/bin/env bash
# Installs what is missing, builds, and starts ServoDesk on the simulated amplifier.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh"
echo "ServoDesk is not assembled yet." >&2
exit 1
