#pragma once

#include "OutagePaths.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace monitor {

// One row per address of the book: what the last pass left of it, the
// round trips and loss of the last hour, and the marks that keep its alarm
// quiet. Fed a pass at a time (BoardFeed builds the input from the host
// state and the pass report); it never reads the database.
//
// A pass changes only the cells whose text or colour changed, row runs at
// a time, so a view over 10,000 rows redraws what moved, and a sorting
// proxy re-sorts only rows whose sort key changed.
class BoardModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoardModel)

public:
    enum Column {
        State,
        Description,
        Address,
        LastRtt,
        MinAvgMax,
        Loss,
        FailedPasses,
        Duration,
        Marks,
        ColumnCount
    };
    // Problems first: the order of the default sort.
    enum class Status { Down, Unwatched, Losing, Slow, Up };
    enum Mark { Behind = 1, Muted = 2, Maintenance = 4 };

    // The round trip from which a host counts as slow (warn) and as very
    // slow (bad) unless the book gives it thresholds of its own.
    static constexpr int DefaultWarnMs = OutagePaths::DefaultWarnMs;
    static constexpr int DefaultBadMs = OutagePaths::DefaultBadMs;
    // How far back the minimum, average, maximum and loss reach.
    static constexpr qint64 WindowMs = 3600 * 1000;  // (in steps of StepMinutes)

    static constexpr int SortRole = Qt::UserRole + 1;
    static constexpr int StatusRole = Qt::UserRole + 2;  // int(Status)
    static constexpr int AddressRole = Qt::UserRole + 3;

    using Thresholds = OutagePaths::Thresholds;

    // One host as a pass leaves it.
    struct HostInput
    {
        QString ip;
        QString desc;
        bool down = false;
        bool unwatched = false;
        // Down: when the outage began; up: when the last outage ended.
        // Monotonic milliseconds where the moment fell in this run, else
        // the wall clock's.
        std::optional<qint64> sinceMonoMs;
        QDateTime since;
        std::optional<qint64> lastRttUs;
        int failedPasses = 0;
        // This pass's echo attempts (none when it did not probe the host).
        int sent = 0;
        int lost = 0;
        std::optional<qint64> rttUs;
        int marks = 0;  // Mark bits
        // Several vantage points: the live ones that find the host silent
        // (always empty for a plain monitor).
        QStringList vantagesDown;
    };

    struct Pass
    {
        QDateTime now;
        std::optional<qint64> nowMonoMs;
        // Every host of the book; hosts it does not name leave the board.
        std::vector<HostInput> hosts;
    };

    using Hop = OutagePaths::Hop;

    explicit BoardModel(QObject *parent = nullptr);

    void applyPass(const Pass &pass);
    // Per-host thresholds (absent: the defaults). Colours change at once.
    void setThresholds(const QHash<QString, Thresholds> &thresholds);
    Thresholds thresholds(const QString &ip) const;
    // The route traced when the host's current outage began, for its tooltip.
    void setPath(const QString &ip, const QDateTime &begin, const QList<Hop> &hops);

    // "200 hosts: 3 down, 2 losing, 1 muted" (parts that are zero left out).
    QString countsText() const;
    int count(Status status) const;
    int markedCount(Mark mark) const;
    int rowOf(const QString &ip) const;
    Status status(int row) const;
    // Whether row a sorts before row b by column (ties: problems first, then
    // description and address, in the direction given). Straight on the
    // rows, no QVariant: the proxy calls it some 10^5 times to place a
    // hundred moved rows among 10,000.
    bool lessThan(int a, int b, int column, Qt::SortOrder order) const;
    // Whether the row's description or address holds text (no case).
    bool matches(int row, const QString &text) const;

    static QString statusText(Status status);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    void countsChanged();

private:
    // Five minutes of round trips: the window is kept as sums per step in a
    // ring inside the row, so a host costs the same few hundred bytes
    // however often the passes run, and nothing is allocated per pass. The
    // figures cover the step now under way and the twelve before it (an
    // hour, give or take the step).
    static constexpr int StepMinutes = 5;
    static constexpr int Steps = 13;
    struct Step
    {
        qint32 step = -1;  // minutes since the clock's zero / StepMinutes; -1: empty
        quint16 sent = 0;
        quint16 lost = 0;
        quint16 answered = 0;
        quint32 minUs = 0;
        quint32 maxUs = 0;
        quint64 sumUs = 0;
    };
    struct Row
    {
        QString ip;
        QString desc;
        Status status = Status::Up;
        bool down = false;
        bool unwatched = false;
        std::optional<qint64> sinceMonoMs;
        QDateTime since;
        std::optional<qint64> lastRttUs;
        int failedPasses = 0;
        int marks = 0;
        QStringList vantagesDown;
        std::array<Step, Steps> steps{};
        // The window's figures, as of the last pass.
        qint64 sent = 0;
        qint64 lost = 0;
        std::optional<qint64> minUs;
        std::optional<qint64> avgUs;
        std::optional<qint64> maxUs;
        QDateTime pathBegin;
        QList<Hop> path;
        // Its place among all rows by description, then address: ties are
        // decided by this number instead of comparing texts.
        int rank = 0;
    };
    void rerank();

    void addSample(Row &row, qint32 step, const HostInput &in);
    void summarise(Row &row, qint32 step);
    Status statusOf(const Row &row) const;
    std::optional<qint64> durationSecs(const Row &row) const;
    QVariant display(const Row &row, int column) const;
    QVariant sortKey(const Row &row, int column) const;
    QString toolTip(const Row &row) const;
    void recount();
    void emitChanged(const std::vector<int> &firstColumn, const std::vector<int> &lastColumn);

    std::vector<Row> m_rows;
    QHash<QString, int> m_index;
    QHash<QString, Thresholds> m_thresholds;
    QDateTime m_now;
    std::optional<qint64> m_nowMonoMs;
    int m_counts[5] = {};
    int m_marked[3] = {};
};

// The board's order and filter: problems first (then description and
// address) until the operator sorts by a column; the filter box matches
// the description or the address; "only problems" hides hosts that are up.
class BoardFilter final : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoardFilter)

public:
    explicit BoardFilter(QObject *parent = nullptr);

    void setText(const QString &text);
    QString text() const { return m_text; }
    void setOnlyProblems(bool only);
    bool onlyProblems() const { return m_onlyProblems; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    QString m_text;
    bool m_onlyProblems = false;
};

} // namespace monitor
