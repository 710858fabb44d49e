#!/usr/bin/env bash
# How long the window takes to appear: milliseconds from starting `tarnwick`
# until a visible window captioned "Tarnwick" exists, under a private Xvfb.
# Usage: bench/window-startup.sh [BINARY] [RUNS]
set -euo pipefail
binary=${1:-build/bin/tarnwick}
runs=${2:-7}
display=:$((90 + RANDOM % 100))

Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
export DISPLAY=$display XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  "$binary" & program=$!
  until xdotool search --onlyvisible --name '^Tarnwick$' >/dev/null 2>&1; do
    sleep 0.005
    if (( ($(date +%s%N) - start) > 10000000000 )); then echo "no window after 10 s" >&2; exit 1; fi
  done
  echo "$(( ($(date +%s%N) - start) / 1000000 )) ms"
  kill "$program"
  wait "$program" 2>/dev/null || true
done
