#!/usr/bin/env bash
# Makes the AppStream screenshots in data/screenshots/ from a built program, on a private Xvfb
# screen with the Fusion style: the main window alone, and the whole desk with the snapshot
# list, the vector pad and the MIDI keyboard open. Usage: scripts/screenshots.sh [PROGRAM]
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/src/app/quorvane}")
out=$PWD/data/screenshots
if [ -z "${QUORVANE_IN_XVFB:-}" ]; then
  # Again, inside the private screen.
  QUORVANE_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24 -br" "$0" "$program"
  for f in "$out"/*.png; do convert "$f" -strip "$f"; done  # no time stamps in the files
  echo "screenshots in $out"
  exit 0
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$out"

# Where the windows stand: without a window manager they keep these places.
cat > "$scratch/Brellin.ini" <<'INI'
[Window Settings]
X=0
Y=0
W=1270
H=540
Snapshot Window X=0
Snapshot Window Y=570
Snapshot Window W=300
Snapshot Window H=330
Show Snapshot Window=1
Vector Controller X=320
Vector Controller Y=570
Show Vector Controller=1
MIDI Keyboard X=640
MIDI Keyboard Y=570
Show MIDI Keyboard=1
INI

shoot() {  # shoot NAME: runs the program with the settings given and grabs the screen
  export XDG_CONFIG_HOME=$scratch/config XDG_RUNTIME_DIR=$scratch QT_QPA_PLATFORM=xcb
  "$program" --no-splash -style Fusion --settings "$scratch/$1.ini" &
  local pid=$!
  for _ in $(seq 100); do
    xwininfo -name Quorvane > /dev/null 2>&1 && break
    sleep 0.2
  done
  sleep 2  # painted and settled
  if [ "$1" = main-window ]; then
    import -window Quorvane "$out/$1.png"
  else
    import -window root -trim +repage "$out/$1.png"
  fi
  kill -TERM "$pid"
  wait "$pid" || true
}

printf '[Window Settings]\nX=0\nY=0\nW=1270\nH=540\n' > "$scratch/main-window.ini"
cp "$scratch/Brellin.ini" "$scratch/desk.ini"
shoot main-window
shoot desk
