#!/usr/bin/env bash
# Takes a picture of the window as it opens, under a virtual X server, and
# writes it as a PNG (default: docs/screenshot.png).
# Usage: scripts/screenshot.sh [OUTPUT.png]    (BUILD=dir picks the build, default build)
# Needs: scripts/install-deps.sh screenshot
set -euo pipefail
cd "$(dirname "$0")/.."

output=${1:-docs/screenshot.png}
program=${BUILD:-build}/bin/tarnwick
[ -x "$program" ] || { echo "no $program: build it first (make build)" >&2; exit 1; }
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh screenshot" >&2; exit 1; }
done

workdir=$(mktemp -d)
xvfb_pid="" app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$workdir"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 640x200x24 -nolisten tcp 3>"$workdir/display" 2>"$workdir/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$workdir/display" ] && break; sleep 0.1; done
[ -s "$workdir/display" ] || { echo "Xvfb did not start:" >&2; cat "$workdir/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$workdir/display")"

# A fixed style and scale, so the picture does not depend on the desktop
# the script happens to run on.
QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= QT_STYLE_OVERRIDE=Fusion QT_SCALE_FACTOR=${SCALE:-1} \
  XDG_RUNTIME_DIR="$workdir" "$program" 2>"$workdir/app.log" &
app_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tarnwick$' | head -n1) || true
[ -n "$window" ] || { echo "the window did not appear:" >&2; cat "$workdir/app.log" >&2; exit 1; }
sleep 1  # let the first paint finish; X has nothing to wait on for it

mkdir -p "$(dirname "$output")"
import -window "$window" png:- | convert - -strip "$output"
echo "wrote $output ($(identify -format '%wx%h' "$output"))"
