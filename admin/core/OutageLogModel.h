#pragma once

#include "OutagePaths.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>
#include <QLocale>
#include <QSqlDatabase>
#include <QTime>
#include <QVariant>
#include <QVector>

#include <atomic>
#include <functional>
#include <limits>
#include <memory>

class DatabaseThread;

namespace admin {

// The outage log, newest outage first, read a page at a time.
//
// A monitor that has run for years leaves hundreds of thousands of rows, so
// the listing never reads them all: it reads one page when it is (re)loaded
// and the next page whenever the view scrolls to the last row it has
// (canFetchMore/fetchMore). Each page is its own short statement that
// continues after the last row read (keyset paging on time_begin, id), so no
// statement stays open between pages: the monitor's writes and the log
// clearing never wait for the listing, and rows the monitor adds meanwhile
// cannot shift a page.
//
// Filtered (address or description containing a text) or sorted by another
// column, the listing first reads the matching ids with the sorting column
// and orders them itself (addresses in numeric order), then reads the rows a
// page at a time by id.
//
// With a database thread (setDatabase) every statement runs there and pages
// arrive by themselves; without one (tests, tools) they are read in place on
// the connection named by setConnectionName.
//
// Following the database: checkForChanges() reads a cheap version of the log
// (newest and oldest id, the open rows); when it moved, the rows listed so
// far are read again and put in place as one layout change, so selections
// and the current row stay on their outages.
//
// Columns: id, time_begin, time_end, desc, ip, shown as plain digits, the
// locale's general date-time form (no time part at exactly midnight), and
// text; an open outage has an empty restoration cell.
//
// Each page also brings the marks of its outages that rang no alarm (the
// monitor's outage_marks): every cell of such a row says why in its
// tooltip, and setShowsMarks adds a column after the log's own that says it
// in the row. The marks count towards the version, since the monitor writes
// a mark a moment after the row it belongs to. setShowsDuration adds,
// after those, how long each closed outage lasted.
class OutageLogModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OutageLogModel)

public:
    // Mark is shown only on request, after the stored columns; it neither
    // sorts nor filters. The duration's column, also on request, comes
    // after it (see durationColumn()).
    enum Column { Id, TimeBegin, TimeEnd, Description, Address, ColumnCount, Mark = ColumnCount };
    static constexpr int DefaultPageSize = 256;

    // What is listed and in which order.
    struct Query
    {
        QString filter;
        int sortColumn = TimeBegin;
        Qt::SortOrder order = Qt::DescendingOrder;
        // Newest first, unfiltered: the keyset pages over the index.
        bool isDefault() const
        {
            return filter.isEmpty() && sortColumn == TimeBegin && order == Qt::DescendingOrder;
        }
    };
    // What tells whether the log changed.
    struct Version
    {
        qint64 maxId = -1, minId = -1, openCount = -1, openIdSum = -1;
        qint64 marks = -1;  // -1 also where the database keeps none
        bool operator==(const Version &o) const
        {
            return maxId == o.maxId && minId == o.minId && openCount == o.openCount && openIdSum == o.openIdSum
                && marks == o.marks;
        }
        bool operator!=(const Version &o) const { return !(*this == o); }
    };
    using Cancel = std::shared_ptr<std::atomic_bool>;

    // Rows read on the database thread, in the model's compact form.
    struct Block;
    // One answer of the database thread: rows and where to continue.
    struct Page;

    explicit OutageLogModel(QObject *parent = nullptr);
    ~OutageLogModel() override;

    void setPageSize(int rows) { m_pageSize = qMax(1, rows); }
    void setLocale(const QLocale &locale) { m_locale = locale; }
    void setDatabase(DatabaseThread *thread) { m_thread = thread; }
    void setConnectionName(const QString &name) { m_connection = name; }

    // Forgets every row read and reads the first page again. In place: on
    // failure the model is empty and *error holds the database's text. With
    // a database thread: returns true at once; loaded() tells the outcome.
    bool reload(QString *error);
    // The first page of the current query, read on `db` (any thread).
    static std::shared_ptr<Page> readFirst(QSqlDatabase db, const Query &query, int pageSize, const Cancel &cancel);
    // Puts a page read by readFirst in place of everything listed.
    bool applyFirst(const std::shared_ptr<Page> &page, QString *error);

    Query query() const { return m_query; }
    // Lists only outages whose address or description holds `text`
    // (reloads).
    void setFilter(const QString &text);
    // The same without reading: the next reload lists it.
    void setFilterText(const QString &text) { m_query.filter = text; }
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Reads the log's version; when it moved since the rows were read, reads
    // them again (see the class comment). Nothing while a read is running.
    void checkForChanges();
    bool isBusy() const { return m_busy; }

    qint64 idAt(int row) const;
    int rowOfId(qint64 id) const;

    // Why the outage of `row` rang no alarm, in the operator's words; empty
    // when it rang (or was never weighed).
    QString markText(int row) const;
    // The route traced when the row's outage began, one hop a line; empty: none.
    QString pathText(int row) const;
    // The column of those reasons after the log's own (off: the listing as
    // it always was).
    void setShowsMarks(bool shown);
    bool showsMarks() const { return m_showsMarks; }
    // How long each closed outage lasted (empty while open), after the
    // reasons when they are shown; it does not sort either.
    void setShowsDuration(bool shown);
    bool showsDuration() const { return m_showsDuration; }
    // Where the duration is shown; -1 while it is not.
    int durationColumn() const { return m_showsDuration ? ColumnCount + (m_showsMarks ? 1 : 0) : -1; }
    QString durationText(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // The LIKE pattern that finds `text` anywhere.
    static QString likePattern(const QString &text);

signals:
    // A reload through the database thread ended.
    void loaded(bool ok, const QString &error);
    // Reading a later page failed; the model stops asking for more.
    void fetchFailed(const QString &error);
    // Changed rows were put in place by checkForChanges.
    void followed();

public:
    using Stamp = qint64;
    static constexpr Stamp NoValue = std::numeric_limits<qint64>::min();
    static constexpr Stamp RawText = NoValue + 1; // not of the stored form: text in rawTexts
    // 32 bytes a row: texts are indices into one table of distinct texts,
    // since addresses and descriptions repeat on nearly every row.
    struct Row
    {
        qint64 id = 0;
        Stamp begin = NoValue;
        Stamp end = NoValue;
        qint32 desc = 0;
        qint32 ip = 0;
    };
    // A mark as stored: the reason's name and its detail.
    struct StoredMark
    {
        QString reason;
        QString detail;
    };

private:
    void run(std::function<std::shared_ptr<Page>(QSqlDatabase)> job,
             std::function<void(const std::shared_ptr<Page> &)> then);
    void appendBlock(Block &&block);
    void replaceAll(Block &&block);
    void takeCursor(const Page &page);
    QString stampText(Stamp stamp, int row, int column) const;
    qint32 intern(const QString &text);
    void startReload();

    QVector<Row> m_rows;
    QHash<qint64, StoredMark> m_marks; // by outage id: few outages have one
    QHash<qint64, QList<OutagePaths::Hop>> m_paths; // by outage id: the route traced at its begin
    bool m_showsMarks = false;
    bool m_showsDuration = false;
    QHash<qint64, QString> m_rawTexts; // key row * ColumnCount + column
    QVector<QString> m_texts;
    QHash<QString, qint32> m_textIds;
    // Where the next page starts: keyset (default query) or a position in
    // the ordered ids.
    QVariant m_lastBegin;
    qint64 m_lastId = 0;
    std::shared_ptr<const QVector<qint64>> m_order;
    int m_nextPosition = 0;
    bool m_atEnd = true;
    bool m_busy = false;
    int m_generation = 0;
    Cancel m_cancel;
    Version m_version;
    Query m_query;
    int m_pageSize = DefaultPageSize;
    QLocale m_locale = QLocale::system();
    DatabaseThread *m_thread = nullptr;
    QString m_connection = QLatin1String(QSqlDatabase::defaultConnection);
};

} // namespace admin
