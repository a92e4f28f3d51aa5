#!/usr/bin/env bash
# admin and the grapher without any display: each message goes to stderr and
# no box waits for an answer nobody can give.
set -u
. "$(dirname "$0")/../support/testlib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for program in admin grapher; do
    install_program "$work/$program" "$program"
    rm -f "$work/$program/ping_addr.mdb"   # the missing database is the message
done

# The grapher tells and ends; a box waiting for an answer would hold it until the timeout.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 20 "$work/grapher/grapher" \
    >/dev/null 2>"$work/grapher.err"
rc=$?
[ $rc = 1 ] || fail "grapher: exit $rc, expected 1 ($(cat "$work/grapher.err"))"
grep -q '^grapher: .*Не удалось открыть базу данных.*ping_addr.mdb' "$work/grapher.err" ||
    fail "grapher: no message on stderr: $(cat "$work/grapher.err")"
echo "grapher: $(grep '^grapher:' "$work/grapher.err" | head -c 200)"

# admin tells and stays open with its empty window; the message is on stderr
# at once, not after somebody closed a box.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 5 "$work/admin/admin" \
    >/dev/null 2>"$work/admin.err"
grep -q '^admin: .*ping_addr.mdb' "$work/admin.err" || fail "admin: no message on stderr: $(cat "$work/admin.err")"
echo "admin: $(grep '^admin:' "$work/admin.err" | head -c 200)"
echo "PASS"
