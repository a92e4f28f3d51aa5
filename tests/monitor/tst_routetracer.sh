#!/bin/bash
# The route tracer over a real routed path, made here of three network
# namespaces joined by veth pairs on documentation prefixes:
#
#   desk 192.0.2.2 / 2001:db8:1::2 -- router 192.0.2.1, 198.51.100.1 / 2001:db8:1::1, 2001:db8:2::1
#        -- server 198.51.100.2 / 2001:db8:2::2
#
# The router forwards both families; an nft table on its forward hook lets
# the test stop the forwarding to the server. The desk has an unreachable
# route to 203.0.113.128/25 (it refuses to send there) and the router no
# route to 203.0.113.0/24 at all (it says so). The test binary runs in the
# desk twice: with a raw ICMP socket, then with the datagram one (ping
# sockets allowed there). The namespaces are deleted at the end, whatever
# happened; nothing leaves them.
set -u
bin="${ORVANT_BUILD_DIR:?}/tests/tst_routetracer"

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sysctl
[ -x "$bin" ] || { echo "FAIL: $bin not built"; exit 1; }

desk=orvdesk$$
router=orvrouter$$
server=orvserver$$
cleanup() { for ns in "$desk" "$router" "$server"; do ip netns del "$ns" 2>/dev/null; done; }
trap cleanup EXIT
set -e
for ns in "$desk" "$router" "$server"; do
    ip netns add "$ns"
    ip -n "$ns" link set lo up
    # Duplicate address detection would hold IPv6 back for a second or two.
    ip netns exec "$ns" sysctl -q -w net.ipv6.conf.default.accept_dad=0 net.ipv6.conf.all.accept_dad=0
done
ip link add d0 netns "$desk" type veth peer name r0 netns "$router"
ip link add r1 netns "$router" type veth peer name s0 netns "$server"
ip -n "$desk" link set d0 up
ip -n "$router" link set r0 up
ip -n "$router" link set r1 up
ip -n "$server" link set s0 up
ip -n "$desk" addr add 192.0.2.2/24 dev d0
ip -n "$desk" addr add 2001:db8:1::2/64 dev d0 nodad
ip -n "$router" addr add 192.0.2.1/24 dev r0
ip -n "$router" addr add 2001:db8:1::1/64 dev r0 nodad
ip -n "$router" addr add 198.51.100.1/24 dev r1
ip -n "$router" addr add 2001:db8:2::1/64 dev r1 nodad
ip -n "$server" addr add 198.51.100.2/24 dev s0
ip -n "$server" addr add 2001:db8:2::2/64 dev s0 nodad
ip -n "$desk" route add default via 192.0.2.1
ip -n "$desk" -6 route add default via 2001:db8:1::1
ip -n "$desk" route add unreachable 203.0.113.128/25
ip -n "$server" route add default via 198.51.100.1
ip -n "$server" -6 route add default via 2001:db8:2::1
ip netns exec "$router" sysctl -q -w net.ipv4.ip_forward=1 net.ipv6.conf.all.forwarding=1
# A router sends a host a few ICMP errors at once and then one a second; the
# cases follow one another faster than that, so the limit is lifted here.
ip netns exec "$router" sysctl -q -w net.ipv4.icmp_ratelimit=0 net.ipv6.icmp.ratelimit=0
ip netns exec "$router" nft -f - <<NFT
table inet trace_test {
    chain pass {
        type filter hook forward priority 0;
    }
}
NFT
set +e

export ORVANT_ROUTE_NETNS=1 ORVANT_ROUTER_NETNS="$router" QT_QPA_PLATFORM=offscreen
status=0
for kind in raw datagram; do
    echo "=== $kind socket ==="
    ORVANT_ICMP_KIND=$kind timeout 180 ip netns exec "$desk" bash -c '
        if [ "$ORVANT_ICMP_KIND" = datagram ]; then
            sysctl -q -w net.ipv4.ping_group_range="0 2147483647" || exit 1
        fi
        exec "$1"
    ' _ "$bin" || status=1
done
exit $status
