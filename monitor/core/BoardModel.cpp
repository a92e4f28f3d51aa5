#include "BoardModel.h"

#include "DurationText.h"

#include <QColor>
#include <QCoreApplication>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <limits>

namespace monitor {

namespace {

const char *const Headings[BoardModel::ColumnCount] = {
    QT_TRANSLATE_NOOP("monitor::BoardModel", "Состояние"),
    QT_TRANSLATE_NOOP("monitor::BoardModel", "Описание"),
    QT_TRANSLATE_NOOP("monitor::BoardModel", "Адрес"),
    QT_TRANSLATE_NOOP("monitor::BoardModel", "Задержка, мс"),
    QT_TRANSLATE_NOOP("monitor::BoardModel", "Мин / сред / макс за час, мс"),
    QT_TRANSLATE_NOOP("monitor::BoardModel", "Потери за час"),
    QT_TRANSLATE_NOOP("monitor::BoardModel", "Проверок без ответа"),
    QT_TRANSLATE_NOOP("monitor::BoardModel", "Длительность"),
    QT_TRANSLATE_NOOP("monitor::BoardModel", "Отметки"),
};

QString ms(qint64 us)
{
    // Hundredths below a millisecond and tenths below ten, where a LAN's
    // round trips live.
    if (us < 1'000)
        return QLocale().toString(double(us) / 1000.0, 'f', 2);
    if (us < 10'000)
        return QLocale().toString(double(us) / 1000.0, 'f', 1);
    return QLocale().toString((us + 500) / 1000);
}

// Beyond this many rows added or removed at once the view is told to read
// everything again: cheaper than thousands of single notices.
constexpr int ResetBeyond = 64;

} // namespace

BoardModel::BoardModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

QString BoardModel::statusText(Status status)
{
    switch (status) {
    case Status::Down:
        return QCoreApplication::translate("monitor::BoardModel", "нет соединения");
    case Status::Unwatched:
        return QCoreApplication::translate("monitor::BoardModel", "не наблюдается");
    case Status::Losing:
        return QCoreApplication::translate("monitor::BoardModel", "потери");
    case Status::Slow:
        return QCoreApplication::translate("monitor::BoardModel", "медленно");
    case Status::Up:
        break;
    }
    return QCoreApplication::translate("monitor::BoardModel", "в норме");
}

BoardModel::Thresholds BoardModel::thresholds(const QString &ip) const
{
    return m_thresholds.value(ip, Thresholds{});
}

void BoardModel::addSample(Row &row, qint32 step, const HostInput &in)
{
    if (in.sent <= 0)
        return;
    Step &s = row.steps[size_t(step % Steps)];
    if (s.step != step)
        s = Step{step};
    s.sent = quint16(std::min(0xffff, s.sent + in.sent));
    s.lost = quint16(std::min(0xffff, s.lost + qBound(0, in.lost, in.sent)));
    if (in.rttUs && *in.rttUs >= 0 && s.answered < 0xffff) {
        const quint32 us = quint32(std::min<qint64>(*in.rttUs, 0xffffffffLL));
        if (s.answered == 0 || us < s.minUs)
            s.minUs = us;
        if (s.answered == 0 || us > s.maxUs)
            s.maxUs = us;
        s.sumUs += us;
        ++s.answered;
    }
}

void BoardModel::summarise(Row &row, qint32 step)
{
    row.sent = row.lost = 0;
    row.minUs.reset();
    row.maxUs.reset();
    row.avgUs.reset();
    quint64 sum = 0;
    qint64 answered = 0;
    for (const Step &s : row.steps) {
        if (s.step < 0 || s.step > step || s.step <= step - Steps)
            continue;
        row.sent += s.sent;
        row.lost += s.lost;
        if (s.answered > 0) {
            row.minUs = row.minUs ? std::min<qint64>(*row.minUs, s.minUs) : qint64(s.minUs);
            row.maxUs = row.maxUs ? std::max<qint64>(*row.maxUs, s.maxUs) : qint64(s.maxUs);
            sum += s.sumUs;
            answered += s.answered;
        }
    }
    if (answered > 0)
        row.avgUs = qint64((sum + quint64(answered) / 2) / quint64(answered));
}

BoardModel::Status BoardModel::statusOf(const Row &row) const
{
    if (row.down)
        return Status::Down;
    if (row.unwatched)
        return Status::Unwatched;
    if (row.lost > 0)
        return Status::Losing;
    if (row.lastRttUs && *row.lastRttUs >= qint64(thresholds(row.ip).warnMs) * 1000)
        return Status::Slow;
    return Status::Up;
}

void BoardModel::applyPass(const Pass &pass)
{
    m_now = pass.now;
    m_nowMonoMs = pass.nowMonoMs;
    const qint64 nowMs = pass.nowMonoMs ? *pass.nowMonoMs : pass.now.toMSecsSinceEpoch();
    const qint32 step = qint32(nowMs / (60000 * StepMinutes));

    // Hosts gone from the book, and hosts new to it.
    // Mostly the book is the same, in the same order, as last time: then
    // no set of addresses is made and each host is its own row.
    bool sameBook = pass.hosts.size() == m_rows.size();
    for (size_t i = 0; sameBook && i < m_rows.size(); ++i)
        sameBook = m_rows[i].ip == pass.hosts[i].ip;
    int added = 0;
    std::vector<int> gone;
    if (!sameBook) {
        QSet<QString> named;
        named.reserve(int(pass.hosts.size()));
        for (const HostInput &in : pass.hosts) {
            named.insert(in.ip);
            if (!m_index.contains(in.ip))
                ++added;
        }
        for (int i = 0; i < int(m_rows.size()); ++i)
            if (!named.contains(m_rows[size_t(i)].ip))
                gone.push_back(i);
    }

    const bool reset = m_rows.empty() || added + int(gone.size()) > ResetBeyond;
    if (reset)
        beginResetModel();
    auto reindex = [this] {
        m_index.clear();
        m_index.reserve(int(m_rows.size()));
        for (int i = 0; i < int(m_rows.size()); ++i)
            m_index.insert(m_rows[size_t(i)].ip, i);
    };
    if (!gone.empty()) {
        for (auto it = gone.rbegin(); it != gone.rend(); ++it) {
            if (!reset)
                beginRemoveRows({}, *it, *it);
            m_rows.erase(m_rows.begin() + *it);
            if (!reset)
                endRemoveRows();
        }
        reindex();
    }

    // Each row's first and last changed column (-1: none); the new rows
    // are announced by their insertion instead.
    const int existing = int(m_rows.size());
    std::vector<int> firstColumn(size_t(existing), -1);
    std::vector<int> lastColumn(size_t(existing), -1);
    std::vector<Row> fresh;
    bool renamed = false;
    for (size_t i = 0; i < pass.hosts.size(); ++i) {
        const HostInput &in = pass.hosts[i];
        int found = int(i);
        if (!sameBook)
            found = m_index.value(in.ip, -1);
        const bool isNew = found < 0;
        if (isNew) {
            fresh.emplace_back();
            fresh.back().ip = in.ip;
        }
        Row &row = isNew ? fresh.back() : m_rows[size_t(found)];
        const Status oldStatus = row.status;
        const QString oldDesc = row.desc;
        const auto oldRtt = row.lastRttUs;
        const auto oldMin = row.minUs, oldAvg = row.avgUs, oldMax = row.maxUs;
        const qint64 oldSent = row.sent, oldLost = row.lost;
        const int oldFailed = row.failedPasses, oldMarks = row.marks;
        const bool vantagesChanged = row.vantagesDown != in.vantagesDown;
        const auto oldSinceMono = row.sinceMonoMs;
        const QDateTime oldSince = row.since;

        row.desc = in.desc;
        row.down = in.down;
        row.unwatched = in.unwatched;
        row.sinceMonoMs = in.sinceMonoMs;
        row.since = in.since;
        row.lastRttUs = in.lastRttUs;
        row.failedPasses = in.failedPasses;
        row.marks = in.marks;
        if (vantagesChanged)
            row.vantagesDown = in.vantagesDown;
        addSample(row, step, in);
        summarise(row, step);
        row.status = statusOf(row);
        if (!row.down && row.path.size() && row.pathBegin.isValid())
            row.path.clear();  // the outage it was traced for is over

        if (isNew)
            continue;
        const int r = found;
        auto touch = [&](int column) {
            int &f = firstColumn[size_t(r)];
            int &l = lastColumn[size_t(r)];
            f = f < 0 ? column : std::min(f, column);
            l = std::max(l, column);
        };
        if (row.status != oldStatus)
            touch(State);
        if (row.desc != oldDesc) {
            touch(Description);
            renamed = true;
        }
        if (row.lastRttUs != oldRtt)
            touch(LastRtt);
        if (row.minUs != oldMin || row.avgUs != oldAvg || row.maxUs != oldMax)
            touch(MinAvgMax);
        if (row.sent != oldSent || row.lost != oldLost)
            touch(Loss);
        if (row.failedPasses != oldFailed)
            touch(FailedPasses);
        // A length runs on with the clock.
        if (row.sinceMonoMs || row.since.isValid() || oldSinceMono || oldSince.isValid())
            touch(Duration);
        if (row.marks != oldMarks || vantagesChanged)
            touch(Marks);
    }

    if (!fresh.empty()) {
        const int first = int(m_rows.size());
        if (!reset)
            beginInsertRows({}, first, first + int(fresh.size()) - 1);
        for (Row &r : fresh) {
            m_index.insert(r.ip, int(m_rows.size()));
            m_rows.push_back(std::move(r));
        }
        rerank();  // before the proxy places the new rows
        if (!reset)
            endInsertRows();
    } else if (renamed) {
        rerank();
    }
    if (reset)
        endResetModel();
    else
        emitChanged(firstColumn, lastColumn);
    recount();
}

void BoardModel::rerank()
{
    std::vector<int> order(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::sort(order.begin(), order.end(), [this](int a, int b) {
        const Row &x = m_rows[size_t(a)];
        const Row &y = m_rows[size_t(b)];
        const int c = x.desc.compare(y.desc, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : x.ip < y.ip;
    });
    for (size_t i = 0; i < order.size(); ++i)
        m_rows[size_t(order[i])].rank = int(i);
}

void BoardModel::emitChanged(const std::vector<int> &firstColumn, const std::vector<int> &lastColumn)
{
    // Rows whose state or description changed are told apart from those
    // whose figures did: only the former can move under the default order
    // or the filter, so the figures of 10,000 rows cost no re-sorting.
    const QList<int> keyRoles = {Qt::DisplayRole, Qt::DecorationRole, Qt::BackgroundRole, Qt::ToolTipRole,
                                 SortRole,        StatusRole};
    const QList<int> valueRoles = {Qt::DisplayRole, Qt::BackgroundRole, Qt::ToolTipRole, SortRole};
    const int n = int(firstColumn.size());
    auto runs = [&](auto pick, int lowest, int highest, const QList<int> &roles) {
        int start = -1;
        int lo = highest, hi = lowest;
        for (int r = 0; r <= n; ++r) {
            const bool hit = r < n && pick(r);
            if (hit) {
                if (start < 0)
                    start = r;
                lo = std::min(lo, std::max(lowest, firstColumn[size_t(r)]));
                hi = std::max(hi, std::min(highest, lastColumn[size_t(r)]));
            } else if (start >= 0) {
                emit dataChanged(index(start, lo), index(r - 1, hi), roles);
                start = -1;
                lo = highest;
                hi = lowest;
            }
        }
    };
    auto keyChanged = [&](int r) { return firstColumn[size_t(r)] >= 0 && firstColumn[size_t(r)] <= Description; };
    // Scattered rows that may move are told in one range when there are
    // many: the proxy then re-sorts them in one layout change instead of
    // one each (a hundred hosts going down at once).
    int keyRows = 0, firstKey = -1, lastKey = -1;
    for (int r = 0; r < n; ++r) {
        if (keyChanged(r)) {
            ++keyRows;
            firstKey = firstKey < 0 ? r : firstKey;
            lastKey = r;
        }
    }
    if (keyRows > 8)
        emit dataChanged(index(firstKey, State), index(lastKey, Description), keyRoles);
    else if (keyRows > 0)
        runs(keyChanged, State, Description, keyRoles);
    runs([&](int r) { return lastColumn[size_t(r)] > Address; }, LastRtt, Marks, valueRoles);
}

void BoardModel::recount()
{
    int counts[5] = {};
    int marked[3] = {};
    for (const Row &r : m_rows) {
        ++counts[int(r.status)];
        for (int b = 0; b < 3; ++b)
            if (r.marks & (1 << b))
                ++marked[b];
    }
    if (std::equal(std::begin(counts), std::end(counts), std::begin(m_counts))
        && std::equal(std::begin(marked), std::end(marked), std::begin(m_marked)) && !m_rows.empty())
        return;
    std::copy(std::begin(counts), std::end(counts), std::begin(m_counts));
    std::copy(std::begin(marked), std::end(marked), std::begin(m_marked));
    emit countsChanged();
}

void BoardModel::setThresholds(const QHash<QString, Thresholds> &thresholds)
{
    if (thresholds == m_thresholds)
        return;
    m_thresholds = thresholds;
    std::vector<int> first(m_rows.size(), -1), last(m_rows.size(), -1);
    for (size_t i = 0; i < m_rows.size(); ++i) {
        Row &row = m_rows[i];
        const Status s = statusOf(row);
        if (s != row.status) {
            row.status = s;
            first[i] = State;
        }
        first[i] = first[i] < 0 ? LastRtt : first[i];
        last[i] = LastRtt;
    }
    emitChanged(first, last);
    recount();
}

void BoardModel::setPath(const QString &ip, const QDateTime &begin, const QList<Hop> &hops)
{
    const int r = rowOf(ip);
    if (r < 0)
        return;
    Row &row = m_rows[size_t(r)];
    if (row.pathBegin == begin && row.path == hops)
        return;
    row.pathBegin = begin;
    row.path = hops;
    emit dataChanged(index(r, 0), index(r, ColumnCount - 1), {Qt::ToolTipRole});
}

int BoardModel::count(Status status) const
{
    return m_counts[int(status)];
}

int BoardModel::markedCount(Mark mark) const
{
    switch (mark) {
    case Behind:
        return m_marked[0];
    case Muted:
        return m_marked[1];
    case Maintenance:
        return m_marked[2];
    }
    return 0;
}

QString BoardModel::countsText() const
{
    // "Noun: count" reads right in Russian for any count; the English
    // texts say "3 down" with their own plural forms.
    QStringList parts;
    if (const int n = count(Status::Down))
        parts << QCoreApplication::translate("monitor::BoardModel", "нет соединения: %n", nullptr, n);
    if (const int n = count(Status::Unwatched))
        parts << QCoreApplication::translate("monitor::BoardModel", "не наблюдаются: %n", nullptr, n);
    if (const int n = count(Status::Losing))
        parts << QCoreApplication::translate("monitor::BoardModel", "с потерями: %n", nullptr, n);
    if (const int n = count(Status::Slow))
        parts << QCoreApplication::translate("monitor::BoardModel", "медленных: %n", nullptr, n);
    if (const int n = markedCount(Behind))
        parts << QCoreApplication::translate("monitor::BoardModel", "за упавшим родителем: %n", nullptr, n);
    if (const int n = markedCount(Muted))
        parts << QCoreApplication::translate("monitor::BoardModel", "без звука: %n", nullptr, n);
    if (const int n = markedCount(Maintenance))
        parts << QCoreApplication::translate("monitor::BoardModel", "на обслуживании: %n", nullptr, n);
    const QString hosts = QCoreApplication::translate("monitor::BoardModel", "Узлов: %n", nullptr, rowCount());
    if (parts.isEmpty())
        return hosts;
    return QCoreApplication::translate("monitor::BoardModel", "%1 — %2").arg(hosts, parts.join(QStringLiteral(", ")));
}

int BoardModel::rowOf(const QString &ip) const
{
    return m_index.value(ip, -1);
}

BoardModel::Status BoardModel::status(int row) const
{
    return m_rows[size_t(row)].status;
}

bool BoardModel::matches(int row, const QString &text) const
{
    const Row &r = m_rows[size_t(row)];
    return r.desc.contains(text, Qt::CaseInsensitive) || r.ip.contains(text, Qt::CaseInsensitive);
}

bool BoardModel::lessThan(int a, int b, int column, Qt::SortOrder order) const
{
    const Row &x = m_rows[size_t(a)];
    const Row &y = m_rows[size_t(b)];
    // The proxy asks lessThan(b, a) for a descending order, which turns the
    // column's own order round; the ties are turned back here, so that they
    // always read problems first, then by description and address.
    const bool ascending = order == Qt::AscendingOrder;
    auto figure = [](const std::optional<qint64> &v) {
        return v.value_or(std::numeric_limits<qint64>::max());  // empty figures last
    };
    int c = 0;
    auto cmp = [](auto p, auto q) { return p < q ? -1 : (q < p ? 1 : 0); };
    switch (column) {
    case State:
        c = cmp(int(x.status), int(y.status));
        break;
    case Description:
        c = x.desc.compare(y.desc, Qt::CaseInsensitive);
        break;
    case Address:
        c = x.ip.compare(y.ip);
        break;
    case LastRtt:
        c = cmp(figure(x.lastRttUs), figure(y.lastRttUs));
        break;
    case MinAvgMax:
        c = cmp(figure(x.avgUs), figure(y.avgUs));
        break;
    case Loss:
        c = cmp(x.sent > 0 ? double(x.lost) / double(x.sent) : -1.0, y.sent > 0 ? double(y.lost) / double(y.sent) : -1.0);
        break;
    case FailedPasses:
        c = cmp(x.failedPasses, y.failedPasses);
        break;
    case Duration:
        c = cmp(figure(durationSecs(x)), figure(durationSecs(y)));
        break;
    case Marks:
        c = cmp(x.marks, y.marks);
        break;
    }
    if (c != 0)
        return c < 0;
    c = cmp(int(x.status), int(y.status));
    if (c == 0)
        c = cmp(x.rank, y.rank);
    return ascending ? c < 0 : c > 0;
}

int BoardModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int BoardModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

std::optional<qint64> BoardModel::durationSecs(const Row &row) const
{
    if (row.sinceMonoMs && m_nowMonoMs)
        return std::max<qint64>(0, (*m_nowMonoMs - *row.sinceMonoMs) / 1000);
    if (row.since.isValid() && m_now.isValid())
        return std::max<qint64>(0, row.since.secsTo(m_now));
    return std::nullopt;
}

QVariant BoardModel::display(const Row &row, int column) const
{
    auto tr = [](const char *text) { return QCoreApplication::translate("monitor::BoardModel", text); };
    switch (column) {
    case State:
        return statusText(row.status);
    case Description:
        return row.desc;
    case Address:
        return row.ip;
    case LastRtt:
        return row.lastRttUs ? ms(*row.lastRttUs) : QString();
    case MinAvgMax:
        if (!row.minUs)
            return QString();
        return QStringLiteral("%1 / %2 / %3").arg(ms(*row.minUs), ms(*row.avgUs), ms(*row.maxUs));
    case Loss:
        if (row.sent <= 0)
            return QString();
        return QStringLiteral("%1 %").arg(QLocale().toString(100.0 * double(row.lost) / double(row.sent), 'f', 1));
    case FailedPasses:
        return row.failedPasses;
    case Duration: {
        const auto secs = durationSecs(row);
        if (!secs)
            return QString();
        // Down: how long it has been; up: how long ago the last one ended.
        return row.down ? DurationText::format(*secs) : tr("%1 назад").arg(DurationText::format(*secs));
    }
    case Marks: {
        QStringList marks;
        if (row.marks & Behind)
            marks << tr("за упавшим родителем");
        if (row.marks & Muted)
            marks << tr("без звука");
        if (row.marks & Maintenance)
            marks << tr("обслуживание");
        if (!row.vantagesDown.isEmpty())
            marks << tr("видят недоступным: %1").arg(row.vantagesDown.join(QStringLiteral(", ")));
        return marks.join(QStringLiteral("; "));
    }
    }
    return {};
}

QVariant BoardModel::sortKey(const Row &row, int column) const
{
    // Empty figures sort after every figure.
    constexpr qint64 None = std::numeric_limits<qint64>::max();
    switch (column) {
    case State:
        return int(row.status);
    case Description:
        return row.desc;
    case Address:
        return row.ip;
    case LastRtt:
        return row.lastRttUs.value_or(None);
    case MinAvgMax:
        return row.avgUs.value_or(None);
    case Loss:
        return row.sent > 0 ? double(row.lost) / double(row.sent) : -1.0;
    case FailedPasses:
        return row.failedPasses;
    case Duration:
        return durationSecs(row).value_or(None);
    case Marks:
        return row.marks;
    }
    return {};
}

QString BoardModel::toolTip(const Row &row) const
{
    QString tip = row.desc.isEmpty() ? row.ip : QStringLiteral("%1 (%2)").arg(row.desc, row.ip);
    tip += QLatin1Char('\n') + statusText(row.status);
    if (!row.path.isEmpty()) {
        tip += QLatin1Char('\n')
            + QCoreApplication::translate("monitor::BoardModel", "Путь в начале отказа (%1):")
                  .arg(QLocale().toString(row.pathBegin, QLocale::ShortFormat))
            + QLatin1Char('\n') + OutagePaths::text(row.path);
    }
    return tip;
}

QVariant BoardModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const Row &row = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return display(row, index.column());
    case SortRole:
        return sortKey(row, index.column());
    case StatusRole:
        return int(row.status);
    case AddressRole:
        return row.ip;
    case Qt::ToolTipRole:
        return toolTip(row);
    case Qt::DecorationRole:
        if (index.column() != State)
            return {};
        switch (row.status) {
        case Status::Down:
            return QColor(0xd0, 0x20, 0x20);
        case Status::Unwatched:
            return QColor(0x90, 0x90, 0x90);
        case Status::Losing:
            return QColor(0xe0, 0x80, 0x10);
        case Status::Slow:
            return QColor(0xe0, 0xc0, 0x20);
        case Status::Up:
            return QColor(0x30, 0xa0, 0x40);
        }
        return {};
    case Qt::BackgroundRole:
        if (index.column() == LastRtt && row.lastRttUs) {
            const Thresholds t = thresholds(row.ip);
            if (*row.lastRttUs >= qint64(t.badMs) * 1000)
                return QColor(0xf4, 0xb0, 0xb0);
            if (*row.lastRttUs >= qint64(t.warnMs) * 1000)
                return QColor(0xf8, 0xe8, 0x98);
            return QColor(0xc8, 0xec, 0xc8);
        }
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() >= LastRtt && index.column() <= FailedPasses)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    return {};
}

QVariant BoardModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QCoreApplication::translate("monitor::BoardModel", Headings[section]);
}

BoardFilter::BoardFilter(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(BoardModel::SortRole);
    setFilterRole(BoardModel::StatusRole);
    setDynamicSortFilter(true);
    sort(BoardModel::State, Qt::AscendingOrder);
}

void BoardFilter::setText(const QString &text)
{
    const QString t = text.trimmed();
    if (t == m_text)
        return;
    m_text = t;
    invalidateFilter();
}

void BoardFilter::setOnlyProblems(bool only)
{
    if (only == m_onlyProblems)
        return;
    m_onlyProblems = only;
    invalidateFilter();
}

bool BoardFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const auto *board = static_cast<const BoardModel *>(sourceModel());
    if (m_onlyProblems && board->status(sourceRow) == BoardModel::Status::Up)
        return false;
    return m_text.isEmpty() || board->matches(sourceRow, m_text);
}

bool BoardFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const auto *board = static_cast<const BoardModel *>(sourceModel());
    return board->lessThan(left.row(), right.row(), left.column(), sortOrder());
}

} // namespace monitor
