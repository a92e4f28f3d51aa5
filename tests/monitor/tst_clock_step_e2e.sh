#!/bin/bash
# End to end: the built monitor (offscreen, a zero polling period) under
# libfaketime, in a network namespace made here. While 127.0.0.2 is dropped
# its outage opens; then the faked wall clock is set back an hour (the
# timestamp file, monotonic clocks left alone) and the drop is lifted. The
# passes must go on: the row is closed within seconds, at its begin rather
# than an hour before it, and the event list says the clock was set back.
# All traffic stays on the namespace's own loop-back.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sqlite3
faketime_lib=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
[ -r "$faketime_lib" ] || { echo "SKIP: libfaketime (Debian package faketime) is not installed"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant
mkdir -m 700 "$work/run"
db="$work/ping_addr.mdb"
sqlite3 "$db" "delete from addrs;
  insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.1','answers',200),('127.0.0.2','dropped',200);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"
echo "+0" >"$work/faketime"

export WORK="$work" DB="$db" TESTLIB="$(dirname "$0")/../support/testlib.sh" FAKETIME_LIB="$faketime_lib"
timeout 120 unshare -n bash -c '
    set -u
    . "$TESTLIB"
    fail() { echo "FAIL: $*"; echo "--- orvant output ---"; cat "$WORK/orvant.log"; kill -KILL $pid 2>/dev/null; exit 1; }

    ip link set lo up
    nft add table inet e2e
    nft add chain inet e2e inp "{ type filter hook input priority 0; }"
    nft add rule inet e2e inp ip daddr 127.0.0.2 icmp type echo-request drop

    LD_PRELOAD="$FAKETIME_LIB" FAKETIME_TIMESTAMP_FILE="$WORK/faketime" FAKETIME_NO_CACHE=1 \
        FAKETIME_DONT_FAKE_MONOTONIC=1 XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=offscreen \
        "$WORK/orvant" >"$WORK/orvant.log" 2>&1 &
    pid=$!

    wait_for "select count(*) from logs where ip=\"127.0.0.2\" and foe=0" 1 200 \
        || fail "no open row for the dropped address within 20 s"
    echo "-1h" >"$WORK/faketime"
    sleep 3
    nft flush chain inet e2e inp
    wait_for "select count(*) from logs where foe=1" 1 150 \
        || fail "no pass closed the row within 15 s of the clock going back an hour"
    row=$(q "select time_begin||\" \"||time_end from logs")
    [ "$(q "select count(*) from logs where time_end<time_begin")" = 0 ] || fail "an end before its begin: $row"
    [ "$(q "select count(*) from logs")" = 1 ] || fail "rows: $(q "select * from logs")"
    grep -q "часы переведены назад" "$WORK/orvant.log" || fail "the step back was not told (row $row, now $(date "+%F %T"))"

    kill -TERM $pid
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -0 $pid 2>/dev/null && fail "the monitor did not end within 10 s of SIGTERM"
    wait $pid
    echo "passes went on after the step back; row $row"
'
