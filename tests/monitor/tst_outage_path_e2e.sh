#!/bin/bash
# The path traced when an outage begins, end to end with the built monitor
# in a desk namespace behind a router namespace, a server namespace behind
# that, veth links on documentation prefixes:
#
#   desk 192.0.2.2 -- 192.0.2.1 router 198.51.100.1 -- 198.51.100.2 server
#
# While both answer no path is traced. Then the router stops forwarding to
# the server (nft drop on its forward hook): the server's outage is kept
# with a path whose hop 1 is the router and that never names the server,
# and orvant-export --paths writes it. The namespaces go at the end,
# whatever happened; nothing leaves them.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sqlite3 sysctl

work=$(mktemp -d)
desk=orvpdesk$$
router=orvprouter$$
server=orvpserver$$
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    for ns in "$desk" "$router" "$server"; do ip netns del "$ns" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
install_program "$work" orvant
cp "${ORVANT_BIN_DIR:?}/orvant-export" "$work/"
mkdir -m 700 "$work/run"
export DB="$work/ping_addr.mdb"
sqlite3 "$DB" "delete from addrs;
  insert into addrs (ip_addr,descript,ping_timeout) values ('192.0.2.1','router',300),('198.51.100.2','server',300);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"

set -e
for ns in "$desk" "$router" "$server"; do
    ip netns add "$ns"
    ip -n "$ns" link set lo up
done
ip link add d0 netns "$desk" type veth peer name r0 netns "$router"
ip link add r1 netns "$router" type veth peer name s0 netns "$server"
ip -n "$desk" link set d0 up
ip -n "$router" link set r0 up
ip -n "$router" link set r1 up
ip -n "$server" link set s0 up
ip -n "$desk" addr add 192.0.2.2/24 dev d0
ip -n "$router" addr add 192.0.2.1/24 dev r0
ip -n "$router" addr add 198.51.100.1/24 dev r1
ip -n "$server" addr add 198.51.100.2/24 dev s0
ip -n "$desk" route add default via 192.0.2.1
ip -n "$server" route add default via 198.51.100.1
ip netns exec "$router" sysctl -q -w net.ipv4.ip_forward=1 net.ipv4.icmp_ratelimit=0
ip netns exec "$router" nft -f - <<NFT
table inet path_test {
    chain relay {
        type filter hook forward priority 0;
    }
}
NFT
set +e

fail() {
    echo "FAIL: $*"
    echo "--- logs ---"; q "select * from logs"
    echo "--- outage_paths ---"; q "select * from outage_paths"
    echo "--- orvant output ---"; cat "$work/orvant.log"
    exit 1
}

XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen ip netns exec "$desk" "$work/orvant" >>"$work/orvant.log" 2>&1 &
pid=$!

# Both answer for a few passes: nothing is traced.
wait_for "select count(*) from latency_passes" 3 300 || fail "the monitor made no three passes"
[ "$(q "select count(*) from logs")" = 0 ] || fail "an outage while everything answers"
[ "$(q "select count(*) from outage_paths")" = 0 ] || fail "a path traced while everything answers"

# The router stops forwarding to the server.
ip netns exec "$router" nft add rule inet path_test relay ip daddr 198.51.100.2 drop
wait_for "select count(*) from logs where ip='198.51.100.2' and foe=0" 1 300 || fail "no outage of the server"
wait_for "select count(*) from outage_paths where ip_addr='198.51.100.2' and hop=1" 1 100 \
    || fail "no path kept with the server's outage"
# The path is written in one transaction: all of it is there now.
[ "$(q "select hop_addr from outage_paths where ip_addr='198.51.100.2' and hop=1")" = 192.0.2.1 ] \
    || fail "hop 1 is not the router"
[ "$(q "select count(*) from outage_paths where hop_addr='198.51.100.2'")" = 0 ] || fail "the path names the server"
[ "$(q "select count(*) from outage_paths p join logs l on l.ip=p.ip_addr and l.time_begin=p.time_begin")" \
    = "$(q "select count(*) from outage_paths")" ] || fail "a path kept apart from its outage's begin"
[ "$(q "select count(*) from outage_paths where ip_addr<>'198.51.100.2'")" = 0 ] || fail "a path for the router"
[ "$(q "select count(*) from logs where ip='192.0.2.1'")" = 0 ] || fail "the router was said to be down"

kill -TERM "$pid"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the monitor did not end within 10 s of SIGTERM"
wait "$pid"
pid=

"$work/orvant-export" --paths --db "$DB" "$work/p.csv" 2>/dev/null || fail "orvant-export --paths failed"
tr -d '\r' <"$work/p.csv" >"$work/p.txt"
[ "$(head -n1 "$work/p.txt")" = "outage_id,address,description,begin,hop,hop_address,rtt_ms" ] \
    || fail "the export's header: $(head -n1 "$work/p.txt")"
grep -Eq '^[0-9]+,198\.51\.100\.2,server,[0-9T:-]+,1,192\.0\.2\.1,[0-9]+\.[0-9]{3}$' "$work/p.txt" \
    || fail "no hop 1 through the router in the export: $(cat "$work/p.txt")"
grep -Eq '^[0-9]+,198\.51\.100\.2,server,[0-9T:-]+,2,,$' "$work/p.txt" \
    || fail "an unanswered hop is not empty in the export: $(cat "$work/p.txt")"
echo "path: $(tr '\n' ' ' <"$work/p.txt" | cut -c1-300)"
