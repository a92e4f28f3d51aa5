#include "PathExport.h"

#include "CsvWriter.h"
#include "Database.h"
#include "DateTimeText.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QSqlError>
#include <QSqlQuery>

namespace admin {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("admin::PathExport", text);
}

} // namespace

QByteArray PathExport::headerLine()
{
    return QByteArrayLiteral("outage_id,address,description,begin,hop,hop_address,rtt_ms\r\n");
}

PathExport::Result PathExport::toDevice(QIODevice *out, const Filter &filter, QString *error, qint64 *rows,
                                        const QString &connectionName)
{
    const QSqlDatabase db =
        connectionName.isEmpty() ? QSqlDatabase::database() : QSqlDatabase::database(connectionName);
    if (rows)
        *rows = 0;
    // Days compare as the stored texts' first ten characters.
    const QString from = filter.from.isValid() ? filter.from.toString(Qt::ISODate) : QString();
    const QString to = filter.to.isValid() ? filter.to.toString(Qt::ISODate) : QString();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!runStatement(q, Statements::SelectOutagePathsForExport)) {
        if (error)
            *error = tr("Не удалось прочитать пути сбоев: %1").arg(statementError(q));
        return Result::Failed;
    }
    CsvLines csv(out, headerLine());
    QByteArray &buffer = csv.line();
    while (q.next()) {
        const QString begin = q.value(3).toString();
        const QString day = begin.left(10);
        if ((!from.isEmpty() && day < from) || (!to.isEmpty() && day > to))
            continue;
        if (filter.hostSet && q.value(2).toString() != filter.host)
            continue;
        buffer += QByteArray::number(q.value(0).toLongLong());
        buffer += ',';
        CsvWriter::appendField(buffer, q.value(1).toString());
        buffer += ',';
        CsvWriter::appendField(buffer, q.value(2).toString());
        buffer += ',';
        CsvWriter::appendField(buffer, DateTimeText::toIso8601(begin));
        buffer += ',';
        buffer += QByteArray::number(q.value(4).toInt());
        buffer += ',';
        if (!q.value(5).isNull())
            CsvWriter::appendField(buffer, q.value(5).toString());
        buffer += ',';
        if (!q.value(6).isNull())
            buffer += QByteArray::number(double(q.value(6).toLongLong()) / 1000.0, 'f', 3);
        if (!csv.endLine(error))
            return Result::Failed;
    }
    if (q.lastError().isValid()) {
        if (error)
            *error = tr("Не удалось прочитать пути сбоев: %1").arg(statementError(q));
        return Result::Failed;
    }
    if (!csv.finish(error))
        return Result::Failed;
    if (rows)
        *rows = csv.count();
    return Result::Written;
}

PathExport::Result PathExport::toFile(const QString &path, const Filter &filter, QString *error, qint64 *rows,
                                      const QString &connectionName)
{
    return OutageExport::writeFile(
        path, [&](QIODevice *out) { return toDevice(out, filter, error, rows, connectionName); }, error);
}

} // namespace admin
