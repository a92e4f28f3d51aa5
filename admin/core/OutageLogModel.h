#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>
#include <QLocale>
#include <QTime>
#include <QVariant>
#include <QVector>

#include <limits>

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
// Columns: id, time_begin, time_end, desc, ip, shown as plain digits, the
// locale's general date-time form (no time part at exactly midnight), and
// text; an open outage has an empty restoration cell.
class OutageLogModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OutageLogModel)

public:
    enum Column { Id, TimeBegin, TimeEnd, Description, Address, ColumnCount };
    static constexpr int DefaultPageSize = 256;

    explicit OutageLogModel(QObject *parent = nullptr);
    ~OutageLogModel() override;

    void setPageSize(int rows) { m_pageSize = qMax(1, rows); }
    void setLocale(const QLocale &locale) { m_locale = locale; }

    // Forgets every row read and reads the newest page again. On failure the
    // model is empty and *error holds the database's text.
    bool reload(QString *error);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

signals:
    // Reading a later page failed; the model stops asking for more.
    void fetchFailed(const QString &error);

private:
    // A stored date-time as seconds since the start of the Julian day count,
    // parsed once when its page is read: one number instead of a
    // 19-character text per cell keeps a long listing small.
    using Stamp = qint64;
    static constexpr Stamp NoValue = std::numeric_limits<qint64>::min();
    static constexpr Stamp RawText = NoValue + 1; // not of the stored form: text in m_rawTexts
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

    bool readPage(QVector<Row> *rows, QString *error);
    Stamp stamp(const QVariant &value, int row, int column);
    QString stampText(Stamp stamp, int row, int column) const;
    qint32 intern(const QString &text);

    QVector<Row> m_rows;
    QHash<qint64, QString> m_rawTexts; // key row * ColumnCount + column
    QVector<QString> m_texts;
    QHash<QString, qint32> m_textIds;
    QVariant m_lastBegin;
    qint64 m_lastId = 0;
    bool m_atEnd = true;
    int m_pageSize = DefaultPageSize;
    QLocale m_locale = QLocale::system();
};

} // namespace admin
