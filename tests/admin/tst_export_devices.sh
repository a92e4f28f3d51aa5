#!/bin/bash
# Outputs that are not regular files. Inside a private mount namespace a
# tmpfs is laid over /dev (the machine's own /dev is never touched), holding
# device nodes made here: null and full (their real major/minor numbers),
# a FIFO and a symbolic link to it. orvant-export must write into each in
# place, never put a regular file in its stead, and a write that the device
# refuses (/dev/full, whether named or as standard output) is exit 1 with a
# message, however few the rows.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_tools unshare mknod mkfifo mount sqlite3
if [ "$(id -u)" != 0 ]; then
    echo "SKIP: a private /dev with device nodes needs root"
    exit 77
fi
unshare -m true 2>/dev/null || { echo "SKIP: cannot make a mount namespace here"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant-export
db="$work/ping_addr.mdb"
sqlite3 "$db" "insert into logs (time_begin,time_end,foe,ip,\"desc\") values
  ('2025-01-10 08:00:00','2025-01-10 10:05:07',1,'10.0.0.1','a'),
  ('2025-01-11 09:00:00',null,0,'10.0.0.2','b')"

# Everything below runs in the namespace; its /dev vanishes with it.
unshare -m --propagation private bash -s "$work" <<'INNER'
set -u
work=$1
exe="$work/orvant-export"
db="$work/ping_addr.mdb"
fail() { echo "FAIL: $*"; exit 1; }
mount -t tmpfs -o mode=0755,size=1m orvant-dev /dev || fail "cannot mount a private /dev"
mknod -m 666 /dev/null c 1 3 && mknod -m 666 /dev/full c 1 7 || fail "mknod"
mkfifo /dev/pipe && ln -s /dev/pipe /dev/pipe-link || fail "mkfifo"

kind() { stat -c %F "$1"; }

"$exe" --db "$db" /dev/null 2>"$work/err" || fail "export to /dev/null: $(cat "$work/err")"
[ "$(kind /dev/null)" = "character special file" ] || fail "/dev/null became a $(kind /dev/null)"
echo "ok: /dev/null written in place"

"$exe" --db "$db" /dev/full 2>"$work/err" && fail "export to /dev/full reported success"
[ -s "$work/err" ] || fail "no message for /dev/full"
[ "$(kind /dev/full)" = "character special file" ] || fail "/dev/full became a $(kind /dev/full)"
echo "ok: /dev/full refused: $(head -c 120 "$work/err")"

"$exe" --db "$db" - >/dev/full 2>"$work/err"
rc=$?
[ $rc = 1 ] || fail "standard output on /dev/full: exit $rc"
[ -s "$work/err" ] || fail "no message for standard output on /dev/full"
echo "ok: standard output on /dev/full: exit 1"

for name in /dev/pipe /dev/pipe-link; do
    timeout 10 cat /dev/pipe >"$work/read.csv" &
    reader=$!
    timeout 10 "$exe" --db "$db" "$name" 2>"$work/err" || fail "export into $name: $(cat "$work/err")"
    wait "$reader"
    [ "$(kind /dev/pipe)" = "fifo" ] || fail "the FIFO became a $(kind /dev/pipe)"
    [ -L /dev/pipe-link ] || fail "the link to the FIFO was replaced"
    grep -q '^1,2025-01-10T08:00:00,2025-01-10T10:05:07,7507,a,10.0.0.1' "$work/read.csv" \
        || fail "the reader of $name got: $(head -c 200 "$work/read.csv")"
    echo "ok: $name written in place"
done
ls -A /dev | grep -v -x -e null -e full -e pipe -e pipe-link && fail "a file was left in /dev"
exit 0
INNER
rc=$?
[ $rc = 0 ] || exit 1
# The machine's /dev was never ours to change.
[ -c /dev/null ] && [ -c /dev/full ] || { echo "FAIL: the real /dev changed"; exit 1; }
echo "PASS"
