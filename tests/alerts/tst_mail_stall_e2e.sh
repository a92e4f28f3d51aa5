#!/bin/bash
# End to end: the built monitor (offscreen) with one mail channel whose SMTP
# server (STARTTLS, a certificate from a test CA made here) takes the whole
# message and never answers its end, inside a network namespace made here. SIGTERM while that delivery hangs: the monitor ends
# within its grace for deliveries (3 s) and a little more, and the message
# stays in the outbox for the next start (at least once, never lost). All
# traffic stays on the namespace's loop-back.
set -u

. "$(dirname "$0")/../support/testlib.sh"

if [ "${1:-}" != inside ]; then
    require_netns
    require_tools sqlite3 openssl
    /usr/bin/python3 -c 'import aiosmtpd' 2>/dev/null || { echo "SKIP: python3-aiosmtpd is not installed"; exit 77; }
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    install_program "$work" orvant
    cp "$ORVANT_BIN_DIR/orvant-alert" "$work/" || { echo "FAIL: orvant-alert is not built"; exit 1; }
    mkdir -m 700 "$work/run"
    (
        cd "$work" || exit 1
        ec="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
        openssl req -x509 $ec -keyout ca.key -out ca.pem -days 2 -subj "/CN=Orvant test CA" &&
        openssl req $ec -keyout srv.key -out srv.csr -subj "/CN=127.0.0.1" &&
        printf 'subjectAltName=IP:127.0.0.1\n' >ext &&
        openssl x509 -req -in srv.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out srv.pem -days 2 -extfile ext
    ) >"$work/openssl.log" 2>&1 || { echo "FAIL: openssl"; cat "$work/openssl.log"; exit 1; }
    export WORK="$work"
    timeout 120 unshare -n bash "$0" inside
    exit $?
fi

# --- inside the namespace ----------------------------------------------------
export DB="$WORK/ping_addr.mdb"
src=$(dirname "$0")
pids=()
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    echo "--- orvant output ---"; cat "$WORK/orvant.log" 2>/dev/null
    echo "--- delivery log ---"; q "select * from alert_deliveries" 2>/dev/null
    exit 1
}
alive() { [ -e "/proc/$1" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status" 2>/dev/null; }

ip link set lo up
nft add table inet e2e
nft add chain inet e2e inp "{ type filter hook input priority 0; }"
nft add rule inet e2e inp ip daddr 127.0.0.9 icmp type echo-request drop

/usr/bin/python3 "$src/../support/alert_receivers.py" smtp 2526 "$WORK/mail" --stall-data --wire "$WORK/wire" \
    --cert "$WORK/srv.pem" --key "$WORK/srv.key" >"$WORK/smtp.log" 2>&1 &
pids+=($!)
wait_until 100 grep -q ready "$WORK/smtp.log" || fail "the SMTP receiver did not start: $(cat "$WORK/smtp.log")"

"$WORK/orvant-alert" --db "$DB" add stall --email ops@example.org --smtp smtp://127.0.0.1:2526 \
    --ca-file "$WORK/ca.pem" >/dev/null 2>&1 \
    || fail "orvant-alert add"
q "delete from addrs; insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.9','dropped',200);
   update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"

XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=offscreen "$WORK/orvant" >"$WORK/orvant.log" 2>&1 &
pid=$!
wait_for "select count(*) from logs where foe=0" 1 200 || fail "the outage was not logged within 20 s"
# The whole message is on the wire, its end unanswered: the delivery hangs.
wait_until 200 grep -qa $'^\\.\r$' "$WORK/wire" || fail "the mail's body was not sent within 20 s"
sleep 1

start=$(date +%s%N)
kill -TERM "$pid"
wait_until 150 eval '! alive $pid'
ms=$(( ($(date +%s%N) - start) / 1000000 ))
alive "$pid" && fail "the monitor still runs 15 s after SIGTERM, held by a mail delivery"
wait "$pid"
pid=
echo "the monitor ended ${ms} ms after SIGTERM"
(( ms < 6000 )) || fail "the monitor took ${ms} ms to end: longer than its 3 s grace for deliveries and a little"
[ "$(q "select count(*) from alert_outbox")" = 1 ] || fail "the undelivered message left the outbox: $(q "select * from alert_outbox")"
echo "a mail delivery stalled at its end held the monitor's end for ${ms} ms; the message stays in the outbox"
