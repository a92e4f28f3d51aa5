#include "VantageExport.h"

#include "CsvWriter.h"
#include "Database.h"
#include "VantageRecords.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QIODevice>
#include <QSqlError>
#include <QSqlQuery>

namespace admin {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("admin::VantageExport", text);
}

// The first moment of a local day, as the vantage tables store moments.
QString utcStartOf(const QDate &day)
{
    return VantageRecords::utcText(QDateTime(day, QTime(0, 0)).toSecsSinceEpoch());
}

QString localIso(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

} // namespace

QByteArray VantageExport::headerLine()
{
    return QByteArrayLiteral("vantage,address,description,begin,end,duration_s\r\n");
}

VantageExport::Result VantageExport::toDevice(QIODevice *out, const Filter &filter, QString *error, qint64 *rows,
                                              const QString &connectionName)
{
    const QSqlDatabase db =
        connectionName.isEmpty() ? QSqlDatabase::database() : QSqlDatabase::database(connectionName);
    if (rows)
        *rows = 0;
    if (!VantageRecords::requireServer(db, error))
        return Result::Failed;
    const QString from = filter.from.isValid() ? utcStartOf(filter.from) : QStringLiteral("0000-01-01 00:00:00");
    const QString to = filter.to.isValid() ? utcStartOf(filter.to.addDays(1)) : QStringLiteral("9999-12-31 23:59:59");
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectVantageOutagesForExport, {from, to})) {
        if (error)
            *error = tr("Не удалось прочитать сбои наблюдательных пунктов: %1").arg(statementError(q));
        return Result::Failed;
    }
    CsvLines csv(out, headerLine());
    QByteArray &buffer = csv.line();
    while (q.next()) {
        const std::optional<qint64> begin = VantageRecords::fromUtcText(q.value(3).toString());
        const std::optional<qint64> end =
            q.value(4).isNull() ? std::nullopt : VantageRecords::fromUtcText(q.value(4).toString());
        CsvWriter::appendField(buffer, q.value(0).toString());
        buffer += ',';
        CsvWriter::appendField(buffer, q.value(1).toString());
        buffer += ',';
        CsvWriter::appendField(buffer, q.value(2).toString());
        buffer += ',';
        // A moment not of the stored form (written by hand) goes out as it is.
        CsvWriter::appendField(buffer, begin ? localIso(*begin) : q.value(3).toString());
        buffer += ',';
        if (!q.value(4).isNull())
            CsvWriter::appendField(buffer, end ? localIso(*end) : q.value(4).toString());
        buffer += ',';
        if (begin && end)
            buffer += QByteArray::number(std::max<qint64>(0, *end - *begin));
        if (!csv.endLine(error))
            return Result::Failed;
    }
    if (q.lastError().isValid()) {
        if (error)
            *error = tr("Не удалось прочитать сбои наблюдательных пунктов: %1").arg(statementError(q));
        return Result::Failed;
    }
    if (!csv.finish(error))
        return Result::Failed;
    if (rows)
        *rows = csv.count();
    return Result::Written;
}

VantageExport::Result VantageExport::toFile(const QString &path, const Filter &filter, QString *error, qint64 *rows,
                                            const QString &connectionName)
{
    return OutageExport::writeFile(
        path, [&](QIODevice *out) { return toDevice(out, filter, error, rows, connectionName); }, error);
}

} // namespace admin
