#!/bin/bash
# Three built monitors as vantage points, each in a network namespace of its
# own (so a host dropped with nft in one is silent to that vantage only), on
# one PostgreSQL server of the test's reached through its Unix socket (the
# socket directory is seen from every namespace). Vantage "c" reaches the
# server through a relay the test can stop and start again.
#  1. a host silent to one vantage: no log row under `all`; silent to all
#     three: one row and one alert naming the three (a command channel the
#     test made); back: closed once, one alert;
#  2. a vantage killed: stale after the bound, then the rule holds over the
#     rest and a host silent to those left is logged;
#  3. `any`: a host silent to one vantage is logged;
#  4. the writer killed: another takes the log over, nothing doubled;
#  5. a vantage cut from the server until it is stale (over 30 s) while a
#     host falls silent to it alone: it keeps its observation in its pending file and writes it
#     once when back, with its own time; the writer then logs the outage
#     from that time, once; an outage that began and ended within the cut
#     is logged once, closed, and rings no alert;
#  6. a monitor without [vantage] is refused beside them, naming them.
set -u
. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools psql runuser nsenter python3 timeout

work=$(mktemp -d)
chmod 755 "$work"
pids=()
relay=
cleanup() {
    for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done
    [ -n "$relay" ] && kill -KILL "$relay" 2>/dev/null
    bash "$ORVANT_SOURCE_DIR/tests/support/pg_server.sh" stop "$work/pg" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
export WORK="$work"
pgctl="$ORVANT_SOURCE_DIR/tests/support/pg_server.sh"
bash "$pgctl" start "$work/pg" >"$work/pg.log" 2>&1 || { cat "$work/pg.log"; echo "FAIL: the server did not start"; exit 1; }
psql -X -q -h "$work/pg/sock" -U postgres -d postgres -c "create database vantages_e2e" || { echo "FAIL: create database"; exit 1; }
q() { psql -X -q -At -h "$WORK/pg/sock" -U postgres -d vantages_e2e -c "$1"; }
t0=$(date +%s)

conf() {  # conf DIR SOCKETDIR [VANTAGE]
    printf '[database]\ndriver=postgresql\nhost=%s\nport=5432\nname=vantages_e2e\nuser=postgres\n' "$2" >"$1/orvant.conf"
    [ -n "${3:-}" ] && printf '[vantage]\nname=%s\n' "$3" >>"$1/orvant.conf"
    return 0
}
for v in a b c plain; do
    install_program "$work/$v" orvant
    mkdir -m 700 "$work/run-$v"
done
conf "$work/a" "$work/pg/sock" a
conf "$work/b" "$work/pg/sock" b
mkdir "$work/relay"
conf "$work/c" "$work/relay" c
conf "$work/plain" "$work/pg/sock"
"$ORVANT_BUILD_DIR/tools/orvant-mkdb" --config "$work/a/orvant.conf" >/dev/null || { echo "FAIL: orvant-mkdb"; exit 1; }
q "delete from addrs; insert into addrs (ip_addr,descript,ping_timeout) values
     (\$\$127.0.0.2\$\$,\$\$h2\$\$,200),(\$\$127.0.0.3\$\$,\$\$h3\$\$,200),
     (\$\$127.0.0.4\$\$,\$\$h4\$\$,200),(\$\$127.0.0.5\$\$,\$\$h5\$\$,200),
     (\$\$127.0.0.6\$\$,\$\$h6\$\$,200);
   update options set refresh_time=0, \"view\"=0, snd_err=\$\$\$\$, snd_rest=\$\$\$\$;" || { echo "FAIL: the book"; exit 1; }
# A command channel: each message's JSON, one line each, in alerts.jsonl.
settings=$(python3 -c 'import json,sys; print(json.dumps({"program": sys.argv[2], "arguments": ["-c",
    "import sys; f = open(sys.argv[1], \"a\"); f.write(sys.stdin.read() + \"\\n\")", sys.argv[1]]}))' "$work/alerts.jsonl" "$(if [ -x /usr/bin/python3 ]; then echo /usr/bin/python3; else command -v python3; fi)")
echo "insert into alert_channels (name,kind,settings,secret,events) values ('file','command',:'s','','down,up')" \
    | psql -X -q -h "$work/pg/sock" -U postgres -d vantages_e2e -v s="$settings" || { echo "FAIL: the channel"; exit 1; }
# alerts EVENT ADDRESS: the messages' hosts of that event and address, as
# "vantage,vantage" lines.
alerts() {
    python3 - "$work/alerts.jsonl" "$1" "$2" <<'PY'
import json, sys
path, event, address = sys.argv[1:]
try:
    lines = open(path).read().split("\n")
except FileNotFoundError:
    lines = []
for line in lines:
    if not line.strip():
        continue
    m = json.loads(line)
    if m["event"] != event:
        continue
    for h in m["hosts"]:
        if h["address"] == address:
            print(",".join(h.get("vantages", [])))
PY
}
alerts_are() { [ "$(alerts "$1" "$2" | tr '\n' ' ')" = "$3" ]; }
# One message of kind $1 for $2. The restoration may still name a vantage
# whose own end it had not written yet when the rule stopped holding; any of
# the three, or none, is right there.
one_alert() { [ "$(alerts "$1" "$2" | wc -l)" = 1 ] && [[ "$(alerts "$1" "$2")" =~ ^[abc,]*$ ]]; }
vantage_tool() { "$ORVANT_BIN_DIR/orvant-vantage" --config "$work/a/orvant.conf" "$@"; }

start_relay() {
    python3 "$ORVANT_SOURCE_DIR/tests/support/unix_relay.py" "$work/relay/.s.PGSQL.5432" "$work/pg/sock/.s.PGSQL.5432" &
    relay=$!
    wait_until 50 test -S "$work/relay/.s.PGSQL.5432" || fail "the relay did not start"
}
stop_relay() { kill -KILL "$relay"; wait "$relay" 2>/dev/null; relay=; }

declare -A pid
# start V: the monitor of vantage V in a network namespace of its own, its
# loopback up and an nft set "down" whose addresses it finds silent. unshare
# and bash exec, so $! is the monitor's own PID.
start() {
    local v=$1
    XDG_RUNTIME_DIR="$work/run-$v" QT_QPA_PLATFORM=offscreen unshare -n bash -c '
        ip link set lo up
        nft add table inet e2e
        nft add chain inet e2e inp "{ type filter hook input priority 0; }"
        nft add set inet e2e down "{ type ipv4_addr; }"
        nft add rule inet e2e inp ip daddr @down icmp type echo-request drop
        exec "$0"' "$work/$v/orvant" >>"$work/$v.log" 2>&1 &
    pid[$v]=$!
    pids+=($!)
}
drop() { nsenter -t "${pid[$1]}" -n nft add element inet e2e down "{ $2 }"; }
undrop() { nsenter -t "${pid[$1]}" -n nft delete element inet e2e down "{ $2 }"; }
kill_vantage() { kill -KILL "${pid[$1]}"; wait "${pid[$1]}" 2>/dev/null; }
# restart V: started again, and registered by its new process.
restart() {
    start "$1"
    wait_until 200 count_is "select pid from vantages where name=\$\$$1\$\$" "${pid[$1]}" || fail "$1 did not come back"
}

fail() {
    echo "FAIL: $* (at $(($(date +%s) - t0)) s)"
    echo "logs: $(q "select id,ip,time_begin,time_end,foe from logs order by id" 2>&1 | tr '\n' ' ')"
    echo "own: $(q "select vantage,ip,time_begin,time_end from vantage_outages order by id" 2>&1 | tr '\n' ' ')"
    vantage_tool list 2>&1
    for f in "$work"/*.log; do echo "--- $f"; tail -n 30 "$f"; done
    exit 1
}
log_rows() { q "select count(*) from logs where ip=\$\$$1\$\$"; }
open_log_rows() { q "select count(*) from logs where ip=\$\$$1\$\$ and foe=0"; }
writer() { vantage_tool list | awk -F'\t' '$NF=="writer" {print $1}'; }
live() { vantage_tool list | awk -F'\t' -v v="$1" '$1==v {print $3}'; }
# Conditions for wait_until, evaluated afresh at every try.
count_is() { [ "$(q "$1")" = "$2" ]; }
has_writer() { [ -n "$(writer)" ]; }
writer_other_than() { local w; w=$(writer); [ -n "$w" ] && [ "$w" != "$1" ]; }
state_is() { [ "$(live "$1")" = "$2" ]; }
has_pending() { ls "$work/c/"*-c.orvant-pending >/dev/null 2>&1; }

start_relay
for v in a b c; do start "$v"; done
wait_until 200 count_is "select count(*) from vantages" 3 || fail "three vantages did not register"
wait_until 100 has_writer || fail "no vantage took the writer's lock"
echo "vantages: $(vantage_tool list | cut -f1,3,6 | tr '\t\n' ' ;')"

# 1. Under `all`: one vantage is not enough; all three are; back, closed once.
drop a 127.0.0.2
wait_for "select count(*) from vantage_outages where vantage=\$\$a\$\$ and ip=\$\$127.0.0.2\$\$" 1 100 \
    || fail "vantage a did not record its own outage"
sleep 3
[ "$(log_rows 127.0.0.2)" = 0 ] || fail "one vantage of three made a log row under all"
drop b 127.0.0.2
drop c 127.0.0.2
wait_for "select count(*) from logs where ip=\$\$127.0.0.2\$\$ and foe=0" 1 100 || fail "silent to all: no log row"
last_begin=$(q "select max(time_begin) from vantage_outages where ip=\$\$127.0.0.2\$\$")
for v in a b c; do undrop $v 127.0.0.2; done
wait_for "select count(*) from logs where ip=\$\$127.0.0.2\$\$ and foe=1" 1 100 || fail "back: the row did not close"
wait_until 100 one_alert up 127.0.0.2 || fail "no single alert of the restoration: $(cat "$work/alerts.jsonl" 2>&1)"
sleep 2
[ "$(log_rows 127.0.0.2)" = 1 ] || fail "the outage silent to all made $(log_rows 127.0.0.2) rows"
alerts_are down 127.0.0.2 "a,b,c " || fail "the alerts of the outage: $(cat "$work/alerts.jsonl" 2>&1)"
one_alert up 127.0.0.2 || fail "the alerts of the restoration: $(cat "$work/alerts.jsonl" 2>&1)"
echo "alerts: one message down for 127.0.0.2 naming a,b,c, one up (of $(grep -c . "$work/alerts.jsonl") sent so far)"
echo "all: one row for 127.0.0.2 ($(q "select time_begin||' .. '||time_end from logs where ip=\$\$127.0.0.2\$\$"); the last vantage saw it down at $last_begin UTC)"

# 2. A vantage that is not the writer is killed: while it is live its
#    "answered" holds the host up under `all`; once stale the rule runs on
#    the two left.
w=$(writer)
victim=b; [ "$w" = b ] && victim=a
for v in a b c; do [ "$v" != "$victim" ] && drop $v 127.0.0.4; done
sleep 3
[ "$(log_rows 127.0.0.4)" = 0 ] || fail "two vantages of three made a log row under all"
killed_at=$(date +%s)
kill_vantage $victim
wait_until 450 state_is $victim stale || fail "the killed vantage $victim never went stale"
stale_after=$(($(date +%s) - killed_at))
[ "$stale_after" -ge 25 ] || fail "vantage $victim went stale after only $stale_after s"
wait_for "select count(*) from logs where ip=\$\$127.0.0.4\$\$ and foe=0" 1 100 \
    || fail "the rule over the live vantages did not log 127.0.0.4"
echo "killed vantage $victim: stale after ${stale_after} s; 127.0.0.4 then logged by the two left"
restart $victim

# 3. Under `any` one vantage is enough.
vantage_tool rule any >/dev/null || fail "orvant-vantage rule any"
other=$(for v in a b c; do [ "$v" != "$victim" ] && echo $v; done | head -n1)
drop $other 127.0.0.3
wait_for "select count(*) from logs where ip=\$\$127.0.0.3\$\$ and foe=0" 1 100 || fail "any: no row for a host silent to one"
echo "any: 127.0.0.3 silent to $other alone is logged"

# 4. The writer is killed: another vantage writes the log within 30 s, and
#    the rows open now are neither closed nor doubled by the takeover.
w=$(writer)
before=$(q "select count(*) from logs")
kill_vantage $w
wait_until 300 writer_other_than "$w" || fail "nobody took the log over from $w"
new_writer=$(writer)
sleep 3
[ "$(q "select count(*) from logs")" = "$before" ] || fail "the takeover changed the rows: $before before, now $(q "select count(*) from logs")"
echo "writer $w killed: $new_writer writes the log; $before rows, none doubled"
restart $w

# 5. Vantage c is cut from the server; a host falls silent to it alone
#    meanwhile (still `any`).
# A restarted c could take the lock back before the others try it, so it
# comes back only once another holds it.
if [ "$(writer)" = c ]; then
    kill_vantage c
    wait_until 300 writer_other_than c || fail "nobody took the log over from c"
    restart c
fi
writer_other_than c || fail "no writer but c before its cut"
stop_relay
cut_at=$(date "+%Y-%m-%d %H:%M:%S")
wait_log c.log "Потеряна связь с сервером базы данных" 100 || fail "c did not notice the cut"
drop c 127.0.0.5
wait_until 100 has_pending || fail "c kept no pending file"
pending=$(ls "$work/c/"*-c.orvant-pending)
grep -q 127.0.0.5 "$pending" || fail "the pending file does not hold the outage: $(cat "$pending")"
[ "$(log_rows 127.0.0.5)" = 0 ] || fail "an outage seen only by the cut vantage reached the log during the cut"
# ... and another that begins and ends within the cut.
drop c 127.0.0.6
sleep 5
undrop c 127.0.0.6
# Away long enough to go stale: back, its history counts only from its
# first pass back.
wait_until 400 state_is c stale || fail "c cut from the server never went stale"
back_at=$(date "+%Y-%m-%d %H:%M:%S")
start_relay
wait_for "select count(*) from vantage_outages where vantage=\$\$c\$\$ and ip=\$\$127.0.0.5\$\$" 1 200 \
    || fail "c did not write its outage when back"
own_begin=$(q "select time_begin from vantage_outages where vantage=\$\$c\$\$ and ip=\$\$127.0.0.5\$\$")
wait_for "select count(*) from logs where ip=\$\$127.0.0.5\$\$" 1 150 || fail "the replayed outage was not logged"
wait_until 50 test ! -e "$pending" || fail "the pending file stayed after the replay"
sleep 3
[ "$(q "select count(*) from vantage_outages where vantage=\$\$c\$\$ and ip=\$\$127.0.0.5\$\$")" = 1 ] || fail "the replay doubled c's outage"
[ "$(log_rows 127.0.0.5)" = 1 ] || fail "the replayed outage made $(log_rows 127.0.0.5) log rows"
log_begin=$(q "select time_begin from logs where ip=\$\$127.0.0.5\$\$")
[[ "$log_begin" < "$back_at" ]] || fail "the log row begins at $log_begin, not during the cut ($cut_at .. $back_at)"
echo "cut c: its outage (UTC $own_begin) replayed once; log row from $log_begin (cut $cut_at .. $back_at)"
wait_for "select count(*) from logs where ip=\$\$127.0.0.6\$\$ and foe=1" 1 150 \
    || fail "the outage over before c was back was not logged"
sleep 2
[ "$(log_rows 127.0.0.6)" = 1 ] || fail "the outage over before c was back made $(log_rows 127.0.0.6) log rows"
whole=$(q "select time_begin||' .. '||time_end from logs where ip=\$\$127.0.0.6\$\$")
[[ "${whole% .. *}" > "$cut_at" || "${whole% .. *}" = "$cut_at" ]] && [[ "${whole#* .. }" < "$back_at" ]] \
    || fail "the outage within the cut is logged as $whole (cut $cut_at .. $back_at)"
[ "$( (alerts down 127.0.0.6; alerts up 127.0.0.6) | wc -l)" = 0 ] || fail "an outage already over rang: $(cat "$work/alerts.jsonl")"
grep -q "127.0.0.6 был недоступен" "$work"/[abc].log || fail "the writer did not tell the outage learned late"
echo "within the cut: 127.0.0.6 logged once, closed, as $whole; no alert"

# 6. A plain monitor beside the vantages.
XDG_RUNTIME_DIR="$work/run-plain" QT_QPA_PLATFORM=offscreen timeout 20 "$work/plain/orvant" >"$work/plain.log" 2>&1
status=$?
grep -q "Программа уже запущена!" "$work/plain.log" || fail "the plain monitor was not refused"
grep -q "наблюдательные пункты" "$work/plain.log" || fail "the refusal does not name the vantages"
[ $status != 0 ] && [ $status != 124 ] || fail "the refused monitor ended with status $status"
echo "plain monitor refused: $(grep -m1 "наблюдательные пункты" "$work/plain.log")"

doubled=$(q "select ip||' '||time_begin from logs group by ip,time_begin having count(*)>1")
[ -z "$doubled" ] || fail "doubled rows: $doubled"
doubled=$(q "select vantage||' '||ip||' '||time_begin from vantage_outages group by vantage,ip,time_begin having count(*)>1")
[ -z "$doubled" ] || fail "doubled own outages: $doubled"
echo "PASS in $(($(date +%s) - t0)) s"
