#!/bin/bash
# The built monitor without any display: it chooses Qt's offscreen platform
# by itself, says so once on stderr, keeps working (its first pass reads the
# database) and ends cleanly on Ctrl-C. The address book is emptied, so no
# echo request is sent anywhere.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_tools sqlite3 timeout

work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL $pid 2>/dev/null; rm -rf "$work"' EXIT
install_program "$work" orvant
mkdir -m 700 "$work/run"
sqlite3 "$work/ping_addr.mdb" "delete from addrs; update options set refresh_time=0, snd_err='', snd_rest='';"

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/run" \
    "$work/orvant" >"$work/out.log" 2>"$work/err.log" &
pid=$!
# Passes run every second with refresh 0; let a few go by.
sleep 4
if ! kill -0 $pid 2>/dev/null; then
    echo "FAIL: the monitor ended by itself"; cat "$work/err.log"; exit 1
fi
kill -INT $pid
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then
    kill -KILL $pid; echo "FAIL: Ctrl-C did not end the monitor"; exit 1
fi
wait $pid
status=$?
cat "$work/err.log"
[ $status = 0 ] || { echo "FAIL: exit status $status after Ctrl-C"; exit 1; }
said=$(grep -c "no display found" "$work/err.log")
[ "$said" = 1 ] || { echo "FAIL: the offscreen note was printed $said times"; exit 1; }
if grep -qi "database error" "$work/err.log"; then
    echo "FAIL: database errors on a fresh database"; exit 1
fi
echo "PASS"
