#include "OutagePaths.h"

#include "Database.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSqlQuery>
#include <QStringList>

namespace OutagePaths {

namespace {

bool fail(QSqlQuery &query, QString *error)
{
    if (error)
        *error = statementError(query);
    return false;
}

Hop hopOf(const QSqlQuery &q, int first)
{
    Hop h;
    h.number = q.value(first).toInt();
    h.address = q.value(first + 1).toString();
    if (!q.value(first + 2).isNull())
        h.rttUs = q.value(first + 2).toLongLong();
    return h;
}

} // namespace

bool write(QSqlDatabase db, const Path &path, QString *error)
{
    QSqlQuery query(db);
    if (!runStatement(query, Statements::BeginImmediate))
        return fail(query, error);
    for (const Hop &h : path.hops) {
        const QVariant address = h.address.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(h.address);
        const QVariant rtt = h.rttUs ? QVariant(*h.rttUs) : QVariant(QMetaType(QMetaType::LongLong));
        if (!runStatement(query, Statements::InsertOutagePathHop, {path.ip, path.begin, h.number, address, rtt})) {
            const bool failed = fail(query, error);
            QSqlQuery rollback(db);
            runStatement(rollback, Statements::Rollback);
            return failed;
        }
    }
    if (!runStatement(query, Statements::Commit)) {
        const bool failed = fail(query, error);
        QSqlQuery rollback(db);
        runStatement(rollback, Statements::Rollback);
        return failed;
    }
    return true;
}

bool readOpen(QSqlDatabase db, QList<Path> *paths, QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!runStatement(query, Statements::SelectOpenOutagePaths))
        return fail(query, error);
    paths->clear();
    while (query.next()) {
        const QString ip = query.value(0).toString();
        const QString begin = query.value(1).toString();
        if (paths->isEmpty() || paths->last().ip != ip || paths->last().begin != begin)
            paths->append(Path{ip, begin, {}});
        paths->last().hops.append(hopOf(query, 2));
    }
    return true;
}

bool readByIds(QSqlDatabase db, const QVector<qint64> &ids, QHash<qint64, QList<Hop>> *paths, QString *error)
{
    const bool server = Database::dialectOf(db) == Statements::Dialect::Postgres;
    constexpr int Batch = 500;
    for (int start = 0; start < ids.size(); start += Batch) {
        const int end = qMin(int(ids.size()), start + Batch);
        QString list(QLatin1Char(server ? '{' : '['));
        for (int i = start; i < end; ++i) {
            if (i > start)
                list += QLatin1Char(',');
            list += QString::number(ids.at(i));
        }
        list += QLatin1Char(server ? '}' : ']');
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!runStatement(query, Statements::SelectOutagePathsByIds, {list}))
            return fail(query, error);
        while (query.next())
            (*paths)[query.value(0).toLongLong()].append(hopOf(query, 1));
    }
    return true;
}

QString text(const QList<Hop> &hops)
{
    QStringList lines;
    for (const Hop &h : hops) {
        if (h.address.isEmpty())
            lines << QStringLiteral("%1  *").arg(h.number);
        else if (h.rttUs)
            lines << QCoreApplication::translate("OutagePaths", "%1  %2  %3 мс")
                         .arg(h.number)
                         .arg(h.address, QLocale().toString(double(*h.rttUs) / 1000.0, 'f', 1));
        else
            lines << QStringLiteral("%1  %2").arg(h.number).arg(h.address);
    }
    return lines.join(QLatin1Char('\n'));
}

bool readThresholds(QSqlDatabase db, QHash<QString, Thresholds> *thresholds, QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!runStatement(query, Statements::SelectAllRttThresholds))
        return fail(query, error);
    thresholds->clear();
    while (query.next())
        thresholds->insert(query.value(0).toString(), {query.value(1).toInt(), query.value(2).toInt()});
    return true;
}

bool writeThresholds(QSqlDatabase db, const QString &ip, const Thresholds &thresholds, QString *error)
{
    QSqlQuery query(db);
    const bool ok = thresholds == Thresholds{}
                        ? runStatement(query, Statements::DeleteRttThresholds, {ip})
                        : runStatement(query, Statements::UpsertRttThresholds, {ip, thresholds.warnMs, thresholds.badMs});
    return ok || fail(query, error);
}

} // namespace OutagePaths
