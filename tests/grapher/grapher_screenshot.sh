#!/usr/bin/env bash
# The grapher's windows on a real X server: starts Xvfb (and openbox for
# window frames), runs tst_grapher_screens on the xcb platform, which leaves
# grapher_two_curves_and_breakdown.png in $ORVANT_ARTIFACT_DIR; then starts
# the grapher program itself from a copy beside a fresh database and checks
# that it comes up and stays up (grapher_startup.png).
set -euo pipefail
. "$(dirname "$0")/../support/testlib.sh"
require_tools Xvfb openbox xprop xwininfo import
bin="$ORVANT_BUILD_DIR/tests/tst_grapher_screens"
[ -x "$bin" ] || { echo "missing $bin"; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT

start_xvfb "$work" 1280x800x24
start_openbox "$work"

mkdir -p "$work/runtime" "$ORVANT_ARTIFACT_DIR"
chmod 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb timeout 120 "$bin"
echo "screenshot: $ORVANT_ARTIFACT_DIR/grapher_two_curves_and_breakdown.png"
ORVANT_TEST_LANG=en_US.UTF-8 XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb timeout 120 "$bin"
echo "screenshot: $ORVANT_ARTIFACT_DIR/grapher_two_curves_and_breakdown_en.png"

# The program opens ping_addr.mdb beside itself.
install_program "$work/app" grapher
# startup_shot NAME [VAR=value …]: starts the program with those variables,
# waits for its window and saves the screen as NAME.png.
startup_shot() {
  local name=$1; shift
  env XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb "$@" "$work/app/grapher" 2>"$work/$name.log" &
  local app=$!
  pids+=($app)
  local shown=no
  for _ in $(seq 1 100); do
    if grep -q '"GRAPHER"' <<<"$(xwininfo -root -tree 2>/dev/null)"; then shown=yes; break; fi
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
  done
  sleep 1
  kill -0 "$app" 2>/dev/null || { echo "grapher ($name) ended at start-up"; cat "$work/$name.log"; exit 1; }
  [ "$shown" = yes ] || { echo "no GRAPHER window appeared ($name)"; cat "$work/$name.log"; exit 1; }
  import -window root "$ORVANT_ARTIFACT_DIR/$name.png"
  kill "$app"
  echo "screenshot: $ORVANT_ARTIFACT_DIR/$name.png"
}
startup_shot grapher_startup
# The program itself with an English desktop: its texts from translations/ beside it.
startup_shot grapher_startup_en LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8
