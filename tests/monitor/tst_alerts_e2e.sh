#!/bin/bash
# Alerts that mean something, with the built monitor, real ICMP in a network
# namespace made here, and a real notification server (dunst) on a private
# session bus under Xvfb; dbus-monitor records every call.
#
#   1. A router and the 30 hosts behind it (addr_parents) dropped together
#      with nft: 31 outages in the log, 30 marked "behind", and one
#      notification: "Маршрутизатор (127.0.0.10) и ещё 30 адресов за ним".
#   2. All back: the outage notification is withdrawn (CloseNotification).
#   3. Flapping on (settings): a host dropped every other pass. Its outages
#      are all logged; once it flaps, one notification says so and one that it
#      settled, with no outage notification in between.
#   4. Quitting withdraws the monitor's notifications still shown.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sqlite3 Xvfb dbus-daemon dbus-monitor dunst python3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant
mkdir -m 700 "$work/run"
db="$work/ping_addr.mdb"
hosts=""
parents=""
for i in $(seq 11 40); do
    hosts="$hosts,('127.0.0.$i','Узел $i',200)"
    parents="$parents,('127.0.0.$i','127.0.0.10')"
done
# The first start of the monitor adds the new tables; the rows go in once it has.
sqlite3 "$db" "delete from addrs;
  insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.10','Маршрутизатор',200)$hosts;
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"

cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
mkdir -p "$work/dunst"
printf '[global]\n    font = Monospace 9\n    markup = full\n' >"$work/dunst/dunstrc"

export SQ="'" WORK="$work" DB="$db" PARENTS="${parents#,}" TESTLIB="$(dirname "$0")/../support/testlib.sh"
export NOTIFY_CALLS="$(cd "$(dirname "$0")" && pwd)/notify_calls.py"
timeout 280 unshare -n bash -c '
    set -u
    pids=()
    cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; }
    trap cleanup EXIT
    fail() {
        echo "FAIL: $*"
        echo "--- orvant output ---"; cat "$WORK/orvant.log"
        echo "--- notifications ---"; calls
        echo "--- log ---"; rows
        exit 1
    }
    . "$TESTLIB"
    calls() { python3 "$NOTIFY_CALLS" "$WORK/calls.log"; }
    notify_count() { [ "$(calls | wc -l)" = "$1" ]; }
    closes() { grep -c "member=CloseNotification" "$WORK/calls.log"; }
    summaries() { calls | python3 -c "import json,sys; [print(json.loads(l)[\"summary\"]) for l in sys.stdin]"; }

    ip link set lo up
    nft add table inet at
    nft add chain inet at inp "{ type filter hook input priority 0; }"
    nft add set inet at down "{ type ipv4_addr; }"
    nft add rule inet at inp ip daddr @down icmp type echo-request drop

    start_xvfb "$WORK" 800x600x24
    dbus-daemon --config-file="$WORK/bus.conf" --nofork --nopidfile >"$WORK/bus.log" 2>&1 &
    pids+=($!)
    wait_until 50 test -S "$WORK/bus" || fail "the session bus did not start"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/bus"
    dbus-monitor --session "interface=org.freedesktop.Notifications" "type=method_return" "type=error" >"$WORK/calls.log" 2>&1 &
    pids+=($!)
    dunst -config "$WORK/dunst/dunstrc" >"$WORK/dunst.log" 2>&1 &
    pids+=($!)
    has_server() { dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null | grep -q "boolean true"; }
    wait_until 100 has_server || fail "dunst did not take the notification service"

    XDG_RUNTIME_DIR="$WORK/run" LANG=ru_RU.UTF-8 "$WORK/orvant" >"$WORK/orvant.log" 2>&1 &
    orvant=$!
    pids+=($orvant)
    wait_for "select count(*) from sqlite_master where name=${SQ}addr_parents${SQ}" 1 100 || fail "the tables were not added"
    q "insert into addr_parents (ip_addr,parent_ip) values $PARENTS;"
    sleep 2  # a pass or two reads the parents

    # 1. The router and everything behind it at once.
    all=$(seq -s, -f "127.0.0.%g" 10 40)
    nft add element inet at down "{ $all }"
    wait_until 300 open_rows 31 || fail "expected 31 open outages"
    wait_until 100 notify_count 1 || fail "expected one notification"
    sleep 3
    notify_count 1 || fail "more than one notification for the router"
    calls | python3 -c "
import json, sys
c = json.loads(sys.stdin.readline())
assert c[\"summary\"] == \"Нет соединения\", c
assert c[\"body\"] == \"Маршрутизатор (127.0.0.10) и ещё 30 адресов за ним\", c
assert c[\"urgency\"] == 2, c
" || fail "the router notification is not as expected"
    wait_for "select count(*) from outage_marks where reason=${SQ}behind${SQ} and detail=${SQ}Маршрутизатор${SQ}" 30 100 \
        || fail "expected 30 marks behind the router: $(q "select * from outage_marks")"
    [ "$(q "select count(*) from outage_marks m join logs l on l.ip=m.ip_addr and l.time_begin=m.time_begin")" = 30 ] \
        || fail "the marks do not match their outages"

    # 2. Everything back: one restoration, the outage bubble withdrawn.
    nft delete element inet at down "{ $all }"
    wait_until 300 open_rows 0 || fail "the outages were not closed"
    wait_until 100 notify_count 2 || fail "expected the restoration notification"
    wait_until 100 test "$(closes)" -ge 1 || fail "the outage notification was not withdrawn"
    first_id=$(python3 "$NOTIFY_CALLS" --ids "$WORK/calls.log" | sed -n 1p)
    grep -A1 "member=CloseNotification" "$WORK/calls.log" | grep -q "uint32 $first_id" \
        || fail "CloseNotification did not name the outage notification $first_id"

    # 3. Flapping: one host dropped every other pass.
    q "insert into settings (name,value) values (${SQ}alerts.flapping${SQ},${SQ}1${SQ});"
    sleep 2
    before=$(calls | wc -l)
    for round in 1 2 3 4 5 6; do
        nft add element inet at down "{ 127.0.0.20 }"
        wait_until 100 open_rows 1 || fail "round $round: no outage"
        nft delete element inet at down "{ 127.0.0.20 }"
        wait_until 100 open_rows 0 || fail "round $round: no restoration"
    done
    [ "$(q "select count(*) from logs where ip=${SQ}127.0.0.20${SQ}")" -ge 7 ] || fail "the flapping outages were not all logged"
    wait_until 100 sh -c "python3 \"$NOTIFY_CALLS\" \"$WORK/calls.log\" | grep -q \"Связь неустойчива\"" \
        || fail "no flapping notification"
    # Quiet now; settled once fewer than a fifth of 21 passes changed.
    wait_until 600 sh -c "python3 \"$NOTIFY_CALLS\" \"$WORK/calls.log\" | grep -q \"Связь устойчива\"" \
        || fail "no settled notification"
    summaries | tail -n +$((before + 1)) | python3 -c "
import sys
s = [l.rstrip(\"\n\") for l in sys.stdin]
i = s.index(\"Связь неустойчива\")
assert s[i + 1:] == [\"Связь устойчива\"], s
assert all(x in (\"Нет соединения\", \"Соединение восстановлено\") for x in s[:i]), s
" || fail "flapping: expected its two notifications and nothing between: $(summaries | tail -n +$((before + 1)))"
    [ "$(q "select count(*) from outage_marks where ip_addr=${SQ}127.0.0.20${SQ} and reason=${SQ}flapping${SQ}")" -ge 1 ] \
        || fail "no flapping mark"

    # 4. An outage shown at quit is withdrawn.
    nft add element inet at down "{ 127.0.0.30 }"
    wait_until 100 open_rows 1 || fail "no outage before quitting"
    n=$(calls | wc -l)
    wait_until 100 notify_count $((n)) || true
    sleep 1
    closes_before=$(closes)
    kill -TERM $orvant
    for _ in $(seq 50); do kill -0 $orvant 2>/dev/null || break; sleep 0.1; done
    kill -0 $orvant 2>/dev/null && fail "SIGTERM did not end the monitor"
    wait $orvant
    [ "$(closes)" -gt "$closes_before" ] || fail "the monitor did not withdraw its notification at quit"
    echo "PASS: $(calls | wc -l) notifications, $(closes) withdrawn, $(q "select count(*) from outage_marks") marks"
'
