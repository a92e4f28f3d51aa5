#!/bin/bash
# Runs bench_session_gap inside a private network namespace (loop-back up):
# its silent listener on 127.0.0.1 is reached by nothing outside. A private
# PostgreSQL server listens on 127.0.0.1 in the namespace for the cases of a
# server stopped and made silent mid-run (nft drops its packets); it is
# stopped and removed when the run ends, however it ends.
# Usage: sudo bench/run_session_bench.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build="${1:-$here/../build}"
bin="$build/bench/bench_session_gap"
[ -x "$bin" ] || { echo "build bench_session_gap first: cmake --build $build --target bench_session_gap" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "needs root: a network namespace" >&2; exit 1; }
pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$pgbin/pg_ctl" ] || { echo "needs PostgreSQL (Debian package postgresql)" >&2; exit 1; }
pgdir=$(mktemp -d)
chmod 755 "$pgdir"
mkdir -p "$pgdir/data" "$pgdir/sock"
chown -R postgres "$pgdir"
chmod 700 "$pgdir/data"
runuser -u postgres -- "$pgbin/initdb" -D "$pgdir/data" --auth=trust -E UTF8 >/dev/null
trap 'runuser -u postgres -- "$pgbin/pg_ctl" -D "$pgdir/data" -m immediate -w stop >/dev/null 2>&1; rm -rf "$pgdir"' EXIT
export PGDIR="$pgdir" PGBIN="$pgbin" PGPORT=55432 SCHEMA="$here/../common/core/schema-postgres.sql"
timeout 600 unshare -n bash -c '
    set -e
    ip link set lo up
    nft add table inet session_bench
    nft add chain inet session_bench out "{ type filter hook output priority 0; }"
    runuser -u postgres -- "$PGBIN/pg_ctl" -D "$PGDIR/data" -l "$PGDIR/server.log" -w \
        -o "-c listen_addresses=127.0.0.1 -c port=$PGPORT -c unix_socket_directories=$PGDIR/sock" start >/dev/null
    psql -X -q -h "$PGDIR/sock" -p "$PGPORT" -U postgres -c "create database orvant_bench"
    psql -X -q -h "$PGDIR/sock" -p "$PGPORT" -U postgres -d orvant_bench -f "$SCHEMA" >/dev/null
    status=0
    "$0" || status=$?
    runuser -u postgres -- "$PGBIN/pg_ctl" -D "$PGDIR/data" -m immediate -w stop >/dev/null 2>&1 || true
    exit $status
' "$bin"
