#include "EventListModel.h"

namespace monitor {

namespace {

// A value's own tab or line break would break the one-line cell.
QString oneLine(QString value)
{
    for (QChar &c : value) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return value;
}

} // namespace

EventListModel::EventListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void EventListModel::addHostLine(Kind kind, const QString &time, const QString &desc, const QString &ip,
                                 const QString &timeout)
{
    prepend({kind, time, oneLine(desc), oneLine(ip), oneLine(timeout), false});
}

void EventListModel::addTextLine(Kind kind, const QString &time, const QString &text)
{
    prepend({kind, time, oneLine(text), QString(), QString(), true});
}

void EventListModel::setCap(int lines)
{
    m_cap = qMax(1, lines);
    if (int(m_lines.size()) > m_cap) {
        beginRemoveRows(QModelIndex(), m_cap, int(m_lines.size()) - 1);
        m_lines.resize(size_t(m_cap));
        endRemoveRows();
    }
}

void EventListModel::prepend(Line line)
{
    if (int(m_lines.size()) >= m_cap) {
        beginRemoveRows(QModelIndex(), m_cap - 1, int(m_lines.size()) - 1);
        m_lines.resize(size_t(m_cap - 1));
        endRemoveRows();
    }
    beginInsertRows(QModelIndex(), 0, 0);
    m_lines.push_front(std::move(line));
    endInsertRows();
}

int EventListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int EventListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant EventListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_lines.size()))
        return {};
    const Line &line = m_lines.at(size_t(index.row()));
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case DescriptionColumn: return line.desc;
        case TimeColumn: return line.time;
        case AddressColumn: return line.ip;
        case TimeoutColumn: return line.timeout;
        default: return QString();
        }
    case Qt::ToolTipRole:
        if (index.column() == HiddenColumn)
            return {};
        if (!line.note.isEmpty()) {
            // A cell's own tip (the whole of a long description) stays first.
            if (line.wholeTextTip)
                return line.desc + QLatin1Char('\n') + line.note;
            return line.note;
        }
        if (line.wholeTextTip)
            return line.desc;
        return {};
    case Qt::TextAlignmentRole:
        if (line.wholeTextTip)
            return {};
        return int(index.column() == DescriptionColumn ? (Qt::AlignLeft | Qt::AlignVCenter)
                                                       : (Qt::AlignLeft | Qt::AlignTop));
    case KindRole:
        return int(line.kind);
    default:
        return {};
    }
}

bool EventListModel::noteLine(const QString &ip, Kind kind, const QString &note, int within)
{
    const int lines = qMin(within, int(m_lines.size()));
    for (int row = 0; row < lines; ++row) {
        Line &line = m_lines[size_t(row)];
        if (line.kind != kind || line.ip != oneLine(ip) || !line.note.isEmpty())
            continue;
        line.note = note;
        emit dataChanged(index(row, DescriptionColumn), index(row, TimeoutColumn), {Qt::ToolTipRole});
        return true;
    }
    return false;
}

} // namespace monitor
