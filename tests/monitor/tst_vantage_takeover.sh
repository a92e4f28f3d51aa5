#!/bin/bash
# The log writer's takeover when a vantage's line to the server is cut: a
# server of the test's own listening on 127.0.0.1 inside a network namespace
# made here, the writer's TCP connection silenced with nft, and another
# vantage on the server's socket taking the writer's lock over (see
# core/tst_vantage_takeover.cpp). No traffic leaves the namespace.
set -u
. "$(dirname "$0")/../support/testlib.sh"
bin="${ORVANT_BUILD_DIR:?}/tests/tst_vantage_takeover"

if [ -z "${ORVANT_IN_NETNS:-}" ]; then
    require_netns
    require_tools psql runuser timeout
    [ -x "$bin" ] || { echo "FAIL: $bin not built"; exit 1; }
    export ORVANT_IN_NETNS=1
    exec timeout 200 unshare -n bash "$0"
fi

# Inside the namespace from here.
ip link set lo up
work=$(mktemp -d)
chmod 755 "$work"
pgctl="$ORVANT_SOURCE_DIR/tests/support/pg_server.sh"
cleanup() {
    bash "$pgctl" stop "$work/pg" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
ORVANT_PG_LISTEN=127.0.0.1 bash "$pgctl" start "$work/pg" >"$work/pg.log" 2>&1 \
    || { echo "FAIL: the server did not start"; cat "$work/pg.log"; exit 1; }
psql -X -q -h "$work/pg/sock" -U postgres -d postgres -c "create database vantage_takeover" \
    || { echo "FAIL: create database"; exit 1; }
printf '[database]\ndriver=postgresql\nhost=%s\nport=5432\nname=vantage_takeover\nuser=postgres\n' "$work/pg/sock" \
    >"$work/orvant.conf"
"${ORVANT_BUILD_DIR}/tools/orvant-mkdb" --config "$work/orvant.conf" >/dev/null || { echo "FAIL: orvant-mkdb"; exit 1; }
ORVANT_PG_SOCKET="$work/pg/sock" ORVANT_PG_DB=vantage_takeover "$bin"
