#!/bin/bash
# Desktop notifications from the built monitor to a real notification server
# (dunst) on a private session bus, under Xvfb with a window manager and a
# notification area, in a network namespace made here (echo traffic stays
# on its loop-back). dbus-monitor records every call on the bus.
#
#   1. Two hosts down at start: one Notify "Нет соединения: 2 адр.", critical.
#   2. One comes back: one Notify "Соединение восстановлено".
#   3. It goes down again: the Notify replaces the first outage notification.
#   4. A click on the bubble (dunst runs the "default" action) opens the
#      monitor's window, which was in the tray.
#   4b. The host that notification names is muted (as from the event line's
#      menu) and comes back: its return rings nothing, yet the critical
#      bubble is withdrawn (CloseNotification).
#   5. Without a server (dunst ended; the bus has no service directories to
#      start another) the monitor goes on logging and says so once on stderr.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sqlite3 Xvfb openbox trayer xdotool xprop dbus-daemon dbus-monitor dunst python3 import

artifacts=$(artifact_dir tst_notify_xvfb) || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant
mkdir -m 700 "$work/run"
db="$work/ping_addr.mdb"
sqlite3 "$db" "delete from addrs;
  insert into addrs (ip_addr,descript,ping_timeout) values
    ('127.0.0.1','Этот компьютер',200),('127.0.0.2','Сервер, \"главный\"',200),('127.0.0.3','Шлюз & <склад>',200);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"

# A session bus of our own that starts nothing by itself.
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
# A left click runs the bubble's default action, as on most desktops.
mkdir -p "$work/dunst"
cat >"$work/dunst/dunstrc" <<'CONF'
[global]
    geometry = "300x5-10+10"
    font = Monospace 9
    mouse_left_click = do_action, close_current
    sort = yes
    # As in the dunstrc Debian ships: bodies are read as markup.
    markup = full
CONF

export WORK="$work" DB="$db" ARTIFACTS="$artifacts" TESTLIB="$(dirname "$0")/../support/testlib.sh"
export NOTIFY_CALLS="$(cd "$(dirname "$0")" && pwd)/notify_calls.py"
timeout 240 unshare -n bash -c '
    set -u
    pids=()
    cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; }
    trap cleanup EXIT
    trap '"'"'exit 1'"'"' TERM INT
    fail() {
        echo "FAIL: $*"
        import -window root "$ARTIFACTS/failure.png" 2>/dev/null
        echo "--- orvant output ---"; cat "$WORK/orvant.log"
        echo "--- bus calls ---"; cat "$WORK/calls.log"
        exit 1
    }
    . "$TESTLIB"   # wait_until, q, open_rows, closed_rows, start_xvfb …
    # The Notify calls recorded so far, one JSON line each (see notify_calls.py).
    calls() { python3 "$NOTIFY_CALLS" "$WORK/calls.log"; }
    notify_count() { [ "$(calls | wc -l)" = "$1" ]; }

    ip link set lo up
    nft add table inet nt
    nft add chain inet nt inp "{ type filter hook input priority 0; }"
    nft add set inet nt down "{ type ipv4_addr; }"
    nft add rule inet nt inp ip daddr @down icmp type echo-request drop
    nft add element inet nt down "{ 127.0.0.2, 127.0.0.3 }"

    start_xvfb "$WORK" 1024x768x24
    start_openbox "$WORK"
    trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true --transparent false \
        >/dev/null 2>&1 &
    pids+=($!)
    wait_until 100 sh -c "xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null" || fail "no window manager"
    tray_owned() { xdotool search --classname trayer >/dev/null 2>&1; }
    wait_until 100 tray_owned || fail "trayer did not start"
    sleep 1

    dbus-daemon --config-file="$WORK/bus.conf" --nofork --nopidfile >"$WORK/bus.log" 2>&1 &
    pids+=($!)
    wait_until 50 test -S "$WORK/bus" || fail "the session bus did not start"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/bus"
    dbus-monitor --session "interface=org.freedesktop.Notifications" "type=method_return" "type=error" >"$WORK/calls.log" 2>&1 &
    pids+=($!)
    dunst -config "$WORK/dunst/dunstrc" >"$WORK/dunst.log" 2>&1 &
    dunst=$!
    pids+=($dunst)
    has_server() { dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null | grep -q "boolean true"; }
    wait_until 100 has_server || fail "dunst did not take the notification service"

    XDG_RUNTIME_DIR="$WORK/run" LANG=ru_RU.UTF-8 "$WORK/orvant" >"$WORK/orvant.log" 2>&1 &
    orvant=$!
    pids+=($orvant)

    main_window() {
        for w in $(xdotool search --onlyvisible --classname orvant 2>/dev/null); do
            case "$(xprop -id "$w" _NET_WM_NAME 2>/dev/null)" in *"= \"Orvant"*) echo "$w"; return 0 ;; esac
        done
        return 1
    }
    has_main() { [ -n "$(main_window)" ]; }
    no_main() { [ -z "$(main_window)" ]; }

    # 1. Both hosts down in the first pass: one notification for the two.
    wait_until 300 open_rows 2 || fail "the two outages were not logged"
    wait_until 100 notify_count 1 || fail "expected one Notify for the first pass"
    sleep 3  # several more passes, each without news
    notify_count 1 || fail "passes without news notified: $(calls)"
    calls | python3 -c "
import json, sys
c = json.loads(sys.stdin.readline())
assert c[\"app\"] == \"Orvant\", c
assert c[\"replaces\"] == 0, c
assert c[\"icon\"] == \"orvant\", c
assert c[\"summary\"] == \"Нет соединения: 2 адр.\", c
# dunst reads markup: the description arrives escaped, so it shows as typed.
# The two hosts time out together, so either may be decided first.
assert sorted(c[\"body\"].split(\"\n\")) == [\"Сервер, \\\"главный\\\" (127.0.0.2)\", \"Шлюз &amp; &lt;склад&gt; (127.0.0.3)\"], repr(c[\"body\"])
assert c[\"urgency\"] == 2, c
assert c[\"desktop_entry\"] == \"orvant\", c
assert c[\"actions\"][0] == \"default\", c
assert c[\"timeout\"] == -1, c
" || fail "the outage notification is not as expected"
    import -window root "$ARTIFACTS/outage-notification.png"

    # 2. One host back: "Соединение восстановлено", normal urgency.
    nft delete element inet nt down "{ 127.0.0.2 }"
    wait_until 200 closed_rows 1 || fail "the outage was not closed"
    wait_until 100 notify_count 2 || fail "expected a Notify for the restoration"
    calls | sed -n 2p | python3 -c "
import json, sys
c = json.loads(sys.stdin.readline())
assert c[\"summary\"] == \"Соединение восстановлено\", c
import re
# The host as the outage named it, then how long it was down (\"7 с\").
assert re.fullmatch(r\"Сервер, \\\"главный\\\" \\(127\\.0\\.0\\.2\\): \\d+ с\", c[\"body\"]), c
assert c[\"urgency\"] == 1 and c[\"replaces\"] == 0, c
" || fail "the restoration notification is not as expected"

    # 3. Down again: the new outage notification replaces the first one.
    nft add element inet nt down "{ 127.0.0.2 }"
    wait_until 200 open_rows 2 || fail "the second outage was not logged"
    wait_until 100 notify_count 3 || fail "expected a Notify for the second outage"
    first_id=$(python3 "$NOTIFY_CALLS" --ids "$WORK/calls.log" | sed -n 1p)
    [ -n "$first_id" ] && [ "$first_id" != 0 ] || fail "no id returned for the first notification"
    calls | sed -n 3p | python3 -c "
import json, sys
c = json.loads(sys.stdin.readline())
assert c[\"summary\"] == \"Нет соединения\", c
assert c[\"replaces\"] == $first_id, (c, $first_id)
" || fail "the second outage notification does not replace the first"
    sleep 1
    import -window root "$ARTIFACTS/replaced-notification.png"

    # 4. The window is in the tray; a click on the bubble brings it back.
    wait_until 100 no_main || fail "the window did not go into the tray"
    bubble=$(xdotool search --onlyvisible --classname Dunst 2>/dev/null | head -n1)
    [ -n "$bubble" ] || fail "no dunst window on the screen"
    xdotool mousemove --window "$bubble" 20 10 click 1
    wait_until 100 has_main || fail "a click on the notification did not open the window"
    grep -q "member=ActionInvoked" "$WORK/calls.log" || fail "dunst sent no ActionInvoked"
    import -window root "$ARTIFACTS/opened-by-click.png"
    grep -q "уведомления рабочего стола недоступны" "$WORK/orvant.log" && fail "a failure was reported while the server ran"

    # 4b. Muted while down, then back: the bubble that names it goes.
    closes() { grep -c "member=CloseNotification" "$WORK/calls.log"; }
    closes_before=$(closes)
    q "insert into alert_mutes (ip_addr,until) values (\"127.0.0.2\",null)"
    sleep 3  # read again at the start of the next passes
    nft delete element inet nt down "{ 127.0.0.2 }"
    wait_until 200 closed_rows 2 || fail "the muted host'"'"'s outage was not closed"
    more_closes() { [ "$(closes)" -gt "$closes_before" ]; }
    wait_until 50 more_closes || fail "the outage bubble stayed after its muted host came back"
    grep -A1 "member=CloseNotification" "$WORK/calls.log" | grep -q "uint32 $first_id" \
        || fail "CloseNotification did not name the outage bubble ($first_id)"
    notify_count 3 || fail "the muted return was notified: $(calls)"
    q "delete from alert_mutes"
    nft add element inet nt down "{ 127.0.0.2 }"
    wait_until 200 open_rows 2 || fail "the host did not go down again"

    # 5. No server any more: logging goes on, stderr says so once.
    kill $dunst; wait $dunst 2>/dev/null
    wait_until 50 sh -c "! dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications | grep -q \"boolean true\"" \
        || fail "dunst did not leave the bus"
    nft delete element inet nt down "{ 127.0.0.2 }"
    wait_until 200 closed_rows 2 || fail "without a server, the outage was not closed"
    nft add element inet nt down "{ 127.0.0.2 }"
    wait_until 200 open_rows 2 || fail "without a server, the outage was not logged"
    nft delete element inet nt down "{ 127.0.0.2, 127.0.0.3 }"
    wait_until 200 open_rows 0 || fail "without a server, the outages were not closed"
    sleep 1
    n=$(grep -c "уведомления рабочего стола недоступны" "$WORK/orvant.log")
    [ "$n" = 1 ] || fail "expected the missing server said once on stderr, got $n times"
    kill -0 $orvant 2>/dev/null || fail "the monitor ended"

    kill -TERM $orvant
    for _ in $(seq 50); do kill -0 $orvant 2>/dev/null || break; sleep 0.1; done
    kill -0 $orvant 2>/dev/null && fail "SIGTERM did not end the monitor"
    wait $orvant; status=$?
    [ $status = 0 ] || fail "the monitor ended with status $status"
    grep "уведомления рабочего стола" "$WORK/orvant.log"
    echo "PASS: $(calls | wc -l) notifications, replaced id $first_id, click opened the window"
'
