#!/bin/bash
# End to end: the built monitor (offscreen) in a network namespace made
# here, with one answering and one dropped address of each family (fd00::2
# on a prefix routed locally on lo) and a zero polling period. After a few
# passes exactly one open row exists per dropped address; once the drops are
# lifted the rows are closed with time_end set.
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
  insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.1','answers',200),('127.0.0.2','dropped',200),
    ('::1','answers6',200),('fd00::2','dropped6',200);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"

export WORK="$work" DB="$db" TESTLIB="$(dirname "$0")/../support/testlib.sh"
timeout 120 unshare -n bash -c '
    set -u
    # Whatever way this shell ends (a failed step, the outer timeout), the
    # monitor it started ends with it.
    trap '"'"'[ -n "${pid:-}" ] && kill -KILL "$pid" 2>/dev/null'"'"' EXIT
    trap '"'"'exit 1'"'"' TERM INT
    . "$TESTLIB"   # q, wait_for …
    fail() { echo "FAIL: $*"; echo "--- orvant output ---"; cat "$WORK/orvant.log"; kill -KILL $pid 2>/dev/null; exit 1; }

    ip link set lo up
    ip -6 route add local fd00::/64 dev lo
    nft add table inet e2e
    nft add chain inet e2e inp "{ type filter hook input priority 0; }"
    nft add rule inet e2e inp ip daddr 127.0.0.2 icmp type echo-request drop
    nft add rule inet e2e inp ip6 daddr fd00::2 icmpv6 type echo-request drop

    XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=offscreen "$WORK/orvant" >"$WORK/orvant.log" 2>&1 &
    pid=$!

    wait_for "select count(*) from logs where ip in (\"127.0.0.2\",\"fd00::2\") and foe=0" 2 200 \
        || fail "no open rows for the dropped addresses within 20 s"
    # A few more passes (a pass is about 0.8 s plus one second of period).
    sleep 5
    kill -0 $pid 2>/dev/null || fail "the monitor ended by itself"
    [ "$(q "select count(*) from logs")" = 2 ] || fail "expected exactly two rows: $(q "select * from logs")"
    [ "$(q "select group_concat(ip||\"|\"||foe||\"|\"||ifnull(time_end,\"<null>\"), \" \") from (select * from logs order by ip)")" \
        = "127.0.0.2|0|<null> fd00::2|0|<null>" ] || fail "unexpected rows: $(q "select * from logs")"

    nft flush chain inet e2e inp
    wait_for "select sum(foe) from logs" 2 200 || fail "the rows were not closed within 20 s"
    for ip in 127.0.0.2 fd00::2; do
        end=$(q "select time_end from logs where ip=\"$ip\"")
        [[ "$end" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] || fail "time_end of $ip is \"$end\""
    done
    [ "$(q "select count(*) from logs")" = 2 ] || fail "rows: $(q "select * from logs")"

    kill -TERM $pid
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -0 $pid 2>/dev/null && fail "the monitor did not end within 10 s of SIGTERM"
    wait $pid
    rc=$?
    [ $rc = 0 ] || fail "the monitor ended with status $rc after SIGTERM"
    echo "row closed at $end; monitor ended cleanly"
'
