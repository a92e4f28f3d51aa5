#!/bin/bash
# orvant-mkdb against the tests' PostgreSQL server, as an administrator runs
# it: the tables in an empty database, then a file with hostile texts copied
# into another one, row for row; and the refusals, each a message naming
# what is wrong and a non-zero exit.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_tools python3 psql
[ -n "${ORVANT_PG_SOCKET:-}" ] || { echo "FAIL: no test server (run under ctest: fixture pg_server)"; exit 1; }

work=$(mktemp -d)
mkdb="${ORVANT_BUILD_DIR:?}/tools/orvant-mkdb"
sock=$ORVANT_PG_SOCKET
suffix=$$_$RANDOM
dbs=()
cleanup() {
    local d
    for d in "${dbs[@]}"; do
        psql -h "$sock" -U postgres -d postgres -qAt -c "drop database if exists $d with (force)" >/dev/null 2>&1
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
q() { psql -h "$sock" -U postgres -d "$1" -qAt -v ON_ERROR_STOP=1 -c "$2"; }
newdb() { dbs+=("$1"); q postgres "create database $1" >/dev/null || fail "createdb $1"; }
conf() {  # conf FILE DBNAME
    printf '[database]\ndriver=postgresql\nhost=%s ; the socket directory\nport=5432\nname=%s\nuser=postgres\npassword= ; trust\n' \
        "$sock" "$2" >"$1"
}

# --- the tables in an empty database, once ---------------------------------
newdb "mk_$suffix"
conf "$work/a.conf" "mk_$suffix"
out=$("$mkdb" --config "$work/a.conf" 2>&1) || fail "orvant-mkdb --config: $out"
echo "$out" | grep -q "created the tables in mk_$suffix" || fail "unexpected output: $out"
[ "$(q "mk_$suffix" "select ip_addr from addrs")" = 127.0.0.1 ] || fail "starter address missing"
out=$("$mkdb" --config "$work/a.conf" 2>&1) && fail "a second run must refuse: $out"
echo "$out" | grep -q "не пуста" || fail "second run's message: $out"

# --- a file's rows copied --------------------------------------------------
"$mkdb" "$work/ping_addr.mdb" >/dev/null || fail "orvant-mkdb file"
python3 - "$work/ping_addr.mdb" <<'PY'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
hostile = ["O'Brien's \"core\"", "строка 1\nстрока 2\r\n", "%1 %2 %%", "C:\\temp\\ \\' \\\\", "Склад — ёж", "? $1 $$x$$"]
con.execute("delete from addrs")
for i, h in enumerate(hostile):
    con.execute("insert into addrs values (?,?,?)", ("10.0.0.%d" % i, h, 100 + i))
    con.execute('insert into logs (time_begin,time_end,foe,ip,"desc") values (?,?,1,?,?)',
                ("2026-01-0%d 10:00:00" % (i + 1), "2026-01-0%d 10:30:00" % (i + 1), h, h))
con.execute('insert into logs (time_begin,foe,ip,"desc") values (?,0,?,?)', ("2026-02-01 08:00:00", hostile[0], hostile[1]))
con.execute("delete from logs where id=3")
con.execute("update options set snd_err=?, refresh_time=9", (hostile[1],))
con.commit()
PY
newdb "cp_$suffix"
conf "$work/b.conf" "cp_$suffix"
out=$("$mkdb" --config "$work/b.conf" --copy-from "$work/ping_addr.mdb" 2>&1) || fail "--copy-from: $out"
echo "$out" | grep -q "6 rows of addrs, 6 rows of logs, 1 rows of options" || fail "counts: $out"
python3 - "$work/ping_addr.mdb" "$sock" "cp_$suffix" <<'PY' || exit 1
import json, sqlite3, subprocess, sys
path, sock, name = sys.argv[1:]
con = sqlite3.connect(path)
queries = {
    "addrs": "select ip_addr, descript, ping_timeout from addrs order by ip_addr",
    "logs": "select id, time_begin, time_end, foe, ip, \"desc\" from logs order by id",
    "options": "select refresh_time, snd_err, snd_rest, \"view\" from options",
}
for table, sql in queries.items():
    want = [list(r) for r in con.execute(sql)]
    pg_sql = sql.replace("foe,", "cast(foe as integer),")
    got = json.loads(subprocess.run(
        ["psql", "-h", sock, "-U", "postgres", "-d", name, "-qAt", "-c",
         "select coalesce(json_agg(json_build_array(%s)), '[]') from (%s) t" % (
             {"addrs": "ip_addr, descript, ping_timeout", "logs": "id, time_begin, time_end, foe, ip, \"desc\"",
              "options": "refresh_time, snd_err, snd_rest, \"view\""}[table], pg_sql)],
        check=True, capture_output=True, text=True).stdout)
    if got != want:
        print("FAIL: %s differs:\n  file:   %r\n  server: %r" % (table, want, got))
        sys.exit(1)
PY
# The key sequence continues past the copied keys.
next=$(q "cp_$suffix" "insert into logs (time_begin,ip) values ('2026-03-01 00:00:00','x') returning id")
[ "$next" = 8 ] || fail "next key $next, expected 8"
# A second copy would mix histories.
out=$("$mkdb" --config "$work/b.conf" --copy-from "$work/ping_addr.mdb" 2>&1) && fail "second copy must refuse"
echo "$out" | grep -q "nothing copied" || fail "second copy's message: $out"

# --- refusals ----------------------------------------------------------------
printf '[database]\ndriver=postgresql\nhost=%s\nport=5432\nuser=postgres\n' "$sock" >"$work/c.conf"
out=$("$mkdb" --config "$work/c.conf" 2>&1) && fail "missing name must fail"
echo "$out" | grep -q "c.conf" && echo "$out" | grep -q "name" || fail "missing key message: $out"
conf "$work/d.conf" "absent_$suffix"
sed -i "s#^host=.*#host=$work/nowhere#" "$work/d.conf"
out=$("$mkdb" --config "$work/d.conf" 2>&1) && fail "unreachable server must fail"
echo "$out" | grep -q "на сервере $work/nowhere:5432" || fail "unreachable message: $out"
out=$("$mkdb" --config "$work/none.conf" 2>&1) && fail "missing configuration must fail"
echo "$out" | grep -q "none.conf" || fail "missing configuration message: $out"
echo "PASS"
