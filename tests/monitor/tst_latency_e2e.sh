#!/bin/bash
# End to end with real ICMP in a namespace made here: the built monitor
# records each pass's round trips and loss (127.0.0.1 answers, nft drops
# every request to 127.0.0.2 and about half of those to 127.0.0.9), and the
# built orvant-export --latency writes them as the operator asks for them:
# the whole file, one host by its description, an empty period, and the
# command lines it refuses. No traffic leaves the namespace.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sqlite3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant
cp "${ORVANT_BIN_DIR:?}/orvant-export" "$work/"
mkdir -m 700 "$work/run"
db="$work/ping_addr.mdb"
sqlite3 "$db" "delete from addrs;
  insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.1','answers',200),('127.0.0.2','dropped',200),
    ('127.0.0.9','half',200);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"

export WORK="$work" DB="$db" TESTLIB="$(dirname "$0")/../support/testlib.sh"
timeout 120 unshare -n bash -c '
    set -u
    . "$TESTLIB"
    pid=
    trap "[ -n \"\$pid\" ] && kill -KILL \$pid 2>/dev/null" EXIT
    fail() { echo "FAIL: $*"; echo "--- orvant output ---"; cat "$WORK/orvant.log"; exit 1; }
    ip link set lo up
    nft -f - <<NFT
table inet e2e {
    chain inp {
        type filter hook input priority 0;
        ip daddr 127.0.0.2 icmp type echo-request drop
        ip daddr 127.0.0.9 icmp type echo-request numgen random mod 100 lt 50 drop
    }
}
NFT
    XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=offscreen "$WORK/orvant" >"$WORK/orvant.log" 2>&1 &
    pid=$!
    wait_for "select count(*)>=20 from latency_passes" 1 600 || fail "fewer than 20 passes recorded within 60 s"
    kill -TERM $pid
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -0 $pid 2>/dev/null && fail "the monitor did not end within 10 s of SIGTERM"
    wait $pid
    pid=
'
status=$?
[ $status = 0 ] || exit $status

export_() { "$work/orvant-export" --db "$db" "$@"; }
fail() { echo "FAIL: $*"; exit 1; }

export_ --latency "$work/all.csv" 2>"$work/err" || fail "orvant-export --latency failed: $(cat "$work/err")"
[ "$(head -1 "$work/all.csv" | tr -d '\r')" = "time,address,description,passes,sent,lost,rtt_min_ms,rtt_median_ms,rtt_p90_ms,rtt_max_ms" ] \
    || fail "header: $(head -1 "$work/all.csv")"
# Per host: rows, attempts sent and lost, rows with a round trip.
sums() { grep ",$1," "$work/all.csv" | tr -d '\r' | awk -F, '{n++; s+=$5; l+=$6; if ($7 != "") r++} END {print n+0, s+0, l+0, r+0}'; }
read -r n sent lost rtt <<<"$(sums 127.0.0.1)"
[ "$n" -ge 20 ] && [ "$lost" = 0 ] && [ "$rtt" = "$n" ] || fail "127.0.0.1: $n rows, $sent sent, $lost lost, $rtt with a round trip"
read -r n sent lost rtt <<<"$(sums 127.0.0.2)"
[ "$n" -ge 20 ] && [ "$sent" = $((4 * n)) ] && [ "$lost" = "$sent" ] && [ "$rtt" = 0 ] \
    || fail "127.0.0.2: $n rows, $sent sent, $lost lost, $rtt with a round trip"
read -r n sent lost rtt <<<"$(sums 127.0.0.9)"
# Each attempt is dropped with probability 1/2: over at least 20 passes the
# share lost lies outside 10 %..90 % by a chance below one in ten thousand.
[ "$n" -ge 20 ] && [ $((lost * 10)) -ge "$sent" ] && [ $((lost * 10)) -le $((sent * 9)) ] \
    || fail "127.0.0.9: $n rows, $sent sent, $lost lost"
# Every round trip is a number of milliseconds within the timeout.
awk -F, 'NR > 1 && $7 != "" && ($7 < 0 || $10 > 200 || $7 > $10) {bad=1} END {exit bad}' "$work/all.csv" \
    || fail "a round trip out of range: $(cat "$work/all.csv")"

export_ --latency --host half - >"$work/half.csv" 2>"$work/err" || fail "--host half failed: $(cat "$work/err")"
[ "$(tail -n +2 "$work/half.csv" | grep -vc ',127\.0\.0\.9,half,')" = 0 ] || fail "--host half: $(cat "$work/half.csv")"
[ "$(tail -n +2 "$work/half.csv" | wc -l)" -ge 20 ] || fail "--host half: $(cat "$work/half.csv")"

export_ --latency --from 2001-01-01 --to 2001-01-31 - >"$work/none.csv" 2>"$work/err" || fail "an empty period failed"
[ "$(wc -l <"$work/none.csv")" = 1 ] || fail "an empty period wrote rows: $(cat "$work/none.csv")"

export_ --latency --availability - >/dev/null 2>&1; [ $? = 2 ] || fail "--latency with --availability was not refused"
export_ --latency --from 2026-13-01 - >/dev/null 2>&1; [ $? = 2 ] || fail "a month 13 was not refused"
echo "round trips and loss recorded and exported: $(sums 127.0.0.9 | cut -d" " -f2-3) sent/lost for the half-dropped host"
