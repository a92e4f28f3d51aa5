#include "OutageLogModel.h"

#include "Database.h"
#include "Failure.h"
#include "DateTimeText.h"
#include "Statements.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

namespace admin {

OutageLogModel::OutageLogModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

OutageLogModel::~OutageLogModel() = default;

bool OutageLogModel::reload(QString *error)
{
    beginResetModel();
    m_rows.clear();
    m_rows.squeeze();
    m_rawTexts.clear();
    m_texts.clear();
    m_textIds.clear();
    m_lastBegin = QVariant();
    m_lastId = 0;
    m_atEnd = false;
    QVector<Row> page;
    const bool ok = readPage(&page, error);
    if (ok)
        m_rows = std::move(page);
    else
        m_atEnd = true;
    endResetModel();
    return ok;
}

bool OutageLogModel::readPage(QVector<Row> *rows, QString *error)
{
    QSqlQuery query;
    const bool first = m_lastBegin.isNull();
    const bool ran = first ? runStatement(query, Statements::SelectLogFirstPage, {m_pageSize})
                           : runStatement(query, Statements::SelectLogNextPage, {m_lastBegin, m_lastId, m_pageSize});
    if (!ran)
        return failWith(error, statementError(query));
    rows->reserve(m_pageSize);
    const int base = int(m_rows.size());
    while (query.next()) {
        // "select *" read by position: 0 id, 1 time_begin, 2 time_end, 4 ip, 5 desc.
        const int index = base + int(rows->size());
        Row row;
        row.id = query.value(0).toLongLong();
        row.begin = stamp(query.value(1), index, TimeBegin);
        row.end = stamp(query.value(2), index, TimeEnd);
        row.ip = intern(query.value(4).toString());
        row.desc = intern(query.value(5).toString());
        m_lastBegin = query.value(1);
        m_lastId = row.id;
        rows->append(std::move(row));
    }
    if (!endedCleanly(query))
        return failWith(error, statementError(query));
    if (rows->size() < m_pageSize)
        m_atEnd = true;
    return true;
}

OutageLogModel::Stamp OutageLogModel::stamp(const QVariant &value, int row, int column)
{
    if (value.isNull())
        return NoValue;
    if (const std::optional<DateTimeText::Seconds> seconds = DateTimeText::secondsOfValue(value))
        return *seconds;
    m_rawTexts.insert(qint64(row) * ColumnCount + column, value.toString());
    return RawText;
}

QString OutageLogModel::stampText(Stamp s, int row, int column) const
{
    if (s == NoValue)
        return QString();
    if (s == RawText)
        return m_rawTexts.value(qint64(row) * ColumnCount + column);
    // Date and time apart, not a QDateTime: shown as stored (see DateTimeText).
    return DateTimeText::generalText(s, m_locale);
}

qint32 OutageLogModel::intern(const QString &text)
{
    const auto it = m_textIds.constFind(text);
    if (it != m_textIds.constEnd())
        return it.value();
    const qint32 id = qint32(m_texts.size());
    m_texts.append(text);
    m_textIds.insert(text, id);
    return id;
}

int OutageLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int OutageLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OutageLogModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const Row &row = m_rows.at(index.row());
    switch (index.column()) {
    case Id:
        return QString::number(row.id);
    case TimeBegin:
        return stampText(row.begin, index.row(), TimeBegin);
    case TimeEnd:
        return stampText(row.end, index.row(), TimeEnd);
    case Description:
        return m_texts.at(row.desc);
    case Address:
        return m_texts.at(row.ip);
    default:
        return QVariant();
    }
}

bool OutageLogModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_atEnd;
}

void OutageLogModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || m_atEnd)
        return;
    QVector<Row> page;
    QString error;
    if (!readPage(&page, &error)) {
        m_atEnd = true;
        emit fetchFailed(error);
        return;
    }
    if (page.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(page.size()) - 1);
    m_rows.append(page);
    endInsertRows();
}

} // namespace admin
