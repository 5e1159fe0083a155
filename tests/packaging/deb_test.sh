#!/usr/bin/env bash
# Builds the Debian package and checks its control fields and file list, runs
# lintian on it (when installed), then unpacks it: documentation in place,
# stripped programs, size, and servoctl and servodesk --version from the tree.
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
    /usr/share/man/man1/servodesk.1.gz /usr/share/man/man1/servoctl.1.gz \
    /usr/share/man/man1/ampsim.1.gz /usr/share/doc/servodesk/copyright \
    /usr/share/doc/servodesk/changelog.gz /usr/share/doc/servodesk/README.Debian \
    /usr/share/lintian/overrides/servodesk; do
  grep -qx "$file" "$tmp/files" || { echo "not in the package: $file"; cat "$tmp/files"; exit 1; }
done
if grep -v -e '^/$' -e '^/usr/' "$tmp/files" | grep -q .; then
  echo "files outside /usr"; exit 1
fi

# Errors and warnings fail unless the package's override file names them.
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 ||
    { echo "lintian:"; cat "$tmp/lintian.log"; exit 1; }
fi

installed_kb=$(dpkg-deb -f "$deb" Installed-Size)
[ "$installed_kb" -lt 8192 ] || { echo "installs $installed_kb KB"; exit 1; }

dpkg-deb -x "$deb" "$tmp/root"
grep -qx "Exec=/usr/bin/servodesk" "$tmp/root/usr/share/applications/servodesk.desktop"
grep -q "^License: Expat" "$tmp/root/usr/share/doc/servodesk/copyright"
gzip -t "$tmp/root/usr/share/doc/servodesk/changelog.gz" "$tmp"/root/usr/share/man/man1/*.gz
for program in servodesk servoctl ampsim; do
  if readelf -S "$tmp/root/usr/bin/$program" | grep -q -e '\.debug_' -e '\.symtab'; then
    echo "$program is not stripped"; exit 1
  fi
done
"$tmp/root/usr/bin/servoctl" --help | grep -q "servoctl ports"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$tmp/root/usr/bin/servodesk" --version)
[ "$version" = "servodesk $(dpkg-deb -f "$deb" Version)" ] || { echo "--version: $version"; exit 1; }
echo "debian package: 1 passed, 0 failed"
