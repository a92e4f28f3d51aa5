#pragma once

#include "Availability.h"

#include <QByteArray>
#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace admin {

// The availability of every host of the address book over one period, read
// from the database in one pass over the period's outage rows.
struct HostAvailability
{
    QString address;
    QString description;
    Availability::Figures figures;
};

struct AvailabilityPeriod
{
    Availability::Seconds from = 0;
    Availability::Seconds to = 0;  // exclusive
};

namespace AvailabilityReport {

// What the figures make of the hosts' weekly maintenance windows: time like
// any other, or time set aside, neither up nor down (MaintenanceTime.h).
enum class Maintenance { Counted, SetAside };

// The periods the operator chooses from: the last 24 hours, 7 or 30 days up
// to now; a calendar month or year (the one holding `chosen`); or whole days
// from `from` to `to`, both included.
enum class PeriodKind { Last24Hours, Last7Days, Last30Days, Month, Year, Days };
AvailabilityPeriod period(PeriodKind kind, Availability::Seconds now, const QDate &chosen = {},
                          const QDate &from = {}, const QDate &to = {});
// "01.03.2025 00:00:00 – 01.04.2025 00:00:00" in the operator's formats.
QString periodText(const AvailabilityPeriod &period);

// The book's hosts (an address listed twice once) in address order, IPv4
// before IPv6, each by value (AddressText::sortKey), and their figures; `now` ends a period not over yet. Nothing and *error when a
// statement fails, including on a database the monitor never recorded its
// watched time in. A host's watched time leaves out its own stretches
// without a route (the unrouted table).
// Set aside, the windows are read with the rest (their table too must be
// there).
std::optional<std::vector<HostAvailability>> compute(const QSqlDatabase &db, const AvailabilityPeriod &period,
                                                     Availability::Seconds now, QString *error,
                                                     Maintenance maintenance = Maintenance::Counted);

// The outages of one address as SelectOutagesTouchingByAddress joins them,
// "begin[,end];…", appended to *out in that order.
void appendOutages(QStringView joined, std::vector<Availability::Outage> *out);

// One address's outages touching the period, oldest first, for the listing
// under the figures.
std::optional<std::vector<Availability::Outage>> outagesOf(const QSqlDatabase &db, const QString &ip,
                                                           const AvailabilityPeriod &period, QString *error);

// The file orvant-export writes, CR LF line ends like the outage export:
//   address,description,watched_s,down_s,availability_pct,outages,longest_s,mean_down_s,mtbf_s,unwatched_s
// A figure that does not apply (no watched time, no outage) is empty. With
// the maintenance set aside one more column, maintenance_s, holds the
// watched time set aside; watched_s and unwatched_s then leave it out.
QByteArray csvHeader(Maintenance maintenance = Maintenance::Counted);
QByteArray csvLine(const HostAvailability &host, Maintenance maintenance = Maintenance::Counted);

// The printable report: the period, one table row per host with a small bar
// of its availability. Self-contained HTML, the same text QTextDocument prints.
// With the maintenance set aside it says so under the period and has a
// column of the time set aside. The rows follow `rowOrder` (indices into
// `hosts`, as the window shows them sorted), else the hosts' own order;
// an index out of range is left out.
QString html(const std::vector<HostAvailability> &hosts, const QString &periodText,
             Maintenance maintenance = Maintenance::Counted, const std::vector<size_t> &rowOrder = {});

} // namespace AvailabilityReport

} // namespace admin
