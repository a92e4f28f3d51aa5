#!/bin/bash
# A team on one PostgreSQL database, inside a network namespace made here
# (real ICMP to 127.0.0.0/8, a server of its own on 127.0.0.1): three desks,
# each a program directory of its own with an orvant.conf naming the same
# database and a user runtime directory of its own, as three machines.
# Desk 1 runs the monitor, desks 2 and 3 an admin each, desk 3 the grapher.
#  1. all of them start and keep running at once; a host goes down and comes
#     back and the server holds that outage;
#  2. the server is stopped for a full minute while one host comes back and
#     another goes down: the monitor says the server was lost and is back,
#     each row is made once, stamped with the moment it happened;
#  3. the admins and the grapher are still running; orvant-export from
#     desks 2 and 3 print the same history; a second monitor on desk 2 is
#     refused, naming the database;
#  4. the server's packets dropped while the connection is open (a cable
#     pulled, no FIN, no RST): the monitor finds the connection dead within
#     seconds instead of the kernel's quarter of an hour, and reconnects
#     once the packets flow again, without a lost or doubled row.
set -u

. "$(dirname "$0")/../support/testlib.sh"

if [ -z "${ORVANT_IN_NETNS:-}" ]; then
    require_netns
    require_tools psql runuser timeout
    export ORVANT_IN_NETNS=1
    exec timeout 280 unshare -n bash "$0"
fi

# Inside the namespace from here.
work=$(mktemp -d)
chmod 755 "$work"
WORK=$work   # where testlib's wait_log reads the logs
pids=()
pgctl="$ORVANT_SOURCE_DIR/tests/support/pg_server.sh"
export ORVANT_PG_LISTEN=127.0.0.1
cleanup() {
    local p _ alive_any
    for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null; done
    for _ in $(seq 20); do
        alive_any=
        for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && alive_any=1; done
        [ -z "$alive_any" ] && break
        sleep 0.1
    done
    for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done
    wait 2>/dev/null
    bash "$pgctl" stop "$work/pg" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT

dbname=orvant_team
# The test's own statements go through the socket, which the dropped TCP
# packets of part 4 do not touch.
q() { psql -X -q -At -h "$work/pg/sock" -U postgres -d $dbname -c "$1"; }
fail() {
    echo "FAIL: $*"
    echo "rows: $(q "select * from logs order by id" 2>&1)"
    for f in "$work"/*.log; do echo "--- $f"; cat "$f"; done
    exit 1
}
now() { date "+%Y-%m-%d %H:%M:%S"; }
alive() { kill -0 "$1" 2>/dev/null; }
# desk N PROGRAM [ARGS…]: runs PROGRAM of desk N as that machine's user would.
# It replaces the shell it runs in, so `desk … &` makes $! the program itself
# (the cleanup's TERM and KILL reach it) and a foreground call goes in ( ).
desk() {
    local n=$1 program=$2
    shift 2
    exec env XDG_RUNTIME_DIR="$work/desk$n/run" HOME="$work/desk$n/home" QT_QPA_PLATFORM=offscreen \
        "$work/desk$n/$program" "$@"
}

ip link set lo up
bash "$pgctl" start "$work/pg" >/dev/null || exit 1
psql -X -q -h "$work/pg/sock" -U postgres -c "create database $dbname" || fail "create database"

for n in 1 2 3; do
    mkdir -p "$work/desk$n/home"
    mkdir -m 700 "$work/desk$n/run"
    cat >"$work/desk$n/orvant.conf" <<CONF
[database]
driver=postgresql
host=127.0.0.1
port=5432
name=$dbname
user=postgres
CONF
done
install_program "$work/desk1" orvant
install_program "$work/desk2" orvant
install_program "$work/desk2" admin
install_program "$work/desk2" orvant-export
install_program "$work/desk3" admin
install_program "$work/desk3" grapher
install_program "$work/desk3" orvant-export
"$ORVANT_BUILD_DIR/tools/orvant-mkdb" --config "$work/desk1/orvant.conf" >"$work/mkdb.log" 2>&1 \
    || fail "orvant-mkdb --config"
q "delete from addrs; insert into addrs (ip_addr,descript,ping_timeout) values
     (\$\$127.0.0.1\$\$,\$\$dropped later\$\$,200),(\$\$127.0.0.2\$\$,\$\$blinks\$\$,200),
     (\$\$127.0.0.3\$\$,\$\$back while away\$\$,200),(\$\$127.0.0.4\$\$,\$\$down while away\$\$,200);
   update options set refresh_time=0, \"view\"=0, snd_err=\$\$\$\$, snd_rest=\$\$\$\$;" || fail "address book"
nft add table inet team
nft add chain inet team inp "{ type filter hook input priority 0; }"
nft add set inet team down "{ type ipv4_addr; }"
nft add rule inet team inp ip daddr @down icmp type echo-request drop

# 1. Everyone at once.
desk 1 orvant >"$work/monitor.log" 2>&1 &
monitor=$!
pids+=($monitor)
wait_for "select count(*) from pg_stat_activity where application_name like \$\$orvant %\$\$" 1 150 \
    || fail "the monitor did not take the database"
desk 2 admin >"$work/admin2.log" 2>&1 &
admin2=$!
pids+=($admin2)
desk 3 admin >"$work/admin3.log" 2>&1 &
admin3=$!
pids+=($admin3)
desk 3 grapher >"$work/grapher.log" 2>&1 &
grapher=$!
pids+=($grapher)
sleep 4
for p in $monitor $admin2 $admin3 $grapher; do alive $p || fail "a program of the team ended at start (pid $p)"; done
grep -q "Программа уже запущена" "$work"/admin*.log && fail "an admin was refused"
sessions=$(q "select count(*) from pg_stat_activity where datname=\$\$$dbname\$\$ and pid<>pg_backend_pid()")
[ "$sessions" -ge 3 ] || fail "only $sessions sessions on the server with the whole team running"
echo "monitor, two admins and the grapher running: $sessions sessions on the server"

nft add element inet team down "{ 127.0.0.2 }"
wait_for "select count(*) from logs where ip=\$\$127.0.0.2\$\$ and foe=0" 1 200 || fail "no open row for 127.0.0.2"
nft delete element inet team down "{ 127.0.0.2 }"
nft add element inet team down "{ 127.0.0.3 }"
wait_for "select count(*) from logs where ip=\$\$127.0.0.2\$\$ and foe=1" 1 200 || fail "127.0.0.2 not closed"
wait_for "select count(*) from logs where ip=\$\$127.0.0.3\$\$ and foe=0" 1 200 || fail "no open row for 127.0.0.3"

# 2. The server away for a full minute.
sleep 1
stopped_at=$(now)
stopped=$SECONDS
bash "$pgctl" halt "$work/pg" || fail "stopping the server"
sleep 3
changed_at=$(now)
nft delete element inet team down "{ 127.0.0.3 }"
nft add element inet team down "{ 127.0.0.4 }"
wait_log monitor.log "Потеряна связь с сервером базы данных" 150 || fail "the lost server was not told"
wait_log monitor.log "ждут и будут сделаны, когда связь восстановится" 150 || fail "no write waited for the server"
while [ $((SECONDS - stopped)) -lt 60 ]; do sleep 1; done
for p in $monitor $admin2 $admin3 $grapher; do alive $p || fail "a program ended while the server was away (pid $p)"; done
restart_at=$(now)
bash "$pgctl" resume "$work/pg" || fail "starting the server again"
wait_log monitor.log "восстановлена" 200 || fail "the reconnection was not told"
wait_log monitor.log "Отложенные записи о сбоях сделаны (2)" 100 || fail "the kept writes were not told done"
sleep 2
[ "$(rows)" = "127.0.0.2|1 127.0.0.3|1 127.0.0.4|0 " ] || fail "rows after the server's minute away: $(rows)"
begin=$(q "select time_begin from logs where ip=\$\$127.0.0.4\$\$")
end=$(q "select time_end from logs where ip=\$\$127.0.0.3\$\$")
[[ ! "$begin" < "$changed_at" && "$begin" < "$restart_at" ]] \
    || fail "the Begin is stamped $begin, not while the server was away ($changed_at..$restart_at)"
[[ ! "$end" < "$changed_at" && "$end" < "$restart_at" ]] \
    || fail "the End is stamped $end, not while the server was away ($changed_at..$restart_at)"
echo "server away $stopped_at..$restart_at: begin $begin, end $end, each written once"

# 3. The rest of the team after the server came back.
for p in $admin2 $admin3 $grapher; do alive $p || fail "a reader ended after the server came back (pid $p)"; done
(desk 2 orvant-export -) >"$work/export2.csv" 2>"$work/export2.log" || fail "orvant-export on desk 2"
(desk 3 orvant-export -) >"$work/export3.csv" 2>"$work/export3.log" || fail "orvant-export on desk 3"
[ "$(wc -l <"$work/export2.csv")" = 4 ] || fail "desk 2 exported $(cat "$work/export2.csv")"
cmp -s "$work/export2.csv" "$work/export3.csv" \
    || fail "desks 2 and 3 see different histories: $(diff "$work/export2.csv" "$work/export3.csv")"
echo "desks 2 and 3 export the same 3 outages"
XDG_RUNTIME_DIR="$work/desk2/run" HOME="$work/desk2/home" QT_QPA_PLATFORM=offscreen timeout 20 "$work/desk2/orvant" \
    >"$work/second.log" 2>&1
status=$?
grep -q "Программа уже запущена!" "$work/second.log" || fail "the second monitor was not refused"
grep -q "$dbname" "$work/second.log" || fail "the refusal does not name the database"
# Refused is not a clean run: a service manager or script must see it.
[ $status != 0 ] && [ $status != 124 ] || fail "the refused monitor ended with status $status"
echo "second monitor on desk 2 refused: $(grep -m1 "$dbname" "$work/second.log")"

# 4. Half-open: the server's packets vanish while the connection stays open.
nft add rule inet team inp tcp dport 5432 drop
nft add rule inet team inp tcp sport 5432 drop
cut_at=$SECONDS
nft add element inet team down "{ 127.0.0.1 }"
wait_log monitor.log "Потеряна связь с сервером базы данных" 300 2 \
    || fail "the monitor did not find the silent server gone within 30 s"
found=$((SECONDS - cut_at))
alive $monitor || fail "the monitor ended on the silent server"
echo "silent server found gone after ${found} s"
# In one transaction: between a flush and a new rule the hosts that are down
# would answer for a moment, and the monitor probes on while its server is silent.
printf 'flush chain inet team inp\nadd rule inet team inp ip daddr @down icmp type echo-request drop\n' | nft -f -
wait_log monitor.log "восстановлена" 300 2 || fail "no reconnection after the packets flowed again"
wait_for "select count(*) from logs where ip=\$\$127.0.0.1\$\$ and foe=0" 1 200 || fail "the kept Begin was not made"
sleep 2
[ "$(rows)" = "127.0.0.2|1 127.0.0.3|1 127.0.0.4|0 127.0.0.1|0 " ] || fail "rows after the silent server: $(rows)"
for p in $monitor $admin2 $admin3 $grapher; do alive $p || fail "a program ended at the end (pid $p)"; done
echo "reconnected after the cut; every row once"
