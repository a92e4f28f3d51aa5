#!/bin/bash
# Runs bench_polling inside a private network namespace: loop-back up, an
# nftables set "down" whose echo requests are dropped on the input hook; for
# --ipv6, fd00::/64 routed locally on lo and the set "down6".
# Usage: bench/run_polling_bench.sh [BUILD_DIR] [--quick] [--soak PASSES] [--ipv6]
# Needs root (namespace, nftables, the raw ICMP socket). Nothing leaves the namespace.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build="${1:-$here/../build}"
[ $# -gt 0 ] && shift
bin="$build/bench/bench_polling"
[ -x "$bin" ] || { echo "build bench_polling first: cmake --build $build --target bench_polling" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "needs root: a network namespace and nftables rules" >&2; exit 1; }
command -v fping >/dev/null || echo "fping is not installed: no comparison column" >&2

ORVANT_BENCH_NETNS=1 exec unshare -n bash -c '
    set -e
    ip link set lo up
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
    exec "$@"
' _ "$bin" "$@"
