#include "OutageLogModel.h"

#include "OutagePaths.h"

#include "AddressOrder.h"
#include "AlertRecords.h"
#include "Database.h"
#include "DatabaseThread.h"
#include "DateTimeText.h"
#include "DurationText.h"
#include "Failure.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <numeric>
#include <vector>

namespace admin {

// Rows as read, with their own table of distinct texts; put into the
// model's tables on the UI thread (a page's few distinct texts), or taking
// their place whole (a refresh).
struct OutageLogModel::Block
{
    QVector<Row> rows;
    QVector<QString> texts;
    QHash<QString, qint32> textIds;
    QHash<qint64, QString> rawTexts; // key row * ColumnCount + column, rows of this block
    QHash<qint64, StoredMark> marks; // by outage id
    QHash<qint64, QList<OutagePaths::Hop>> paths; // by outage id: the route traced at its begin

    qint32 intern(const QString &text)
    {
        const auto it = textIds.constFind(text);
        if (it != textIds.constEnd())
            return it.value();
        const qint32 id = qint32(texts.size());
        texts.append(text);
        textIds.insert(text, id);
        return id;
    }
    Stamp stamp(const QVariant &value, int row, int column)
    {
        if (value.isNull())
            return NoValue;
        if (const std::optional<DateTimeText::Seconds> seconds = DateTimeText::secondsOfValue(value))
            return *seconds;
        rawTexts.insert(qint64(row) * ColumnCount + column, value.toString());
        return RawText;
    }
    // "select *" read by position: 0 id, 1 time_begin, 2 time_end, 4 ip, 5 desc.
    void add(const QSqlQuery &query)
    {
        const int index = int(rows.size());
        Row row;
        row.id = query.value(0).toLongLong();
        row.begin = stamp(query.value(1), index, TimeBegin);
        row.end = stamp(query.value(2), index, TimeEnd);
        row.ip = intern(query.value(4).toString());
        row.desc = intern(query.value(5).toString());
        rows.append(row);
    }
};

struct OutageLogModel::Page
{
    bool ok = true;
    bool cancelled = false;
    QString error; // with the lost connection noted, as the operator reads it
    Block block;
    bool atEnd = false;
    QVariant lastBegin;
    qint64 lastId = 0;
    std::shared_ptr<const QVector<qint64>> order;
    int nextPosition = 0;
    Version version;
};

namespace {

using Page = OutageLogModel::Page;
using Query = OutageLogModel::Query;
using Block = OutageLogModel::Block;
using Row = OutageLogModel::Row;

bool failPage(Page &page, const QSqlQuery &query, const QSqlDatabase &db)
{
    page.ok = false;
    page.error = statementError(query) + Database::withLossNoted(QString(), db.connectionName());
    return false;
}

bool readVersion(QSqlDatabase db, Page &page)
{
    QSqlQuery query(db);
    if (!runStatement(query, Statements::SelectLogVersion) || !query.next())
        return failPage(page, query, db);
    page.version = {query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2).toLongLong(),
                    query.value(3).toLongLong()};
    // A database without marks (a file opened read-only, older than them)
    // lists its log all the same.
    QSqlQuery marks(db);
    if (runStatement(marks, Statements::CountOutageMarks) && marks.next())
        page.version.marks = marks.value(0).toLongLong();
    return true;
}

// ids [from, to) as SelectLogByIds and SelectOutageMarksByIds take them.
QString idList(const QVector<qint64> &ids, int from, int to, bool server)
{
    QString list;
    list.reserve((to - from) * 8 + 2);
    list += QLatin1Char(server ? '{' : '[');
    for (int i = from; i < to; ++i) {
        if (i > from)
            list += QLatin1Char(',');
        list += QString::number(ids.at(i));
    }
    list += QLatin1Char(server ? '}' : ']');
    return list;
}

constexpr int IdBatch = 500;

QVector<qint64> idsOf(const Block &block)
{
    QVector<qint64> ids;
    ids.reserve(block.rows.size());
    for (const Row &row : block.rows)
        ids.append(row.id);
    return ids;
}

// The marks of the rows just read. Like the marks' count, no failure of
// theirs fails the listing: its rows then go without them.
void readMarks(QSqlDatabase db, Block &block)
{
    if (block.rows.isEmpty())
        return;
    const QVector<qint64> ids = idsOf(block);
    const bool server = Database::dialectOf(db) == Statements::Dialect::Postgres;
    for (int start = 0; start < ids.size(); start += IdBatch) {
        QSqlQuery query(db);
        if (!runStatement(query, Statements::SelectOutageMarksByIds,
                          {idList(ids, start, qMin(int(ids.size()), start + IdBatch), server)}))
            return;
        while (query.next())
            block.marks.insert(query.value(0).toLongLong(), {query.value(1).toString(), query.value(2).toString()});
    }
}

// The paths traced when the rows' outages began. Like the marks, a failure
// (a database older than the paths) leaves the rows without them.
void readPaths(QSqlDatabase db, Block &block)
{
    if (block.rows.isEmpty())
        return;
    const QVector<qint64> ids = idsOf(block);
    QHash<qint64, QList<OutagePaths::Hop>> paths;
    if (OutagePaths::readByIds(db, ids, &paths, nullptr))
        block.paths = std::move(paths);
}

// Newest first, `limit` rows after the given row (none: from the newest).
bool readKeyset(QSqlDatabase db, const QVariant &afterBegin, qint64 afterId, int limit, Page &page)
{
    QSqlQuery query(db);
    const bool ran = afterBegin.isNull()
                         ? runStatement(query, Statements::SelectLogFirstPage, {limit})
                         : runStatement(query, Statements::SelectLogNextPage, {afterBegin, afterId, limit});
    if (!ran)
        return failPage(page, query, db);
    page.lastBegin = afterBegin;
    page.lastId = afterId;
    while (query.next()) {
        page.block.add(query);
        page.lastBegin = query.value(1);
        page.lastId = page.block.rows.constLast().id;
    }
    if (!endedCleanly(query))
        return failPage(page, query, db);
    page.atEnd = page.block.rows.size() < limit;
    readMarks(db, page.block);
    readPaths(db, page.block);
    return true;
}

// The ids the query lists, in its order.
bool readOrder(QSqlDatabase db, const Query &q, const OutageLogModel::Cancel &cancel, Page &page)
{
    const Statements::Statement *statements[] = {&Statements::SelectLogKeyById, &Statements::SelectLogKeyByBegin,
                                                 &Statements::SelectLogKeyByEnd, &Statements::SelectLogKeyByDesc,
                                                 &Statements::SelectLogKeyByIp};
    const int column = qBound(0, q.sortColumn, int(OutageLogModel::ColumnCount) - 1);
    const QString pattern = OutageLogModel::likePattern(q.filter);
    QSqlQuery query(db);
    if (!runStatement(query, *statements[column], {q.filter, pattern, pattern}))
        return failPage(page, query, db);
    struct Key
    {
        qint64 key;
        qint64 id;
    };
    std::vector<Key> keys;
    QVector<QString> texts; // descriptions or addresses, each once
    QHash<QString, qint64> textIds;
    while (query.next()) {
        if ((keys.size() & 4095) == 0 && cancel && cancel->load()) {
            page.ok = false;
            page.cancelled = true;
            return false;
        }
        Key k{0, query.value(0).toLongLong()};
        switch (column) {
        case OutageLogModel::Id:
            k.key = k.id;
            break;
        case OutageLogModel::TimeBegin:
        case OutageLogModel::TimeEnd: {
            const QVariant v = query.value(1);
            // An open outage has no end yet: it sorts after every restored one.
            if (v.isNull())
                k.key = std::numeric_limits<qint64>::max();
            else if (const auto s = DateTimeText::secondsOfValue(v))
                k.key = *s;
            else
                k.key = OutageLogModel::RawText;
            break;
        }
        default: {
            const QString text = query.value(1).toString();
            auto it = textIds.constFind(text);
            if (it == textIds.constEnd()) {
                it = textIds.insert(text, texts.size());
                texts.append(text);
            }
            k.key = it.value();
        }
        }
        keys.push_back(k);
    }
    if (!endedCleanly(query))
        return failPage(page, query, db);
    if (!texts.isEmpty()) {
        // Rank the distinct texts once; rows then sort by rank.
        std::vector<qint64> byText(size_t(texts.size()));
        std::iota(byText.begin(), byText.end(), 0);
        if (column == OutageLogModel::Address)
            std::sort(byText.begin(), byText.end(),
                      [&](qint64 a, qint64 b) { return AddressOrder::less(texts.at(a), texts.at(b)); });
        else
            std::sort(byText.begin(), byText.end(), [&](qint64 a, qint64 b) {
                const int c = QString::localeAwareCompare(texts.at(a), texts.at(b));
                return c != 0 ? c < 0 : texts.at(a) < texts.at(b);
            });
        std::vector<qint64> rank(byText.size());
        for (size_t i = 0; i < byText.size(); ++i)
            rank[size_t(byText[i])] = qint64(i);
        for (Key &k : keys)
            k.key = rank[size_t(k.key)];
    }
    if (q.order == Qt::AscendingOrder)
        std::sort(keys.begin(), keys.end(),
                  [](const Key &a, const Key &b) { return a.key != b.key ? a.key < b.key : a.id < b.id; });
    else
        std::sort(keys.begin(), keys.end(),
                  [](const Key &a, const Key &b) { return a.key != b.key ? a.key > b.key : a.id > b.id; });
    auto order = std::make_shared<QVector<qint64>>();
    order->reserve(qsizetype(keys.size()));
    for (const Key &k : keys)
        order->append(k.id);
    page.order = std::move(order);
    return true;
}

// Rows at positions [from, from + count) of the order, in that order.
bool readByIds(QSqlDatabase db, const QVector<qint64> &order, int from, int count,
               const OutageLogModel::Cancel &cancel, Page &page)
{
    const bool server = Database::dialectOf(db) == Statements::Dialect::Postgres;
    const int end = qMin(int(order.size()), from + count);
    for (int start = from; start < end; start += IdBatch) {
        if (cancel && cancel->load()) {
            page.ok = false;
            page.cancelled = true;
            return false;
        }
        const int stop = qMin(end, start + IdBatch);
        QSqlQuery query(db);
        if (!runStatement(query, Statements::SelectLogByIds, {idList(order, start, stop, server)}))
            return failPage(page, query, db);
        Block batch;
        QHash<qint64, int> at;
        while (query.next()) {
            at.insert(query.value(0).toLongLong(), int(batch.rows.size()));
            batch.add(query);
        }
        if (!endedCleanly(query))
            return failPage(page, query, db);
        // In the order's order; a row deleted meanwhile is left out.
        for (int i = start; i < stop; ++i) {
            const auto it = at.constFind(order.at(i));
            if (it == at.constEnd())
                continue;
            const Row &row = batch.rows.at(it.value());
            const int index = int(page.block.rows.size());
            Row copy = row;
            copy.ip = page.block.intern(batch.texts.at(row.ip));
            copy.desc = page.block.intern(batch.texts.at(row.desc));
            for (int column : {int(OutageLogModel::TimeBegin), int(OutageLogModel::TimeEnd)}) {
                const auto raw = batch.rawTexts.constFind(qint64(it.value()) * OutageLogModel::ColumnCount + column);
                if (raw != batch.rawTexts.constEnd())
                    page.block.rawTexts.insert(qint64(index) * OutageLogModel::ColumnCount + column, raw.value());
            }
            page.block.rows.append(copy);
        }
    }
    page.nextPosition = end;
    page.atEnd = end >= order.size();
    readMarks(db, page.block);
    readPaths(db, page.block);
    return true;
}

// The first `count` rows of the query (at least a page), its version read
// first so that a change made while reading is seen at the next check.
std::shared_ptr<Page> readTop(QSqlDatabase db, const Query &q, int count, const OutageLogModel::Cancel &cancel)
{
    auto page = std::make_shared<Page>();
    if (!readVersion(db, *page))
        return page;
    if (q.isDefault())
        readKeyset(db, QVariant(), 0, count, *page);
    else if (readOrder(db, q, cancel, *page))
        readByIds(db, *page->order, 0, count, cancel, *page);
    return page;
}

} // namespace

OutageLogModel::OutageLogModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

OutageLogModel::~OutageLogModel()
{
    if (m_cancel)
        m_cancel->store(true);
}

QString OutageLogModel::likePattern(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += QLatin1Char('%');
    for (QChar c : text) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    escaped += QLatin1Char('%');
    return escaped;
}

std::shared_ptr<OutageLogModel::Page> OutageLogModel::readFirst(QSqlDatabase db, const Query &query, int pageSize,
                                                                const Cancel &cancel)
{
    return readTop(db, query, pageSize, cancel);
}

void OutageLogModel::run(std::function<std::shared_ptr<Page>(QSqlDatabase)> job,
                         std::function<void(const std::shared_ptr<Page> &)> then)
{
    if (!m_thread) {
        then(job(QSqlDatabase::database(m_connection, false)));
        return;
    }
    m_busy = true;
    const int generation = m_generation;
    m_thread->post(this, std::move(job), [this, generation, then = std::move(then)](std::shared_ptr<Page> page) {
        // A later reload (another filter, another order) makes this answer stale.
        if (generation != m_generation)
            return;
        m_busy = false;
        then(page);
    });
}

void OutageLogModel::startReload()
{
    ++m_generation;
    if (m_cancel)
        m_cancel->store(true);
    m_cancel = std::make_shared<std::atomic_bool>(false);
    m_busy = false;
}

bool OutageLogModel::reload(QString *error)
{
    startReload();
    const Query query = m_query;
    const int pageSize = m_pageSize;
    const Cancel cancel = m_cancel;
    bool ok = true;
    run([query, pageSize, cancel](QSqlDatabase db) { return readTop(db, query, pageSize, cancel); },
        [this, &ok, error, inPlace = !m_thread](const std::shared_ptr<Page> &page) {
            if (page->cancelled)
                return;
            QString failure;
            const bool read = applyFirst(page, &failure);
            if (inPlace) {
                ok = read;
                if (!read && error)
                    *error = failure;
            } else {
                emit loaded(read, failure);
            }
        });
    return ok;
}

bool OutageLogModel::applyFirst(const std::shared_ptr<Page> &page, QString *error)
{
    beginResetModel();
    m_rows.clear();
    m_rows.squeeze();
    m_marks.clear();
    m_paths.clear();
    m_rawTexts.clear();
    m_texts.clear();
    m_textIds.clear();
    m_order.reset();
    m_lastBegin = QVariant();
    m_lastId = 0;
    m_nextPosition = 0;
    m_atEnd = true;
    if (page->ok) {
        replaceAll(std::move(page->block));
        takeCursor(*page);
        m_version = page->version;
    } else if (error) {
        *error = page->error;
    }
    endResetModel();
    return page->ok;
}

void OutageLogModel::takeCursor(const Page &page)
{
    m_atEnd = page.atEnd;
    if (m_query.isDefault()) {
        m_lastBegin = page.lastBegin;
        m_lastId = page.lastId;
    } else {
        if (page.order)
            m_order = page.order;
        m_nextPosition = page.nextPosition;
    }
}

void OutageLogModel::replaceAll(Block &&block)
{
    m_rows = std::move(block.rows);
    m_texts = std::move(block.texts);
    m_textIds = std::move(block.textIds);
    m_rawTexts = std::move(block.rawTexts);
    m_marks = std::move(block.marks);
    m_paths = std::move(block.paths);
}

void OutageLogModel::appendBlock(Block &&block)
{
    const qint64 base = m_rows.size();
    for (Row row : std::as_const(block.rows)) {
        row.ip = intern(block.texts.at(row.ip));
        row.desc = intern(block.texts.at(row.desc));
        m_rows.append(row);
    }
    for (auto it = block.rawTexts.cbegin(); it != block.rawTexts.cend(); ++it)
        m_rawTexts.insert(it.key() + base * ColumnCount, it.value());
    m_marks.insert(block.marks);
    m_paths.insert(block.paths);
}

void OutageLogModel::setFilter(const QString &text)
{
    if (text == m_query.filter)
        return;
    m_query.filter = text;
    QString ignored;
    reload(&ignored);
}

void OutageLogModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount || (column == m_query.sortColumn && order == m_query.order))
        return;
    m_query.sortColumn = column;
    m_query.order = order;
    QString ignored;
    reload(&ignored);
}

void OutageLogModel::checkForChanges()
{
    if (m_busy)
        return;
    const Query query = m_query;
    const int count = qMax(m_pageSize, int(m_rows.size()));
    const Cancel cancel = m_cancel;
    const Version known = m_version;
    run(
        [query, count, cancel, known](QSqlDatabase db) {
            auto probe = std::make_shared<Page>();
            if (!readVersion(db, *probe) || probe->version == known)
                return probe;
            return readTop(db, query, count, cancel);
        },
        [this](const std::shared_ptr<Page> &page) {
            // A failed check says nothing yet: the next action reports it.
            if (!page->ok || page->version == m_version)
                return;
            const int oldCount = int(m_rows.size());
            const int newCount = int(page->block.rows.size());
            if (newCount > oldCount) {
                beginInsertRows(QModelIndex(), oldCount, newCount - 1);
                m_rows.resize(newCount);
                endInsertRows();
            }
            emit layoutAboutToBeChanged();
            const QModelIndexList before = persistentIndexList();
            QVector<qint64> ids;
            ids.reserve(before.size());
            for (const QModelIndex &index : before)
                ids.append(idAt(index.row()));
            replaceAll(std::move(page->block));
            takeCursor(*page);
            m_version = page->version;
            QModelIndexList after;
            after.reserve(before.size());
            for (int i = 0; i < before.size(); ++i) {
                const int row = rowOfId(ids.at(i));
                after.append(row < 0 ? QModelIndex() : createIndex(row, before.at(i).column()));
            }
            // The rows past the new end stay until removed below, as blanks.
            if (newCount < oldCount)
                m_rows.resize(oldCount);
            changePersistentIndexList(before, after);
            emit layoutChanged();
            if (newCount < oldCount) {
                beginRemoveRows(QModelIndex(), newCount, oldCount - 1);
                m_rows.resize(newCount);
                endRemoveRows();
            }
            emit followed();
        });
}

qint64 OutageLogModel::idAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).id : 0;
}

int OutageLogModel::rowOfId(qint64 id) const
{
    if (id <= 0)
        return -1;
    for (int r = 0; r < m_rows.size(); ++r)
        if (m_rows.at(r).id == id)
            return r;
    return -1;
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

QString OutageLogModel::pathText(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return QString();
    const auto it = m_paths.constFind(m_rows.at(row).id);
    return it == m_paths.constEnd() ? QString() : OutagePaths::text(*it);
}

QString OutageLogModel::markText(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return QString();
    const auto it = m_marks.constFind(m_rows.at(row).id);
    return it == m_marks.constEnd() ? QString() : AlertRecords::reasonText(it->reason, it->detail);
}

void OutageLogModel::setShowsMarks(bool shown)
{
    if (shown == m_showsMarks)
        return;
    if (shown) {
        beginInsertColumns(QModelIndex(), Mark, Mark);
        m_showsMarks = true;
        endInsertColumns();
    } else {
        beginRemoveColumns(QModelIndex(), Mark, Mark);
        m_showsMarks = false;
        endRemoveColumns();
    }
}

void OutageLogModel::setShowsDuration(bool shown)
{
    if (shown == m_showsDuration)
        return;
    const int column = ColumnCount + (m_showsMarks ? 1 : 0);
    if (shown) {
        beginInsertColumns(QModelIndex(), column, column);
        m_showsDuration = true;
        endInsertColumns();
    } else {
        beginRemoveColumns(QModelIndex(), column, column);
        m_showsDuration = false;
        endRemoveColumns();
    }
}

QString OutageLogModel::durationText(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return QString();
    const Row &r = m_rows.at(row);
    // Open, or a time not in the stored form: no duration to tell.
    if (r.id == 0 || r.begin == NoValue || r.begin == RawText || r.end == NoValue || r.end == RawText)
        return QString();
    return DurationText::format(r.end - r.begin);
}

int OutageLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int OutageLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount + (m_showsMarks ? 1 : 0) + (m_showsDuration ? 1 : 0);
}

QVariant OutageLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    if (role == Qt::ToolTipRole) {
        // The cell's own text stays first: a narrow column's tooltip is
        // where its whole description is read.
        const QString why = markText(index.row());
        const QString path = pathText(index.row());
        if ((why.isEmpty() && path.isEmpty()) || (m_showsMarks && index.column() == Mark && path.isEmpty()))
            return QVariant();
        QStringList lines;
        const QString text = data(index, Qt::DisplayRole).toString();
        if (!text.isEmpty())
            lines << text;
        if (!why.isEmpty() && !(m_showsMarks && index.column() == Mark))
            lines << tr("Без сигнала: %1").arg(why);
        if (!path.isEmpty())
            lines << tr("Путь в начале отказа:") << path;
        return lines.join(QLatin1Char('\n'));
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    const Row &row = m_rows.at(index.row());
    if (row.id == 0)
        return QString(); // a blank kept for a moment while rows are replaced
    if (index.column() == durationColumn())
        return durationText(index.row());
    switch (index.column()) {
    case Id:
        return QString::number(row.id);
    case TimeBegin:
        return stampText(row.begin, index.row(), TimeBegin);
    case TimeEnd:
        return stampText(row.end, index.row(), TimeEnd);
    case Description:
        return m_texts.value(row.desc);
    case Address:
        return m_texts.value(row.ip);
    case Mark:
        return m_showsMarks ? markText(index.row()) : QVariant();
    default:
        return QVariant();
    }
}

bool OutageLogModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_atEnd && !m_busy;
}

void OutageLogModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || m_atEnd || m_busy)
        return;
    const Query query = m_query;
    const int pageSize = m_pageSize;
    const Cancel cancel = m_cancel;
    const QVariant lastBegin = m_lastBegin;
    const qint64 lastId = m_lastId;
    const std::shared_ptr<const QVector<qint64>> order = m_order;
    const int next = m_nextPosition;
    run(
        [=](QSqlDatabase db) {
            auto page = std::make_shared<Page>();
            if (query.isDefault())
                readKeyset(db, lastBegin, lastId, pageSize, *page);
            else if (order)
                readByIds(db, *order, next, pageSize, cancel, *page);
            else
                page->atEnd = true;
            return page;
        },
        [this](const std::shared_ptr<Page> &page) {
            if (page->cancelled)
                return;
            if (!page->ok) {
                m_atEnd = true;
                emit fetchFailed(page->error);
                return;
            }
            takeCursor(*page);
            if (page->block.rows.isEmpty())
                return;
            const int first = int(m_rows.size());
            beginInsertRows(QModelIndex(), first, first + int(page->block.rows.size()) - 1);
            appendBlock(std::move(page->block));
            endInsertRows();
        });
}

} // namespace admin
