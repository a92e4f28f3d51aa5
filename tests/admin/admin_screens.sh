#!/bin/bash
# Real windows of the admin under Xvfb with openbox: a screenshot of the main
# window and of every dialog (admin_screens), then the real program started
# twice to see the second copy refuse with "Программа уже запущена!".
# Screenshots go to $ORVANT_ARTIFACT_DIR/admin.
set -u

bin_dir=${ORVANT_BIN_DIR:?}
build_dir=${ORVANT_BUILD_DIR:?}
out_dir=${ORVANT_ARTIFACT_DIR:?}/admin
mkdir -p "$out_dir"

. "$(dirname "$0")/../support/testlib.sh"
require_tools Xvfb openbox xprop import xdotool

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT

start_xvfb "$work" 1024x768x24
start_openbox "$work"

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
status=0

echo "== dialogs"
if ! timeout 120 "$build_dir/tests/admin_screens"; then
  echo "FAIL: admin_screens"
  status=1
fi
# The listings' fit once more at 144 dpi.
if ! QT_SCALE_FACTOR=1.5 timeout 120 "$build_dir/tests/admin_screens"; then
  echo "FAIL: admin_screens at scale 1.5"
  status=1
fi

# The main window and the dialogs again with the English texts.
if ! ORVANT_TEST_LANG=en_US.UTF-8 timeout 120 "$build_dir/tests/admin_screens"; then
  echo "FAIL: admin_screens in English"
  status=1
fi

echo "== single instance"
# The program opens ping_addr.mdb beside itself: run a copy with a fresh database.
app="$work/app"
install_program "$app" admin

wait_window() { # name, tries of 0.1 s
  for _ in $(seq "$2"); do
    local found
    found=$(xdotool search --name "^$1\$" 2>/dev/null | head -n1)
    if [ -n "$found" ]; then echo "$found"; return 0; fi
    sleep 0.1
  done
  return 1
}

LC_ALL=ru_RU.UTF-8 "$app/admin" &
first=$!
pids+=($first)
if ! wait_window "Orvant Admin v2.0.1" 150 >/dev/null; then
  echo "FAIL: the first admin shows no main window"; exit 1
fi
sleep 0.5
import -window root "$out_dir/admin-program-main.png"

LC_ALL=ru_RU.UTF-8 "$app/admin" &
second=$!
pids+=($second)
box=$(wait_window "Orvant Admin" 150)
if [ -z "$box" ]; then
  echo "FAIL: the second admin shows no message"; status=1
else
  sleep 0.5
  import -window root "$out_dir/admin-second-instance.png"
  xdotool windowactivate --sync "$box" 2>/dev/null
  xdotool key --window "$box" Return
  for _ in $(seq 50); do
    kill -0 "$second" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$second" 2>/dev/null; then
    echo "FAIL: the second admin did not end after its message"; status=1
  else
    wait "$second"; rc=$?
    echo "second admin ended with status $rc"
    [ "$rc" -eq 0 ] || status=1
  fi
fi
kill -0 "$first" 2>/dev/null || { echo "FAIL: the first admin ended"; status=1; }

ls "$out_dir"
exit $status
