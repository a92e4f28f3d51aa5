#!/bin/bash
# orvant-web on a PostgreSQL server, in a network namespace made here with a
# server of the test's own (socket only): the built monitor writes to it,
# orvant-web reads it through orvant.conf in a read-only session;
#  1. the JSON's states, the page in headless Chromium, the metrics through
#     promtool;
#  2. the server frozen (SIGSTOP to its processes): /healthz says 503 within
#     seconds while the rest answers at once from the last reading, and the
#     page says the database does not answer; thawed, everything answers again;
#  3. the monitor stopped: the availability equals orvant-export's, and no
#     row of any table changes while orvant-web goes on reading.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
PGBIN=${PGBIN:-/usr/lib/postgresql/15/bin}
[ -x "$PGBIN/pg_ctl" ] || { echo "FAIL: PostgreSQL 15 is not installed (Debian package postgresql)"; exit 1; }
require_tools psql runuser curl promtool chromium chromedriver
/usr/bin/python3 -c 'import selenium' 2>/dev/null || { echo "SKIP: python3-selenium is not installed"; exit 77; }

work=$(mktemp -d)
chmod 755 "$work"
frozen=
cleanup() {
    # A frozen server is thawed before it is stopped.
    for p in $frozen; do kill -CONT $p 2>/dev/null; done
    [ -f "$work/pg/data/postmaster.pid" ] && runuser -u postgres -- "$PGBIN/pg_ctl" -D "$work/pg/data" -m immediate -w stop >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
install_program "$work/prog" orvant
for p in orvant-export orvant-web; do
    [ -x "${ORVANT_BIN_DIR:?}/$p" ] || { echo "FAIL: $p is not built"; exit 1; }
    cp "$ORVANT_BIN_DIR/$p" "$work/prog/"
done
mkdir -m 700 "$work/run"
mkdir -p "$work/pg/data" "$work/pg/sock"
chown -R postgres "$work/pg"
chmod 700 "$work/pg/data"
runuser -u postgres -- "$PGBIN/initdb" -D "$work/pg/data" --auth=trust -E UTF8 >"$work/initdb.log" 2>&1 \
    || { cat "$work/initdb.log"; echo "FAIL: initdb"; exit 1; }
cat >"$work/prog/orvant.conf" <<CONF
[database]
driver=postgresql
host=$work/pg/sock
port=5432
name=orvant_web
user=postgres
CONF

export WORK="$work" PGBIN SCHEMA="${ORVANT_SOURCE_DIR:?}/common/core/schema-postgres.sql" \
    HERE="$(cd "$(dirname "$0")" && pwd)" TESTLIB="$(dirname "$0")/../support/testlib.sh"
timeout 240 unshare -n bash -c '
    set -u
    . "$TESTLIB"
    monitor= web=
    trap "for p in \$monitor \$web; do kill -KILL \$p 2>/dev/null; done" EXIT
    trap "exit 1" TERM INT
    q() { psql -X -q -At -h "$WORK/pg/sock" -U postgres -d orvant_web -c "$1"; }
    fail() {
        echo "FAIL: $*"
        for f in "$WORK"/*.log; do echo "--- $f"; tail -20 "$f"; done
        exit 1
    }
    # Curl gives up after 2 s: a server that stops answering fails the check.
    get() { curl -s -m 2 -o "$WORK/body" -w "%{http_code}" "$@"; }
    # The state of every host, "address=state …".
    states() {
        curl -s -m 2 http://127.0.0.1:9797/api/v1/hosts | /usr/bin/python3 -c "import json, sys
print(\" \".join(h[\"address\"] + \"=\" + h[\"state\"] for h in json.load(sys.stdin)))" 2>/dev/null
    }

    ip link set lo up
    runuser -u postgres -- "$PGBIN/pg_ctl" -D "$WORK/pg/data" -l "$WORK/pg/server.log" -w \
        -o "-c listen_addresses='"''"' -c unix_socket_directories=$WORK/pg/sock -c fsync=off" start >/dev/null \
        || fail "the server did not start"
    psql -X -q -h "$WORK/pg/sock" -U postgres -c "create database orvant_web" || exit 1
    psql -X -q -h "$WORK/pg/sock" -U postgres -d orvant_web -f "$SCHEMA" >/dev/null || exit 1
    q "delete from addrs; insert into addrs (ip_addr,descript,ping_timeout) values
         (\$\$127.0.0.1\$\$,\$\$answers\$\$,200),(\$\$127.0.0.2\$\$,\$\$dropped\$\$,200);
       update options set refresh_time=0, \"view\"=0, snd_err=\$\$\$\$, snd_rest=\$\$\$\$;"
    nft add table inet w
    nft add chain inet w inp "{ type filter hook input priority 0; }"
    nft add rule inet w inp ip daddr 127.0.0.2 icmp type echo-request drop

    XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=offscreen "$WORK/prog/orvant" >"$WORK/orvant.log" 2>&1 & monitor=$!
    wait_for "select count(*) from logs where ip=\$\$127.0.0.2\$\$ and foe=0" 1 200 || fail "no outage on the server"
    wait_for "select count(*) from watched where how_ended=0" 1 100 || fail "no watched time on the server"
    "$WORK/prog/orvant-web" >"$WORK/web.log" 2>&1 & web=$!
    wait_until 100 curl -sf -o /dev/null http://127.0.0.1:9797/healthz || fail "orvant-web did not answer"
    grep -q "orvant_web" "$WORK/web.log" || fail "orvant-web does not name the server database"

    # 1. What it serves.
    for _ in $(seq 100); do [ "$(states)" = "127.0.0.1=up 127.0.0.2=down" ] && break; sleep 0.1; done
    [ "$(states)" = "127.0.0.1=up 127.0.0.2=down" ] || fail "states: $(states)"
    /usr/bin/python3 "$HERE/web_page.py" http://127.0.0.1:9797/ --expect 127.0.0.1=up 127.0.0.2=down \
        >/dev/null 2>"$WORK/page.log" || fail "the page: $(cat "$WORK/page.log")"
    curl -sf http://127.0.0.1:9797/metrics >"$WORK/metrics.txt" && promtool check metrics <"$WORK/metrics.txt" \
        >"$WORK/promtool.log" 2>&1 || fail "promtool: $(cat "$WORK/promtool.log")"

    # 2. The server frozen: every process of it stopped where it stands.
    post=$(head -n1 "$WORK/pg/data/postmaster.pid")
    frozen="$post $(pgrep -P "$post" | tr "\n" " ")"
    kill -STOP $frozen
    echo "$frozen" >"$WORK/frozen"
    frozen_at=$(date +%s)
    wait_until 150 sh -c "[ \"\$(curl -s -m 2 -o /dev/null -w %{http_code} http://127.0.0.1:9797/healthz)\" = 503 ]" \
        || fail "/healthz did not say 503 with the server frozen"
    echo "/healthz 503 after $(( $(date +%s) - frozen_at )) s of a frozen server"
    for path in /api/v1/hosts /metrics / /api/v1/hosts/127.0.0.2/outages; do
        [ "$(get http://127.0.0.1:9797$path)" = 200 ] || fail "$path did not answer from the last reading"
    done
    [ "$(get http://127.0.0.1:9797/api/v1/board)" = 200 ] && grep -q "\"database\":false" "$WORK/body" \
        || fail "the board does not say the database is silent"
    curl -s -m 2 http://127.0.0.1:9797/metrics | grep -q "^orvant_web_database_up 0$" || fail "orvant_web_database_up"
    sleep 12   # past the reading given up
    [ "$(get http://127.0.0.1:9797/api/v1/hosts)" = 200 ] || fail "no answer after the reading was given up"
    kill -CONT $frozen
    frozen=
    wait_until 300 sh -c "[ \"\$(curl -s -m 2 -o /dev/null -w %{http_code} http://127.0.0.1:9797/healthz)\" = 200 ]" \
        || fail "/healthz did not come back after the server thawed"
    grep -q "the database answers again" "$WORK/web.log" || fail "the return was not logged"

    # 3. Equal to orvant-export once the monitor stopped; nothing written.
    kill -TERM $monitor; wait $monitor; monitor=
    for _ in $(seq 100); do [ "$(states)" = "127.0.0.1=unwatched 127.0.0.2=unwatched" ] && break; sleep 0.1; done
    [ "$(states)" = "127.0.0.1=unwatched 127.0.0.2=unwatched" ] || fail "after the stop: $(states)"
    sleep 2
    curl -sf http://127.0.0.1:9797/api/v1/hosts >"$WORK/hosts.json"
    "$WORK/prog/orvant-export" --availability "$WORK/export.csv" 2>/dev/null || fail "orvant-export"
    /usr/bin/python3 - "$WORK" <<PY || fail "the figures differ from orvant-export"
import csv, json, sys
work = sys.argv[1]
hosts = {h["address"]: h for h in json.load(open(work + "/hosts.json"))}
with open(work + "/export.csv", newline="") as f:
    for r in csv.DictReader(f):
        mine = hosts[r["address"]]["availability_pct"]["30d"]
        if ("%.3f" % mine if mine is not None else "") != r["availability_pct"]:
            sys.exit("%s: %s, orvant-export %s" % (r["address"], mine, r["availability_pct"]))
print("30 days equal to orvant-export on the server")
PY
    changes="select sum(n_tup_ins+n_tup_upd+n_tup_del) from pg_stat_user_tables"
    before=$(q "$changes")
    sleep 4
    [ "$(q "$changes")" = "$before" ] || fail "rows changed with only orvant-web connected"
    kill -TERM $web; wait $web; web=
    echo "served from the server, read-only, through a freeze and back"
'
