#!/bin/bash
# Runs x11_sliderdrag on a private Xvfb display with openbox, so the sliders
# meet a real X server and window manager. Exit 77 (skipped) when a tool is
# missing.
set -u
exe=${1:?usage: slider-x11.sh <x11_sliderdrag>}
for tool in Xvfb openbox xdotool xprop xwininfo import; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

Xvfb -noreset -displayfd 3 -screen 0 800x600x24 -dpi 96 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { echo "Xvfb did not start"; cat "$tmp/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"

openbox >"$tmp/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

mkdir -m 700 "$tmp/run"
export XDG_RUNTIME_DIR="$tmp/run"
export QT_QPA_PLATFORM=xcb
"$exe"
