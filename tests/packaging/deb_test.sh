#!/usr/bin/env bash
# Builds the Debian package and checks its control fields and file list, then
# unpacks it and runs servoctl from the unpacked tree.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log") ||
  { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/*.deb)

[ "$(dpkg-deb -f "$deb" Package)" = servodesk ]
[ "$(dpkg-deb -f "$deb" Section)" = electronics ]
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ]
depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6; do
  case ", $depends," in *", $package "*|*", $package,"*) ;; *) echo "Depends lacks $package: $depends"; exit 1 ;; esac
done

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$tmp/files"
for file in /usr/bin/servodesk /usr/bin/servoctl /usr/bin/ampsim \
    /usr/share/servodesk/Message.E /usr/share/servodesk/Main.Bmp /usr/share/servodesk/limit.ini \
    /usr/share/applications/servodesk.desktop \
    /usr/share/icons/hicolor/scalable/apps/servodesk.svg \
    /usr/share/man/man1/servoctl.1 /usr/share/man/man1/ampsim.1; do
  grep -qx "$file" "$tmp/files" || { echo "not in the package: $file"; cat "$tmp/files"; exit 1; }
done
if grep -v -e '^/$' -e '^/usr/' "$tmp/files" | grep -q .; then
  echo "files outside /usr"; exit 1
fi

dpkg-deb -x "$deb" "$tmp/root"
grep -qx "Exec=/usr/bin/servodesk" "$tmp/root/usr/share/applications/servodesk.desktop"
"$tmp/root/usr/bin/servoctl" --help | grep -q "servoctl ports"
echo "debian package: 1 passed, 0 failed"
