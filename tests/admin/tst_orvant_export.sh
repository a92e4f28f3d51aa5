#!/bin/bash
# orvant-export as the operator runs it: a database with hostile descriptions
# (quotes, commas, line breaks, Cyrillic, 10 kB), open and closed outages;
# the file read back with Python's csv module must give every row exactly as
# the database holds it. Then the date filters, standard output, the
# database beside the program, and the failures: each a message, a non-zero
# exit and no file.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_tools python3 sqlite3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant-export
db="$work/ping_addr.mdb"
# The C locale speaks Russian, as the desk always did; English is checked below.
export LANGUAGE= LC_ALL=C.UTF-8
fail() { echo "FAIL: $*"; exit 1; }

python3 - "$db" <<'PY'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
rows = [
    ("2025-01-10 08:00:00", "2025-01-10 10:05:07", 1, "10.0.0.1", 'Сервер "главный", стойка 3'),
    ("2025-01-11 09:00:00", None, 0, "10.0.0.2", "строка 1\nстрока 2\r\nстрока 3"),
    ("2025-01-12 23:59:59", "2025-01-13 00:00:00", 1, "10.0.0.3", "x" * 5000 + '",\n' + "Ж" * 2500),
    ("2025-01-13 00:00:00", None, 0, "10.0.0.4", ""),
    ("2025-01-14 12:00:00", "2025-01-14 12:00:00", 1, "10.0.0.5", "=1+1; 'quoted'"),
    ("2025-01-14 13:00:00", "2025-01-14 13:00:30", 1, "10.0.0.1", 'Сервер "главный", стойка 3'),
    ("2025-01-15 08:00:00", "2025-01-15 08:01:00", 1, "10.0.0.6", "@SUM(A1)"),
    ("2025-01-15 09:00:00", "2025-01-15 09:01:00", 1, "10.0.0.7", "\t-2+3"),
    ("2025-01-15 10:00:00", "2025-01-15 10:01:00", 1, "10.0.0.8", "'+1"),
]
con.executemany('insert into logs (time_begin,time_end,foe,ip,"desc") values (?,?,?,?,?)', rows)
con.commit()
PY

check() {  # check CSV [sqlite condition]: the file holds exactly the selected rows
    python3 - "$db" "$1" "${2:-1}" <<'PY' || exit 1
import csv, datetime, re, sqlite3, sys
db, path, where = sys.argv[1:]
# A text a spreadsheet would run as a formula comes guarded by an apostrophe.
guard = lambda s: "'" + s if re.match(r"'*[=+\-@\t\r]", s) else s
with open(path, newline="", encoding="utf-8") as f:
    raw = f.read()
assert not raw.startswith("\ufeff"), "byte-order mark"
with open(path, newline="", encoding="utf-8") as f:
    got = list(csv.reader(f, strict=True))
assert got[0] == ["id", "begin", "end", "duration_s", "description", "address"], got[0]
con = sqlite3.connect(db)
want = []
for id_, b, e, foe, desc, ip in con.execute(
        'select id,time_begin,time_end,foe,"desc",ip from logs where %s order by time_begin,id' % where):
    iso = lambda t: t.replace(" ", "T")
    if foe:
        d = int((datetime.datetime.fromisoformat(e) - datetime.datetime.fromisoformat(b)).total_seconds())
        want.append([str(id_), iso(b), iso(e), str(d), guard(desc), ip])
    else:
        want.append([str(id_), iso(b), "", "", guard(desc), ip])
if got[1:] != want:
    for g, w in zip(got[1:], want):
        if g != w:
            print("got ", [x[:60] for x in g]); print("want", [x[:60] for x in w])
    print("rows got %d want %d" % (len(got) - 1, len(want)))
    sys.exit(1)
print("%s: %d rows match" % (path.rsplit("/", 1)[-1], len(want)))
PY
}

"$work/orvant-export" "$work/all.csv" 2>"$work/err" || fail "export beside the program failed: $(cat "$work/err")"
check "$work/all.csv"
grep -q "записано сбоев: 9" "$work/err" || fail "no count on stderr: $(cat "$work/err")"

"$work/orvant-export" --db "$db" --from 2025-01-12 --to 2025-01-13 "$work/days.csv" 2>/dev/null || fail "filtered export failed"
check "$work/days.csv" "time_begin >= '2025-01-12' and time_begin < '2025-01-14'"
"$work/orvant-export" --db "$db" --from=13.01.2025 "$work/from.csv" 2>/dev/null || fail "DD.MM.YYYY date refused"
check "$work/from.csv" "time_begin >= '2025-01-13'"
"$work/orvant-export" --db "$db" --host 'Сервер "главный", стойка 3' "$work/host.csv" 2>/dev/null || fail "host export failed"
check "$work/host.csv" "ip = '10.0.0.1'"

"$work/orvant-export" --db "$db" - >"$work/stdout.csv" 2>/dev/null || fail "export to standard output failed"
check "$work/stdout.csv"
cmp -s "$work/stdout.csv" "$work/all.csv" || fail "standard output differs from the file"

# Failures: a message on stderr, a non-zero exit, no file.
expect_failure() {  # expect_failure STATUS WORD OUTPUT args...
    local status=$1 word=$2 out=$3; shift 3
    "$work/orvant-export" "$@" "$out" 2>"$work/err" >/dev/null
    local rc=$?
    [ $rc = "$status" ] || fail "$*: exit $rc, expected $status ($(cat "$work/err"))"
    grep -qi -- "$word" "$work/err" || fail "$*: message lacks \"$word\": $(cat "$work/err")"
    [ ! -e "$out" ] || fail "$*: left $out behind"
    ls "$(dirname "$out")" 2>/dev/null | grep -q "$(basename "$out")" && fail "$*: left a temporary file"
    echo "refused ($rc): $(head -c 150 "$work/err")"
}
expect_failure 1 "файла нет" "$work/a.csv" --db "$work/missing.mdb"
expect_failure 2 "не дата" "$work/b.csv" --db "$db" --from 2025-13-40
expect_failure 2 "позже" "$work/c.csv" --db "$db" --from 2025-02-01 --to 2025-01-01
expect_failure 1 "$work/no/dir" "$work/no/dir/d.csv" --db "$db"
echo "not a database" >"$work/junk.mdb"
expect_failure 1 "junk.mdb" "$work/e.csv" --db "$work/junk.mdb"
sqlite3 "$work/nolog.mdb" "create table other (x)"
expect_failure 1 "logs" "$work/f.csv" --db "$work/nolog.mdb"
"$work/orvant-export" --db "$db" 2>"$work/err" && fail "no OUTPUT accepted"
# An existing file stays as it was when the export fails.
echo old >"$work/keep.csv"
"$work/orvant-export" --db "$work/nolog.mdb" "$work/keep.csv" 2>/dev/null && fail "export from a file without a log succeeded"
[ "$(cat "$work/keep.csv")" = old ] || fail "a failed export replaced an existing file"
# Why outages rang no alarm: two more columns when asked for, none unasked.
sqlite3 "$db" "insert into outage_marks (ip_addr,time_begin,reason,detail) values
    ('10.0.0.2','2025-01-11 09:00:00','behind','Шлюз, главный'),('10.0.0.1','2025-01-14 13:00:00','muted',null)"
"$work/orvant-export" --db "$db" "$work/unasked.csv" 2>/dev/null || fail "export beside marks failed"
check "$work/unasked.csv"
"$work/orvant-export" --db "$db" --marks "$work/marks.csv" 2>/dev/null || fail "export with marks failed"
python3 - "$work/marks.csv" <<'PY' || exit 1
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="", encoding="utf-8"), strict=True))
assert rows[0][-2:] == ["quiet_reason", "quiet_detail"], rows[0]
marks = {r[0]: r[-2:] for r in rows[1:]}
assert len(marks) == 9, marks
assert marks["2"] == ["behind", "Шлюз, главный"], marks
assert marks["6"] == ["muted", ""], marks
assert all(v == ["", ""] for k, v in marks.items() if k not in ("2", "6")), marks
print("marks: 9 rows, 2 marked")
PY

# Availability with the planned work set aside: Tuesday 2025-01-14 watched
# whole, a window for every host from 12:00 to 13:01 around 10.0.0.1's
# half-minute outage.
sqlite3 "$db" "delete from addrs; insert into addrs values ('10.0.0.1','A',500);
    insert into watched (time_begin,time_end,how_ended) values ('2025-01-14 00:00:00','2025-01-15 00:00:00',1);
    insert into maintenance_windows (ip_addr,weekdays,time_from,time_to) values ('',2,'12:00','13:01')"
"$work/orvant-export" --db "$db" --availability --from 2025-01-14 --to 2025-01-14 "$work/avail.csv" 2>/dev/null \
    || fail "availability export failed"
[ "$(tr -d '\r' <"$work/avail.csv")" = "address,description,watched_s,down_s,availability_pct,outages,longest_s,mean_down_s,mtbf_s,unwatched_s
10.0.0.1,A,86400,30,99.965,1,30,30,86370,0" ] || fail "availability: $(cat "$work/avail.csv")"
"$work/orvant-export" --db "$db" --availability --without-maintenance --from 2025-01-14 --to 2025-01-14 \
    "$work/aside.csv" 2>/dev/null || fail "availability without maintenance failed"
[ "$(tr -d '\r' <"$work/aside.csv")" = "address,description,watched_s,down_s,availability_pct,outages,longest_s,mean_down_s,mtbf_s,unwatched_s,maintenance_s
10.0.0.1,A,82740,0,100.000,0,0,,,0,3660" ] || fail "availability without maintenance: $(cat "$work/aside.csv")"
expect_failure 2 "availability" "$work/g.csv" --db "$db" --without-maintenance
expect_failure 2 "marks" "$work/h.csv" --db "$db" --availability --marks
# An English session reads English, the command-line parser's own lines too.
LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 "$work/orvant-export" --db "$db" "$work/en.csv" 2>"$work/err" \
    && grep -q "outages written to $work/en.csv" "$work/err" || fail "English count: $(cat "$work/err")"
LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 "$work/orvant-export" --db "$db" --from 2025-13-40 "$work/en2.csv" \
    2>"$work/err"; grep -q "not a date" "$work/err" || fail "English date message: $(cat "$work/err")"
LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 "$work/orvant-export" --nope "$work/en3.csv" 2>"$work/err"
grep -q "Unknown option 'nope'" "$work/err" || fail "English parser message: $(cat "$work/err")"
"$work/orvant-export" --nope "$work/ru.csv" 2>"$work/err"
grep -q "Неизвестный параметр «nope»" "$work/err" || fail "Russian parser message: $(cat "$work/err")"
echo "PASS"
