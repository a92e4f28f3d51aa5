#pragma once

#include "OutageExport.h"

#include <QByteArray>
#include <QString>

class QIODevice;

namespace admin {

// The routes traced when outages began, as CSV by the outage export's rules
// (RFC 4180, UTF-8, CR LF, formulas guarded, put in place only when
// complete), one row per hop:
//
//   outage_id,address,description,begin,hop,hop_address,rtt_ms
//
// A hop that never answered has an empty hop_address and rtt_ms. Ordered by
// outage id, then hop; the filter's days and description select outages as
// the log's export does.
class PathExport
{
public:
    using Filter = OutageExport::Filter;
    using Result = OutageExport::Result;

    static QByteArray headerLine();

    static Result toFile(const QString &path, const Filter &filter, QString *error, qint64 *rows = nullptr,
                         const QString &connectionName = QString());
    static Result toDevice(QIODevice *out, const Filter &filter, QString *error, qint64 *rows = nullptr,
                           const QString &connectionName = QString());
};

} // namespace admin
