#!/bin/bash
# admin and the grapher, built, on a real X server, end within 1.5 s of their
# window being closed (WM_DELETE_WINDOW, as the close box sends it) and of
# SIGTERM, whatever the database server does:
#  1. a listener that accepts and never answers, from the start: the
#     grapher's window shows at once all the same, without its data;
#  2. a real server that stops answering while the program runs (a proxy in
#     front of it falls silent), admin following its log meanwhile;
#  3. a real server whose packets are dropped (nftables) while it runs.
# Everything runs in a network namespace made here, over 127.0.0.1.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
PGBIN=${PGBIN:-/usr/lib/postgresql/15/bin}
[ -x "$PGBIN/pg_ctl" ] || { echo "FAIL: PostgreSQL 15 is not installed (Debian package postgresql)"; exit 1; }
require_tools psql runuser Xvfb openbox xdotool python3 ss

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    local f
    for f in "$work"/*.pid; do [ -f "$f" ] && kill -KILL "$(cat "$f")" 2>/dev/null; done
    [ -f "$work/pg/data/postmaster.pid" ] \
        && runuser -u postgres -- "$PGBIN/pg_ctl" -D "$work/pg/data" -m immediate -w stop >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
install_program "$work/prog" admin
install_program "$work/prog" grapher
mkdir -m 700 "$work/run"
mkdir -p "$work/pg/data" "$work/pg/sock"
chown -R postgres "$work/pg"
chmod 700 "$work/pg/data"
runuser -u postgres -- "$PGBIN/initdb" -D "$work/pg/data" --auth=trust -E UTF8 >"$work/initdb.log" 2>&1 \
    || { cat "$work/initdb.log"; echo "FAIL: initdb"; exit 1; }

export WORK="$work" PGBIN SCHEMA="${ORVANT_SOURCE_DIR:?}/common/core/schema-postgres.sql" \
    TESTLIB="$(dirname "$0")/../support/testlib.sh" SUPPORT="$(cd "$(dirname "$0")/../support" && pwd)"
timeout 280 unshare -n bash -c '
    set -u
    . "$TESTLIB"
    pids=()
    fail() {
        echo "FAIL: $*"
        for f in "$WORK"/*.log; do echo "--- $f"; tail -n 20 "$f"; done
        exit 1
    }
    # background NAME COMMAND…: started directly, so that its pid is the
    # program itself; ended by the EXIT trap outside.
    background() { local name=$1; shift; "$@" >"$WORK/$name.log" 2>&1 & echo $! >"$WORK/$name.pid"; }
    stop() { [ -f "$WORK/$1.pid" ] && kill "$(cat "$WORK/$1.pid")" 2>/dev/null; rm -f "$WORK/$1.pid"; }
    conf() {
        printf "[database]\ndriver=postgresql\nhost=127.0.0.1\nport=%s\nname=orvant_e2e\nuser=postgres\n" "$1" \
            >"$WORK/prog/orvant.conf"
    }
    now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
    listening() { ss -Hltn "sport = :$1" | grep -q .; }
    window_of() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }

    ip link set lo up
    runuser -u postgres -- "$PGBIN/pg_ctl" -D "$WORK/pg/data" -l "$WORK/pg/server.log" -w \
        -o "-c listen_addresses=127.0.0.1 -c port=5432 -c unix_socket_directories=$WORK/pg/sock -c fsync=off" \
        start >/dev/null || { cat "$WORK/pg/server.log"; exit 1; }
    psql -X -q -h 127.0.0.1 -U postgres -c "create database orvant_e2e" || exit 1
    psql -X -q -h 127.0.0.1 -U postgres -d orvant_e2e -f "$SCHEMA" >/dev/null || exit 1
    psql -X -q -h 127.0.0.1 -U postgres -d orvant_e2e -c "insert into logs (time_begin,time_end,foe,ip,\"desc\")
        values (\$\$2026-12-01 08:00:00\$\$,\$\$2026-12-01 08:05:00\$\$,1,\$\$127.0.0.1\$\$,\$\$Этот компьютер\$\$)" || exit 1
    start_xvfb "$WORK"
    start_openbox "$WORK"
    for p in "${pids[@]}"; do echo "$p" >"$WORK/x11-$p.pid"; done
    nft add table inet quit
    nft add chain inet quit inp "{ type filter hook input priority 0; }"

    # run PROGRAM TITLE STATE HOW: starts the program, waits for its window,
    # puts the server in STATE (silent-from-start, silent, dropped) and ends
    # the program by HOW (close, term); prints how long the end took.
    run() {
        local program=$1 title=$2 state=$3 how=$4 pid w started took shown
        case $state in
            silent-from-start) background listener python3 "$SUPPORT/silent_tcp.py" silent 6544 60; conf 6544
                wait_until 50 listening 6544 || fail "the silent listener did not start" ;;
            silent) background proxy python3 "$SUPPORT/silent_tcp.py" proxy 6543 5432 60; conf 6543
                wait_until 50 listening 6543 || fail "the proxy did not start" ;;
            dropped) conf 5432 ;;
        esac
        started=$(now_ms)
        background "$program" env XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=xcb "$WORK/prog/$program"
        pid=$(cat "$WORK/$program.pid")
        w=
        for _ in $(seq 100); do
            w=$(window_of "$title")
            [ -n "$w" ] && break
            kill -0 "$pid" 2>/dev/null || fail "$program ($state) ended at start-up"
            sleep 0.05
        done
        [ -n "$w" ] || fail "$program ($state): no window within 5 s"
        shown=$(( $(now_ms) - started ))
        if [ "$state" = silent-from-start ] && [ "$program" = grapher ] && [ "$shown" -gt 1500 ]; then
            fail "the grapher showed its window $shown ms after its start with a silent server"
        fi
        # Past the start: the window has read what it reads first, admin
        # follows its log every 2 s.
        sleep 2
        case $state in
            silent) kill -USR1 "$(cat "$WORK/proxy.pid")" ;;
            dropped) nft add rule inet quit inp tcp dport 5432 drop ;;
        esac
        # Long enough for a statement to be waiting on the server.
        [ "$state" = silent-from-start ] || sleep 3
        kill -0 "$pid" 2>/dev/null || fail "$program ($state) ended by itself"
        started=$(now_ms)
        case $how in
            close) python3 "$SUPPORT/close_window.py" "$w" ;;
            term) kill -TERM "$pid" ;;
        esac
        for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.01; done
        took=$(( $(now_ms) - started ))
        kill -0 "$pid" 2>/dev/null && fail "$program ($state, $how) still runs after $took ms"
        rm -f "$WORK/$program.pid"
        [ "$took" -le 1500 ] || fail "$program ($state, $how) took $took ms to end"
        echo "$program, $state, $how: window after $shown ms, ended in $took ms"
        stop listener
        stop proxy
        nft flush chain inet quit inp
    }

    for program in admin grapher; do
        [ $program = admin ] && title="^Orvant Admin" || title="^GRAPHER\$"
        for state in silent-from-start silent dropped; do
            for how in close term; do
                run $program "$title" $state $how
            done
        done
    done
    runuser -u postgres -- "$PGBIN/pg_ctl" -D "$WORK/pg/data" -m fast -w stop >/dev/null
'
