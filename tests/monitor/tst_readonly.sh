#!/bin/bash
# Read-only places, made read-only for root too by read-only bind mounts in
# a private mount namespace: the monitor names the read-only directory (the
# journal's side files cannot be made) or the read-only file, and says what
# to do.
set -u

. "$(dirname "$0")/../support/testlib.sh"
[ "$(id -u)" = 0 ] || { echo "SKIP: read-only bind mounts need root"; exit 77; }
require_tools unshare mount sqlite3
unshare -m true 2>/dev/null || { echo "SKIP: cannot make a mount namespace here"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for d in dir file; do
    install_program "$work/$d" orvant
    sqlite3 "$work/$d/ping_addr.mdb" "delete from addrs; update options set refresh_time=0, snd_err='', snd_rest='';"
    mkdir -m 700 "$work/run-$d"
done

export WORK="$work"
timeout 60 unshare -m bash -c '
    set -u
    fail() { echo "FAIL: $*"; cat "$WORK"/*.log; exit 1; }
    mount --make-rprivate /
    mount --bind "$WORK/dir" "$WORK/dir" && mount -o remount,bind,ro "$WORK/dir"
    mount --bind "$WORK/file/ping_addr.mdb" "$WORK/file/ping_addr.mdb" \
        && mount -o remount,bind,ro "$WORK/file/ping_addr.mdb"
    for d in dir file; do
        XDG_RUNTIME_DIR="$WORK/run-$d" QT_QPA_PLATFORM=offscreen timeout -s TERM 4 "$WORK/$d/orvant" >"$WORK/$d.log" 2>&1
    done
    grep -q "каталог $WORK/dir доступен только для чтения" "$WORK/dir.log" || fail "read-only directory not named"
    grep -q "ping_addr.mdb-wal" "$WORK/dir.log" || fail "the side files are not named"
    grep -q "attempt to write a readonly database" "$WORK/dir.log" && fail "SQLite'"'"'s misleading text shown"
    grep -q "Файл базы данных $WORK/file/ping_addr.mdb доступен только для чтения" "$WORK/file.log" \
        || fail "read-only file not named"
    # A read-only mount: the advice is the mount, no chmod that could not help.
    grep -q "подключена только для чтения" "$WORK/file.log" || fail "no advice for the read-only file"
    echo "read-only directory and file told"
'
