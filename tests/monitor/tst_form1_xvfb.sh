#!/bin/bash
# The built monitor on a real X server (Xvfb) with a window manager (openbox)
# and a notification area (trayer), inside a network namespace made here:
# a host that stops answering puts the window into the tray with its icon,
# a click on the icon brings it back, and screenshots of the main window and
# the report window are saved as artifacts. All echo traffic stays on the
# namespace's own loop-back.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sqlite3 Xvfb openbox trayer xdotool xprop xwininfo import python3

artifacts=$(artifact_dir tst_form1_xvfb) || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant
mkdir -m 700 "$work/run"
db="$work/ping_addr.mdb"
sqlite3 "$db" "delete from addrs;
  insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.1','Этот компьютер',200),('127.0.0.2','Сервер',200);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"

export WORK="$work" DB="$db" ARTIFACTS="$artifacts" TESTLIB="$(dirname "$0")/../support/testlib.sh"
timeout 200 unshare -n bash -c '
    set -u
    pids=()
    cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; }
    trap cleanup EXIT
    trap '"'"'exit 1'"'"' TERM INT
    fail() {
        echo "FAIL: $*"
        import -window root "$ARTIFACTS/failure.png" 2>/dev/null
        echo "--- orvant output ---"; cat "$WORK/orvant.log"
        exit 1
    }
    . "$TESTLIB"   # wait_until, q, open_rows, closed_rows, start_xvfb …

    ip link set lo up
    nft add table inet xv
    nft add chain inet xv inp "{ type filter hook input priority 0; }"
    nft add set inet xv down "{ type ipv4_addr; }"
    nft add rule inet xv inp ip daddr @down icmp type echo-request drop

    start_xvfb "$WORK" 1024x768x24
    start_openbox "$WORK"
    trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true --transparent false \
        >/dev/null 2>&1 &
    pids+=($!)
    # Qt decides at start-up whether a tray exists: wait for the tray host.
    tray_owned() {
        python3 -c "
import ctypes, sys
x = ctypes.cdll.LoadLibrary(\"libX11.so.6\")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGetSelectionOwner.restype = ctypes.c_ulong
d = x.XOpenDisplay(None)
sys.exit(0 if d and x.XGetSelectionOwner(d, x.XInternAtom(d, b\"_NET_SYSTEM_TRAY_S0\", 0)) else 1)
"
    }
    wait_until 100 tray_owned || fail "trayer never took the system tray selection"

    XDG_RUNTIME_DIR="$WORK/run" LANG=ru_RU.UTF-8 "$WORK/orvant" >"$WORK/orvant.log" 2>&1 &
    orvant=$!
    pids+=($orvant)

    # A shown window of the monitor whose title (UTF-8) begins with $1.
    shown_window() {
        for w in $(xdotool search --onlyvisible --classname orvant 2>/dev/null); do
            case "$(xprop -id "$w" _NET_WM_NAME 2>/dev/null)" in
                *"= \"$1"*) echo "$w"; return 0 ;;
            esac
        done
        return 1
    }
    main_window() { shown_window "Orvant"; }
    report_window() { shown_window "Отсутствующие соединения"; }
    # An English desktop reads the report window'"'"'s title in English.
    report_window_en() { shown_window "Lost Connections"; }
    # The tray icon: a small window of the monitor embedded by trayer.
    tray_icon() {
        for w in $(xdotool search --classname orvant 2>/dev/null); do
            geo=$(xwininfo -id "$w" 2>/dev/null) || continue
            width=$(echo "$geo" | sed -n "s/^ *Width: //p"); height=$(echo "$geo" | sed -n "s/^ *Height: //p")
            state=$(echo "$geo" | sed -n "s/^ *Map State: //p")
            [ "$state" = IsViewable ] && [ "${width:-999}" -le 64 ] && [ "${height:-999}" -le 64 ] && { echo "$w"; return 0; }
        done
        return 1
    }
    has_main() { [ -n "$(main_window)" ]; }
    no_main() { [ -z "$(main_window)" ]; }
    has_icon() { tray_icon >/dev/null; }
    no_icon() { ! tray_icon >/dev/null; }

    wait_until 300 has_main || fail "the main window never appeared"
    wait_until 100 report_window >/dev/null || fail "the report window never appeared"
    sleep 1
    win=$(main_window)
    echo "main window $win: $(xwininfo -id "$win" | grep -E "Absolute|Width|Height" | tr -s " " | tr "\n" " ")"

    # A host goes down: red line, the window goes into the tray.
    nft add element inet xv down "{ 127.0.0.2 }"
    wait_until 200 open_rows 1 || fail "the outage was not logged"
    wait_until 100 no_main || fail "the window did not go into the tray"
    wait_until 100 has_icon || fail "no tray icon while in the tray"
    import -window root "$ARTIFACTS/in-tray.png"

    # The right button opens the pop-up menu (its default item "Открыть" bold).
    icon=$(tray_icon)
    visible_count() { xdotool search --onlyvisible --classname orvant 2>/dev/null | wc -l; }
    before=$(visible_count)
    xdotool mousemove --window "$icon" 8 8 click 3
    menu_open() { [ "$(visible_count)" -gt "$before" ]; }
    wait_until 50 menu_open || fail "the right button opened no pop-up menu"
    sleep 0.3
    import -window root "$ARTIFACTS/tray-menu.png"
    xdotool key Escape
    menu_closed() { [ "$(visible_count)" -le "$before" ]; }
    wait_until 50 menu_closed || fail "the pop-up menu did not close on Escape"
    no_main || fail "the pop-up menu alone brought the window up"

    # A click on the icon brings the window back and takes the icon away.
    xdotool mousemove --window "$icon" 8 8 click 1
    wait_until 100 has_main || fail "a click on the tray icon did not bring the window back"
    wait_until 100 no_icon || fail "the icon stayed after the window came back"

    # The host answers again: green line on top, into the tray again.
    nft delete element inet xv down "{ 127.0.0.2 }"
    wait_until 200 closed_rows 1 || fail "the outage was not closed"
    wait_until 100 no_main || fail "the restoration did not put the window into the tray"
    wait_until 100 has_icon || fail "no tray icon after the restoration"
    # The tray may still be docking and sizing the icon just shown, and a
    # click it has not placed yet goes nowhere: a few tries, each on the icon
    # as it stands then.
    back=
    for _ in 1 2 3; do
        sleep 0.5
        icon=$(tray_icon) || continue
        xdotool mousemove --window "$icon" 8 8 click 1
        wait_until 30 has_main && { back=1; break; }
    done
    [ -n "$back" ] || fail "the window did not come back the second time"

    # Down once more, so the report window lists an open outage, then
    # screenshots of both windows.
    nft add element inet xv down "{ 127.0.0.2 }"
    wait_until 200 open_rows 1 || fail "the second outage was not logged"
    wait_until 100 has_icon || fail "no icon after the second outage"
    xdotool mousemove --window "$(tray_icon)" 8 8 click 1
    wait_until 100 has_main || fail "the window did not come back the third time"
    sleep 1.5
    import -window root "$ARTIFACTS/screen.png"
    import -window "$(main_window)" "$ARTIFACTS/main-window.png"
    import -window "$(report_window)" "$ARTIFACTS/report-window.png"

    kill -0 $orvant 2>/dev/null || fail "the monitor ended by itself"
    kill -TERM $orvant
    for _ in $(seq 50); do kill -0 $orvant 2>/dev/null || break; sleep 0.1; done
    kill -0 $orvant 2>/dev/null && fail "SIGTERM did not end the monitor"
    wait $orvant; status=$?
    [ $status = 0 ] || fail "the monitor ended with status $status on SIGTERM"

    # The same windows with an English desktop (the outage still open),
    # titled in English.
    XDG_RUNTIME_DIR="$WORK/run" LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 "$WORK/orvant" \
        >"$WORK/orvant-en.log" 2>&1 &
    orvant=$!
    pids+=($orvant)
    wait_until 300 has_main || fail "the English main window never appeared"
    wait_until 100 report_window_en >/dev/null || fail "the English report window never appeared"
    sleep 1.5
    import -window root "$ARTIFACTS/screen-en.png"
    import -window "$(main_window)" "$ARTIFACTS/main-window-en.png"
    import -window "$(report_window_en)" "$ARTIFACTS/report-window-en.png"
    kill -TERM $orvant
    for _ in $(seq 50); do kill -0 $orvant 2>/dev/null || break; sleep 0.1; done
    kill -0 $orvant 2>/dev/null && fail "SIGTERM did not end the English monitor"
    echo "PASS: tray, window and screenshots in $ARTIFACTS"
'
