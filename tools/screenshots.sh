#!/usr/bin/env bash
# Pictures of the demo under a virtual X server with a window manager
# (openbox), taken from the screen so the frames show: the main window after
# reading each of the four demo transmitters, an unwritten change, the port
# dialog, the device list during and after a scan, a question box, and the
# trend after five minutes of polling the ТЕВ-ТП (accelerated time), the
# exchange settings, the closing and entry-error boxes, every panel open and
# the line overview at 1024x768 and 1280x1024, the check dialog with three
# points of a ТЕВ-ТС taken, the comparison with a file and the change journal,
# and the manual's window at a message's entry.
# Usage: tools/screenshots.sh [build dir] [output dir]
# A new picture is one more line in SHOTS: file name, device number read
# first, the TSERVICE_SHOT_DIALOG value ("-" for the main window) and the
# screen size (1024x768 unless given).
set -euo pipefail
build=${1:-build}
out=${2:-/tmp/tservice-shots}
gui="$build/app/tservice"
if [ ! -x "$gui" ]; then
  echo "no program at $gui: build first (make build)" >&2
  exit 1
fi
command -v openbox >/dev/null || { echo "openbox is missing (make deps)" >&2; exit 1; }
mkdir -p "$out"

SHOTS=(
  "device-1 1 -"
  "device-2 2 -"
  "device-3 3 -"
  "device-4 4 -"
  "changed 1 changed"
  "dialog-port 1 port"
  "dialog-scan 1 scan"
  "dialog-device 1 device"
  "question 1 question"
  "trend 0 trend"
  "dialog-nastr 1 nastr"
  "box-done 1 done"
  "box-entry 1 entry"
  "panels-1024 3 panels 1024x768"
  "panels-1280 3 panels 1280x1024"
  "line-1024 0 line 1024x768"
  "line-1280 0 line 1280x1024"
  "dialog-check 2 check"
  "compare 3 compare"
  "journal 3 journal"
  "help 1 help"
)

# One program run inside its own X server and window manager.
shoot() {
  local name=$1 device=$2 dialog=$3 screen=${4:-1024x768}
  local file="$out/$name.png"
  rm -f "$file"
  [ "$dialog" = "-" ] && dialog=""
  TSERVICE_SHOT_DEVICE=$device TSERVICE_SHOT_FILE="$file" TSERVICE_SHOT_DIALOG=$dialog \
    env -u QT_QPA_PLATFORM timeout 90 xvfb-run -a -s "-screen 0 ${screen}x24" \
    sh -c 'openbox >/dev/null 2>&1 & sleep 1; "$0" --demo' "$gui"
  if [ ! -s "$file" ]; then
    echo "no picture $name" >&2
    exit 1
  fi
  echo "$file"
}

for shot in "${SHOTS[@]}"; do
  # shellcheck disable=SC2086
  shoot $shot
done
