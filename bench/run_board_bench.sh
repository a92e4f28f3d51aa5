#!/bin/bash
# Runs bench_board inside a private network namespace: loop-back up and an
# nftables set "down" whose echo requests are dropped on the input hook, so
# the paths part has 100 silent hosts among 1,000 on 127.1.0.0/16.
# Usage: bench/run_board_bench.sh [BUILD_DIR] [board] [paths]
# Needs root (namespace, nftables, the raw ICMP socket). Nothing leaves the namespace.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build="${1:-$here/../build}"
[ $# -gt 0 ] && shift
bin="$build/bench/bench_board"
[ -x "$bin" ] || { echo "build bench_board first: cmake --build $build --target bench_board" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "needs root: a network namespace and nftables rules" >&2; exit 1; }
ORVANT_BENCH_NETNS=1 unshare -n bash -c '
    set -e
    ip link set lo up
    nft -f - <<NFT
table inet bench {
    set down { type ipv4_addr; }
    chain inp {
        type filter hook input priority 0;
        ip daddr @down icmp type echo-request drop
    }
}
NFT
    exec "$@"
' _ "$bin" "$@"
