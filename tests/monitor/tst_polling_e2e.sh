#!/bin/bash
# End to end: the built monitor (offscreen) in a network namespace made
# here, with one answering and one dropped address and a zero polling
# period. After a few passes exactly one open row exists, for the dropped
# address; once the drop is lifted the row is closed with time_end set.
# All traffic stays on the namespace's own loop-back.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sqlite3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant
mkdir -m 700 "$work/run"
db="$work/ping_addr.mdb"
sqlite3 "$db" "delete from addrs;
  insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.1','answers',200),('127.0.0.2','dropped',200);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"

export WORK="$work" DB="$db"
timeout 120 unshare -n bash -c '
    set -u
    q() { sqlite3 -cmd ".timeout 5000" "$DB" "$1"; }
    fail() { echo "FAIL: $*"; echo "--- orvant output ---"; cat "$WORK/orvant.log"; kill -KILL $pid 2>/dev/null; exit 1; }
    # Polls a query until it prints the wanted text, for at most $3 tenths of a second.
    wait_for() { for _ in $(seq "$3"); do [ "$(q "$1")" = "$2" ] && return 0; sleep 0.1; done; return 1; }

    ip link set lo up
    nft add table inet e2e
    nft add chain inet e2e inp "{ type filter hook input priority 0; }"
    nft add rule inet e2e inp ip daddr 127.0.0.2 icmp type echo-request drop

    XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=offscreen "$WORK/orvant" >"$WORK/orvant.log" 2>&1 &
    pid=$!

    wait_for "select count(*) from logs where ip=\"127.0.0.2\" and foe=0" 1 200 \
        || fail "no open row for the dropped address within 20 s"
    # A few more passes (a pass is about 0.8 s plus one second of period).
    sleep 5
    kill -0 $pid 2>/dev/null || fail "the monitor ended by itself"
    [ "$(q "select count(*) from logs")" = 1 ] || fail "expected exactly one row: $(q "select * from logs")"
    [ "$(q "select ip||\"|\"||foe||\"|\"||ifnull(time_end,\"<null>\") from logs")" = "127.0.0.2|0|<null>" ] \
        || fail "unexpected row: $(q "select * from logs")"

    nft flush chain inet e2e inp
    wait_for "select foe from logs where ip=\"127.0.0.2\"" 1 200 || fail "the row was not closed within 20 s"
    end=$(q "select time_end from logs where ip=\"127.0.0.2\"")
    [[ "$end" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] || fail "time_end is \"$end\""
    [ "$(q "select count(*) from logs")" = 1 ] || fail "rows: $(q "select * from logs")"

    kill -TERM $pid
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -0 $pid 2>/dev/null && fail "the monitor did not end within 10 s of SIGTERM"
    wait $pid
    rc=$?
    [ $rc = 0 ] || fail "the monitor ended with status $rc after SIGTERM"
    echo "row closed at $end; monitor ended cleanly"
'
