#!/bin/bash
# The board of all hosts in the built monitor on a real X server (Xvfb, with
# openbox), read and driven through the accessibility tree (AT-SPI, on a
# private session bus): opened from the main window's menu, a down host on
# top, the filter box. Russian, then English; a screenshot of each is saved
# as an artifact (docs/screenshots/board*.png are taken from them). All
# echo traffic stays on the namespace's own loop-back.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sqlite3 Xvfb openbox xdotool xprop import dbus-run-session
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }

artifacts=$(artifact_dir tst_board_xvfb) || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant
mkdir -m 700 "$work/run"
db="$work/ping_addr.mdb"
sqlite3 "$db" "delete from addrs;
  insert into addrs (ip_addr,descript,ping_timeout) values
    ('127.0.0.2','Склад, камера 1',200),('127.0.0.3','Бухгалтерия',200),('127.0.0.4','Касса 1',200),
    ('127.0.0.5','Касса 2',200),('127.0.0.6','Шлюз',200),('127.0.0.7','Принтер',200);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';"
cp "$db" "$work/fresh.mdb"

export WORK="$work" DB="$db" ARTIFACTS="$artifacts" TESTLIB="$(dirname "$0")/../support/testlib.sh"
export DRIVER="$(cd "$(dirname "$0")" && pwd)/board_atspi.py"
timeout 300 unshare -n bash -c '
    set -u
    pids=()
    cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; }
    trap cleanup EXIT
    trap '"'"'exit 1'"'"' TERM INT
    . "$TESTLIB"
    fail() {
        echo "FAIL: $*"
        import -window root "$ARTIFACTS/failure.png" 2>/dev/null
        echo "--- orvant output ---"; cat "$WORK/orvant.log"
        exit 1
    }
    ip link set lo up
    nft add table inet bx
    nft add chain inet bx inp "{ type filter hook input priority 0; }"
    nft add rule inet bx inp ip daddr 127.0.0.2 icmp type echo-request drop
    start_xvfb "$WORK" 1920x1200x24
    start_openbox "$WORK"

    for language in ru en; do
        cp "$WORK/fresh.mdb" "$DB"
        case $language in ru) locale=ru_RU.UTF-8; shot=board.png ;; en) locale=en_US.UTF-8; shot=board_en.png ;; esac
        # One session bus (and accessibility bus) per run; the monitor and
        # the driver share it. The driver says READY once it checked the
        # top row, waits for the screenshot, then filters.
        # Its remembered size and columns stay in the test'"'"'s own folder.
        rm -rf "$WORK/config"
        mkfifo "$WORK/go"
        LANG=$locale LC_ALL=$locale XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/config" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
            LANGUAGE_RUN=$language dbus-run-session -- bash -c "
            \"$WORK/orvant\" >\"$WORK/orvant.log\" 2>&1 &
            orvant=\$!
            /usr/bin/python3 \"$DRIVER\" $language \"$ARTIFACTS\" <\"$WORK/go\" >\"$WORK/driver.log\" 2>&1
            status=\$?
            kill -TERM \$orvant
            for _ in \$(seq 100); do kill -0 \$orvant 2>/dev/null || break; sleep 0.1; done
            kill -KILL \$orvant 2>/dev/null
            wait \$orvant
            exit \$status
        " &
        session=$!
        pids+=($session)
        exec 7>"$WORK/go"
        wait_until 900 grep -q READY "$WORK/driver.log" || { exec 7>&-; cat "$WORK/driver.log"; fail "$language: the driver never saw the down host on top"; }
        sleep 0.5
        board=$(xdotool search --onlyvisible --classname orvant 2>/dev/null | while read -r w; do
            case "$(xprop -id "$w" _NET_WM_NAME 2>/dev/null)" in *"= \"Все узлы"*|*"= \"All Hosts"*) echo "$w";; esac; done | head -n1)
        [ -n "$board" ] || { exec 7>&-; fail "$language: no board window on the screen"; }
        # Clear of the main window (bottom right) and the report window.
        xdotool windowmove "$board" 0 300 2>/dev/null
        xdotool windowsize "$board" 1270 240 2>/dev/null
        sleep 2
        import -window "$board" "$ARTIFACTS/$shot"
        echo go >&7
        exec 7>&-
        wait "$session"
        status=$?
        cat "$WORK/driver.log"
        rm -f "$WORK/go"
        [ $status = 0 ] || fail "$language: the board was not as expected"
        grep -q "^OK" "$WORK/driver.log" || fail "$language: the driver did not finish"
    done
'
