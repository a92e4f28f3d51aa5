#!/bin/bash
# Runs bench_polling inside a private network namespace: loop-back up, an
# nftables set "down" whose echo requests are dropped on the input hook; for
# --ipv6, fd00::/64 routed locally on lo and the set "down6".
# For --server, a socket-only PostgreSQL server in a temporary directory
# inside the namespace (as the user postgres), with the suite's tables in a
# database orvant_bench; bench_polling then runs N=1000/D=100 on the file and
# on it. The server is stopped when the run ends, however it ends.
# Usage: bench/run_polling_bench.sh [BUILD_DIR] [--quick] [--soak PASSES] [--ipv6] [--server]
# Needs root (namespace, nftables, the raw ICMP socket). Nothing leaves the namespace.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build="${1:-$here/../build}"
[ $# -gt 0 ] && shift
bin="$build/bench/bench_polling"
[ -x "$bin" ] || { echo "build bench_polling first: cmake --build $build --target bench_polling" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "needs root: a network namespace and nftables rules" >&2; exit 1; }
command -v fping >/dev/null || echo "fping is not installed: no comparison column" >&2
server=0
args=()
for a in "$@"; do
    if [ "$a" = --server ]; then server=1; else args+=("$a"); fi
done
pgbin=/usr/lib/postgresql/15/bin
if [ $server = 1 ]; then
    [ -x "$pgbin/pg_ctl" ] || { echo "--server needs PostgreSQL 15 (Debian package postgresql)" >&2; exit 1; }
    pgdir=$(mktemp -d)
    chmod 755 "$pgdir"
    mkdir -p "$pgdir/data" "$pgdir/sock"
    chown -R postgres "$pgdir"
    chmod 700 "$pgdir/data"
    runuser -u postgres -- "$pgbin/initdb" -D "$pgdir/data" --auth=trust -E UTF8 >/dev/null
    trap 'runuser -u postgres -- "$pgbin/pg_ctl" -D "$pgdir/data" -m fast -w stop >/dev/null 2>&1; rm -rf "$pgdir"' EXIT
    set -- --server "$pgdir/sock" "${args[@]}"
fi

ORVANT_BENCH_NETNS=1 PGDIR="${pgdir:-}" PGBIN=$pgbin SCHEMA="$here/../common/core/schema-postgres.sql" unshare -n bash -c '
    set -e
    ip link set lo up
    if [ -n "$PGDIR" ]; then
        runuser -u postgres -- "$PGBIN/pg_ctl" -D "$PGDIR/data" -l "$PGDIR/server.log" -w \
            -o "-c listen_addresses='"''"' -c unix_socket_directories=$PGDIR/sock -c fsync=off" start >/dev/null
        psql -X -q -h "$PGDIR/sock" -U postgres -c "create database orvant_bench"
        psql -X -q -h "$PGDIR/sock" -U postgres -d orvant_bench -f "$SCHEMA" >/dev/null
    fi
    ip -6 route add local fd00::/64 dev lo
    nft -f - <<NFT
table inet bench {
    set down { type ipv4_addr; }
    set down6 { type ipv6_addr; }
    chain inp {
        type filter hook input priority 0;
        ip daddr @down icmp type echo-request drop
        ip6 daddr @down6 icmpv6 type echo-request drop
    }
}
NFT
    [ -n "$PGDIR" ] || exec "$@"
    status=0
    "$@" || status=$?
    runuser -u postgres -- "$PGBIN/pg_ctl" -D "$PGDIR/data" -m fast -w stop >/dev/null
    exit $status
' _ "$bin" "$@"
