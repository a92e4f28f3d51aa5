#!/bin/bash
# orvant-alert on a database file of its own: what it says with no channel,
# how it takes a secret (a file only its owner may read, named by the
# channel; standard input into a file of the user's; never the database), a
# token refused for plain http, and its words in Russian and English.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_tools sqlite3
tool="${ORVANT_BIN_DIR:?}/orvant-alert"
[ -x "$tool" ] || { echo "FAIL: orvant-alert is not built"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant
export DB="$work/ping_addr.mdb"
export XDG_CONFIG_HOME="$work/config"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
ru() { LANGUAGE= LC_ALL= LC_MESSAGES= LANG=ru_RU.UTF-8 "$tool" --db "$DB" "$@"; }
en() { LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 "$tool" --db "$DB" "$@"; }

# No channel: said on stderr, nothing on stdout, success.
out=$(ru list 2>"$work/err"); rc=$?
[ $rc = 0 ] && [ -z "$out" ] && grep -q 'каналов оповещений нет' "$work/err" && pass "an empty list says so in Russian" ||
    fail "empty list: rc $rc, out '$out', err $(cat "$work/err")"
en list 2>&1 | grep -q 'there are no alert channels' && pass "and in English" || fail "empty list in English: $(en list 2>&1)"

printf 'T0ken-abc\n' >"$work/token"
chmod 644 "$work/token"
# A token over plain http: refused, whatever the file.
out=$(ru add h --webhook http://127.0.0.1:9/x --token-file "$work/token" 2>&1); rc=$?
[ $rc = 2 ] && grep -q 'https' <<<"$out" && pass "a token for plain http is refused" || fail "http token: rc $rc: $out"
# A file others may read: refused, naming the file and the cure.
out=$(ru add h --webhook https://127.0.0.1:9/x --token-file "$work/token" 2>&1); rc=$?
[ $rc = 1 ] && grep -q "chmod 600 \"$work/token\"" <<<"$out" && pass "a token file others may read is refused" ||
    fail "0644 token file: rc $rc: $out"
chmod 600 "$work/token"
ru add h --webhook https://127.0.0.1:9/x --token-file "$work/token" >/dev/null 2>&1 && pass "an owner-only token file is taken" ||
    fail "0600 token file refused: $(ru add h --webhook https://127.0.0.1:9/x --token-file "$work/token" 2>&1)"
[ "$(q "select json_extract(settings,'$.secret_file') || '|' || secret from alert_channels where name='h'")" = "$work/token|" ] &&
    pass "the channel names the file; the database holds no token" || fail "stored: $(q "select settings, secret from alert_channels")"

# From standard input: into a file of the user's, 0600, in a folder only they may enter.
printf 'Pa55-from-stdin\n' | ru add m --email ops@example.org --smtp smtp://127.0.0.1:25 --user bob --password-file - \
    >/dev/null 2>&1 || fail "add with the password on standard input"
file=$(q "select json_extract(settings,'$.secret_file') from alert_channels where name='m'")
[ "$file" = "$XDG_CONFIG_HOME/orvant/secrets/m.password" ] && [ "$(stat -c %a "$file")" = 600 ] &&
    [ "$(stat -c %a "$(dirname "$file")")" = 700 ] && [ "$(cat "$file")" = Pa55-from-stdin ] &&
    pass "a password from standard input went to an owner-only file" || fail "password file: $file"
grep -qaF Pa55-from-stdin "$DB" "$DB-wal" 2>/dev/null && fail "the password is in the database"
ru list | grep -q '^m.*пароль задан' && pass "the list says a password is set" || fail "list: $(ru list 2>&1)"
ru list | grep -q 'Pa55\|T0ken' && fail "the list shows a secret"

# remove takes the file it made, not the operator's own.
ru remove m && ru remove h || fail "remove"
[ ! -e "$file" ] && pass "remove took the file it made" || fail "the password file stayed"
[ -e "$work/token" ] && pass "remove left the operator's own token file" || fail "the operator's file was removed"

# The delivery log in words, not stored keys.
q "insert into alert_deliveries (at,channel,event,outcome,detail) values ('2026-12-10 10:00:00','c','down','given up','x')"
ru log | grep -q $'нет соединения\tне доставлено, отменено' && pass "the log in Russian" || fail "log: $(ru log 2>&1)"
en log | grep -q $'no connection\tnot delivered, given up' && pass "the log in English" || fail "log: $(en log 2>&1)"

if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "all checks passed"
