#!/bin/bash
# Real ICMP inside a network namespace made here: 127.0.0.1 answers, echo
# requests to 127.0.0.2 and to every seventh of 300 addresses in 127.1.0.0/16
# are dropped on the input hook (a real timeout), those to 127.0.0.3 on the
# output hook (sendto fails). IPv6 likewise: ::1 and every fd00::x (a local
# route on lo) answer, fd00::2 and every seventh of 300 fd00::1:x are dropped
# on input, fd00::3 on output, fd00::5 is in a set the test flips; lo also
# has fe80::1 (a zone to test) and fd00::99 (a source to forge replies from).
# The test binary runs once
# with a datagram ICMP socket (ping_group_range widened inside the namespace)
# and once with a raw socket (root). No traffic leaves the namespace.
set -u
bin="${ORVANT_BUILD_DIR:?}/tests/tst_echo_icmp"

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sysctl
[ -x "$bin" ] || { echo "FAIL: $bin not built"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
elements=()
for i in $(seq 0 299); do
    host="127.1.$((i / 250)).$((i % 250 + 1))"
    echo "$host" >> "$work/hosts"
    if [ $((i % 7)) = 3 ]; then
        echo "$host" >> "$work/dropped"
        elements+=("$host")
    fi
done
(IFS=,; echo "${elements[*]}") > "$work/elements"
elements6=()
for i in $(seq 0 299); do
    host=$(printf 'fd00::1:%x' $((i + 1)))
    echo "$host" >> "$work/hosts6"
    if [ $((i % 7)) = 3 ]; then
        echo "$host" >> "$work/dropped6"
        elements6+=("$host")
    fi
done
(IFS=,; echo "${elements6[*]}") > "$work/elements6"

export ORVANT_ICMP_NETNS=1 ORVANT_HOSTS_FILE="$work/hosts" ORVANT_DROPPED_FILE="$work/dropped"
export ORVANT_HOSTS6_FILE="$work/hosts6" ORVANT_DROPPED6_FILE="$work/dropped6"
export QT_QPA_PLATFORM=offscreen
status=0
for kind in datagram raw; do
    echo "=== $kind socket ==="
    ORVANT_ICMP_KIND=$kind timeout 180 unshare -n bash -c '
        set -e
        ip link set lo up
        ip -6 route add local fd00::/64 dev lo
        ip -6 addr add fe80::1/64 dev lo nodad
        ip -6 addr add fd00::99/128 dev lo nodad
        nft -f - <<NFT
table inet echo_test {
    set down { type ipv4_addr; elements = { $(cat "$1") } }
    set down6 { type ipv6_addr; elements = { $(cat "$3") } }
    set flip6 { type ipv6_addr; }
    chain inp {
        type filter hook input priority 0;
        ip daddr 127.0.0.2 icmp type echo-request drop
        ip daddr @down icmp type echo-request drop
        ip6 daddr fd00::2 icmpv6 type echo-request drop
        ip6 daddr @down6 icmpv6 type echo-request drop
        ip6 daddr @flip6 icmpv6 type echo-request drop
    }
    chain out {
        type filter hook output priority 0;
        ip daddr 127.0.0.3 icmp type echo-request drop
        ip6 daddr fd00::3 icmpv6 type echo-request drop
    }
}
NFT
        if [ "$ORVANT_ICMP_KIND" = datagram ]; then
            sysctl -q -w net.ipv4.ping_group_range="0 2147483647"
        fi
        exec "$2"
    ' _ "$work/elements" "$bin" "$work/elements6" || status=1
done

# Neither socket kind allowed: ping_group_range stays closed ("1 0", the
# kernel default) and CAP_NET_RAW is dropped.
if command -v setpriv >/dev/null; then
    echo "=== no ICMP rights ==="
    ORVANT_ICMP_KIND=none timeout 60 unshare -n bash -c '
        ip link set lo up
        sysctl -q -w net.ipv4.ping_group_range="1 0"
        exec setpriv --bounding-set=-net_raw "$1"
    ' _ "$bin" || status=1
else
    echo "setpriv missing: the case without ICMP rights is not run"
fi
exit $status
