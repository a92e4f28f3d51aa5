#pragma once

#include "OutageExport.h"

#include <QString>

class QIODevice;

namespace admin {

// Round trips and loss as CSV, by the outage export's rules (RFC 4180,
// UTF-8, CR LF, ISO local date-times, written beside its name and put in
// place only when complete):
//
//   time,address,description,passes,sent,lost,rtt_min_ms,rtt_median_ms,rtt_p90_ms,rtt_max_ms
//
// Each row is one pass of one host where the raw samples are kept (its one
// round trip fills the four round-trip columns), else that host's hour, else
// its day; the tiers never overlap, so every pass is counted once. Round
// trips are milliseconds with three decimals; empty where nothing was
// answered. Oldest first, then by address.
class LatencyExport
{
public:
    using Filter = OutageExport::Filter;
    using Result = OutageExport::Result;

    static QByteArray headerLine();
    // Microseconds as milliseconds with three decimals, whatever the locale.
    static QByteArray milliseconds(qint64 us);

    static Result toFile(const QString &path, const Filter &filter, QString *error, qint64 *rows = nullptr,
                         const QString &connectionName = QString());
    static Result toDevice(QIODevice *out, const Filter &filter, QString *error, qint64 *rows = nullptr,
                           const QString &connectionName = QString());
};

} // namespace admin
