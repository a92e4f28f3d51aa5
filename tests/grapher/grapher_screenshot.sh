#!/usr/bin/env bash
# The grapher's windows on a real X server: starts Xvfb (and openbox for
# window frames), runs tst_grapher_screens on the xcb platform, which leaves
# grapher_two_curves_and_breakdown.png in $ORVANT_ARTIFACT_DIR; then starts
# the grapher program itself from a copy beside a fresh database and checks
# that it comes up and stays up (grapher_startup.png).
set -euo pipefail
for tool in Xvfb import; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
bin="$ORVANT_BUILD_DIR/tests/tst_grapher_screens"
program="$ORVANT_BIN_DIR/grapher"
mkdb="$ORVANT_BUILD_DIR/tools/orvant-mkdb"
for f in "$bin" "$program" "$mkdb"; do
  [ -x "$f" ] || { echo "missing $f"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# -displayfd: the server picks a free display and writes its number.
Xvfb -noreset -displayfd 3 -screen 0 1280x800x24 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
if command -v openbox >/dev/null; then
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
fi

mkdir -p "$work/runtime" "$ORVANT_ARTIFACT_DIR"
chmod 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb timeout 120 "$bin"
echo "screenshot: $ORVANT_ARTIFACT_DIR/grapher_two_curves_and_breakdown.png"

# The program opens ping_addr.mdb beside itself.
mkdir "$work/app"
cp "$program" "$work/app/"
"$mkdb" "$work/app/ping_addr.mdb" >/dev/null
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb "$work/app/grapher" 2>"$work/grapher.log" &
app=$!
pids+=($app)
shown=no
for _ in $(seq 1 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"GRAPHER"'; then shown=yes; break; fi
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
sleep 1
kill -0 "$app" 2>/dev/null || { echo "grapher ended at start-up"; cat "$work/grapher.log"; exit 1; }
[ "$shown" = yes ] || { echo "no GRAPHER window appeared"; cat "$work/grapher.log"; exit 1; }
import -window root "$ORVANT_ARTIFACT_DIR/grapher_startup.png"
kill "$app"
echo "screenshot: $ORVANT_ARTIFACT_DIR/grapher_startup.png"
