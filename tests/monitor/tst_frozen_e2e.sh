#!/bin/bash
# The built monitor (offscreen) on a PostgreSQL server whose backend for the
# monitor is frozen (SIGSTOP on its pid from pg_stat_activity), real ICMP in a
# network namespace made here:
#  1. a host goes down while the backend is frozen: passes go on, the
#     statement that does not come back is given up after its limit and
#     told, and once the backend is let go (SIGCONT) the outage is recorded
#     exactly once, stamped with the moment it was decided;
#  2. frozen again with a write waiting, SIGTERM ends the monitor within a
#     second; the write is kept beside the programs and the next run makes
#     it once.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
PGBIN=${PGBIN:-/usr/lib/postgresql/15/bin}
[ -x "$PGBIN/pg_ctl" ] || { echo "FAIL: PostgreSQL 15 is not installed (Debian package postgresql)"; exit 1; }
require_tools psql runuser

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    # A frozen backend would hold the server's stop.
    [ -f "$work/frozen" ] && kill -CONT "$(cat "$work/frozen")" 2>/dev/null
    [ -f "$work/monitor.pid" ] && kill -KILL "$(cat "$work/monitor.pid")" 2>/dev/null
    [ -f "$work/pg/data/postmaster.pid" ] && runuser -u postgres -- "$PGBIN/pg_ctl" -D "$work/pg/data" -m immediate -w stop >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
install_program "$work/prog" orvant
mkdir -m 700 "$work/run1"
mkdir -p "$work/pg/data" "$work/pg/sock"
chown -R postgres "$work/pg"
chmod 700 "$work/pg/data"
runuser -u postgres -- "$PGBIN/initdb" -D "$work/pg/data" --auth=trust -E UTF8 >"$work/initdb.log" 2>&1 \
    || { cat "$work/initdb.log"; echo "FAIL: initdb"; exit 1; }
cat >"$work/prog/orvant.conf" <<CONF
[database]
driver=postgresql
host=$work/pg/sock
port=5432
name=orvant_e2e
user=postgres
CONF

export WORK="$work" PGBIN SCHEMA="${ORVANT_SOURCE_DIR:?}/common/core/schema-postgres.sql" \
    TESTLIB="$(dirname "$0")/../support/testlib.sh"
timeout 200 unshare -n bash -c '
    set -u
    pg() { runuser -u postgres -- "$PGBIN/pg_ctl" -D "$WORK/pg/data" -l "$WORK/pg/server.log" -w "$@" >/dev/null; }
    . "$TESTLIB"
    q() { psql -X -q -At -h "$WORK/pg/sock" -U postgres -d orvant_e2e -c "$1"; }
    pid=
    fail() {
        echo "FAIL: $*"
        [ -f "$WORK/frozen" ] && kill -CONT "$(cat "$WORK/frozen")" 2>/dev/null
        echo "rows: $(q "select * from logs order by id" 2>&1)"
        for f in "$WORK"/*.log; do echo "--- $f"; cat "$f"; done
        [ -n "$pid" ] && kill -KILL $pid 2>/dev/null
        exit 1
    }
    start_monitor() {
        # Started directly, so that $! is the monitor itself.
        XDG_RUNTIME_DIR="$WORK/run1" QT_QPA_PLATFORM=offscreen "$WORK/prog/orvant" >"$WORK/$1" 2>&1 &
        pid=$!
        echo $pid >"$WORK/monitor.pid"
    }
    backend() { q "select pid from pg_stat_activity where application_name like \$\$orvant %\$\$ order by backend_start desc limit 1"; }
    connected() { [ -n "$(backend)" ]; }
    freeze() { local b; b=$(backend); [ -n "$b" ] || fail "no backend of the monitor"; echo "$b" >"$WORK/frozen"; kill -STOP "$b"; }
    thaw() { kill -CONT "$(cat "$WORK/frozen")"; rm -f "$WORK/frozen"; }

    ip link set lo up
    pg -o "-c listen_addresses= -c unix_socket_directories=$WORK/pg/sock -c fsync=off" start \
        || { cat "$WORK/pg/server.log"; exit 1; }
    psql -X -q -h "$WORK/pg/sock" -U postgres -c "create database orvant_e2e" || exit 1
    psql -X -q -h "$WORK/pg/sock" -U postgres -d orvant_e2e -f "$SCHEMA" >/dev/null || exit 1
    q "delete from addrs; insert into addrs (ip_addr,descript,ping_timeout) values
         (\$\$127.0.0.1\$\$,\$\$up\$\$,200),(\$\$127.0.0.3\$\$,\$\$goes down\$\$,200),(\$\$127.0.0.4\$\$,\$\$down at the end\$\$,200);
       update options set refresh_time=0, \"view\"=0, snd_err=\$\$\$\$, snd_rest=\$\$\$\$;"
    nft add table inet e2e
    nft add chain inet e2e inp "{ type filter hook input priority 0; }"
    nft add set inet e2e down "{ type ipv4_addr; }"
    nft add rule inet e2e inp ip daddr @down icmp type echo-request drop

    # 1. Frozen while a host goes down.
    start_monitor first.log
    wait_until 100 connected || fail "the monitor did not connect"
    sleep 2
    freeze
    frozen_at=$(date "+%Y-%m-%d %H:%M:%S")
    nft add element inet e2e down "{ 127.0.0.3 }"
    wait_log first.log "База данных не ответила за 15 с" 250 || fail "the statement that did not come back was not told"
    kill -0 $pid 2>/dev/null || fail "the monitor ended while its backend was frozen"
    wait_log first.log "ждут и будут сделаны" 50 || fail "the outage write was not kept"
    sleep 2
    thaw
    thawed_at=$(date "+%Y-%m-%d %H:%M:%S")
    wait_for "select count(*) from logs where ip=\$\$127.0.0.3\$\$" 1 200 || fail "the outage was not recorded after SIGCONT"
    sleep 4
    [ "$(q "select count(*) from logs where ip=\$\$127.0.0.3\$\$")" = 1 ] || fail "the outage was recorded twice"
    begin=$(q "select time_begin from logs where ip=\$\$127.0.0.3\$\$")
    [[ ! "$begin" < "$frozen_at" && "$begin" < "$thawed_at" ]] \
        || fail "the Begin is stamped $begin, not while the backend was frozen ($frozen_at..$thawed_at)"
    echo "backend frozen $frozen_at..$thawed_at: outage begun $begin, recorded once"

    # 2. Frozen again with a write waiting: SIGTERM is answered at once.
    wait_until 100 connected || fail "no backend after the thaw"
    freeze
    nft add element inet e2e down "{ 127.0.0.4 }"
    # Past the pass that waits 3 s for its book and decides the host is down,
    # short of the 15 s after which the stuck statement is given up.
    sleep 9
    started=$(date +%s%N)
    kill -TERM $pid
    for _ in $(seq 40); do kill -0 $pid 2>/dev/null || break; sleep 0.025; done
    took=$(( ($(date +%s%N) - started) / 1000000 ))
    kill -0 $pid 2>/dev/null && fail "the monitor did not end within a second of SIGTERM"
    wait $pid || fail "the monitor ended with an error status"
    [ "$took" -le 1000 ] || fail "SIGTERM took $took ms"
    echo "SIGTERM with the backend frozen: ended in $took ms"
    thaw
    kept=$(ls "$WORK/prog"/*.orvant-pending 2>/dev/null)
    [ -s "$kept" ] || fail "the waiting write was not kept beside the programs"
    start_monitor second.log
    wait_for "select count(*) from logs where ip=\$\$127.0.0.4\$\$" 1 200 || fail "the kept write was not made by the next run"
    sleep 3
    [ "$(q "select count(*) from logs where ip=\$\$127.0.0.4\$\$")" = 1 ] || fail "the kept write was made twice"
    [ "$(q "select count(*) from logs")" = 2 ] || fail "rows: $(q "select ip,foe from logs order by id")"
    kill -TERM $pid; wait $pid
    rm -f "$WORK/monitor.pid"
    pg -m fast stop
    echo "the write kept at SIGTERM was made once by the next run"
'
