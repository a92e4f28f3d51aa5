#!/bin/bash
# The built monitor ends within 1.5 s whatever its database server does, by
# each way of quitting: SIGTERM, "Выход" of the tray icon's menu and closing
# the window (each confirmed in its question box). The server is
# a real PostgreSQL on 127.0.0.1 inside a network namespace made here, and
# goes silent while the monitor runs, in two ways:
#  - listener: the server is stopped and a listener that takes connections
#    and never answers holds its port (the monitor's reconnection hangs in
#    the login);
#  - nft: the server's packets are dropped both ways (the connection stays
#    open, every statement hangs).
# Meanwhile a host stops answering, so an outage write is under way or
# waiting when the monitor is told to end. The write is kept beside the
# programs; the next start, with the server back, makes it: exactly one row,
# stamped before the quit. A SIGTERM while the monitor is still logging in to
# the listener at start-up is timed as well. Echo and database traffic stay
# on the namespace's own loop-back; X is a private Xvfb with openbox and a
# tray (trayer).
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
PGBIN=${PGBIN:-/usr/lib/postgresql/15/bin}
[ -x "$PGBIN/pg_ctl" ] || { echo "FAIL: PostgreSQL 15 is not installed (Debian package postgresql)"; exit 1; }
require_tools psql runuser python3 Xvfb openbox trayer xdotool xprop xwininfo import
artifacts=$(artifact_dir tst_quit_e2e) || exit 1

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    [ -f "$work/monitor.pid" ] && kill -KILL "$(cat "$work/monitor.pid")" 2>/dev/null
    [ -f "$work/listener.pid" ] && kill -KILL "$(cat "$work/listener.pid")" 2>/dev/null
    [ -f "$work/pg/data/postmaster.pid" ] && runuser -u postgres -- "$PGBIN/pg_ctl" -D "$work/pg/data" -m immediate -w stop >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
install_program "$work/prog" orvant
mkdir -m 700 "$work/run"
mkdir -p "$work/pg/data" "$work/pg/sock"
chown -R postgres "$work/pg"
chmod 700 "$work/pg/data"
runuser -u postgres -- "$PGBIN/initdb" -D "$work/pg/data" --auth=trust -E UTF8 >"$work/initdb.log" 2>&1 \
    || { cat "$work/initdb.log"; echo "FAIL: initdb"; exit 1; }
cat >"$work/prog/orvant.conf" <<CONF
[database]
driver=postgresql
host=127.0.0.1
port=5432
name=orvant_e2e
user=postgres
CONF
# Takes connections on the server's port and never says a word.
cat >"$work/listener.py" <<'PY'
import socket, sys, time
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", 5432))
s.listen(16)
s.settimeout(0.5)
held, deadline = [], time.time() + 120
while time.time() < deadline:
    try:
        held.append(s.accept()[0])
    except socket.timeout:
        pass
PY

export WORK="$work" ARTIFACTS="$artifacts" PGBIN SCHEMA="${ORVANT_SOURCE_DIR:?}/common/core/schema-postgres.sql" \
    TESTLIB="$(dirname "$0")/../support/testlib.sh"
timeout 500 unshare -n bash -c '
    set -u
    pids=()
    . "$TESTLIB"
    pg() { runuser -u postgres -- "$PGBIN/pg_ctl" -D "$WORK/pg/data" -l "$WORK/pg/server.log" -w "$@" >/dev/null; }
    # The server finds a client that vanished while its packets were dropped
    # within seconds (as the administrator'"'"'s guide advises), not after the
    # system'"'"'s two hours: until then its session would hold the monitor'"'"'s lock.
    pg_up() {
        local keep="-c tcp_keepalives_idle=2 -c tcp_keepalives_interval=1 -c tcp_keepalives_count=2 -c tcp_user_timeout=3000"
        pg -o "-c listen_addresses=127.0.0.1 -c port=5432 -c unix_socket_directories=$WORK/pg/sock -c fsync=off $keep" start
    }
    q() { psql -X -q -At -h "$WORK/pg/sock" -U postgres -d orvant_e2e -c "$1"; }
    pid=
    finish() {
        [ -n "$pid" ] && kill -KILL $pid 2>/dev/null
        [ -f "$WORK/listener.pid" ] && kill -KILL "$(cat "$WORK/listener.pid")" 2>/dev/null
        for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    }
    trap finish EXIT
    fail() {
        echo "FAIL: $*"
        import -window root "$ARTIFACTS/failure.png" 2>/dev/null
        echo "rows: $(q "select * from logs order by id" 2>&1)"
        for f in "$WORK"/*.log; do echo "--- $f"; tail -n 30 "$f"; done
        exit 1
    }
    start_monitor() {
        # Started directly, so that $! is the monitor itself.
        XDG_RUNTIME_DIR="$WORK/run" "$WORK/prog/orvant" >"$WORK/$1" 2>&1 &
        pid=$!
        echo $pid >"$WORK/monitor.pid"
    }
    backend() { q "select pid from pg_stat_activity where application_name like \$\$orvant %\$\$ limit 1"; }
    connected() { [ -n "$(backend)" ]; }
    listener_up() {
        python3 "$WORK/listener.py" &
        echo $! >"$WORK/listener.pid"
        wait_until 50 python3 -c "import socket; socket.create_connection((\"127.0.0.1\", 5432), 1)" 2>/dev/null \
            || fail "the silent listener did not come up"
    }
    listener_down() { kill "$(cat "$WORK/listener.pid")"; wait "$(cat "$WORK/listener.pid")" 2>/dev/null; rm -f "$WORK/listener.pid"; }
    silence_on() { printf "add rule inet quit inp tcp dport 5432 drop\nadd rule inet quit inp tcp sport 5432 drop\n" | nft -f -; }
    silence_off() { printf "flush chain inet quit inp\nadd rule inet quit inp ip daddr @down icmp type echo-request drop\n" | nft -f -; }
    # Waits (bounded) for the process to end; prints the milliseconds since $1.
    ended_after() {
        local since=$1
        for _ in $(seq 200); do kill -0 $pid 2>/dev/null || break; sleep 0.02; done
        kill -0 $pid 2>/dev/null && { echo -1; return; }
        echo $(( ($(date +%s%N) - since) / 1000000 ))
    }
    # A shown window of the monitor whose title begins with $1 (the tray
    # icon, a small window of the same name, left out).
    shown() {
        for w in $(xdotool search --onlyvisible --classname orvant 2>/dev/null); do
            case "$(xprop -id "$w" _NET_WM_NAME 2>/dev/null)" in
                *"= \"$1"*)
                    width=$(xwininfo -id "$w" 2>/dev/null | sed -n "s/^ *Width: //p")
                    [ "${width:-0}" -gt 64 ] && { echo "$w"; return 0; } ;;
            esac
        done
        return 1
    }
    tray_icon() {
        for w in $(xdotool search --classname orvant 2>/dev/null); do
            geo=$(xwininfo -id "$w" 2>/dev/null) || continue
            width=$(echo "$geo" | sed -n "s/^ *Width: //p"); height=$(echo "$geo" | sed -n "s/^ *Height: //p")
            state=$(echo "$geo" | sed -n "s/^ *Map State: //p")
            [ "$state" = IsViewable ] && [ "${width:-999}" -le 64 ] && [ "${height:-999}" -le 64 ] && { echo "$w"; return 0; }
        done
        return 1
    }
    main_window() { shown "Orvant"; }
    close_window() {
        python3 -c "
import ctypes, sys
x = ctypes.cdll.LoadLibrary(\"libX11.so.6\")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
class Event(ctypes.Structure):
    _fields_ = [(\"type\", ctypes.c_int), (\"serial\", ctypes.c_ulong), (\"send_event\", ctypes.c_int),
                (\"display\", ctypes.c_void_p), (\"window\", ctypes.c_ulong), (\"message_type\", ctypes.c_ulong),
                (\"format\", ctypes.c_int), (\"data\", ctypes.c_long * 5), (\"pad\", ctypes.c_long * 12)]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(Event)]
x.XFlush.argtypes = [ctypes.c_void_p]
d = x.XOpenDisplay(None)
e = Event()
e.type = 33  # ClientMessage
e.window = int(sys.argv[1])
e.message_type = x.XInternAtom(d, b\"WM_PROTOCOLS\", 0)
e.format = 32
e.data[0] = x.XInternAtom(d, b\"WM_DELETE_WINDOW\", 0)
e.data[1] = 0
x.XSendEvent(d, e.window, 0, 0, ctypes.byref(e))
x.XFlush(d)
" "$1"
    }
    question() { shown "Завершение работы"; }
    visible_count() { xdotool search --onlyvisible --classname orvant 2>/dev/null | wc -l; }

    # Tells the monitor to end as $1 says; prints the moment the request was
    # made (the last key of a confirmed quit).
    request_quit() {
        case $1 in
        sigterm)
            local t=$(date +%s%N); kill -TERM $pid; echo $t ;;
        tray)
            local icon before opened=
            for _ in 1 2 3; do
                icon=$(tray_icon) || { sleep 1; continue; }
                before=$(visible_count)
                # From elsewhere onto the icon: one that appeared under a
                # still pointer gets no entry first.
                xdotool mousemove 10 10
                sleep 0.2
                xdotool mousemove --window "$icon" 8 8
                sleep 0.2
                xdotool click 3
                wait_until 20 eval "[ \$(visible_count) -gt $before ]" && { opened=1; break; }
            done
            [ -n "$opened" ] || { echo "no tray menu" >&2; return 1; }
            sleep 0.3
            xdotool key Up Return   # the last item: "Выход"
            wait_until 100 question >/dev/null || { echo "no question box" >&2; return 1; }
            sleep 0.3
            local t=$(date +%s%N); xdotool key --window "$(question)" Return; echo $t ;;
        window)
            local win
            if ! win=$(main_window); then
                xdotool mousemove 10 10
                sleep 0.2
                xdotool mousemove --window "$(tray_icon)" 8 8
                sleep 0.2
                xdotool click 1
                wait_until 100 main_window >/dev/null || { echo "no main window" >&2; return 1; }
                win=$(main_window)
            fi
            sleep 1
            # What its close box does: the window manager asks the window
            # to close (WM_DELETE_WINDOW).
            close_window "$win"
            wait_until 100 question >/dev/null || { echo "no question box" >&2; return 1; }
            sleep 0.3
            local t=$(date +%s%N); xdotool key --window "$(question)" Return; echo $t ;;
        esac
    }

    ip link set lo up
    nft add table inet quit
    nft add chain inet quit inp "{ type filter hook input priority 0; }"
    nft add set inet quit down "{ type ipv4_addr; }"
    nft add rule inet quit inp ip daddr @down icmp type echo-request drop
    # A desk of its own for each case (X server, window manager, tray):
    # nothing of the last case'"'"'s windows or pointer is left for the next.
    # Qt decides at start-up whether a tray exists: wait for the tray host.
    tray_owned() {
        python3 -c "
import ctypes, sys
x = ctypes.cdll.LoadLibrary(\"libX11.so.6\")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGetSelectionOwner.restype = ctypes.c_ulong
d = x.XOpenDisplay(None)
sys.exit(0 if d and x.XGetSelectionOwner(d, x.XInternAtom(d, b\"_NET_SYSTEM_TRAY_S0\", 0)) else 1)
"
    }
    desk=()
    desk_up() {
        rm -f "$WORK/display"  # start_xvfb reads the new server'"'"'s number from it
        start_xvfb "$WORK" 1024x768x24
        desk+=("${pids[-1]}")
        start_openbox "$WORK"
        desk+=("${pids[-1]}")
        trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true --transparent false \
            >/dev/null 2>&1 &
        pids+=($!)
        desk+=($!)
        wait_until 100 tray_owned || fail "trayer never took the system tray selection"
    }
    desk_down() {
        local p
        for p in "${desk[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
        desk=()
    }

    pg_up || { cat "$WORK/pg/server.log"; exit 1; }
    psql -X -q -h "$WORK/pg/sock" -U postgres -c "create database orvant_e2e" || exit 1
    psql -X -q -h "$WORK/pg/sock" -U postgres -d orvant_e2e -f "$SCHEMA" >/dev/null || exit 1
    q "delete from addrs; insert into addrs (ip_addr,descript,ping_timeout) values
         (\$\$127.0.0.1\$\$,\$\$up\$\$,200),(\$\$127.0.0.2\$\$,\$\$goes down\$\$,200);
       update options set refresh_time=0, \"view\"=0, snd_err=\$\$\$\$, snd_rest=\$\$\$\$;"

    # 0. SIGTERM while the monitor is logging in to a silent listener at start-up.
    desk_up
    pg -m fast stop
    listener_up
    start_monitor start.log
    sleep 4
    kill -0 $pid 2>/dev/null || fail "the monitor ended by itself at start-up"
    t=$(date +%s%N); kill -TERM $pid
    took=$(ended_after $t)
    [ "$took" -ge 0 ] && [ "$took" -le 1500 ] || fail "SIGTERM during the login to a silent listener took ${took} ms"
    wait $pid
    echo "start-up, silent listener, SIGTERM: ended in ${took} ms"
    listener_down
    desk_down
    pg_up || fail "the server did not start again"

    for silence in listener nft; do
        for how in sigterm tray window; do
            name="$silence-$how"
            q "delete from logs"
            rm -f "$WORK"/prog/*.orvant-pending
            nft flush set inet quit down
            desk_up
            start_monitor "$name.log"
            wait_until 150 connected || fail "$name: the monitor did not connect"
            sleep 2
            if [ $silence = listener ]; then
                pg -m fast stop
                listener_up
            else
                silence_on
            fi
            nft add element inet quit down "{ 127.0.0.2 }"
            # Past the pass that waits 3 s for its book and decides the host is
            # down from the book it read last.
            sleep 9
            kill -0 $pid 2>/dev/null || fail "$name: the monitor ended while its server was silent"
            quit_at=$(date "+%Y-%m-%d %H:%M:%S")
            t=$(request_quit $how) || fail "$name: could not ask the monitor to end"
            took=$(ended_after $t)
            [ "$took" -ge 0 ] || fail "$name: the monitor did not end within 4 s"
            wait $pid
            status=$?
            [ $status = 0 ] || fail "$name: the monitor ended with status $status"
            [ "$took" -le 1500 ] || fail "$name: ending took ${took} ms"
            kept=$(ls "$WORK"/prog/*.orvant-pending 2>/dev/null)
            [ -s "$kept" ] || fail "$name: the outage write was not kept beside the programs"
            if [ $silence = listener ]; then
                listener_down
                pg_up || fail "$name: the server did not start again"
            else
                silence_off
            fi
            no_backend() { [ -z "$(backend)" ]; }
            wait_until 300 no_backend \
                || fail "$name: the ended monitor'"'"'s session stayed on the server: $(q "select pid,state,wait_event,application_name,client_port from pg_stat_activity where application_name like \$\$orvant %\$\$")"
            start_monitor "$name-next.log"
            wait_for "select count(*) from logs where ip=\$\$127.0.0.2\$\$" 1 200 \
                || fail "$name: the kept write was not made by the next run"
            sleep 3
            [ "$(q "select count(*) from logs")" = 1 ] || fail "$name: rows $(q "select ip,time_begin,foe from logs")"
            begin=$(q "select time_begin from logs")
            [[ "$begin" < "$quit_at" ]] || fail "$name: the row begins $begin, not before the quit ($quit_at)"
            kill -TERM $pid; wait $pid
            desk_down
            echo "$silence, $how: ended in ${took} ms; the next run made the outage once (begun $begin)"
        done
    done
    rm -f "$WORK/monitor.pid"
    pg -m fast stop
'
