#!/bin/bash
# orvant-import as the operator runs it, beside the programs: a hostile file
# (byte-order mark, CR LF, quotes, commas and line breaks in descriptions,
# an IPv6 address with its zone, a parent later in the file than its child)
# goes in whole; the same file again changes nothing; a dry run writes
# nothing; a file with refused lines names each by its line number and
# writes nothing; --replace says how many it removed; orvant-export
# --addresses and back is a round trip that changes nothing; failures exit
# 1 (file, database) or 2 (command line, refused lines).
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_tools python3 sqlite3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant-import
install_program "$work" orvant-export
DB="$work/ping_addr.mdb"
fail() { echo "FAIL: $*"; exit 1; }
book() { q "select a.ip_addr||'|'||coalesce(a.descript,'<null>')||'|'||a.ping_timeout||'|'||coalesce(p.parent_ip,'')
            from addrs a left join addr_parents p on p.ip_addr=a.ip_addr order by a.ip_addr"; }
run() { LANGUAGE= LC_ALL=C LANG=C "$work/orvant-import" "$@" 2>"$work/err"; }

printf '\xef\xbb\xbfaddress,description,timeout_ms,parent\r\n10.0.0.10,"Склад, ряд ""2""\r\nвторой этаж",250,10.0.0.1\r\n10.0.0.1,Маршрутизатор,,\r\n\r\nfe80::1%%eth0,Link,60000,10.0.0.1\r\n' >"$work/net.csv"
run "$work/net.csv" || fail "import failed ($?): $(cat "$work/err")"
grep -q "добавлено 3, изменено 0" "$work/err" || fail "no counts: $(cat "$work/err")"
[ "$(q "select count(*) from addrs where ip_addr='10.0.0.10' and descript='Склад, ряд \"2\"'||char(13,10)||'второй этаж' and ping_timeout=250")" = 1 ] \
  || fail "description not stored as written: $(book)"
[ "$(q "select parent_ip from addr_parents where ip_addr='fe80::1%eth0'")" = 10.0.0.1 ] || fail "parent not stored: $(book)"
before=$(book)

run "$work/net.csv" || fail "second import failed: $(cat "$work/err")"
grep -q "добавлено 0, изменено 0, без изменений 3" "$work/err" || fail "second import changed something: $(cat "$work/err")"
[ "$(book)" = "$before" ] || fail "second import changed the book"

printf 'address,description\n10.0.0.77,new\n' >"$work/dry.csv"
run --dry-run "$work/dry.csv" || fail "dry run failed: $(cat "$work/err")"
grep -q "будет добавлено 1" "$work/err" || fail "dry run did not tell: $(cat "$work/err")"
[ "$(book)" = "$before" ] || fail "the dry run wrote"

# Refused lines: each named by its line number, nothing written.
printf 'address,description,timeout_ms,parent\n10.0.0.50,ok,,\nrouter,x,,\n10.0.0.51,x,0,\n10.0.0.52,"a\nb",,10.9.9.9\n10.0.0.50,dup,,\n' >"$work/bad.csv"
run "$work/bad.csv"; rc=$?
[ $rc = 2 ] || fail "refused lines: exit $rc ($(cat "$work/err"))"
for n in 3 4 5 7; do grep -q "строка $n: " "$work/err" || fail "line $n not named: $(cat "$work/err")"; done
grep -q "строка 2: " "$work/err" && fail "a good line named: $(cat "$work/err")"
[ "$(book)" = "$before" ] || fail "a refused file wrote"
echo "refused (2): $(head -c 300 "$work/err")"

# The book out and in again, replacing: nothing changes.
"$work/orvant-export" --addresses "$work/out.csv" 2>/dev/null || fail "address export failed"
head -1 "$work/out.csv" | grep -q '^address,description,timeout_ms,parent' || fail "export header: $(head -1 "$work/out.csv")"
run --replace "$work/out.csv" || fail "round trip failed: $(cat "$work/err")"
grep -q "добавлено 0, изменено 0, без изменений 4, удалено 0" "$work/err" || fail "round trip changed: $(cat "$work/err")"
[ "$(book)" = "$before" ] || fail "the round trip changed the book"

# --replace removes what the file does not name and says how many.
printf '10.0.0.1,Маршрутизатор,,\n' >"$work/one.csv"
run --replace "$work/one.csv" || fail "replace failed: $(cat "$work/err")"
grep -q "удалено 3" "$work/err" || fail "removals not counted: $(cat "$work/err")"
[ "$(q "select group_concat(ip_addr) from addrs")" = 10.0.0.1 ] || fail "replace left: $(book)"
[ "$(q "select count(*) from addr_parents")" = 0 ] || fail "parent rows of removed addresses left"

# Failures.
expect() {  # expect STATUS WORD args...
    local status=$1 word=$2; shift 2
    run "$@"; local rc=$?
    [ $rc = "$status" ] || fail "$*: exit $rc, expected $status ($(cat "$work/err"))"
    grep -qi -- "$word" "$work/err" || fail "$*: message lacks \"$word\": $(cat "$work/err")"
}
# A file without a single address never empties the book.
printf 'address,description\r\n' >"$work/empty.csv"
expect 2 "--replace" --replace "$work/empty.csv"
[ "$(q "select count(*) from addrs")" = 1 ] || fail "an empty file emptied the book"
expect 1 "missing.csv" "$work/missing.csv"
expect 1 "missing.mdb" --db "$work/missing.mdb" "$work/one.csv"
printf '10.0.0.1,\xff\xfe\n' >"$work/latin.csv"
expect 1 "UTF-8" "$work/latin.csv"
expect 2 "FILE.csv" --dry-run
expect 2 "unknown" --bogus "$work/one.csv"
echo "PASS"
