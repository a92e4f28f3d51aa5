#!/usr/bin/env bash
# A PostgreSQL server of the tests' own: socket only (no TCP port at all),
# trust authentication, its data and socket in DIR.
#
#   pg_server.sh start DIR   makes and starts it (a server left over in DIR
#                            by an interrupted run is stopped first)
#   pg_server.sh stop DIR    stops it and removes DIR
#   pg_server.sh halt DIR    stops it, keeping its data (a server gone away)
#   pg_server.sh resume DIR  starts the halted server again
#
# ORVANT_PG_LISTEN=ADDRESS also opens TCP port 5432 on ADDRESS (only ever a
# loopback address inside a network namespace the test made).
#
# Clients reach it with host=DIR/sock, user postgres; each test makes a
# database of its own there, so tests run in parallel.
# The server refuses to run as root: as root it runs as the postgres user.
set -euo pipefail
action=${1:?usage: pg_server.sh start|stop DIR}
dir=${2:?usage: pg_server.sh start|stop DIR}

bin=
for candidate in /usr/lib/postgresql/*/bin; do
    [ -x "$candidate/pg_ctl" ] && bin=$candidate
done
if [ -z "$bin" ]; then
    echo "FAIL: PostgreSQL's server programs are missing: install the package postgresql" >&2
    exit 1
fi

as_owner() {
    if [ "$(id -u)" = 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

stop_server() {
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 30 stop >/dev/null 2>&1 \
            || as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
    fi
}

# DIR is removed as a whole: only ever one this script made.
marker="$dir/.orvant-test-server"
if [ -e "$dir" ] && [ ! -e "$marker" ] && [ -n "$(ls -A "$dir")" ]; then
    echo "FAIL: $dir exists and is not a test server's directory; not touching it" >&2
    exit 1
fi

start_server() {
    # fsync off: the tests' data need not outlive a power cut.
    if ! as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses='${ORVANT_PG_LISTEN:-}' -c unix_socket_directories='$dir/sock' -c fsync=off -c max_connections=200" \
        start >/dev/null; then
        cat "$dir/server.log" >&2 || true
        echo "FAIL: the PostgreSQL server did not start" >&2
        stop_server
        exit 1
    fi
}

case $action in
start)
    stop_server
    rm -rf "$dir"
    mkdir -p "$dir/data" "$dir/sock"
    touch "$marker"
    chmod 0700 "$dir/data"
    if [ "$(id -u)" = 0 ]; then
        chown -R postgres: "$dir"
    fi
    as_owner "$bin/initdb" -D "$dir/data" --auth=trust -E UTF8 --locale=C -U postgres >"$dir/initdb.log" 2>&1 \
        || { cat "$dir/initdb.log" >&2; echo "FAIL: initdb" >&2; exit 1; }
    start_server
    echo "PostgreSQL server running, socket directory $dir/sock"
    ;;
halt)
    [ -e "$marker" ] || { echo "FAIL: no test server in $dir" >&2; exit 1; }
    as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 30 stop >/dev/null
    ;;
resume)
    [ -e "$marker" ] || { echo "FAIL: no test server in $dir" >&2; exit 1; }
    start_server
    ;;
stop)
    stop_server
    rm -rf "$dir"
    ;;
*)
    echo "usage: pg_server.sh start|stop DIR" >&2
    exit 2
    ;;
esac
