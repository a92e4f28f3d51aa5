#include "OutageExport.h"

#include "CsvWriter.h"
#include "SafeFile.h"

#include "Database.h"
#include "DateTimeText.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace admin {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("admin::OutageExport", text);
}

QSqlDatabase connection(const QString &name)
{
    return name.isEmpty() ? QSqlDatabase::database() : QSqlDatabase::database(name);
}

// Bounds as stored texts: every stored begin is >= "" and < "9999-12-31 24".
QVariantList filterValues(const OutageExport::Filter &filter)
{
    const QString from = filter.from.isValid() ? DateTimeText::fromDateTime(QDateTime(filter.from, QTime(0, 0)))
                                               : QString(QLatin1String(""));
    const QString to = filter.to.isValid() ? DateTimeText::fromDateTime(QDateTime(filter.to.addDays(1), QTime(0, 0)))
                                           : QStringLiteral("9999-12-31 24");
    // A null text would bind as NULL and match nothing.
    const QString host = filter.host.isNull() ? QString(QLatin1String("")) : filter.host;
    return {from, to, filter.hostSet ? 1 : 0, host};
}

using CsvWriter::appendField;

} // namespace

QByteArray OutageExport::headerLine(bool marks)
{
    return marks ? QByteArrayLiteral("id,begin,end,duration_s,description,address,quiet_reason,quiet_detail\r\n")
                 : QByteArrayLiteral("id,begin,end,duration_s,description,address\r\n");
}

QByteArray OutageExport::field(const QString &text)
{
    return CsvWriter::field(text);
}

QString OutageExport::isoDateTime(const QString &stored)
{
    // The stored form differs from ISO 8601 only in the separator. Checked
    // by its shape, not parsed: a parse per cell would be most of the
    // export's time on a large log.
    static const QString shape = QStringLiteral("dddd-dd-dd dd:dd:dd");
    bool stored19 = stored.size() == shape.size();
    for (qsizetype i = 0; stored19 && i < shape.size(); ++i) {
        const QChar c = stored.at(i);
        stored19 = shape.at(i) == QLatin1Char('d') ? (c >= QLatin1Char('0') && c <= QLatin1Char('9')) : c == shape.at(i);
    }
    if (stored19) {
        QString iso = stored;
        iso[10] = QLatin1Char('T');
        return iso;
    }
    return stored;
}

qint64 OutageExport::count(const Filter &filter, QString *error, const QString &connectionName)
{
    QSqlQuery query(connection(connectionName));
    if (!runStatement(query, Statements::CountLogForExport, filterValues(filter)) || !query.next()) {
        if (error)
            *error = statementError(query);
        return -1;
    }
    return query.value(0).toLongLong();
}

OutageExport::Result OutageExport::toDevice(QIODevice *out, const Filter &filter, const Progress &progress,
                                            QString *error, qint64 *rows, const QString &connectionName)
{
    if (rows)
        *rows = 0;
    QSqlQuery query(connection(connectionName));
    if (!runStatement(query, filter.marks ? Statements::SelectLogForExportWithMarks : Statements::SelectLogForExport,
                      filterValues(filter))) {
        if (error)
            *error = tr("Не удалось прочитать журнал: %1").arg(statementError(query));
        return Result::Failed;
    }
    CsvLines csv(out, headerLine(filter.marks));
    QByteArray &buffer = csv.line();
    while (query.next()) {
        buffer += QByteArray::number(query.value(0).toLongLong());
        buffer += ',';
        appendField(buffer, isoDateTime(query.value(1).toString()));
        buffer += ',';
        appendField(buffer, isoDateTime(query.value(2).toString()));
        buffer += ',';
        const QVariant duration = query.value(3);
        if (!duration.isNull())
            buffer += QByteArray::number(duration.toLongLong());
        buffer += ',';
        appendField(buffer, query.value(4).toString());
        buffer += ',';
        appendField(buffer, query.value(5).toString());
        if (filter.marks) {
            buffer += ',';
            appendField(buffer, query.value(6).toString());
            buffer += ',';
            appendField(buffer, query.value(7).toString());
        }
        if (!csv.endLine(error))
            return Result::Failed;
        if (csv.count() % ProgressStep == 0 && progress && !progress(csv.count())) {
            if (rows)
                *rows = csv.count();
            return Result::Cancelled;
        }
    }
    if (query.lastError().isValid()) {
        if (error)
            *error = tr("Не удалось прочитать журнал: %1").arg(statementError(query));
        return Result::Failed;
    }
    if (!csv.finish(error))
        return Result::Failed;
    if (rows)
        *rows = csv.count();
    if (progress)
        progress(csv.count());
    return Result::Written;
}

OutageExport::Result OutageExport::writeFile(const QString &path, const std::function<Result(QIODevice *)> &write,
                                             QString *error)
{
    // A device or a pipe (/dev/null, /dev/stdout) is written in place;
    // a regular file is put in place once complete.
    SafeFile file(path);
    QString why;
    if (!file.open(&why)) {
        if (error)
            *error = tr("Не удалось создать файл %1: %2").arg(path, why);
        return Result::Failed;
    }
    const Result result = write(file.device());
    if (result != Result::Written) {
        file.cancel();
        return result;
    }
    if (!file.commit(&why)) {
        if (error)
            *error = tr("Не удалось записать файл %1: %2").arg(path, why);
        return Result::Failed;
    }
    return Result::Written;
}

OutageExport::Result OutageExport::toFile(const QString &path, const Filter &filter, const Progress &progress,
                                          QString *error, qint64 *rows, const QString &connectionName)
{
    return writeFile(
        path, [&](QIODevice *out) { return toDevice(out, filter, progress, error, rows, connectionName); }, error);
}

} // namespace admin
