#!/usr/bin/env bash
# Installs Quorvane from the build tree into a scratch prefix, checks the desktop files,
# builds the Debian package, checks it with lintian, unpacks it and starts the installed
# program offscreen through its normal way out (SIGTERM), settings written.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$scratch/dest cmake --install "$build" --prefix /usr > /dev/null
root=$scratch/dest/usr
for f in bin/quorvane share/applications/org.quorvane.Quorvane.desktop \
         share/metainfo/org.quorvane.Quorvane.metainfo.xml share/man/man1/quorvane.1.gz \
         share/icons/hicolor/scalable/apps/quorvane.svg share/doc/quorvane/copyright; do
  [ -e "$root/$f" ] || fail "not installed: $f"
done
for size in 16 22 24 32 48 64 128 256; do
  [ -e "$root/share/icons/hicolor/${size}x${size}/apps/quorvane.png" ] || fail "no ${size}px icon"
done
desktop-file-validate "$root/share/applications/org.quorvane.Quorvane.desktop"
grep -q '^Exec=quorvane %F$' "$root/share/applications/org.quorvane.Quorvane.desktop" || fail "Exec"

# The file kinds, from the installed description: by extension, a library also by its start.
mime=$root/share/mime/packages/org.quorvane.Quorvane.xml
[ -e "$mime" ] || fail "not installed: the MIME description"
xmllint --noout "$mime"
update-mime-database "$root/share/mime"
printf '[Application Settings]\nFile Type=Slider Settings\n' > "$scratch/song.qrt"
head -c 11704 /dev/zero > "$scratch/live.snp"
printf '\x10Snapshot Library' > "$scratch/library"
for pair in song.qrt:application/x-quorvane-sliders live.snp:application/x-quorvane-snapshots \
            library:application/x-quorvane-snapshots; do
  type=$(XDG_DATA_HOME=$root/share XDG_DATA_DIRS=/usr/share XDG_CURRENT_DESKTOP=GNOME \
         xdg-mime query filetype "$scratch/${pair%%:*}")
  [ "$type" = "${pair#*:}" ] || fail "${pair%%:*} is '$type'"
  grep -q "^MimeType=.*${pair#*:};" "$root/share/applications/org.quorvane.Quorvane.desktop" ||
    fail "the desktop file does not take ${pair#*:}"
done
appstreamcli validate --no-net "$root/share/metainfo/org.quorvane.Quorvane.metainfo.xml"
grep -q '<project_license>GPL-3.0-or-later</project_license>' \
  "$root/share/metainfo/org.quorvane.Quorvane.metainfo.xml" || fail "no licence in the metainfo"
grep -q '^License: GPL-3+$' "$root/share/doc/quorvane/copyright" || fail "no licence in copyright"
cmp -s "$(dirname "$0")/../../LICENSE" /usr/share/common-licenses/GPL-3 || fail "LICENSE is not GPL-3"

(cd "$scratch" && cpack --config "$build/CPackConfig.cmake" -B "$scratch/pkg" > /dev/null)
deb=$(ls "$scratch"/pkg/quorvane_*.deb)
lintian --fail-on error --display-info --tag-display-limit 0 "$deb" | tee "$scratch/lintian"
if [ "${2:-1}" = 1 ]; then
  ! grep -q 'hardening-' "$scratch/lintian" || fail "built without the hardening flags"
fi
dpkg-deb -c "$deb" | grep -q '/usr/share/mime/packages/org.quorvane.Quorvane.xml$' ||
  fail "the package lacks the MIME description"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no Qt runtime dependency"

dpkg-deb -x "$deb" "$scratch/root"
program=$scratch/root/usr/bin/quorvane
"$program" --version | grep -qx "Quorvane [0-9.]*" || fail "--version"
"$program" --version | grep -q "GNU GPL version 3 or later" || fail "no licence in --version"

# Not portable: the settings go to the user's configuration folder, nothing beside the program.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$scratch XDG_CONFIG_HOME=$scratch/config
settings=$scratch/config/Quorvane/Brellin.ini
"$program" --no-splash &
pid=$!
# Ends it once it catches SIGTERM (bit 15 of SigCgt): it is up and will leave orderly.
for _ in $(seq 200); do
  mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
  [ -n "$mask" ] && (( (16#$mask >> 14) & 1 )) && break
  kill -0 "$pid" 2>/dev/null || fail "the installed program ended by itself"
  sleep 0.1
done
kill -TERM "$pid"
wait "$pid" || fail "exit status $?"
pid=
grep -q '^\[Window Settings\]' "$settings" || fail "no settings written at exit"
[ "$(ls "$scratch/root/usr/bin")" = quorvane ] || fail "a file written beside the program"
echo "package: installed, validated and started"
