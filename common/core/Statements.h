#pragma once

#include <QList>

// Every statement the suite sends to the shared database, in one list.
//
// Values never stand in the text: each "?" is a bound parameter, so an
// apostrophe or a quote in an address, a description or a path is stored as
// it is instead of breaking the statement.
//
// Date-time values are bound as text 'YYYY-MM-DD HH:MM:SS' (see DateTimeText).
// "desc" and "view" are quoted because both are SQL key words.
namespace Statements {

// --- monitor -----------------------------------------------------------------
inline constexpr char SelectOptions[] = "select * from options";
inline constexpr char SelectAddressesForPass[] = "select ip_addr,descript,ping_timeout from addrs";
// All open rows at once: one lookup per pass instead of one per address.
// "foe=false" is spelled as in the partial index logs_one_open, so that the
// lookup reads that index (the open rows) and never the whole history.
inline constexpr char SelectAllOpenOutages[] = "select id,ip from logs where foe=false";
// Values: time_end, id.
inline constexpr char CloseOutage[] = "update logs set time_end=?,foe=true where id=?";
// Values: ip, desc. time_begin, foe and id are filled by the database.
inline constexpr char InsertOutage[] = "insert into logs (ip,\"desc\") values (?,?)";
// The monitor's writes, which may wait in its write queue: each carries the
// moment the outcome was decided, and neither depends on a row id the queue
// may not know yet. A second open row of an address is a no-op (the unique
// partial index logs_one_open), never an error; a close takes the oldest
// open row of the address. The same text serves PostgreSQL.
// Values: time_begin, ip, desc.
inline constexpr char InsertOutageAt[] =
    "insert into logs (time_begin,ip,\"desc\") values (?,?,?) on conflict do nothing";
// Values: time_end, ip.
inline constexpr char CloseOutageOfAddress[] =
    "update logs set time_end=?,foe=true where id=(select min(id) from logs where ip=? and foe=false)";
inline constexpr char SelectOpenOutagesForReport[] = "select time_begin,ip,\"desc\" from logs where foe=false";

// --- upgrade of a file made by an earlier version (one transaction) -----------
inline constexpr char SelectOneOpenIndex[] =
    "select count(*) from sqlite_master where type='index' and name='logs_one_open'";
inline constexpr char BeginImmediate[] = "begin immediate";
inline constexpr char Commit[] = "commit";
inline constexpr char Rollback[] = "rollback";
// Duplicate open rows (two monitors on one file) are closed at their own
// start, so the oldest stays open and no outage grows longer than it was.
inline constexpr char CloseDuplicateOpenOutages[] =
    "update logs set time_end=time_begin,foe=true where foe=false and id not in "
    "(select min(id) from logs where foe=false group by ip)";
inline constexpr char CreateOneOpenIndex[] =
    "create unique index if not exists logs_one_open on logs (ip) where foe=false";
// Replaced by logs_one_open; left in place it would draw the planner to a
// scan of the whole history for the open rows.
inline constexpr char DropOldOpenIndex[] = "drop index if exists logs_open_by_ip";

// --- admin -------------------------------------------------------------------
// Values: refresh_time, snd_err, snd_rest, view. No condition: the table has one row.
inline constexpr char UpdateOptions[] = "update options set refresh_time=?,snd_err=?,snd_rest=?,\"view\"=?";
inline constexpr char SelectAddressesSorted[] = "select * from addrs order by 1";
// Values: ip_addr.
inline constexpr char SelectAddressExists[] = "select ip_addr from addrs where ip_addr=?";
// Values: ip_addr, descript, ping_timeout.
inline constexpr char InsertAddress[] = "insert into addrs (ip_addr,descript,ping_timeout) values (?,?,?)";
// Values: ip_addr.
inline constexpr char SelectAddress[] = "select descript,ping_timeout from addrs where ip_addr=?";
// Values: descript, ping_timeout, ip_addr.
inline constexpr char UpdateAddress[] = "update addrs set descript=?,ping_timeout=? where ip_addr=?";
// Values: ip_addr.
inline constexpr char DeleteAddress[] = "delete from addrs where ip_addr=?";
// The same listing a page at a time (keyset paging; id breaks ties of one
// second). Values: page size.
inline constexpr char SelectLogFirstPage[] = "select * from logs order by time_begin desc,id desc limit ?";
// Values: time_begin and id of the last row already read, page size.
inline constexpr char SelectLogNextPage[] =
    "select * from logs where (time_begin,id)<(?,?) order by time_begin desc,id desc limit ?";
// Values: the first moment kept ('YYYY-MM-DD 00:00:00').
inline constexpr char DeleteLogBefore[] = "delete from logs where time_begin<?";
// The log as exported, oldest first, read once forward. Duration in seconds
// between the stored local times (wall-clock: a stored time has no zone, so
// an outage over a daylight-saving change counts the clock's jump); end and
// duration empty while an outage is open. Values: first begin kept, first
// begin no longer kept, 1 to keep only one description or 0, that description
// (an empty one also selects rows without any).
inline constexpr char SelectLogForExport[] =
    "select id,time_begin,case when foe=true then time_end end,"
    "case when foe=true then unixepoch(time_end)-unixepoch(time_begin) end,\"desc\",ip from logs "
    "where time_begin>=? and time_begin<? and (?=0 or coalesce(\"desc\",'')=?) order by time_begin,id";
// How many rows that export writes, for its progress. Values: as above.
inline constexpr char CountLogForExport[] =
    "select count(*) from logs where time_begin>=? and time_begin<? and (?=0 or coalesce(\"desc\",'')=?)";
// The log's figures under the listing, in one pass over the table: rows,
// open rows, total and longest duration in seconds of the closed ones
// (null without closed rows).
inline constexpr char SelectLogSummary[] =
    "select count(*),total(foe=false),sum(d),max(d) from "
    "(select foe,case when foe=true then unixepoch(time_end)-unixepoch(time_begin) end as d from logs)";

// --- grapher -----------------------------------------------------------------
inline constexpr char SelectDescriptions[] = "select descript from addrs order by 1";
// The computation folds these rows in memory: it writes nothing, so it never
// competes with the monitor for the shared file.
// Values: desc, period start, period end.
inline constexpr char SelectClosedOutages[] =
    "select time_begin,time_end from logs where foe=true and \"desc\"=? and time_begin>=? and time_end<=?";

// Every statement above, for the test that prepares each one against a real file.
QList<const char *> all();

} // namespace Statements
