#include "OpenOutages.h"

#include "DateTimeText.h"


namespace monitor {

OpenOutages::OpenOutages(QObject *parent)
    : QObject(parent)
{
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
