#!/bin/bash
# Real partial loss inside a network namespace made here: nft drops half of
# the echo requests to 127.0.0.9 at random and every one to 127.0.0.2 on the
# input hook; 127.0.0.1 answers. No traffic leaves the namespace.
set -u
bin="${ORVANT_BUILD_DIR:?}/tests/tst_latency_icmp"

. "$(dirname "$0")/../support/testlib.sh"
require_netns
[ -x "$bin" ] || { echo "FAIL: $bin not built"; exit 1; }

export ORVANT_ICMP_NETNS=1 QT_QPA_PLATFORM=offscreen
timeout 240 unshare -n bash -c '
    set -e
    ip link set lo up
    nft -f - <<NFT
table inet loss_test {
    chain inp {
        type filter hook input priority 0;
        ip daddr 127.0.0.2 icmp type echo-request drop
        ip daddr 127.0.0.9 icmp type echo-request numgen random mod 100 lt 50 drop
    }
}
NFT
    exec "$1"
' _ "$bin"
