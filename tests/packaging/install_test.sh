#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the programs from there:
# servoctl --help, a port diagnosis, and ServoDesk offscreen started the way
# the desktop file starts it (in the installed share folder, settings in the
# user's configuration folder).
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/usr
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log"

for file in bin/servodesk bin/servoctl bin/ampsim \
    share/servodesk/Message.E share/servodesk/Message.J share/servodesk/Message.C \
    share/servodesk/BXAmp.typ share/servodesk/Motor.typ share/servodesk/FX_Motor.tpy \
    share/servodesk/limit.ini share/servodesk/Main.Bmp \
    share/applications/servodesk.desktop share/icons/hicolor/scalable/apps/servodesk.svg \
    share/man/man1/servodesk.1.gz share/man/man1/servoctl.1.gz share/man/man1/ampsim.1.gz \
    share/doc/servodesk/copyright share/doc/servodesk/changelog.gz; do
  [ -f "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
grep -qx "Exec=$prefix/bin/servodesk" "$prefix/share/applications/servodesk.desktop"
grep -qx "Path=$prefix/share/servodesk" "$prefix/share/applications/servodesk.desktop"

"$prefix/bin/servoctl" --help | grep -q "servoctl ports"
set +e
diagnosis=$("$prefix/bin/servoctl" --port /nonexistent/ttyUSB9 read 68 2>&1)
status=$?
set -e
[ $status -eq 1 ] || { echo "servoctl on a missing port: status $status"; exit 1; }
case $diagnosis in
  "Cannot open /nonexistent/ttyUSB9: no such device"*) ;;
  *) echo "unexpected diagnosis: $diagnosis"; exit 1 ;;
esac

# Started in the installed share folder, ServoDesk must find its catalogues
# there and still be running (at the family question) when it is stopped.
mkdir -p "$tmp/home"
set +e
(cd "$prefix/share/servodesk" &&
  env -u XDG_CONFIG_HOME HOME="$tmp/home" QT_QPA_PLATFORM=offscreen \
    timeout 5 "$prefix/bin/servodesk" >"$tmp/servodesk.log" 2>&1)
status=$?
set -e
[ $status -eq 124 ] || { echo "servodesk ended with $status:"; cat "$tmp/servodesk.log"; exit 1; }
if grep -q "catalogue" "$tmp/servodesk.log"; then
  echo "servodesk did not find its catalogues:"; cat "$tmp/servodesk.log"; exit 1
fi
[ ! -e "$prefix/share/servodesk/Init.ini" ] || { echo "settings written into share/"; exit 1; }
echo "installed tree: 1 passed, 0 failed"
