#!/bin/bash
# orvant-vantage and orvant-export --vantages against the tests' PostgreSQL
# server, as an operator runs them from a program directory with its
# orvant.conf: the vantages listed live or stale by the server's clock with
# the log's writer marked, the rule read, set and refused, each vantage's
# outages exported in local time with formulas guarded; and both tools
# refusing a database file.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_tools python3 psql sqlite3
[ -n "${ORVANT_PG_SOCKET:-}" ] || { echo "FAIL: no test server (run under ctest: fixture pg_server)"; exit 1; }

work=$(mktemp -d)
sock=$ORVANT_PG_SOCKET
name=vantage_$$_$RANDOM
holder=
cleanup() {
    if [ -n "$holder" ]; then
        kill "$holder" 2>/dev/null
        wait "$holder" 2>/dev/null
    fi
    psql -h "$sock" -U postgres -d postgres -qAt -c "drop database if exists $name with (force)" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
q() { psql -h "$sock" -U postgres -d "$name" -qAt -v ON_ERROR_STOP=1 -c "$1"; }
export LANGUAGE= LC_ALL=C.UTF-8

install_program "$work/prog" orvant-vantage
install_program "$work/prog" orvant-export
vantage="$work/prog/orvant-vantage"
export_tool="$work/prog/orvant-export"
psql -h "$sock" -U postgres -d postgres -qAt -c "create database $name" >/dev/null || fail "createdb"
printf '[database]\ndriver=postgresql\nhost=%s\nport=5432\nname=%s\nuser=postgres\n' "$sock" "$name" \
    >"$work/prog/orvant.conf"
"${ORVANT_BUILD_DIR:?}/tools/orvant-mkdb" --config "$work/prog/orvant.conf" >/dev/null || fail "orvant-mkdb"

# --- the rule ------------------------------------------------------------------
[ "$("$vantage" rule)" = all ] || fail "default rule"
[ "$("$vantage" rule 2 2>/dev/null)" = 2 ] || fail "rule 2"
[ "$(q "select value from settings where name='vantage.rule'")" = 2 ] || fail "rule not stored"
[ "$("$vantage" --config "$work/prog/orvant.conf" rule)" = 2 ] || fail "rule through --config"
for bad in 0 -1 1001 most "2 3"; do
    "$vantage" rule $bad >/dev/null 2>"$work/err"
    [ $? = 2 ] || fail "rule $bad: exit status"
done
grep -q "допустимы all, any или число" "$work/err" || grep -q "одно правило" "$work/err" || fail "refusal: $(cat "$work/err")"
"$vantage" rule 1001 2>"$work/err"; grep -q "«1001» — не правило" "$work/err" || fail "message: $(cat "$work/err")"
[ "$(q "select value from settings where name='vantage.rule'")" = 2 ] || fail "a refused rule changed the stored one"
# More than are live is taken, with a word that the log stays quiet meanwhile.
out=$("$vantage" rule 3 2>&1) || fail "rule 3: $out"
echo "$out" | grep -q "сейчас 0: пока их меньше 3" || fail "rule beyond the live vantages: $out"
"$vantage" rule ANY >/dev/null 2>&1 && [ "$(q "select value from settings where name='vantage.rule'")" = any ] \
    || fail "rule ANY"

# --- the listing -----------------------------------------------------------------
out=$("$vantage" list 2>"$work/err") || fail "empty list: $(cat "$work/err")"
[ -z "$out" ] && grep -q "пунктов в базе данных нет" "$work/err" || fail "empty list: $out / $(cat "$work/err")"
q "insert into vantages (name,last_pass,interval_s,host,pid,started,session) values
   ('north',now()-interval '31 seconds',10,'north-host',11,now(),'orvant 11.a@north'),
   ('south',now()-interval '100 seconds',60,'south-host',12,now(),'orvant 12.b@south'),
   ('Центр',now(),10,'centre',13,now(),'orvant 13.c@centre')" >/dev/null || fail "vantage rows"
# south's session writes the log: a session of that name holds the writer's lock.
PGAPPNAME='orvant 12.b@south' psql -h "$sock" -U postgres -d "$name" -qAt \
    -c "select pg_advisory_lock($(( (0x4F525641 << 32) | 0x4E540002 )))" -c "select pg_sleep(120)" >/dev/null 2>&1 &
holder=$!
writer_locked() { [ "$(q "select count(*) from pg_locks where locktype='advisory' and granted")" = 1 ]; }
wait_until 100 writer_locked || fail "the writer's lock was not taken"
"$vantage" list >"$work/list" 2>"$work/err" || fail "list: $(cat "$work/err")"
python3 - "$work/list" <<'PY' || exit 1
import datetime, sys
lines = [l.split("\t") for l in open(sys.argv[1], encoding="utf-8").read().splitlines()]
assert [l[0] for l in lines] == ["north", "south", "Центр"], lines
assert [l[2] for l in lines] == ["stale", "live", "live"], lines
assert [l[3] for l in lines] == ["10", "60", "10"], lines
assert [l[4] for l in lines] == ["north-host", "south-host", "centre"], lines
assert [l[5] for l in lines] == ["", "writer", ""], lines
# The last pass in local time, ISO 8601: north's 31 s before the others'.
passes = [datetime.datetime.fromisoformat(l[1]) for l in lines]
assert 29 <= (passes[2] - passes[0]).total_seconds() <= 33, passes
assert abs((datetime.datetime.now() - passes[2]).total_seconds()) < 60, passes
PY
kill "$holder"; wait "$holder" 2>/dev/null; holder=

# --- each vantage's outages as CSV -------------------------------------------------
q "delete from addrs" >/dev/null
q "insert into addrs values ('10.0.0.1','=HYPERLINK(\"x\")',100),('10.0.0.2','Склад, \"второй\"',100)" >/dev/null
# Stored in UTC: 22:30 on the 9th is 01:30 on the 10th in Moscow (UTC+3).
q "insert into vantage_outages (vantage,ip,time_begin,time_end) values
   ('north','10.0.0.1','2026-12-09 22:30:00','2026-12-09 22:31:05'),
   ('south','10.0.0.2','2026-12-10 06:00:00',null),
   ('south','10.9.9.9','2026-12-08 06:00:00','2026-12-08 06:00:10')" >/dev/null
TZ=Europe/Moscow "$export_tool" --vantages "$work/v.csv" 2>"$work/err" || fail "export: $(cat "$work/err")"
grep -q "записано строк: 3" "$work/err" || fail "export count: $(cat "$work/err")"
expected=$(printf '%s\r\n' 'vantage,address,description,begin,end,duration_s' \
    'south,10.9.9.9,,2026-12-08T09:00:00,2026-12-08T09:00:10,10' \
    "north,10.0.0.1,\"'=HYPERLINK(\"\"x\"\")\",2026-12-10T01:30:00,2026-12-10T01:31:05,65" \
    'south,10.0.0.2,"Склад, ""второй""",2026-12-10T09:00:00,,')
[ "$(cat "$work/v.csv")" = "$expected" ] || fail "export: $(cat -A "$work/v.csv")"
# The days are the exporting desk's: the outage of 22:30 UTC began on the 10th in Moscow.
TZ=Europe/Moscow "$export_tool" --vantages --from 2026-12-10 --to 2026-12-10 - >"$work/day.csv" 2>"$work/err" \
    || fail "export of a day: $(cat "$work/err")"
[ "$(tr -d '\r' <"$work/day.csv" | cut -d, -f1 | tr '\n' ' ')" = "vantage north south " ] \
    || fail "export of a day: $(cat "$work/day.csv")"
"$export_tool" --vantages --host x "$work/h.csv" 2>/dev/null; [ $? = 2 ] || fail "--host with --vantages"
"$export_tool" --vantages --latency "$work/h.csv" 2>/dev/null; [ $? = 2 ] || fail "two kinds"
[ ! -e "$work/h.csv" ] || fail "a refused export left a file"

# --- a database file: neither tool has vantages there ----------------------------
mkdir "$work/file"
printf '[database]\ndriver=sqlite\nfile=%s\n' "$work/prog/ping_addr.mdb" >"$work/file/orvant.conf"
"$vantage" --config "$work/file/orvant.conf" rule any 2>"$work/err"; status=$?
[ $status = 1 ] && grep -q "только с сервером PostgreSQL" "$work/err" && grep -q "$work/prog/ping_addr.mdb" "$work/err" \
    || fail "rule on the file ($status): $(cat "$work/err")"
[ -z "$(sqlite3 "$work/prog/ping_addr.mdb" "select value from settings where name='vantage.rule'")" ] \
    || fail "the rule reached the file"
"$export_tool" --vantages --db "$work/prog/ping_addr.mdb" "$work/f.csv" 2>"$work/err"; status=$?
[ $status = 1 ] && grep -q "только с сервером PostgreSQL" "$work/err" && [ ! -e "$work/f.csv" ] \
    || fail "export on the file ($status): $(cat "$work/err")"
printf '[database]\ndriver=sqlite\n[vantage]\nname=north\n' >"$work/file/orvant.conf"
"$vantage" --config "$work/file/orvant.conf" list 2>"$work/err"; status=$?
[ $status = 1 ] && grep -q "$work/file/orvant.conf" "$work/err" && grep -q "\[vantage\]" "$work/err" \
    || fail "[vantage] on the file ($status): $(cat "$work/err")"

# An English desk reads English.
LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 "$vantage" rule most 2>"$work/err"
grep -q "not a rule" "$work/err" || fail "English refusal: $(cat "$work/err")"
echo "PASS"
