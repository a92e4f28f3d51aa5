#include "OpenOutages.h"

#include "Database.h"
#include "DateTimeText.h"
#include "Statements.h"

#include <QSqlQuery>

namespace monitor {

OpenOutages::OpenOutages(QObject *parent)
    : QObject(parent)
{
}

bool OpenOutages::read(QSqlDatabase db, QList<OpenOutage> *rows, QString *error, QSqlError *failure)
{
    QSqlQuery query(db);
    if (!runStatement(query, Statements::SelectOpenOutagesForReport)) {
        if (error)
            *error = statementError(query);
        if (failure)
            *failure = query.lastError();
        return false;
    }
    QList<OpenOutage> read;
    while (query.next())
        read.append({query.value(1).toString(), query.value(2).toString(), query.value(0)});
    if (query.lastError().isValid()) {
        if (error)
            *error = statementError(query);
        if (failure)
            *failure = query.lastError();
        return false;
    }
    *rows = read;
    return true;
}

void OpenOutages::reset(const QList<OpenOutage> &rows, const QList<OutageWrite> &waiting)
{
    m_rows = rows;
    for (const OutageWrite &w : waiting)
        applyQuietly(w);
    m_known = true;
    emit changed();
    emit reread();
}

void OpenOutages::apply(const OutageWrite &w)
{
    if (applyQuietly(w))
        emit changed();
}

bool OpenOutages::applyQuietly(const OutageWrite &w)
{
    if (w.kind == OutageWrite::Begin) {
        if (isOpen(w.ip))
            return false;
        m_rows.append({w.ip, w.desc, DateTimeText::fromDateTime(w.at)});
        return true;
    }
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).ip == w.ip) {
            m_rows.removeAt(i);
            return true;
        }
    }
    return false;
}

bool OpenOutages::isOpen(const QString &ip) const
{
    for (const OpenOutage &row : m_rows) {
        if (row.ip == ip)
            return true;
    }
    return false;
}

} // namespace monitor
