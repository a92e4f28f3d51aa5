#!/bin/bash
# End to end with real ICMP in a namespace made here: the watched time the
# built monitor records, and what it leaves out of the outage log.
#
#  1. A pass gap: the monitor is stopped (SIGSTOP) for 6 s, far beyond two
#     intervals and four timeouts (the zero polling period makes an interval
#     one second: 2 × 1 s + 4 × 0.2 s + 1 s of tick), then continued: the
#     stretch ends at the last pass before the stop and a new one begins.
#  2. Stopped (SIGTERM) while 127.0.0.2 is down: the stretch ends "stopped",
#     the outage stays open; restarted 3 s later with the host answering, the
#     first pass closes it, and the availability counts only watched time.
#     (A minute's stop would prove nothing more and cost a minute.)
#  3. The namespace's loopback taken down: every host is silent, yet no
#     outage row is written, and "Нет сети на этом компьютере" is said once
#     (and once that it is back).
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
  insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.1','answers',200),('127.0.0.2','dropped',200),
    ('127.0.0.3','also answers',200);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"

export WORK="$work" DB="$db" TESTLIB="$(dirname "$0")/../support/testlib.sh"
timeout 150 unshare -n bash -c '
    set -u
    . "$TESTLIB"
    pid=
    fail() { echo "FAIL: $*"; echo "--- watched ---"; q "select * from watched"; echo "--- logs ---"; q "select * from logs"
             echo "--- orvant output ---"; cat "$WORK/orvant.log"; [ -n "$pid" ] && kill -KILL $pid 2>/dev/null; exit 1; }
    start() { XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=offscreen "$WORK/orvant" >>"$WORK/orvant.log" 2>&1 & pid=$!; }
    stop() {
        kill -TERM $pid
        for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
        kill -0 $pid 2>/dev/null && fail "the monitor did not end within 10 s of SIGTERM"
        wait $pid; pid=
    }

    ip link set lo up
    nft add table inet w
    nft add chain inet w inp "{ type filter hook input priority 0; }"
    nft add rule inet w inp ip daddr 127.0.0.2 icmp type echo-request drop

    start
    wait_for "select count(*) from logs where ip=\"127.0.0.2\" and foe=0" 1 200 || fail "no outage of 127.0.0.2"
    wait_for "select count(*) from watched where time_end>time_begin" 1 100 || fail "the stretch is not carried forward"

    # 1. A pass gap.
    kill -STOP $pid
    sleep 6
    kill -CONT $pid
    wait_for "select count(*) from watched" 2 100 || fail "no new stretch after SIGSTOP/SIGCONT"
    [ "$(q "select how_ended from watched order by id limit 1")" = 2 ] || fail "the first stretch did not end as a gap"
    gap=$(q "select unixepoch(b.time_begin)-unixepoch(a.time_end) from watched a, watched b where a.id=1 and b.id=2")
    [ "$gap" -ge 5 ] || fail "the unwatched gap is $gap s, expected about 6"

    # 2. Stopped while the host is down, restarted with it answering.
    stop
    [ "$(q "select how_ended from watched order by id desc limit 1")" = 1 ] || fail "the last stretch did not end stopped"
    [ "$(q "select count(*) from logs where foe=0")" = 1 ] || fail "the outage did not stay open over the stop"
    sleep 3
    nft flush chain inet w inp
    start
    wait_for "select count(*) from logs where foe=1" 1 200 || fail "the first pass did not close the outage"
    wait_for "select count(*) from watched where how_ended=0" 1 100 || fail "no stretch after the restart"
    outage=$(q "select unixepoch(time_end)-unixepoch(time_begin) from logs")
    day=$(date +%F)
    "$WORK/orvant-export" --availability --from "$day" --to "$day" --db "$DB" "$WORK/a.csv" 2>/dev/null \
        || fail "orvant-export --availability failed"
    field() { grep "^127.0.0.2," "$WORK/a.csv" | tr -d "\r" | cut -d, -f"$1"; }
    down=$(field 4)
    unwatched=$(field 10)
    [ -n "$down" ] && [ $((outage - down)) -ge 7 ] \
        || fail "down $down s of an outage of $outage s: the 6 s gap and the 3 s stop should not count ($(cat "$WORK/a.csv"))"
    [ "$(field 6)" = 1 ] || fail "expected one outage: $(cat "$WORK/a.csv")"
    [ -n "$unwatched" ] && [ "$unwatched" -ge 7 ] || fail "unwatched $unwatched s: $(cat "$WORK/a.csv")"

    # 3. No network on this machine.
    rows_before=$(q "select count(*) from logs")
    ip link set lo down
    wait_log orvant.log "Нет сети на этом компьютере" 100 || fail "no notice of the missing network"
    sleep 4   # several passes without network
    [ "$(q "select count(*) from logs")" = "$rows_before" ] || fail "outage rows written without network: $(rows)"
    [ "$(grep -c "Нет сети на этом компьютере" "$WORK/orvant.log")" = 1 ] || fail "the notice was not given exactly once"
    [ "$(q "select how_ended from watched order by id desc limit 1")" = 3 ] || fail "the stretch did not end for the network"
    ip link set lo up
    wait_log orvant.log "Сеть на этом компьютере восстановлена" 100 || fail "no notice that the network is back"
    wait_for "select how_ended from watched order by id desc limit 1" 0 100 || fail "no stretch once the network was back"
    [ "$(q "select count(*) from logs")" = "$rows_before" ] || fail "rows changed: $(rows)"
    stop
    echo "gap $gap s; outage $outage s of which $down s watched; one notice each way"
'
