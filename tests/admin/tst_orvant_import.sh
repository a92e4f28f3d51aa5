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

printf '\xef\xbb\xbfaddress,description,timeout_ms,parent\r\n10.0.0.10,"Склад, ряд ""2""\r\nвторой этаж",250,10.0.0.1\r\n10.0.0.1,Маршрутизатор,,\r\n\r\nfe80::1%%eth0,Link,60000,10.0.0.1\r\n10.0.0.11,"=HYPERLINK(""http://x"")",,\r\n' >"$work/net.csv"
run "$work/net.csv" || fail "import failed ($?): $(cat "$work/err")"
grep -q "добавлено 4, изменено 0" "$work/err" || fail "no counts: $(cat "$work/err")"
[ "$(q "select count(*) from addrs where ip_addr='10.0.0.10' and descript='Склад, ряд \"2\"'||char(13,10)||'второй этаж' and ping_timeout=250")" = 1 ] \
  || fail "description not stored as written: $(book)"
[ "$(q "select parent_ip from addr_parents where ip_addr='fe80::1%eth0'")" = 10.0.0.1 ] || fail "parent not stored: $(book)"
before=$(book)

run "$work/net.csv" || fail "second import failed: $(cat "$work/err")"
grep -q "добавлено 0, изменено 0, без изменений 4" "$work/err" || fail "second import changed something: $(cat "$work/err")"
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
grep -q '^10.0.0.11,"'"'"'=HYPERLINK(""http://x"")",500,' "$work/out.csv" || fail "formula not guarded: $(grep 10.0.0.11 "$work/out.csv")"
run --replace "$work/out.csv" || fail "round trip failed: $(cat "$work/err")"
grep -q "добавлено 0, изменено 0, без изменений 5, удалено 0" "$work/err" || fail "round trip changed: $(cat "$work/err")"
[ "$(book)" = "$before" ] || fail "the round trip changed the book"

# --replace removes what the file does not name and says how many.
printf '10.0.0.1,Маршрутизатор,,\n' >"$work/one.csv"
run --replace "$work/one.csv" || fail "replace failed: $(cat "$work/err")"
grep -q "удалено 4" "$work/err" || fail "removals not counted: $(cat "$work/err")"
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
expect 2 "Неизвестный параметр «bogus»" --bogus "$work/one.csv"
# In an English session every line is English, the parser's own included.
english() { LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 "$work/orvant-import" "$@" 2>"$work/err"; }
english --bogus "$work/one.csv"; [ $? = 2 ] && grep -q "Unknown option 'bogus'" "$work/err" \
    || fail "English parser message: $(cat "$work/err")"
english; grep -q "one input FILE.csv expected" "$work/err" || fail "English message: $(cat "$work/err")"
english --help >"$work/help" 2>&1; grep -q "Check the file and tell what would change" "$work/help" \
    || fail "English help: $(cat "$work/help")"
run --help >"$work/help"; grep -q "Проверить файл" "$work/help" && grep -q "Параметры:" "$work/help" \
    || fail "Russian help: $(cat "$work/help")"

# A stream cut mid-line under --replace: nothing written, the line named.
q "delete from addrs; delete from addr_parents"
python3 - "$work/big.csv" <<'PY'
import sys
with open(sys.argv[1], "w", newline="") as f:
    f.write("address,description,timeout_ms,parent\r\n")
    for i in range(3000):
        f.write("10.%d.%d.%d,host %d,,\r\n" % (100 + i // 65536, i // 256 % 256, i % 256, i))
PY
run --replace "$work/big.csv" || fail "big import failed: $(cat "$work/err")"
whole=$(q "select group_concat(ip_addr) from addrs")
[ "$(q "select count(*) from addrs")" = 3000 ] || fail "big import: $(q "select count(*) from addrs") rows"
# Cut inside line 2001's address "10.100.7.208", as a writer killed there leaves it.
cut=$(python3 -c "import sys; d=open(sys.argv[1],'rb').read(); print(d.index(b'10.100.7.208,') + len('10.100.7.2'))" "$work/big.csv")
( head -c "$cut" "$work/big.csv"; kill -9 $BASHPID ) | run --replace -; rc=$?
[ $rc = 2 ] || fail "cut stream: exit $rc ($(cat "$work/err"))"
grep -q "строка 2002 («10.100.7.2»)" "$work/err" || fail "cut line not named: $(cat "$work/err")"
[ "$(q "select group_concat(ip_addr) from addrs")" = "$whole" ] || fail "a cut stream changed the book"
echo "cut stream (2): $(cat "$work/err")"
# The same file whole but without its last line end is refused alike; with
# the line end it goes in.
printf '10.0.0.1,a' | run --replace -; [ $? = 2 ] || fail "unterminated file accepted: $(cat "$work/err")"
printf '10.0.0.1,a\n' | run --dry-run --replace - || fail "terminated file refused: $(cat "$work/err")"

# Older IPv4 spellings are refused, each named with what it would have meant.
printf 'address,description\n010.0.0.1,octal\n10.1,short\n0x0a000001,hex\n' >"$work/legacy.csv"
run "$work/legacy.csv"; rc=$?
[ $rc = 2 ] || fail "legacy spellings: exit $rc ($(cat "$work/err"))"
grep -q "строка 2: 010.0.0.1: .*8.0.0.1" "$work/err" && grep -q "строка 3: 10.1: .*10.0.0.1" "$work/err" \
    && grep -q "строка 4: 0x0a000001: " "$work/err" || fail "legacy lines not named: $(cat "$work/err")"

# Another program's header: one message naming the header expected.
{ echo "IP,Name,Timeout"; for i in $(seq 1 200); do echo "10.7.0.$i,n$i,500"; done; } >"$work/foreign.csv"
run "$work/foreign.csv"; rc=$?
[ $rc = 2 ] || fail "foreign header: exit $rc"
[ "$(wc -l <"$work/err")" = 1 ] || fail "foreign header told in $(wc -l <"$work/err") lines: $(head -3 "$work/err")"
grep -q "address,description,timeout_ms,parent" "$work/err" || fail "expected header not named: $(cat "$work/err")"

# A removed host's open outage ends with its removal.
q "insert into logs (time_begin,ip,\"desc\") values ('2025-01-01 10:00:00','10.100.0.5','host 5')"
before=$(date '+%Y-%m-%d %H:%M:%S')
printf '10.100.0.6,host 6,,\n' | run --replace - || fail "replace failed: $(cat "$work/err")"
after=$(date '+%Y-%m-%d %H:%M:%S')
row=$(q "select foe||'|'||coalesce(time_end,'') from logs where ip='10.100.0.5'")
end=${row#1|}
[ "${row%%|*}" = 1 ] && [[ ! "$end" < "$before" ]] && [[ ! "$end" > "$after" ]] \
    || fail "removed host's outage: $row (removed between $before and $after)"

# A dry run on a file of an older version reads it and writes nothing, its
# schema included.
old="$work/old.mdb"
sqlite3 "$old" "create table addrs (ip_addr TEXT NOT NULL, descript TEXT DEFAULT '', ping_timeout INTEGER NOT NULL DEFAULT 500);
    create table logs (id INTEGER PRIMARY KEY AUTOINCREMENT, time_begin TEXT NOT NULL, time_end TEXT,
                       foe INTEGER NOT NULL DEFAULT 0, ip TEXT NOT NULL, \"desc\" TEXT DEFAULT '');
    create table options (refresh_time INTEGER NOT NULL DEFAULT 1, snd_err TEXT NOT NULL DEFAULT '',
                          snd_rest TEXT NOT NULL DEFAULT '', \"view\" INTEGER NOT NULL DEFAULT 1);
    insert into addrs values ('10.0.0.1','old',500); insert into options default values;"
objects=$(sqlite3 "$old" "select count(*) from sqlite_master")
sum=$(md5sum <"$old")
printf 'address,description,parent\n10.0.0.1,old,\n10.0.0.2,new,10.0.0.1\n' >"$work/two.csv"
run --dry-run --db "$old" "$work/two.csv" || fail "dry run on an old file failed: $(cat "$work/err")"
grep -q "будет добавлено 1, изменено 0, без изменений 1" "$work/err" || fail "old dry run: $(cat "$work/err")"
[ "$(sqlite3 "$old" "select count(*) from sqlite_master")" = "$objects" ] || fail "the dry run upgraded the schema"
[ "$(md5sum <"$old")" = "$sum" ] || fail "the dry run changed the file"
echo "PASS"
