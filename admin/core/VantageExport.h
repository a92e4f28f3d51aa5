#pragma once

#include "OutageExport.h"

#include <QByteArray>
#include <QString>

class QIODevice;

namespace admin {

// Each vantage point's own outages as CSV, by the outage export's rules
// (RFC 4180, UTF-8, CR LF, formulas guarded, written beside its name and
// put in place only when complete):
//
//   vantage,address,description,begin,end,duration_s
//
// The description is the book's (empty for an address no longer in it).
// Vantages store their moments in UTC, since sites may lie in different
// time zones; the file gives them as local time of the exporting machine,
// ISO 8601 like the log's. An outage still open has an empty end and
// duration. Oldest begin first, then by vantage and address. Only a server
// database has vantages: on the file the export refuses.
class VantageExport
{
public:
    using Filter = OutageExport::Filter;  // from/to: outages that began on those days
    using Result = OutageExport::Result;

    static QByteArray headerLine();

    static Result toFile(const QString &path, const Filter &filter, QString *error, qint64 *rows = nullptr,
                         const QString &connectionName = QString());
    static Result toDevice(QIODevice *out, const Filter &filter, QString *error, qint64 *rows = nullptr,
                           const QString &connectionName = QString());
};

} // namespace admin
