#include "LatencyExport.h"

#include "CsvWriter.h"
#include "Database.h"
#include "DateTimeText.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QIODevice>
#include <QSqlError>
#include <QSqlQuery>

namespace admin {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("admin::LatencyExport", text);
}

QSqlDatabase connection(const QString &name)
{
    return name.isEmpty() ? QSqlDatabase::database() : QSqlDatabase::database(name);
}

constexpr char HourFormat[] = "yyyy-MM-dd HH:00:00";
constexpr char DayFormat[] = "yyyy-MM-dd";

struct Cuts
{
    QDateTime dailyEnd;  // daily rows before this
    QDateTime rawStart;  // raw samples from this; hourly rows between
};

// The tiers meet where the finer one begins whole: an hour (a day) of which
// retention already took a part is given by its consolidated row, and the
// finer rows start after it.
bool findCuts(QSqlDatabase db, Cuts *cuts, QString *error)
{
    QSqlQuery raw(db);
    if (!runStatement(raw, Statements::SelectFirstLatencyPassHour)) {
        *error = statementError(raw);
        return false;
    }
    const QDateTime far(QDate(9999, 12, 31), QTime(0, 0));
    cuts->rawStart = far;
    if (raw.next()) {
        const QDateTime at = DateTimeText::toDateTime(raw.value(0).toString());
        const QDateTime hour(at.date(), QTime(at.time().hour(), 0));
        const bool partial = raw.value(1).toInt() == 1 && raw.value(2).toLongLong() < raw.value(3).toLongLong();
        cuts->rawStart = partial ? hour.addSecs(3600) : hour;
    }
    QSqlQuery hourly(db);
    if (!runStatement(hourly, Statements::SelectFirstLatencyHourDay)) {
        *error = statementError(hourly);
        return false;
    }
    cuts->dailyEnd = qMin(cuts->rawStart, far);
    if (hourly.next()) {
        const QString first = hourly.value(0).toString();
        const QDate day = DateTimeText::toDateTime(first).date();
        const bool partial = hourly.value(1).toInt() == 1 && first > hourly.value(2).toString();
        cuts->dailyEnd = QDateTime(partial ? day.addDays(1) : day, QTime(0, 0));
    } else if (cuts->rawStart < far) {
        cuts->dailyEnd = QDateTime(cuts->rawStart.date(), QTime(0, 0));
    }
    // Days are whole: the finer tiers start no earlier than the daily rows end.
    cuts->rawStart = qMax(cuts->rawStart, cuts->dailyEnd);
    return true;
}

void appendOptional(QByteArray &line, const QVariant &us)
{
    line += ',';
    if (!us.isNull())
        line += LatencyExport::milliseconds(us.toLongLong());
}

} // namespace

QByteArray LatencyExport::headerLine()
{
    return QByteArrayLiteral(
        "time,address,description,passes,sent,lost,rtt_min_ms,rtt_median_ms,rtt_p90_ms,rtt_max_ms\r\n");
}

QByteArray LatencyExport::milliseconds(qint64 us)
{
    QByteArray text = QByteArray::number(us / 1000);
    text += '.';
    text += QByteArray::number(us % 1000).rightJustified(3, '0');
    return us < 0 ? QByteArray() : text;
}

LatencyExport::Result LatencyExport::toDevice(QIODevice *out, const Filter &filter, QString *error, qint64 *rows,
                                              const QString &connectionName)
{
    const QSqlDatabase db = connection(connectionName);
    if (rows)
        *rows = 0;
    {
        QSqlQuery tables(db);
        if (!runStatement(tables, Statements::CountLatencyTables) || !tables.next()) {
            if (error)
                *error = tr("Не удалось прочитать задержки: %1").arg(statementError(tables));
            return Result::Failed;
        }
        if (tables.value(0).toInt() == 0) {
            CsvLines header(out, headerLine());
            return header.finish(error) ? Result::Written : Result::Failed;
        }
    }
    Cuts cuts;
    QString why;
    if (!findCuts(db, &cuts, &why)) {
        if (error)
            *error = tr("Не удалось прочитать задержки: %1").arg(why);
        return Result::Failed;
    }
    const QDateTime from = filter.from.isValid() ? QDateTime(filter.from, QTime(0, 0)) : QDateTime(QDate(1, 1, 1), QTime(0, 0));
    const QDateTime to =
        filter.to.isValid() ? QDateTime(filter.to.addDays(1), QTime(0, 0)) : QDateTime(QDate(9999, 12, 31), QTime(0, 0));
    const QVariant hostSet = filter.hostSet ? 1 : 0;
    const QString host = filter.host.isNull() ? QString(QLatin1String("")) : filter.host;

    CsvLines csv(out, headerLine());
    QByteArray &buffer = csv.line();
    struct Part
    {
        const Statements::Statement *statement;
        QDateTime from, to;
        const char *format;
        bool raw;
    };
    const Part parts[] = {
        {&Statements::SelectDailyForExport, from, qMin(to, cuts.dailyEnd), DayFormat, false},
        {&Statements::SelectHourlyForExport, qMax(from, cuts.dailyEnd), qMin(to, cuts.rawStart), HourFormat, false},
        {&Statements::SelectSamplesForExport, qMax(from, cuts.rawStart), to, DateTimeText::Format, true},
    };
    for (const Part &part : parts) {
        if (part.from >= part.to)
            continue;
        QSqlQuery q(db);
        if (!runStatement(q, *part.statement,
                          {hostSet, host, part.from.toString(QLatin1String(part.format)),
                           part.to.toString(QLatin1String(part.format))})) {
            if (error)
                *error = tr("Не удалось прочитать задержки: %1").arg(statementError(q));
            return Result::Failed;
        }
        while (q.next()) {
            QString time = q.value(0).toString();
            if (time.size() == 10)
                time += QLatin1String(" 00:00:00");
            buffer += CsvWriter::field(OutageExport::isoDateTime(time));
            buffer += ',';
            buffer += CsvWriter::field(q.value(1).toString());
            buffer += ',';
            buffer += CsvWriter::field(q.value(2).toString());
            if (part.raw) {
                buffer += ",1,";
                buffer += QByteArray::number(q.value(3).toLongLong());
                buffer += ',';
                buffer += QByteArray::number(q.value(4).toLongLong());
                for (int i = 0; i < 4; ++i)
                    appendOptional(buffer, q.value(5));
            } else {
                for (int i = 3; i < 6; ++i) {
                    buffer += ',';
                    buffer += QByteArray::number(q.value(i).toLongLong());
                }
                for (int i = 6; i < 10; ++i)
                    appendOptional(buffer, q.value(i));
            }
            if (!csv.endLine(error))
                return Result::Failed;
        }
        if (q.lastError().isValid()) {
            if (error)
                *error = tr("Не удалось прочитать задержки: %1").arg(statementError(q));
            return Result::Failed;
        }
    }
    if (!csv.finish(error))
        return Result::Failed;
    if (rows)
        *rows = csv.count();
    return Result::Written;
}

LatencyExport::Result LatencyExport::toFile(const QString &path, const Filter &filter, QString *error, qint64 *rows,
                                            const QString &connectionName)
{
    return OutageExport::writeFile(
        path, [&](QIODevice *out) { return toDevice(out, filter, error, rows, connectionName); }, error);
}

} // namespace admin
