#!/usr/bin/env bash
# Pictures of the main window after reading each of the four demo
# transmitters, of the port dialog and the device list, and of the trend, taken under a
# virtual X server at 1366x768.
# Usage: tools/screenshots.sh [build dir] [output dir]
set -euo pipefail
build=${1:-build}
out=${2:-/tmp/tservice-shots}
gui="$build/app/tservice"
if [ ! -x "$gui" ]; then
  echo "no program at $gui: build first (make build)" >&2
  exit 1
fi
mkdir -p "$out"
for n in 1 2 3 4; do
  file="$out/device-$n.png"
  rm -f "$file"
  TSERVICE_SHOT_DEVICE=$n TSERVICE_SHOT_FILE="$file" \
    timeout 60 xvfb-run -a -s "-screen 0 1366x768x24" "$gui" --demo
  if [ ! -s "$file" ]; then
    echo "no picture of device $n" >&2
    exit 1
  fi
  echo "$file"
done
# The port dialog and the device list after a scan of numbers 1 to 4.
for dialog in port device; do
  file="$out/dialog-$dialog.png"
  rm -f "$file"
  TSERVICE_SHOT_DEVICE=1 TSERVICE_SHOT_FILE="$file" TSERVICE_SHOT_DIALOG=$dialog \
    timeout 60 xvfb-run -a -s "-screen 0 1366x768x24" "$gui" --demo
  [ -s "$file" ] || { echo "no picture of the $dialog dialog" >&2; exit 1; }
  echo "$file"
done
# The trend after five minutes of polling the ТЕВ-ТП (accelerated time).
file="$out/trend.png"
rm -f "$file"
TSERVICE_SHOT_DEVICE=3 TSERVICE_SHOT_FILE="$file" TSERVICE_SHOT_TREND=1 \
  timeout 90 xvfb-run -a -s "-screen 0 1366x768x24" "$gui" --demo
[ -s "$file" ] || { echo "no picture of the trend" >&2; exit 1; }
echo "$file"
