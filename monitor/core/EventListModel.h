#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <deque>

namespace monitor {

// The monitor's event list: the newest line on top, the oldest dropped past
// the cap (the database keeps the history).
//
// Columns follow the window's format string: 0 is hidden, then description,
// time, address and timeout. What a line looks like (its colour) follows from
// its kind, which the view reads in KindRole; notices carry their whole text
// as the tooltip of every cell, since the description column cuts it.
class EventListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EventListModel)

public:
    enum class Kind {
        OutageBegan,    // red
        OutageEnded,    // green
        Notice,         // the monitor's own notices
        DatabaseError,  // a statement failed
    };
    enum Column { HiddenColumn, DescriptionColumn, TimeColumn, AddressColumn, TimeoutColumn, ColumnCount };
    static constexpr int KindRole = Qt::UserRole + 1;

    // The list keeps this many of its newest lines.
    static constexpr int DefaultCap = 10'000;

    explicit EventListModel(QObject *parent = nullptr);

    // A host's line: its description, the time shown, its address and the
    // timeout text.
    void addHostLine(Kind kind, const QString &time, const QString &desc, const QString &ip, const QString &timeout);
    // A line of text alone (a notice or a database error).
    void addTextLine(Kind kind, const QString &time, const QString &text);

    void setCap(int lines);
    int cap() const { return m_cap; }
    Kind kindAt(int row) const { return m_lines.at(size_t(row)).kind; }
    // Adds a note to the tip of the newest line of ip and kind among the
    // first `within` lines (one without a note yet); false: none found.
    bool noteLine(const QString &ip, Kind kind, const QString &note, int within);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Line
    {
        Kind kind;
        QString time;
        QString desc;
        QString ip;
        QString timeout;
        bool wholeTextTip = false;
        QString note;  // why the line rang no alarm
    };
    void prepend(Line line);

    std::deque<Line> m_lines;  // newest first
    int m_cap = DefaultCap;
};

} // namespace monitor
