#!/bin/bash
# Runs x11_sliderdrag on a private Xvfb display with openbox, so the sliders
# meet a real X server and window manager. Exit 77 (skipped) when a tool is
# missing.
set -u
exe=${1:?usage: slider-x11.sh <x11_sliderdrag>}
. "$(dirname "$0")/../support/testlib.sh"
require_tools Xvfb openbox xdotool xprop xwininfo import

tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' TERM INT

start_xvfb "$tmp" 800x600x24
start_openbox "$tmp"

mkdir -m 700 "$tmp/run"
export XDG_RUNTIME_DIR="$tmp/run"
export QT_QPA_PLATFORM=xcb
"$exe"
