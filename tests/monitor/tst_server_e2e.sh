#!/bin/bash
# The built monitor (offscreen) on a PostgreSQL database, real ICMP in a
# network namespace made here and a real server inside it (socket only):
#  0. orvant.conf naming an unknown driver stops the monitor with a message
#     naming the file and the key;
#  1. a server not running at start-up is told and tried again until it
#     answers; outages are then logged on the server, not in the file beside
#     the program;
#  2. a second monitor on the same database is refused, naming it;
#  3. the server stopped during the passes while one outage begins and
#     another ends: alerts go on, the writes wait, and once the server is
#     started again each row is made exactly once, stamped with the moment
#     it was decided;
#  4. quitting with writes kept (server away): they are saved beside the
#     programs and made once by the next run;
#  5. the same loss and return over TCP (127.0.0.1 inside the namespace),
#     where the monitor knocks at the server's port before reconnecting.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
PGBIN=${PGBIN:-/usr/lib/postgresql/15/bin}
[ -x "$PGBIN/pg_ctl" ] || { echo "FAIL: PostgreSQL 15 is not installed (Debian package postgresql)"; exit 1; }
require_tools psql runuser sqlite3

work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -KILL $p 2>/dev/null; done
    [ -f "$work/pg/data/postmaster.pid" ] && runuser -u postgres -- "$PGBIN/pg_ctl" -D "$work/pg/data" -m immediate -w stop >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
install_program "$work/prog" orvant
mkdir -m 700 "$work/run1" "$work/run2"
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

# 0. A configuration that cannot be used: no fall-back to the file.
sed 's/^driver=postgresql/driver=oracle/' "$work/prog/orvant.conf" >"$work/prog/orvant.conf.bad"
mv "$work/prog/orvant.conf" "$work/prog/orvant.conf.good"
mv "$work/prog/orvant.conf.bad" "$work/prog/orvant.conf"
XDG_RUNTIME_DIR="$work/run1" QT_QPA_PLATFORM=offscreen timeout 20 "$work/prog/orvant" >"$work/bad.log" 2>&1
status=$?
mv "$work/prog/orvant.conf.good" "$work/prog/orvant.conf"
[ $status = 1 ] || { cat "$work/bad.log"; echo "FAIL: an unknown driver gave status $status"; exit 1; }
grep -q "orvant.conf" "$work/bad.log" && grep -q "driver" "$work/bad.log" \
    || { cat "$work/bad.log"; echo "FAIL: the message does not name the file and the key"; exit 1; }
echo "unknown driver refused: $(grep -m1 driver "$work/bad.log")"

export WORK="$work" PGBIN SCHEMA="${ORVANT_SOURCE_DIR:?}/common/core/schema-postgres.sql" \
    TESTLIB="$(dirname "$0")/../support/testlib.sh"
timeout 240 unshare -n bash -c '
    set -u
    # Whatever way this shell ends (a failed step, the outer timeout), the
    # monitor it started ends with it.
    trap '"'"'[ -n "${pid:-}" ] && kill -KILL "$pid" 2>/dev/null'"'"' EXIT
    trap '"'"'exit 1'"'"' TERM INT
    pg() { runuser -u postgres -- "$PGBIN/pg_ctl" -D "$WORK/pg/data" -l "$WORK/pg/server.log" -w "$@" >/dev/null; }
    pg_start() { pg -o "-c listen_addresses='"'"'${LISTEN:-}'"'"' -c unix_socket_directories=$WORK/pg/sock -c fsync=off" start; }
    . "$TESTLIB"   # wait_for, wait_log, rows …
    q() { psql -X -q -At -h "$WORK/pg/sock" -U postgres -d orvant_e2e -c "$1"; }
    fail() {
        echo "FAIL: $*"; echo "rows: $(q "select * from logs order by id" 2>&1)"
        for f in "$WORK"/*.log; do echo "--- $f"; cat "$f"; done
        kill -KILL $pid 2>/dev/null; exit 1
    }
    start_monitor() {
        XDG_RUNTIME_DIR="$WORK/run1" QT_QPA_PLATFORM=offscreen "$WORK/prog/orvant" >"$WORK/$1" 2>&1 &
        pid=$!
    }

    ip link set lo up
    pg_start || { cat "$WORK/pg/server.log"; exit 1; }
    psql -X -q -h "$WORK/pg/sock" -U postgres -c "create database orvant_e2e" || exit 1
    psql -X -q -h "$WORK/pg/sock" -U postgres -d orvant_e2e -f "$SCHEMA" >/dev/null || exit 1
    q "delete from addrs; insert into addrs (ip_addr,descript,ping_timeout) values
         (\$\$127.0.0.1\$\$,\$\$up\$\$,200),(\$\$127.0.0.2\$\$,\$\$comes back\$\$,200),(\$\$127.0.0.3\$\$,\$\$goes down\$\$,200);
       update options set refresh_time=0, \"view\"=0, snd_err=\$\$\$\$, snd_rest=\$\$\$\$;"
    nft add table inet e2e
    nft add chain inet e2e inp "{ type filter hook input priority 0; }"
    nft add set inet e2e down "{ type ipv4_addr; }"
    nft add rule inet e2e inp ip daddr @down icmp type echo-request drop
    nft add element inet e2e down "{ 127.0.0.2 }"

    # 1. The server is not running when the monitor starts.
    pg -m fast stop || fail "pg_ctl stop"
    start_monitor first.log
    wait_log first.log "Не удалось подключиться к серверу базы данных orvant_e2e" 100 || fail "the absent server was not told"
    sleep 2
    kill -0 $pid 2>/dev/null || fail "the monitor ended without its server"
    pg_start || fail "server start"
    wait_log first.log "База данных открыта: orvant_e2e" 100 || fail "the opening was not told"
    wait_for "select count(*) from logs where ip=\$\$127.0.0.2\$\$ and foe=0" 1 200 \
        || fail "no open row for the dropped address within 20 s"
    [ "$(sqlite3 "$WORK/prog/ping_addr.mdb" "select count(*) from logs")" = 0 ] || fail "written to the file"

    # 2. A second monitor (another user runtime directory: the per-user lock
    # does not see it) meets the database lock.
    XDG_RUNTIME_DIR="$WORK/run2" QT_QPA_PLATFORM=offscreen timeout 20 "$WORK/prog/orvant" >"$WORK/second.log" 2>&1
    status=$?
    grep -q "Программа уже запущена!" "$WORK/second.log" || fail "the second monitor was not refused"
    grep -q "orvant_e2e" "$WORK/second.log" || fail "the refusal does not name the database"
    grep -q "orvant $pid[.@]" "$WORK/second.log" || fail "the refusal does not name the holding monitor"
    # Refused is not a clean run: a service manager or script must see it.
    [ $status != 0 ] && [ $status != 124 ] || fail "the refused monitor ended with status $status"
    echo "second monitor refused: $(grep -m1 "orvant_e2e" "$WORK/second.log")"

    # 3. The server goes away; one host comes back, another goes down.
    sleep 2
    pg -m fast stop || fail "pg_ctl stop"
    stopped_at=$(date "+%Y-%m-%d %H:%M:%S")
    nft delete element inet e2e down "{ 127.0.0.2 }"
    nft add element inet e2e down "{ 127.0.0.3 }"
    wait_log first.log "Потеряна связь с сервером базы данных" 100 || fail "the lost server was not told"
    wait_log first.log "ждут и будут сделаны, когда связь восстановится" 150 || fail "no write waited for the server"
    sleep 3
    kill -0 $pid 2>/dev/null || fail "the monitor ended while the server was away"
    restart_at=$(date "+%Y-%m-%d %H:%M:%S")
    pg_start || fail "server restart"
    wait_for "select count(*) from logs where ip=\$\$127.0.0.3\$\$" 1 150 || fail "the kept Begin was not made"
    wait_for "select count(*) from logs where ip=\$\$127.0.0.2\$\$ and foe=1" 1 50 || fail "the kept End was not made"
    wait_log first.log "восстановлена" 50 || fail "the reconnection was not told"
    wait_log first.log "Отложенные записи о сбоях сделаны (2)" 50 || fail "the kept writes were not told done"
    sleep 3
    [ "$(rows)" = "127.0.0.2|1 127.0.0.3|0 " ] || fail "rows after the outage of the server: $(rows)"
    begin=$(q "select time_begin from logs where ip=\$\$127.0.0.3\$\$")
    end=$(q "select time_end from logs where ip=\$\$127.0.0.2\$\$")
    [[ "$begin" < "$restart_at" && ! "$begin" < "$stopped_at" ]] \
        || fail "the Begin is stamped $begin, not while the server was away ($stopped_at..$restart_at)"
    [[ "$end" < "$restart_at" ]] || fail "the End is stamped $end, after the server came back ($restart_at)"
    echo "server away $stopped_at..$restart_at: begin $begin, end $end, each written once"

    # 4. Quit while the server is away with a write kept.
    pg -m fast stop || fail "pg_ctl stop"
    nft delete element inet e2e down "{ 127.0.0.3 }"
    wait_log first.log "Потеряна связь с сервером базы данных" 100 2 || fail "the second loss was not told"
    wait_log first.log "ждут и будут сделаны, когда связь восстановится" 150 2 || fail "the End did not wait for the server"
    kill -TERM $pid
    for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
    kill -0 $pid 2>/dev/null && fail "the monitor did not end within 2.5 s of SIGTERM"
    wait $pid || fail "the monitor ended with an error status"
    kept=$(ls "$WORK/prog"/*.orvant-pending 2>/dev/null)
    [ -s "$kept" ] || fail "the kept write was not saved beside the programs: $(ls "$WORK/prog")"
    echo "kept write saved in $(basename "$kept")"
    pg_start || fail "server restart"
    start_monitor third.log
    wait_for "select count(*) from logs where foe=1" 2 200 || fail "the kept End was not made by the next run"
    sleep 2
    [ "$(rows)" = "127.0.0.2|1 127.0.0.3|1 " ] || fail "rows after the next run: $(rows)"
    [ -e "$kept" ] && fail "the kept writes file is still there"
    kill -TERM $pid; wait $pid
    echo "kept write made once by the next run"

    # 5. Over TCP.
    pg -m fast stop || fail "pg_ctl stop"
    LISTEN=127.0.0.1
    pg_start || fail "server start on 127.0.0.1"
    sed -i "s|^host=.*|host=127.0.0.1|" "$WORK/prog/orvant.conf"
    nft add element inet e2e down "{ 127.0.0.3 }"
    start_monitor fourth.log
    wait_for "select count(*) from logs where foe=0" 1 200 || fail "no new outage over TCP"
    pg -m fast stop || fail "pg_ctl stop"
    nft delete element inet e2e down "{ 127.0.0.3 }"
    wait_log fourth.log "Потеряна связь с сервером базы данных orvant_e2e на сервере 127.0.0.1" 100 \
        || fail "the lost TCP server was not told"
    wait_log fourth.log "ждут и будут сделаны, когда связь восстановится" 150 || fail "the End did not wait (TCP)"
    sleep 2
    pg_start || fail "server restart on 127.0.0.1"
    wait_for "select count(*) from logs where foe=0" 0 150 || fail "the kept End was not made over TCP"
    wait_log fourth.log "восстановлена" 50 || fail "the TCP reconnection was not told"
    [ "$(rows)" = "127.0.0.2|1 127.0.0.3|1 127.0.0.3|1 " ] || fail "rows after the TCP part: $(rows)"
    kill -TERM $pid; wait $pid
    pg -m fast stop
    echo "lost and found again over TCP"
'
