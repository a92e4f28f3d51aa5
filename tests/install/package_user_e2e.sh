#!/usr/bin/env bash
# The Debian package as a desk user meets it: built by cpack, installed with
# apt on this very system (CI runs as root, on a machine of its own), then
# used by a new ordinary user who is in the group users and nothing more:
# the commands by bare name, orvant-import --dry-run and an import, an alert
# channel, the monitor headless for a few passes against 127.0.0.x in a
# network namespace made here (one host dropped by nftables: its outage is
# logged and alerted), admin and the grapher offscreen for a moment. Then the
# package is purged, and the user, the data folder and everything else this
# test made are removed.
#
# It changes the system, so it runs only where no Orvant is installed and no
# /var/opt/orvant exists (left by a run of its own that was killed, it is
# cleaned up first), one run at a time on the machine.
set -uo pipefail

. "$(dirname "$0")/../support/testlib.sh"
build=${ORVANT_BUILD_DIR:?ORVANT_BUILD_DIR not set}
[ "$(id -u)" = 0 ] || { echo "SKIP: installing a package needs root"; exit 77; }
require_netns
require_tools cpack apt-get dpkg-query useradd userdel setpriv sqlite3 flock timeout
getent group users >/dev/null || { echo "FAIL: no group users on this system"; exit 1; }
[ -f "$build/CPackConfig.cmake" ] || { echo "FAIL: no CPackConfig.cmake in $build"; exit 1; }

marker=/var/lib/orvant-package-user-e2e
exec 9>/run/lock/orvant-package-user-e2e.lock
flock -w 600 9 || { echo "FAIL: another run holds the lock for 10 minutes"; exit 1; }

installed() { [ "$(dpkg-query -W -f='${db:Status-Status}' orvant 2>/dev/null)" = installed ]; }
leftover_user() { [ -s "$marker" ] && cat "$marker"; }
tidy() {
    local user
    user=$(leftover_user)
    if installed || [ -n "$(dpkg-query -W -f='${db:Status-Abbrev}' orvant 2>/dev/null | tr -d ' ')" ]; then
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -q orvant >/dev/null 2>&1 || dpkg --purge orvant >/dev/null 2>&1
    fi
    rm -rf /var/opt/orvant
    [ -n "$user" ] && getent passwd "$user" >/dev/null && userdel -r -f "$user" >/dev/null 2>&1
    rm -f "$marker"
}
if [ -e "$marker" ]; then
    echo "note: cleaning up after an earlier run that did not finish"
    tidy
fi
if installed || [ -e /var/opt/orvant ] || [ -e /opt/orvant ]; then
    echo "SKIP: Orvant is installed here (or /opt/orvant or /var/opt/orvant exists): this test installs its own package"
    exit 77
fi

work=$(mktemp -d)
chmod 755 "$work"
user=orvci$$
pid=
failures=0
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    tidy
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }
show() { echo "--- $1"; cat "$2" 2>/dev/null; }

# --- build and install -------------------------------------------------------
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1; then
    show "cpack log" "$work/cpack.log"; echo "FAIL: cpack"; exit 1
fi
chmod -R a+rX "$work/pkg"
deb=$(ls "$work"/pkg/orvant_*.deb)
echo "$user" >"$marker"
# Every dependency is installed by scripts/setup.sh, so apt has nothing to
# download: asked first, so that a missing one fails here by name instead of
# sending the test to a mirror.
apt-get install -s -q "$deb" >"$work/apt-plan.log" 2>&1
others=$(sed -n 's/^Inst \([^ ]*\) .*/\1/p' "$work/apt-plan.log" | grep -vx orvant)
if [ -n "$others" ]; then
    echo "FAIL: the package needs what is not installed (scripts/setup.sh installs it): $others"; exit 1
fi
if DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$work/apt.log" 2>&1; then
    pass "apt installs $(basename "$deb")"
else
    show "apt log" "$work/apt.log"; echo "FAIL: apt install"; exit 1
fi
data=/var/opt/orvant
check "the database is root:users 0660 in a setgid folder of the group users" \
    test "$(stat -c '%a %U:%G' "$data" "$data/ping_addr.mdb" | tr '\n' ' ')" = "2775 root:users 660 root:users "

# --- the user ----------------------------------------------------------------
useradd -m -G users -s /bin/bash "$user" || { echo "FAIL: useradd"; exit 1; }
home=$(getent passwd "$user" | cut -d: -f6)
install -d -m 700 -o "$user" -g "$user" "$home/run"
# The user's own session: its groups, its home, no display, C locale (the
# programs' Russian texts).
session=(setpriv --reuid="$user" --regid="$user" --init-groups
         env -i HOME="$home" USER="$user" LOGNAME="$user" PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8
         XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen
         ${ORVANT_TEST_RUN:+ORVANT_TEST_RUN=$ORVANT_TEST_RUN})
as_user() { "${session[@]}" "$@"; }
q() { sqlite3 -cmd ".timeout 5000" "$data/ping_addr.mdb" "$1"; }
refused='только для чтения|read-only|chmod|Не удалось открыть|Cannot open'

for cmd in orvant orvant-admin orvant-grapher orvant-import orvant-export orvant-alert; do
    as_user timeout 10 "$cmd" --help >/dev/null 2>&1
    check "$cmd is a command of the user's PATH" test $? = 0
done
check "orvant --version by bare name" test "$(as_user timeout 10 orvant --version)" = "orvant $(dpkg-query -W -f='${Version}' orvant | cut -d- -f1)"

printf 'address,description,timeout_ms\n127.0.0.2,Шлюз,300\n127.0.0.3,"Склад, принтер",300\n' >"$work/book.csv"
chmod 644 "$work/book.csv"
as_user orvant-import --dry-run "$work/book.csv" >"$work/dry.out" 2>&1
rc=$?
check "orvant-import --dry-run works for the user" test $rc = 0
grep -Eq "$refused" "$work/dry.out" && fail "dry run refused: $(cat "$work/dry.out")"
as_user orvant-import --replace "$work/book.csv" >"$work/import.out" 2>&1
check "orvant-import writes the book as the user" test $? = 0
check "the book is in the database" test "$(q "select group_concat(ip_addr, ' ') from (select ip_addr from addrs order by ip_addr)")" = "127.0.0.2 127.0.0.3"
grep -Eq "$refused" "$work/import.out" && fail "import: $(cat "$work/import.out")"

as_user orvant-alert list >"$work/list.out" 2>&1
check "orvant-alert list says there is no channel" grep -q 'каналов оповещений нет' "$work/list.out"
as_user orvant-alert add desk --command /usr/bin/tee -a "$home/alerts.jsonl" >"$work/alert.out" 2>&1
check "the user adds an alert channel" test $? = 0
# A pass every second, no sounds: the settings row as admin would write it.
as_user sqlite3 -cmd ".timeout 5000" /opt/orvant/ping_addr.mdb \
    "update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest=''" 2>"$work/sqlite.err"
check "the user writes the settings through the link" test $? = 0

# --- the monitor in a namespace of its own -----------------------------------
cat >"$work/inside.sh" <<'EOF'
set -u
ip link set lo up
nft add table inet e2e
nft add chain inet e2e inp '{ type filter hook input priority 0; }'
nft add rule inet e2e inp ip daddr 127.0.0.3 icmp type echo-request drop
# The package gave the monitor cap_net_raw when ordinary users may not send
# ICMP; where they may, allow it in here as the system does.
getcap /opt/orvant/orvant | grep -q cap_net_raw || sysctl -q -w net.ipv4.ping_group_range="0 2147483647"
exec "$@"
EOF
# unshare and the script exec in turn, down to the monitor: $! is its PID.
unshare -n bash "$work/inside.sh" "${session[@]}" orvant >"$work/orvant.log" 2>&1 &
pid=$!
wait_until 300 bash -c "[ \"\$(sqlite3 -cmd '.timeout 5000' '$data/ping_addr.mdb' \"select count(*) from logs where ip='127.0.0.3' and foe=0\" 2>/dev/null)\" = 1 ]"
check "the monitor logged the outage of 127.0.0.3" test $? = 0
wait_until 200 grep -q '"127.0.0.3"' "$home/alerts.jsonl" 2>/dev/null
check "the outage was alerted through the user's channel" grep -q '"event":"down"' "$home/alerts.jsonl"
check "127.0.0.2 stays up" test "$(q "select count(*) from logs where ip='127.0.0.2'")" = 0
check "the monitor runs as the user" test "$(stat -c %U "/proc/$pid" 2>/dev/null)" = "$user"
grep -Eq "$refused" "$work/orvant.log" && fail "the monitor was refused: $(cat "$work/orvant.log")"
# Running, not a zombie waiting to be reaped.
alive() { [ -e "/proc/$1" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status" 2>/dev/null; }
kill -TERM "$pid"
wait_until 100 eval '! alive $pid'
check "the monitor ends on SIGTERM" eval '! alive $pid'
wait "$pid" 2>/dev/null
pid=
for f in "$data/ping_addr.mdb" "$data/ping_addr.mdb-wal" "$data/ping_addr.mdb-shm"; do
    [ -e "$f" ] || continue
    check "$(basename "$f") is closed to other users" bash -c "[ \$(( 0$(stat -c '%a' "$f") & 7 )) = 0 ]"
done
check "a user outside the group cannot read the database" \
    bash -c "! setpriv --reuid=nobody --regid=nogroup --clear-groups cat '$data/ping_addr.mdb' >/dev/null 2>&1"

# --- admin and the grapher, offscreen for a moment ---------------------------
for app in orvant-admin orvant-grapher; do
    as_user timeout -s TERM 4 "$app" >"$work/$app.log" 2>&1
    rc=$?
    check "$app runs for the user (stopped by the timeout, not ended by a refusal)" test $rc = 124
    grep -Eq "$refused" "$work/$app.log" && fail "$app: $(cat "$work/$app.log")"
done

# --- away again --------------------------------------------------------------
if DEBIAN_FRONTEND=noninteractive apt-get purge -y -q orvant >"$work/purge.log" 2>&1; then
    pass "apt purges the package"
else
    show "purge log" "$work/purge.log"; fail "apt purge"
fi
check "the purge keeps the outage history" test -f "$data/ping_addr.mdb"
check "the purge leaves no program directory" test ! -e /opt/orvant
check "no command is left" test ! -e /usr/bin/orvant -a ! -e /usr/bin/orvant-admin

if [ "$failures" -ne 0 ]; then
    show "monitor output" "$work/orvant.log"
    echo "$failures check(s) failed"; exit 1
fi
echo "the package installed, used by an ordinary user of the group users, and purged"
