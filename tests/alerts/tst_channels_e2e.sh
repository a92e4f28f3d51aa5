#!/bin/bash
# End to end: the built monitor (offscreen) and orvant-alert with real
# receivers inside a network namespace made here: an HTTPS webhook receiver
# (certificate from a test CA made with openssl), an SMTP server with
# STARTTLS and AUTH (aiosmtpd), a command that writes its input to files,
# a receiver that answers only after 35 s, one that is down for a minute and
# one that is down until the monitor is restarted. Twenty hosts go down in
# one pass and come back in one: every channel gets one message for each,
# once, in order, with the descriptions byte for byte; the password shows
# nowhere. All traffic stays on the namespace's loop-back.
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
    # A test CA, the receivers' certificate from it, and a certificate for
    # the same address that no trusted CA signed.
    (
        cd "$work" || exit 1
        ec="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
        openssl req -x509 $ec -keyout ca.key -out ca.pem -days 2 -subj "/CN=Orvant test CA" &&
        openssl req $ec -keyout srv.key -out srv.csr -subj "/CN=127.0.0.1" &&
        printf 'subjectAltName=IP:127.0.0.1\n' >ext &&
        openssl x509 -req -in srv.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out srv.pem -days 2 -extfile ext &&
        openssl req -x509 $ec -keyout wrong.key -out wrong.pem -days 2 -subj "/CN=127.0.0.1" \
            -addext subjectAltName=IP:127.0.0.1
    ) >"$work/openssl.log" 2>&1 || { echo "FAIL: openssl"; cat "$work/openssl.log"; exit 1; }
    export WORK="$work"
    timeout 280 unshare -n bash "$0" inside
    exit $?
fi

# --- inside the namespace ----------------------------------------------------
export DB="$WORK/ping_addr.mdb"
# Secrets handed over on standard input go to a file under this user's
# configuration folder: the test's own.
export XDG_CONFIG_HOME="$WORK/config"
src=$(dirname "$0")
recv="/usr/bin/python3 $src/../support/alert_receivers.py"
check="/usr/bin/python3 $src/alert_check.py"
pids=()
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
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
count() { ls "$WORK/$1" 2>/dev/null | grep -c "$2\$"; }
has() { [ "$(count "$1" "$2")" -ge "$3" ]; }
# receiver NAME ARGS...: starts one and waits until it listens.
receiver() {
    local name=$1; shift
    $recv "$@" >"$WORK/$name.log" 2>&1 &
    pids+=($!)
    wait_until 100 grep -q ready "$WORK/$name.log" || fail "receiver $name did not start: $(cat "$WORK/$name.log")"
}
start_monitor() {
    XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=offscreen "$WORK/orvant" >>"$WORK/orvant.log" 2>&1 &
    pid=$!
}
stop_monitor() {
    kill -TERM "$pid"
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "the monitor did not end within 10 s of SIGTERM"
    wait "$pid"
    pid=
}
alert() { "$WORK/orvant-alert" --db "$DB" "$@"; }

ip link set lo up
nft add table inet e2e
nft add chain inet e2e inp "{ type filter hook input priority 0; }"
nft add set inet e2e down "{ type ipv4_addr; }"
nft add rule inet e2e inp ip daddr @down icmp type echo-request drop

password='Pa55-w0rd-never-shown'
printf '%s\n' "$password" >"$WORK/pw"
hooksecret='T0KEN-in-the-path-9f8e7d'
# A description with quotes, $(…), backticks, a backslash, a line break and Cyrillic.
printf '%s\n%s' 'Шлюз "A" '\''b'\'' $(touch /tmp/pwned) `id` \n \' 'вторая строка' >"$WORK/desc.txt"

receiver hook http 8443 "$WORK/hook" --cert "$WORK/srv.pem" --key "$WORK/srv.key"
receiver wrong http 8444 "$WORK/wrong" --cert "$WORK/wrong.pem" --key "$WORK/wrong.key"
receiver smtp smtp 2525 "$WORK/mail" --cert "$WORK/srv.pem" --key "$WORK/srv.key" --user alice \
    --password-file "$WORK/pw"
receiver slow http 8081 "$WORK/slow" --delay 35
mkdir "$WORK/cmd"

{
    alert add hook --webhook "https://127.0.0.1:8443/hook/$hooksecret" --ca-file "$WORK/ca.pem" &&
    alert add mail --email ops@example.org --smtp smtp://127.0.0.1:2525 --user alice --password-file - \
        --ca-file "$WORK/ca.pem" <"$WORK/pw" &&
    alert add cmd --command /bin/sh -c 'n=$(ls "$0" | grep -c in$); cat >"$0/$n.in"; env | grep ^ORVANT_ | sort >"$0/$n.env"' \
        "$WORK/cmd" &&
    alert add slow --webhook http://127.0.0.1:8081/slow &&
    alert add late --webhook http://127.0.0.1:8080/late &&
    alert add pend --webhook http://127.0.0.1:8082/pend &&
    alert add wrongcert --webhook https://127.0.0.1:8444/x --ca-file "$WORK/ca.pem"
} >"$WORK/alert.out" 2>&1 || fail "orvant-alert add: $(cat "$WORK/alert.out")"
alert list >"$WORK/list.out" 2>&1 || fail "orvant-alert list"
grep -q 'mail.*пароль задан\|mail.*password set' "$WORK/list.out" || fail "list does not say the password is set: $(cat "$WORK/list.out")"
[ "$(wc -l <"$WORK/list.out")" = 7 ] || fail "list: $(cat "$WORK/list.out")"

# The checks of the channels themselves: a wrong certificate is refused, the
# right ones deliver.
alert test wrongcert >"$WORK/test-wrong.out" 2>&1 && fail "a webhook with a wrong certificate counted as delivered"
[ "$(count wrong .body)" = 0 ] || fail "the receiver with a wrong certificate got a message"
grep -qi 'certificate\|сертификат' "$WORK/test-wrong.out" || fail "no word of the certificate: $(cat "$WORK/test-wrong.out")"
alert remove wrongcert || fail "remove wrongcert"
alert test mail >"$WORK/test-mail.out" 2>&1 || fail "test mail: $(cat "$WORK/test-mail.out")"
[ "$(count mail .eml)" = 1 ] || fail "the test mail did not arrive"
rm "$WORK"/mail/*

# Twenty hosts, one of them with the difficult description.
hosts=$(for i in $(seq 10 29); do printf "('127.0.0.%s','host %s',200)," "$i" "$i"; done)
q "delete from addrs; insert into addrs (ip_addr,descript,ping_timeout) values ${hosts%,};
   update addrs set descript=cast(readfile('$WORK/desc.txt') as text) where ip_addr='127.0.0.10';
   update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"
nft add element inet e2e down "{ $(seq -s, -f '127.0.0.%g' 10 29) }"

start_monitor
wait_for "select count(*) from logs where foe=0" 20 300 || fail "20 open rows did not come within 30 s"
down_at=$SECONDS
wait_until 150 has hook .body 1 || fail "no webhook message within 15 s"
wait_until 150 has cmd .in 1 || fail "the command did not run within 15 s"
wait_until 150 has mail .eml 1 || fail "no mail within 15 s"
sleep 2
[ "$(count hook .body)" = 1 ] || fail "20 hosts down in one pass gave $(count hook .body) webhook messages"
[ "$($check hosts "$WORK/hook/000001.body")" = 20 ] || fail "the message lists $($check hosts "$WORK/hook/000001.body") hosts"
$check desc "$WORK/hook/000001.body" 127.0.0.10 "$WORK/desc.txt" || fail "webhook: description changed"
$check desc "$WORK/cmd/0.in" 127.0.0.10 "$WORK/desc.txt" || fail "command input: description changed"
grep -q '^ORVANT_EVENT=down$' "$WORK/cmd/0.env" || fail "command environment: $(cat "$WORK/cmd/0.env")"
$check mail "$WORK/mail/000001.eml" 127.0.0.10 "$WORK/desc.txt" >"$WORK/subject1" || fail "mail: $(cat "$WORK/subject1")"
grep -q 'hook/'"$hooksecret" "$WORK/hook/000001.meta" || fail "the webhook went to another path"
[ -e /tmp/pwned ] && fail "a description was run by a shell"

# All hosts back; the slow receiver still holds its first message.
nft flush set inet e2e down
wait_for "select count(*) from logs where foe=0" 0 150 || fail "the rows were not closed within 15 s"
(( SECONDS - down_at < 30 )) || fail "the restoring pass waited for the slow receiver"
[ "$(count slow .body)" = 1 ] || fail "the slow receiver: $(count slow .body) messages"
wait_until 150 has hook .body 2 || fail "no restoration message within 15 s"
wait_until 150 has cmd .in 2 || fail "the command did not run for the restoration"
wait_until 150 has mail .eml 2 || fail "no restoration mail"
$check downtime "$WORK/hook/000002.body" || fail "restoration: downtime"
$check desc "$WORK/cmd/1.in" 127.0.0.10 "$WORK/desc.txt" || fail "command input: description changed in the restoration"
$check mail "$WORK/mail/000002.eml" 127.0.0.10 "$WORK/desc.txt" >"$WORK/subject2" || fail "mail 2: $(cat "$WORK/subject2")"

# The receiver that was down for a minute comes up; the retries find it.
while (( SECONDS - down_at < 60 )); do sleep 1; done
receiver late http 8080 "$WORK/late"
wait_until 900 has late .body 2 || fail "the late receiver got $(count late .body) messages within 90 s of coming up"
# The slow one answers its first after 35 s, then gets the restoration.
wait_for "select count(*) from alert_deliveries where channel='slow' and outcome='delivered'" 2 600 \
    || fail "the slow receiver's messages were not both delivered"

# The monitor ends with the pend channel's two messages undelivered; their
# receiver comes up; the monitor starts again and sends them, once.
[ "$(q "select count(*) from alert_outbox o join alert_channels c on c.id=o.channel_id where c.name='pend'")" = 2 ] \
    || fail "pending: $(q "select * from alert_outbox")"
stop_monitor
receiver pend http 8082 "$WORK/pend"
start_monitor
wait_until 150 has pend .body 2 || fail "the pending messages were not sent within 15 s of the restart"
sleep 3
for r in hook slow late pend; do
    [ "$($check events "$WORK/$r" .body)" = "down up" ] || fail "$r received: $($check events "$WORK/$r" .body)"
done
[ "$(count mail .eml)" = 2 ] || fail "mails: $(count mail .eml)"
[ "$(count cmd .in)" = 2 ] || fail "command runs: $(count cmd .in)"
[ "$(q "select count(*) from alert_outbox")" = 0 ] || fail "messages left: $(q "select * from alert_outbox")"
q "select count(*) from alert_deliveries where channel='late' and outcome='failed'" | grep -qv '^0$' \
    || fail "the late receiver's failures are not in the delivery log"
stop_monitor

# The secrets: nowhere in what the tools and the monitor said, the delivery
# log or the outbox.
alert list >>"$WORK/list.out" 2>&1
alert log 100 >"$WORK/log.out" 2>&1
q "select * from alert_deliveries; select * from alert_outbox;" >"$WORK/tables.out"
for s in "$password" "$hooksecret"; do
    leaks=$(grep -rlF --exclude=pw --exclude='ping_addr.mdb*' --exclude='*.meta' --exclude-dir=secrets -- "$s" "$WORK")
    [ -z "$leaks" ] || fail "a secret shows in: $leaks"
done
# The password lives in its file, readable by its owner alone, and not in
# the database (the webhook's URL, which holds a token of its own, does).
secret_file=$(ls "$XDG_CONFIG_HOME"/orvant/secrets/*.password)
[ "$(stat -c %a "$secret_file")" = 600 ] || fail "the password file is $(stat -c %a "$secret_file")"
[ "$(head -n1 "$secret_file")" = "$password" ] || fail "the password file holds something else"
grep -qaF -- "$password" "$DB" "$DB-wal" 2>/dev/null && fail "the password is in the database"
echo "20 hosts down and up: one message each per channel; slow, late and pending receivers served once, in order"
