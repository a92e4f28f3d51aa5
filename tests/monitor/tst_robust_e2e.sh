#!/bin/bash
# The built monitor (offscreen) against hostile conditions, real ICMP in a
# network namespace made here, real file:
#  1. a slow down host (timeout 5000 ms) holds back no other down host;
#  2. a second monitor on the same file is refused, from another runtime
#     directory and through a linked path;
#  3. another program holding the write lock: the monitor goes on, ends
#     within a second of SIGTERM, and the kept writes are made once by the
#     next run.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sqlite3

work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill -KILL $p 2>/dev/null; done; rm -rf "$work"' EXIT
install_program "$work/prog" orvant
mkdir -m 700 "$work/run1" "$work/run2" "$work/locks"
db="$work/prog/ping_addr.mdb"
sqlite3 "$db" "delete from addrs;
  insert into addrs (ip_addr,descript,ping_timeout) values
    ('127.0.0.2','slow',5000),('127.0.0.3','fast',200),('127.0.0.1','up',200);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"
ln -s "$work/prog" "$work/linked"

export WORK="$work" DB="$db" TESTLIB="$(dirname "$0")/../support/testlib.sh"
timeout 200 unshare -n bash -c '
    set -u
    # Whatever way this shell ends (a failed step, the outer timeout), what it
    # started (the monitor, the lock holder) ends with it.
    trap '"'"'for p in ${pid:-} ${holder:-}; do kill -KILL "$p" 2>/dev/null; done'"'"' EXIT
    trap '"'"'exit 1'"'"' TERM INT
    . "$TESTLIB"   # q, wait_until …
    fail() { echo "FAIL: $*"; for f in "$WORK"/*.log; do echo "--- $f"; cat "$f"; done; kill -KILL $pid 2>/dev/null; exit 1; }
    # Finer than the wait_for of testlib: N counts twentieths of a second here.
    wait_for() { for _ in $(seq "$3"); do [ "$(q "$1")" = "$2" ] && return 0; sleep 0.05; done; return 1; }
    now_ms() { date +%s%3N; }

    ip link set lo up
    nft add table inet e2e
    nft add chain inet e2e inp "{ type filter hook input priority 0; }"
    nft add rule inet e2e inp ip daddr { 127.0.0.2, 127.0.0.3 } icmp type echo-request drop

    start=$(now_ms)
    XDG_RUNTIME_DIR="$WORK/run1" QT_QPA_PLATFORM=offscreen "$WORK/prog/orvant" >"$WORK/first.log" 2>&1 &
    pid=$!

    # 1. The fast host: 4 x 200 ms, recorded long before the slow one (4 x 5 s).
    wait_for "select count(*) from logs where ip=\"127.0.0.3\"" 1 100 || fail "fast host not recorded within 5 s"
    fast_ms=$(( $(now_ms) - start ))
    [ "$(q "select count(*) from logs where ip=\"127.0.0.2\"")" = 0 ] || fail "the slow host was decided first"
    [ $fast_ms -lt 4000 ] || fail "fast host recorded after $fast_ms ms"
    echo "fast host recorded $fast_ms ms after start, slow host still undecided"

    # 2. A second monitor: another runtime directory, then the linked path.
    for exe in "$WORK/prog/orvant" "$WORK/linked/orvant"; do
        XDG_RUNTIME_DIR="$WORK/run2" QT_QPA_PLATFORM=offscreen timeout 20 "$exe" >"$WORK/second.log" 2>&1
        grep -q "Программа уже запущена!" "$WORK/second.log" || fail "second monitor via $exe not refused"
    done
    grep -q "root" "$WORK/second.log" || fail "the refusal does not name the user"
    # Four attempts of 5 s: 20 s after the start, whatever the polling loop costs.
    wait_for "select count(*) from logs where ip=\"127.0.0.2\"" 1 600 || fail "slow host never recorded"
    [ "$(q "select count(*) from logs")" = 2 ] || fail "rows: $(q "select * from logs")"

    # 3. Another program holds the write lock while both hosts come back.
    sqlite3 -cmd ".timeout 100" "$DB" >/dev/null 2>&1 <<SQL &
begin immediate;
.shell sleep 8
commit;
SQL
    holder=$!
    sleep 0.5
    nft flush chain inet e2e inp
    sleep 3
    [ "$(q "select count(*) from logs where foe=0")" = 2 ] || fail "written through the lock?"
    t0=$(now_ms)
    kill -TERM $pid
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.02; done
    kill -0 $pid 2>/dev/null && fail "the monitor did not end within 2 s of SIGTERM"
    ended_ms=$(( $(now_ms) - t0 ))
    wait $pid || fail "the monitor ended with an error status"
    [ $ended_ms -le 1000 ] || fail "SIGTERM took $ended_ms ms"
    [ -s "$DB.orvant-pending" ] || fail "kept writes not saved"
    echo "ended $ended_ms ms after SIGTERM with the writes kept"
    wait $holder

    # The next run makes the kept writes once.
    XDG_RUNTIME_DIR="$WORK/run1" QT_QPA_PLATFORM=offscreen "$WORK/prog/orvant" >"$WORK/third.log" 2>&1 &
    pid=$!
    wait_for "select count(*) from logs where foe=1" 2 200 || fail "kept closes not made: $(q "select * from logs")"
    sleep 2
    [ "$(q "select count(*) from logs")" = 2 ] || fail "rows: $(q "select * from logs")"
    [ -e "$DB.orvant-pending" ] && fail "the kept writes file is still there"
    kill -TERM $pid; wait $pid
    echo "kept writes made once by the next run"
'
