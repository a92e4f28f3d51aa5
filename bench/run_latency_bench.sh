#!/bin/bash
# Round trips and loss at scale (bench_latency), with a private socket-only
# PostgreSQL server in a temporary directory for the server's write of one
# pass; the server is stopped when the run ends, however it ends.
# Usage: sudo bench/run_latency_bench.sh [BUILD_DIR] [DAYS]
set -eu
build=${1:-build}
shift || true
bin="$build/bench/bench_latency"
[ -x "$bin" ] || { echo "build $bin first (cmake --build $build --target bench_latency)" >&2; exit 1; }
pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$pgbin/pg_ctl" ] || { echo "needs PostgreSQL (Debian package postgresql)" >&2; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
pgdir=$(mktemp -d)
chmod 755 "$pgdir"
mkdir -p "$pgdir/data" "$pgdir/sock"
chown -R postgres "$pgdir"
chmod 700 "$pgdir/data"
runuser -u postgres -- "$pgbin/initdb" -D "$pgdir/data" --auth=trust -E UTF8 >/dev/null
trap 'runuser -u postgres -- "$pgbin/pg_ctl" -D "$pgdir/data" -m fast -w stop >/dev/null 2>&1; rm -rf "$pgdir"' EXIT
# Durable as a real server is (fsync on): the write's figure includes its commit.
runuser -u postgres -- "$pgbin/pg_ctl" -D "$pgdir/data" -l "$pgdir/server.log" -w \
    -o "-c listen_addresses='' -c unix_socket_directories=$pgdir/sock" start >/dev/null
psql -X -q -h "$pgdir/sock" -U postgres -c "create database orvant_bench"
psql -X -q -h "$pgdir/sock" -U postgres -d orvant_bench -f "$here/../common/core/schema-postgres.sql" >/dev/null
"$bin" --server "$pgdir/sock" "$@"
