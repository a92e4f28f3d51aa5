#!/bin/bash
# orvant-web end to end, in a network namespace made here: the built monitor
# probes real hosts (one dropped by nftables, one losing a fifth of its echoes)
# and writes the real file, over a history of twenty days put in before it
# starts; orvant-web reads that file and is asked by
#  1. curl: the JSON's states, marks, round trips and outages;
#  2. headless Chromium: the page's rows, states and 90 day cells, in Russian
#     and English, no error in the console, nothing requested elsewhere
#     (screenshots in build/artifacts/web);
#  3. promtool check metrics, and a real Prometheus scraping every second
#     whose query API then answers orvant_host_up;
#  4. thirty clients at once;
#  5. the monitor stopped: every host unwatched, the availability of the
#     30 days and of each of the last days equal to orvant-export
#     --availability's for the same period, and the file unchanged while
#     orvant-web goes on reading it;
#  6. an auth file: 401 without the password, /healthz still open; 404, 405
#     and an oversized request, the server serving on; HTTPS with
#     --tls-cert/--tls-key.
set -u

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools sqlite3 curl promtool prometheus chromium chromedriver openssl
/usr/bin/python3 -c 'import selenium' 2>/dev/null || { echo "SKIP: python3-selenium is not installed"; exit 77; }

work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
install_program "$work" orvant
for p in orvant-export orvant-web; do
    [ -x "${ORVANT_BIN_DIR:?}/$p" ] || { echo "FAIL: $p is not built"; exit 1; }
    cp "$ORVANT_BIN_DIR/$p" "$work/"
done
mkdir -m 700 "$work/run"
db="$work/ping_addr.mdb"
shots=$(artifact_dir web)

# The history before the monitor's first start: watched from twenty days ago
# until two minutes ago, with outages on several days, one over midnight.
day() { date -d "$1" +%F; }
sqlite3 "$db" "delete from addrs;
  insert into addrs (ip_addr,descript,ping_timeout) values
    ('127.0.0.1','Этот компьютер',200),('127.0.0.2','Маршрутизатор',200),('127.0.0.3','Коммутатор, 2 этаж',200),
    ('127.0.0.4','Сервер учёта',200),('127.0.0.5','Принтер',200),('127.0.0.6','Камера у входа',200);
  update options set refresh_time=0, \"view\"=0, snd_err='', snd_rest='';
  insert into addr_parents (ip_addr,parent_ip) values ('127.0.0.3','127.0.0.2');
  insert into alert_mutes (ip_addr,until) values ('127.0.0.1',null);
  insert into maintenance_windows (ip_addr,weekdays,time_from,time_to) values ('127.0.0.4',127,'00:00','00:00');
  insert into watched (time_begin,time_end,how_ended) values
    ('$(day '20 days ago') 00:00:00', datetime('now','localtime','-2 minutes'), 1);
  insert into logs (time_begin,time_end,foe,ip,\"desc\") values
    ('$(day '15 days ago') 10:00:00','$(day '15 days ago') 10:30:00',1,'127.0.0.2','Маршрутизатор'),
    ('$(day '15 days ago') 10:00:05','$(day '15 days ago') 10:29:00',1,'127.0.0.3','Коммутатор, 2 этаж'),
    ('$(day '9 days ago') 23:50:00','$(day '8 days ago') 00:20:00',1,'127.0.0.6','Камера у входа'),
    ('$(day '3 days ago') 14:00:00','$(day '3 days ago') 18:00:00',1,'127.0.0.6','Камера у входа'),
    ('$(day '2 days ago') 09:00:00','$(day '2 days ago') 09:01:30',1,'127.0.0.5','Принтер');"
# Round trips of the last day, consolidated by the hour, for the charts.
sqlite3 "$db" "insert into latency_hosts (id,ip,descript) values (1,'127.0.0.1','Этот компьютер'),
    (2,'127.0.0.2','Маршрутизатор'),(3,'127.0.0.3','Коммутатор, 2 этаж'),(4,'127.0.0.4','Сервер учёта'),
    (5,'127.0.0.5','Принтер'),(6,'127.0.0.6','Камера у входа');
  insert into latency_days (id,day,done) values (1,'$(day '1 day ago')',1);"
i=0
while read -r stamp; do
    [ -n "$stamp" ] || continue
    i=$((i + 1))
    sqlite3 "$db" "insert into latency_hours (id,hour,day,done) values ($i,'$stamp',1,1);
      insert into latency_hourly (hour,host,passes,sent,lost,rtt_min_us,rtt_median_us,rtt_p90_us,rtt_max_us)
        select $i,id,60,60+(id=5)*15,(id=5)*15+(id=6 and $i%7=0)*20,20,40+id*7+($i*id)%30,90,200 from latency_hosts;"
done < <(for back in $(seq 23 -1 1); do date -d "$back hours ago" "+%F %H:00:00"; done)
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 1 \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 >/dev/null 2>&1 || { echo "FAIL: openssl req"; exit 1; }
echo "ops:$(openssl passwd -6 's3cret word')" >"$work/users"
cat >"$work/prometheus.yml" <<YML
global:
  scrape_interval: 1s
scrape_configs:
  - job_name: orvant
    static_configs:
      - targets: ['127.0.0.1:9797']
YML

export WORK="$work" DB="$db" SHOTS="$shots" HERE="$(cd "$(dirname "$0")" && pwd)" \
    TESTLIB="$(dirname "$0")/../support/testlib.sh"
timeout 280 unshare -n bash -c '
    set -u
    . "$TESTLIB"
    pids=()
    monitor= web= prom=
    stop_all() { for p in $monitor $web $prom "${pids[@]}"; do kill -KILL $p 2>/dev/null; done; }
    trap stop_all EXIT
    trap "exit 1" TERM INT
    fail() {
        echo "FAIL: $*"
        for f in "$WORK"/*.log; do echo "--- $f"; tail -20 "$f"; done
        exit 1
    }
    py() { /usr/bin/python3 "$@"; }
    start_web() {   # port, options...
        local port=$1; shift
        "$WORK/orvant-web" --db "$DB" --listen 127.0.0.1:$port "$@" >>"$WORK/web.log" 2>&1 & web=$!
        wait_until 100 curl -skf -o /dev/null ${SCHEME:-http}://127.0.0.1:$port/healthz || fail "orvant-web on $port did not answer"
    }
    stop_web() { kill -TERM $web; wait $web 2>/dev/null; web=; }
    get() { curl -s -o "$WORK/body" -w "%{http_code}" "$@"; }

    ip link set lo up
    nft add table inet w
    nft add chain inet w inp "{ type filter hook input priority 0; }"
    nft add rule inet w inp ip daddr 127.0.0.2 icmp type echo-request drop
    nft add rule inet w inp ip daddr 127.0.0.5 icmp type echo-request numgen random mod 100 lt 20 drop

    XDG_RUNTIME_DIR="$WORK/run" QT_QPA_PLATFORM=offscreen "$WORK/orvant" >"$WORK/orvant.log" 2>&1 & monitor=$!
    wait_for "select count(*) from logs where ip=\"127.0.0.2\" and foe=0" 1 200 || fail "no outage of 127.0.0.2"
    wait_for "select count(*) from watched where how_ended=0 and time_end>time_begin" 1 100 || fail "no watched stretch"
    start_web 9797

    # 1. The JSON.
    wait_until 100 sh -c "curl -sf http://127.0.0.1:9797/api/v1/hosts | grep -q last_rtt_ms\\\":[0-9]" \
        || fail "no round trip in /api/v1/hosts"
    curl -sf http://127.0.0.1:9797/api/v1/hosts >"$WORK/hosts.json" || fail "/api/v1/hosts"
    py - "$WORK/hosts.json" <<PY || fail "the JSON: $(cat "$WORK/hosts.json")"
import json, sys
hosts = {h["address"]: h for h in json.load(open(sys.argv[1]))}
def check(ok, why):
    if not ok:
        sys.exit(why)
check(sorted(hosts) == ["127.0.0.%d" % i for i in range(1, 7)], "hosts: %s" % sorted(hosts))
check(hosts["127.0.0.2"]["state"] == "down" and hosts["127.0.0.2"]["down_since"], "the router is not down")
check(hosts["127.0.0.2"]["last_rtt_ms"] is None, "the router has a round trip")
check(hosts["127.0.0.1"]["state"] == "up" and hosts["127.0.0.1"]["muted"], "this computer is not up and muted")
check(hosts["127.0.0.1"]["last_rtt_ms"] is not None, "no round trip of 127.0.0.1")
check(hosts["127.0.0.4"]["state"] == "maintenance" and hosts["127.0.0.4"]["maintenance"], "no maintenance")
check(hosts["127.0.0.3"]["parent"] == "127.0.0.2", "no parent")
check(hosts["127.0.0.6"]["down_since"] is None and hosts["127.0.0.6"]["availability_pct"]["30d"] < 100, "camera")
for h in hosts.values():
    check(set(h["availability_pct"]) == {"24h", "7d", "30d", "90d", "365d"}, "windows of %s" % h["address"])
PY
    curl -sf "http://127.0.0.1:9797/api/v1/hosts/127.0.0.6/outages?from=$(date -d "9 days ago" +%F)&to=$(date -d "8 days ago" +%F)" \
        >"$WORK/outages.json" || fail "outages"
    grep -q "\"duration_s\":1800" "$WORK/outages.json" || fail "the outage over midnight: $(cat "$WORK/outages.json")"

    # 2. The page in headless Chromium, Russian and English.
    py "$HERE/web_page.py" http://127.0.0.1:9797/ --lang ru --screenshot "$SHOTS/web.png" \
        --expect 127.0.0.1=up 127.0.0.2=down 127.0.0.3=up 127.0.0.4=maintenance 127.0.0.5=up 127.0.0.6=up \
        >"$WORK/page.json" 2>"$WORK/page.log" || fail "the page: $(cat "$WORK/page.log")"
    py - "$WORK/page.json" <<PY || fail "the page cells: $(cat "$WORK/page.json")"
import json, sys
hosts = json.load(open(sys.argv[1]))["hosts"]
# The camera: 30 min of the night before 8 days ago … 20 min of that day, 4 h 3 days ago.
camera = hosts["127.0.0.6"]["days_down_s"]
if camera[-10:-7] != [600, 1200, 0] or camera[-4] != 14400:
    sys.exit("camera days %s" % camera[-10:])
PY
    py "$HERE/web_page.py" http://127.0.0.1:9797/ --lang en --screenshot "$SHOTS/web_en.png" \
        --expect 127.0.0.2=down >/dev/null 2>"$WORK/page.log" || fail "the English page: $(cat "$WORK/page.log")"

    # 3. /metrics: promtool, then a real Prometheus.
    curl -sf http://127.0.0.1:9797/metrics >"$WORK/metrics.txt" || fail "/metrics"
    promtool check metrics <"$WORK/metrics.txt" >"$WORK/promtool.log" 2>&1 || fail "promtool: $(cat "$WORK/promtool.log")"
    grep -q "^orvant_host_up{address=\"127.0.0.2\",description=\"Маршрутизатор\"} 0$" "$WORK/metrics.txt" \
        || fail "orvant_host_up of the router"
    [ "$(curl -s -o /dev/null -w "%{content_type}" http://127.0.0.1:9797/metrics)" = "text/plain; version=0.0.4; charset=utf-8" ] \
        || fail "the metrics content type"
    prometheus --config.file="$WORK/prometheus.yml" --storage.tsdb.path="$WORK/tsdb" \
        --web.listen-address=127.0.0.1:9090 >"$WORK/prometheus.log" 2>&1 & prom=$!
    query() { curl -sf "http://127.0.0.1:9090/api/v1/query" --data-urlencode "query=$1"; }
    wait_until 300 sh -c "curl -sf http://127.0.0.1:9090/api/v1/query --data-urlencode query=orvant_host_up | grep -q 127.0.0.2" \
        || fail "Prometheus has no orvant_host_up"
    query "orvant_host_up{address=\"127.0.0.2\"}" | grep -q "\"value\":\[[0-9.]*,\"0\"\]" || fail "Prometheus: $(query orvant_host_up)"
    query "orvant_host_up{address=\"127.0.0.1\"}" | grep -q "\"value\":\[[0-9.]*,\"1\"\]" || fail "Prometheus: 127.0.0.1 not up"
    query "up{job=\"orvant\"}" | grep -q "\"value\":\[[0-9.]*,\"1\"\]" || fail "the scrape is not up"
    kill -TERM $prom; wait $prom 2>/dev/null; prom=

    # 4. Thirty clients at once.
    py "$HERE/web_clients.py" 127.0.0.1 9797 30 20 /api/v1/hosts /metrics /api/v1/board / /assets/app.js \
        >"$WORK/clients.log" 2>&1 || fail "thirty clients: $(cat "$WORK/clients.log")"
    cat "$WORK/clients.log"

    # 5. The monitor stopped: nobody watches, and the figures stand still.
    kill -TERM $monitor; wait $monitor; monitor=
    wait_until 100 sh -c "curl -sf http://127.0.0.1:9797/api/v1/hosts | grep -q -v \"\\\"state\\\":\\\"up\\\"\"" \
        || fail "the hosts are not unwatched after the stop"
    sleep 2   # a reading after the stop for certain
    curl -sf http://127.0.0.1:9797/api/v1/hosts >"$WORK/hosts.json"
    curl -sf http://127.0.0.1:9797/api/v1/board >"$WORK/board.json"
    "$WORK/orvant-export" --availability --db "$DB" "$WORK/export-30d.csv" 2>/dev/null || fail "orvant-export"
    days=""
    for back in 0 1 2 3 8 9 15; do
        d=$(date -d "$back days ago" +%F)
        "$WORK/orvant-export" --availability --from "$d" --to "$d" --db "$DB" "$WORK/export-$d.csv" 2>/dev/null \
            || fail "orvant-export $d"
        days="$days $d"
    done
    py - "$WORK" $days <<PY || fail "the figures differ from orvant-export"
import csv, json, sys
work, days = sys.argv[1], sys.argv[2:]
hosts = {h["address"]: h for h in json.load(open(work + "/hosts.json"))}
board = json.load(open(work + "/board.json"))
def rows(name):
    with open(work + "/" + name, newline="") as f:
        return {r["address"]: r for r in csv.DictReader(f)}
bad = []
for h in hosts.values():
    if h["state"] != "unwatched":
        bad.append("%s is %s after the stop" % (h["address"], h["state"]))
for address, r in rows("export-30d.csv").items():
    mine = hosts[address]["availability_pct"]["30d"]
    if ("%.3f" % mine if mine is not None else "") != r["availability_pct"]:
        bad.append("30d of %s: %s, orvant-export %s" % (address, mine, r["availability_pct"]))
for d in days:
    i = board["days"].index(d)
    for address, r in rows("export-%s.csv" % d).items():
        cell = [h for h in board["hosts"] if h["address"] == address][0]
        down = cell["days_down_s"][i]
        if str(cell["days_watched_s"][i]) != r["watched_s"] or (r["down_s"] and str(down) != r["down_s"]):
            bad.append("%s on %s: watched %s down %s, orvant-export %s %s"
                       % (address, d, cell["days_watched_s"][i], down, r["watched_s"], r["down_s"]))
if bad:
    sys.exit("\n".join(bad))
print("30 days and %d single days equal to orvant-export for %d hosts" % (len(days), len(hosts)))
PY
    # Only read: the file and its journal stay as they are while it reads on.
    sums() { sha256sum "$DB" "$DB-wal" 2>/dev/null; }
    before=$(sums)
    sleep 3
    [ "$(sums)" = "$before" ] || fail "the database changed with only orvant-web reading it"
    stop_web

    # 6. Users only; the limits; HTTPS.
    start_web 9798 --auth-file "$WORK/users"
    [ "$(get http://127.0.0.1:9798/)" = 401 ] || fail "the page without a password"
    [ "$(get http://127.0.0.1:9798/metrics)" = 401 ] || fail "/metrics without a password"
    grep -q "127.0.0" "$WORK/body" && fail "a 401 told of the hosts"
    [ "$(get -u "ops:wrong" http://127.0.0.1:9798/api/v1/hosts)" = 401 ] || fail "a wrong password passed"
    [ "$(get -u "ops:s3cret word" http://127.0.0.1:9798/api/v1/hosts)" = 200 ] || fail "the right password"
    [ "$(get http://127.0.0.1:9798/healthz)" = 200 ] || fail "/healthz needs no password"
    py "$HERE/web_page.py" http://127.0.0.1:9798/ --user "ops:s3cret word" --expect 127.0.0.2=unwatched \
        >/dev/null 2>"$WORK/page.log" || fail "the page with a password: $(cat "$WORK/page.log")"
    [ "$(get -u "ops:s3cret word" http://127.0.0.1:9798/no/such/page)" = 404 ] || fail "404"
    [ "$(get -u "ops:s3cret word" --path-as-is http://127.0.0.1:9798/assets/../../etc/passwd)" = 404 ] || fail "dot dot"
    [ "$(get -u "ops:s3cret word" -X DELETE http://127.0.0.1:9798/api/v1/hosts)" = 405 ] || fail "405"
    [ "$(get -u "ops:s3cret word" -H "X-Big: $(head -c 30000 /dev/zero | tr "\0" a)" http://127.0.0.1:9798/)" = 413 ] \
        || fail "an oversized request"
    [ "$(get -u "ops:s3cret word" http://127.0.0.1:9798/api/v1/hosts)" = 200 ] || fail "serving after the refusals"
    stop_web
    SCHEME=https start_web 9443 --tls-cert "$WORK/cert.pem" --tls-key "$WORK/key.pem"
    [ "$(get --cacert "$WORK/cert.pem" https://127.0.0.1:9443/api/v1/hosts)" = 200 ] || fail "HTTPS"
    stop_web
    echo "JSON, page, metrics, Prometheus, 30 clients, orvant-export, users, limits and HTTPS as expected"
'
