#!/bin/bash
# End to end with real ICMP in a namespace made here that has a network: lo
# up, and a veth pair with an address and the default route over it. The
# book: 127.0.0.2 answers, 127.0.0.9's echo requests are dropped (nft), and
# 203.0.113.5 lies under an unreachable route. The built monitor must not
# say this machine has no network: it logs 127.0.0.9's outage and none for
# 203.0.113.5, keeps its watched time, and orvant-export --availability gives
# figures for the two and none for the host without a route. Once the route
# is back that host is watched again (and silent: its requests go out over the
# veth, where nothing answers them).
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sqlite3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant
cp "${ORVANT_BIN_DIR:?}/orvant-export" "$work/"
mkdir -m 700 "$work/run"
db="$work/ping_addr.mdb"
sqlite3 "$db" "delete from addrs;
  insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.2','answers',200),('127.0.0.9','dropped',200),
    ('203.0.113.5','no route',200);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"

export WORK="$work" DB="$db" TESTLIB="$(dirname "$0")/../support/testlib.sh"
timeout 150 unshare -n bash -c '
    set -u
    . "$TESTLIB"
    pid=
    fail() { echo "FAIL: $*"; echo "--- watched ---"; q "select * from watched"; echo "--- unrouted ---"
             q "select * from unrouted"; echo "--- logs ---"; q "select * from logs"
             echo "--- orvant output ---"; cat "$WORK/orvant.log"; [ -n "$pid" ] && kill -KILL $pid 2>/dev/null; exit 1; }
    start() { XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=offscreen "$WORK/orvant" >>"$WORK/orvant.log" 2>&1 & pid=$!; }
    stop() {
        kill -TERM $pid
        for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
        kill -0 $pid 2>/dev/null && fail "the monitor did not end within 10 s of SIGTERM"
        wait $pid; pid=
    }

    ip link set lo up
    ip link add d0 type veth peer name d1
    ip link set d0 up
    ip link set d1 up
    ip addr add 192.0.2.1/24 dev d0
    ip route add default dev d0
    ip route add unreachable 203.0.113.0/24
    nft add table inet u
    nft add chain inet u inp "{ type filter hook input priority 0; }"
    nft add rule inet u inp ip daddr 127.0.0.9 icmp type echo-request drop

    start
    wait_for "select count(*) from logs where ip=\"127.0.0.9\" and foe=0" 1 200 || fail "no outage of 127.0.0.9"
    wait_for "select count(*) from unrouted where ip=\"203.0.113.5\" and time_end>time_begin" 1 100 \
        || fail "no stretch without a route carried for 203.0.113.5"
    wait_for "select count(*) from watched where how_ended=0 and time_end>time_begin" 1 100 \
        || fail "the watched stretch is not carried forward"
    [ "$(q "select count(*) from logs where ip=\"203.0.113.5\"")" = 0 ] || fail "an outage logged for the unrouted host"
    grep -q "Нет сети на этом компьютере" "$WORK/orvant.log" && fail "the machine was said to have no network"
    [ "$(grep -c "Нет маршрута к адресам: 203.0.113.5\." "$WORK/orvant.log")" = 1 ] \
        || fail "the missing route was not told exactly once"
    stop
    [ "$(q "select count(*) from watched a, unrouted b where b.time_end=a.time_end and a.how_ended=1")" = 1 ] \
        || fail "the stretch without a route did not end with the stop"

    day=$(date +%F)
    "$WORK/orvant-export" --availability --from "$day" --to "$day" --db "$DB" "$WORK/a.csv" 2>/dev/null \
        || fail "orvant-export --availability failed"
    field() { grep "^$1," "$WORK/a.csv" | tr -d "\r" | cut -d, -f"$2"; }
    [ "$(field 127.0.0.2 5)" = "100.000" ] || fail "127.0.0.2 not fully available: $(cat "$WORK/a.csv")"
    [ "$(field 127.0.0.9 6)" = 1 ] && [ -n "$(field 127.0.0.9 5)" ] \
        || fail "127.0.0.9: no figures for its outage: $(cat "$WORK/a.csv")"
    [ "$(field 203.0.113.5 3)" = 0 ] && [ -z "$(field 203.0.113.5 5)" ] \
        || fail "203.0.113.5 has watched time: $(cat "$WORK/a.csv")"

    # The route is back: the host is watched, and nothing answers it.
    ip route del unreachable 203.0.113.0/24
    start
    wait_for "select count(*) from logs where ip=\"203.0.113.5\" and foe=0" 1 200 || fail "no outage once routed"
    grep -q "Нет сети на этом компьютере" "$WORK/orvant.log" && fail "the machine was said to have no network"
    stop
    echo "unrouted: $(q "select time_begin||\" - \"||time_end from unrouted"); $(tr -d "\r" < "$WORK/a.csv" | tr "\n" " ")"
'
