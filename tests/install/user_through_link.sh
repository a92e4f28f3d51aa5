#!/usr/bin/env bash
# The installed layout as an ordinary user meets it: a program directory only
# root may write, whose ping_addr.mdb links into a data directory of the
# group users (setgid, group-writable). A user of that group works through
# the link; where the data directory really is closed, the message names it
# (not the program directory) with a command that would open it for that user.
set -uo pipefail

. "$(dirname "$0")/../support/testlib.sh"
[ "$(id -u)" = 0 ] || { echo "SKIP: acting as another user needs root"; exit 77; }
require_tools setpriv sqlite3
getent group users >/dev/null || { echo "SKIP: no group users"; exit 77; }
tool="${ORVANT_BIN_DIR:?}/orvant-alert"
mkdb="${ORVANT_BUILD_DIR:?}/tools/orvant-mkdb"
[ -x "$tool" ] && [ -x "$mkdb" ] || { echo "FAIL: orvant-alert or orvant-mkdb not built"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
users_gid=$(getent group users | cut -d: -f3)

mkdir -m 755 "$work/prog" "$work/home"
cp "$tool" "$work/prog/"
cp -r "$ORVANT_BIN_DIR/translations" "$work/prog/" 2>/dev/null || true
mkdir "$work/data"
chgrp users "$work/data"
chmod 2775 "$work/data"
"$mkdb" "$work/data/ping_addr.mdb" >/dev/null || { echo "FAIL: orvant-mkdb"; exit 1; }
chgrp users "$work/data/ping_addr.mdb"
chmod 0660 "$work/data/ping_addr.mdb"
ln -s ../data/ping_addr.mdb "$work/prog/ping_addr.mdb"

# as_user GROUPS CMD...: as nobody with these supplementary groups (C: the Russian texts).
as_user() {
    local groups=$1; shift
    setpriv --reuid=nobody --regid=nogroup --groups="$groups" \
        env -i HOME="$work/home" LANG=C.UTF-8 "$@"
}

# A member of users writes through the link.
out=$(as_user "$users_gid" "$work/prog/orvant-alert" --db "$work/prog/ping_addr.mdb" \
        add probe --command /bin/true 2>&1)
if [ $? = 0 ]; then pass "a user of the group users writes through the link"; else fail "refused: $out"; fi
[ "$(sqlite3 "$work/data/ping_addr.mdb" "select name from alert_channels")" = probe ] &&
    pass "the channel is in the real file" || fail "the channel did not land"
[ -e "$work/prog/ping_addr.mdb-wal" ] && fail "a journal beside the link" || pass "no journal beside the link"
rm -f "$work/data/ping_addr.mdb-wal" "$work/data/ping_addr.mdb-shm"

# The data directory without group write: named, with the command for it.
chmod 2755 "$work/data"
out=$(as_user "$users_gid" "$work/prog/orvant-alert" --db "$work/prog/ping_addr.mdb" list 2>&1)
grep -q "каталог $work/data доступен только для чтения" <<<"$out" &&
    pass "the real folder is named" || fail "real folder not named: $out"
grep -q "ссылка на $work/data/ping_addr.mdb" <<<"$out" && pass "the link is explained" || fail "no word of the link: $out"
grep -q "sudo chmod g+ws \"$work/data\"" <<<"$out" && pass "the command opens that folder" || fail "advice: $out"
grep -q "каталог $work/prog " <<<"$out" && fail "the program directory is blamed: $out"

# A user outside the group: to be added to it.
chmod 2775 "$work/data"
out=$(as_user "$(getent group nogroup | cut -d: -f3)" "$work/prog/orvant-alert" --db "$work/prog/ping_addr.mdb" \
        list 2>&1)
grep -q "sudo adduser nobody users" <<<"$out" && pass "a user outside the group is told to join it" ||
    fail "advice for a user outside the group: $out"

if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "all checks passed"
