// The board's model and its order and filter, without any widget: passes
// handed in as the feed builds them, rows read back through the proxy.
#include "BoardFeed.h"
#include "BoardModel.h"
#include "HostState.h"
#include "PassReport.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace monitor;
using namespace Qt::Literals::StringLiterals;

namespace {

const QDateTime Noon(QDate(2026, 3, 2), QTime(12, 0, 0));

BoardModel::HostInput up(const QString &ip, const QString &desc, qint64 rttUs, int sent = 1, int lost = 0)
{
    BoardModel::HostInput h;
    h.ip = ip;
    h.desc = desc;
    h.sent = sent;
    h.lost = lost;
    h.rttUs = rttUs;
    h.lastRttUs = rttUs;
    return h;
}

BoardModel::HostInput down(const QString &ip, const QString &desc, qint64 sinceMonoMs, int failed = 1)
{
    BoardModel::HostInput h;
    h.ip = ip;
    h.desc = desc;
    h.down = true;
    h.sent = 4;
    h.lost = 4;
    h.failedPasses = failed;
    h.sinceMonoMs = sinceMonoMs;
    return h;
}

BoardModel::Pass pass(qint64 monoMs, std::vector<BoardModel::HostInput> hosts)
{
    BoardModel::Pass p;
    p.now = Noon.addMSecs(monoMs);
    p.nowMonoMs = monoMs;
    p.hosts = std::move(hosts);
    return p;
}

// The addresses in the proxy's order.
QStringList order(const QAbstractItemModel &m)
{
    QStringList ips;
    for (int r = 0; r < m.rowCount(); ++r)
        ips << m.index(r, BoardModel::Address).data().toString();
    return ips;
}

} // namespace

class tst_BoardModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void problemsFirstThenByDescription();
    void sortsByAnyColumnWithEmptyFiguresLast();
    void filterTextAndOnlyProblems();
    void countsInTheHeader();
    void roundTripColoursFollowThresholds();
    void lastHourFiguresForgetOlderMinutes();
    void bookChangesAddAndRemoveRows();
    void figuresOnlyChangeNoResort();
    void feedBuildsRowsFromTheHostState();
    void pathInTheRowTooltipWhileTheOutageLasts();
};

void tst_BoardModel::problemsFirstThenByDescription()
{
    BoardModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    BoardFilter proxy;
    proxy.setSourceModel(&model);
    model.applyPass(pass(60'000, {up(u"192.0.2.1"_s, u"b-up"_s, 1000), up(u"192.0.2.2"_s, u"a-up"_s, 2000),
                                  up(u"192.0.2.3"_s, u"slow"_s, 250'000), up(u"192.0.2.4"_s, u"lossy"_s, 1000, 3, 2),
                                  down(u"192.0.2.5"_s, u"dead"_s, 0)}));
    QCOMPARE(order(proxy),
             QStringList({u"192.0.2.5"_s, u"192.0.2.4"_s, u"192.0.2.3"_s, u"192.0.2.2"_s, u"192.0.2.1"_s}));
    QCOMPARE(proxy.index(0, BoardModel::State).data().toString(), BoardModel::statusText(BoardModel::Status::Down));
    QCOMPARE(proxy.index(0, BoardModel::Duration).data().toString(), QStringLiteral("1 мин"));

    // A host coming back leaves the top; one going down takes it.
    model.applyPass(pass(120'000, {up(u"192.0.2.1"_s, u"b-up"_s, 1000), down(u"192.0.2.2"_s, u"a-up"_s, 120'000),
                                   up(u"192.0.2.3"_s, u"slow"_s, 250'000), up(u"192.0.2.4"_s, u"lossy"_s, 1000),
                                   up(u"192.0.2.5"_s, u"dead"_s, 1000)}));
    QCOMPARE(order(proxy).first(), QStringLiteral("192.0.2.2"));
    // Still losing: the last hour holds its two lost echoes, and the one
    // that came back has four.
    QCOMPARE(model.status(model.rowOf(u"192.0.2.4"_s)), BoardModel::Status::Losing);
    QCOMPARE(model.status(model.rowOf(u"192.0.2.5"_s)), BoardModel::Status::Losing);
}

void tst_BoardModel::sortsByAnyColumnWithEmptyFiguresLast()
{
    BoardModel model;
    BoardFilter proxy;
    proxy.setSourceModel(&model);
    model.applyPass(pass(60'000, {up(u"192.0.2.1"_s, u"x"_s, 30'000), up(u"192.0.2.2"_s, u"y"_s, 5'000),
                                  down(u"192.0.2.3"_s, u"z"_s, 0), up(u"192.0.2.4"_s, u"w"_s, 900)}));
    proxy.sort(BoardModel::LastRtt, Qt::AscendingOrder);
    QCOMPARE(order(proxy), QStringList({u"192.0.2.4"_s, u"192.0.2.2"_s, u"192.0.2.1"_s, u"192.0.2.3"_s}));
    proxy.sort(BoardModel::Description, Qt::DescendingOrder);
    QCOMPARE(order(proxy), QStringList({u"192.0.2.3"_s, u"192.0.2.2"_s, u"192.0.2.1"_s, u"192.0.2.4"_s}));
    proxy.sort(BoardModel::Address, Qt::AscendingOrder);
    QCOMPARE(order(proxy), QStringList({u"192.0.2.1"_s, u"192.0.2.2"_s, u"192.0.2.3"_s, u"192.0.2.4"_s}));
    // Figures sort as numbers, not as texts (u"900"_s after u"30"_s).
    proxy.sort(BoardModel::MinAvgMax, Qt::AscendingOrder);
    QCOMPARE(order(proxy).first(), QStringLiteral("192.0.2.4"));
}

void tst_BoardModel::filterTextAndOnlyProblems()
{
    BoardModel model;
    BoardFilter proxy;
    proxy.setSourceModel(&model);
    model.applyPass(pass(60'000, {up(u"192.0.2.1"_s, u"Склад"_s, 1000), up(u"198.51.100.7"_s, u"Office router"_s, 1000),
                                  down(u"192.0.2.9"_s, u"Склад, камера"_s, 0), up(u"192.0.2.10"_s, u"slow"_s, 300'000)}));
    proxy.setText(QStringLiteral("склад"));
    QCOMPARE(order(proxy), QStringList({u"192.0.2.9"_s, u"192.0.2.1"_s}));
    proxy.setText(QStringLiteral("51.100"));
    QCOMPARE(order(proxy), QStringList({u"198.51.100.7"_s}));
    proxy.setText(QString());
    proxy.setOnlyProblems(true);
    QCOMPARE(order(proxy), QStringList({u"192.0.2.9"_s, u"192.0.2.10"_s}));
    // A host that goes down shows up under u"only problems"_s by itself.
    model.applyPass(pass(120'000, {up(u"192.0.2.1"_s, u"Склад"_s, 1000), down(u"198.51.100.7"_s, u"Office router"_s, 120'000),
                                   down(u"192.0.2.9"_s, u"Склад, камера"_s, 0), up(u"192.0.2.10"_s, u"slow"_s, 300'000)}));
    // Both down come first (between them, the locale's collation decides).
    QStringList shown = order(proxy);
    QCOMPARE(shown.takeLast(), u"192.0.2.10"_s);
    std::sort(shown.begin(), shown.end());
    QCOMPARE(shown, QStringList({u"192.0.2.9"_s, u"198.51.100.7"_s}));
    proxy.setText(QStringLiteral("склад"));
    QCOMPARE(order(proxy), QStringList({u"192.0.2.9"_s}));
}

void tst_BoardModel::countsInTheHeader()
{
    BoardModel model;
    QSignalSpy counts(&model, &BoardModel::countsChanged);
    std::vector<BoardModel::HostInput> hosts;
    for (int i = 0; i < 200; ++i)
        hosts.push_back(up(QStringLiteral("192.0.2.%1").arg(i), QStringLiteral("h%1").arg(i), 1000));
    for (int i = 0; i < 3; ++i)
        hosts[size_t(i)] = down(hosts[size_t(i)].ip, hosts[size_t(i)].desc, 0);
    hosts[10].lost = 1;
    hosts[10].sent = 2;
    hosts[11].lost = 1;
    hosts[11].sent = 2;
    hosts[20].marks = BoardModel::Muted;
    hosts[1].marks = BoardModel::Behind;
    model.applyPass(pass(60'000, hosts));
    QCOMPARE(counts.count(), 1);
    QCOMPARE(model.count(BoardModel::Status::Down), 3);
    QCOMPARE(model.count(BoardModel::Status::Losing), 2);
    QCOMPARE(model.markedCount(BoardModel::Muted), 1);
    QCOMPARE(model.countsText(),
             QStringLiteral("Узлов: 200 — нет соединения: 3, с потерями: 2, за упавшим родителем: 1, без звука: 1"));
    // Nothing changed: no new counts.
    model.applyPass(pass(61'000, hosts));
    QCOMPARE(counts.count(), 1);
    QCOMPARE(model.index(model.rowOf(u"192.0.2.20"_s), BoardModel::Marks).data().toString(), QStringLiteral("без звука"));

    // Several vantage points: who finds the host silent joins its marks and
    // is told to the view when it changes, though nothing else did.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    hosts[20].vantagesDown = QStringList{u"north"_s, u"Центр"_s};
    model.applyPass(pass(61'000, hosts));
    const QModelIndex marks = model.index(model.rowOf(u"192.0.2.20"_s), BoardModel::Marks);
    QCOMPARE(marks.data().toString(), QStringLiteral("без звука; видят недоступным: north, Центр"));
    QVERIFY(std::any_of(changed.cbegin(), changed.cend(), [&](const QList<QVariant> &args) {
        const QModelIndex from = args.at(0).toModelIndex(), to = args.at(1).toModelIndex();
        return from.row() <= marks.row() && marks.row() <= to.row() && from.column() <= BoardModel::Marks
               && BoardModel::Marks <= to.column();
    }));
    hosts[20].vantagesDown.clear();
    model.applyPass(pass(61'000, hosts));
    QCOMPARE(marks.data().toString(), QStringLiteral("без звука"));
}

void tst_BoardModel::roundTripColoursFollowThresholds()
{
    BoardModel model;
    model.applyPass(pass(60'000, {up(u"192.0.2.1"_s, u"fast"_s, 199'999), up(u"192.0.2.2"_s, u"warn"_s, 200'000),
                                  up(u"192.0.2.3"_s, u"bad"_s, 500'000), down(u"192.0.2.4"_s, u"dead"_s, 0)}));
    auto background = [&](const QString &ip) {
        return model.index(model.rowOf(ip), BoardModel::LastRtt).data(Qt::BackgroundRole).value<QColor>();
    };
    const QColor green = background(u"192.0.2.1"_s);
    const QColor yellow = background(u"192.0.2.2"_s);
    const QColor red = background(u"192.0.2.3"_s);
    QVERIFY(green.isValid() && yellow.isValid() && red.isValid());
    QVERIFY(green != yellow && yellow != red && green != red);
    // No round trip: no colour.
    QVERIFY(!model.index(model.rowOf(u"192.0.2.4"_s), BoardModel::LastRtt).data(Qt::BackgroundRole).isValid());
    QCOMPARE(model.status(model.rowOf(u"192.0.2.2"_s)), BoardModel::Status::Slow);
    // The state's colour names the state.
    QVERIFY(model.index(model.rowOf(u"192.0.2.4"_s), BoardModel::State).data(Qt::DecorationRole).value<QColor>()
            != model.index(model.rowOf(u"192.0.2.1"_s), BoardModel::State).data(Qt::DecorationRole).value<QColor>());

    // Per-host thresholds recolour at once, and the state follows.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setThresholds({{u"192.0.2.1"_s, {100, 150}}, {u"192.0.2.2"_s, {300, 400}}});
    QVERIFY(changed.count() > 0);
    QCOMPARE(background(u"192.0.2.1"_s), red);
    QCOMPARE(background(u"192.0.2.2"_s), green);
    QCOMPARE(model.status(model.rowOf(u"192.0.2.1"_s)), BoardModel::Status::Slow);
    QCOMPARE(model.status(model.rowOf(u"192.0.2.2"_s)), BoardModel::Status::Up);
}

void tst_BoardModel::lastHourFiguresForgetOlderMinutes()
{
    BoardModel model;
    const QString ip = QStringLiteral("192.0.2.1");
    model.applyPass(pass(0, {up(ip, u"h"_s, 90'000, 2, 1)}));
    for (int minute = 1; minute <= 30; ++minute)
        model.applyPass(pass(minute * 60'000, {up(ip, u"h"_s, 1'000 + minute * 100)}));
    const int r = model.rowOf(ip);
    QCOMPARE(model.index(r, BoardModel::MinAvgMax).data().toString().section(u" / "_s, 2), QStringLiteral("90"));
    QCOMPARE(model.index(r, BoardModel::Loss).data().toString(), QStringLiteral("3,1 %"));  // 1 of 32
    // The window moves in five-minute steps: at minute 64 the first step
    // (minutes 0-4) still counts, at 65 its 90 ms, 1.1 ms and the loss are
    // gone: 1.5 ms (minute 5) to 4 ms (minute 30) and 35 minutes of 2 ms.
    for (int minute = 31; minute <= 64; ++minute)
        model.applyPass(pass(minute * 60'000, {up(ip, u"h"_s, 2'000)}));
    QCOMPARE(model.index(r, BoardModel::MinAvgMax).data().toString().section(u" / "_s, 2), QStringLiteral("90"));
    model.applyPass(pass(65 * 60'000, {up(ip, u"h"_s, 2'000)}));
    QCOMPARE(model.index(r, BoardModel::MinAvgMax).data().toString(), QStringLiteral("1,5 / 2,3 / 4,0"));
    QCOMPARE(model.index(r, BoardModel::Loss).data().toString(), QStringLiteral("0,0 %"));
    QCOMPARE(model.status(r), BoardModel::Status::Up);
}

void tst_BoardModel::bookChangesAddAndRemoveRows()
{
    BoardModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    BoardFilter proxy;
    proxy.setSourceModel(&model);
    model.applyPass(pass(60'000, {up(u"192.0.2.1"_s, u"a"_s, 1000), up(u"192.0.2.2"_s, u"b"_s, 1000), up(u"192.0.2.3"_s, u"c"_s, 1000)}));
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.applyPass(pass(120'000, {up(u"192.0.2.1"_s, u"a"_s, 1000), up(u"192.0.2.3"_s, u"c"_s, 1000), down(u"192.0.2.4"_s, u"d"_s, 0)}));
    QCOMPARE(reset.count(), 0);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model.rowOf(u"192.0.2.2"_s), -1);
    QCOMPARE(order(proxy), QStringList({u"192.0.2.4"_s, u"192.0.2.1"_s, u"192.0.2.3"_s}));
}

void tst_BoardModel::figuresOnlyChangeNoResort()
{
    // 10,000 rows whose figures change every pass: the default order does
    // not move, and what changed is told in a few ranges, not row by row.
    BoardModel model;
    BoardFilter proxy;
    proxy.setSourceModel(&model);
    std::vector<BoardModel::HostInput> hosts;
    for (int i = 0; i < 10'000; ++i)
        hosts.push_back(up(QStringLiteral("10.%1.%2").arg(i / 256).arg(i % 256), QString(), 1000 + i));
    model.applyPass(pass(60'000, hosts));
    QSignalSpy layout(&proxy, &QAbstractItemModel::layoutChanged);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    for (auto &h : hosts)
        h.rttUs = h.lastRttUs = *h.rttUs + 7;
    hosts[5000] = down(hosts[5000].ip, QString(), 120'000);
    model.applyPass(pass(120'000, hosts));
    QVERIFY2(changed.count() <= 4, qPrintable(QString::number(changed.count())));
    QCOMPARE(order(proxy).first(), hosts[5000].ip);
    QVERIFY(layout.count() <= 1);
}

void tst_BoardModel::feedBuildsRowsFromTheHostState()
{
    HostState state;
    state.reset({}, {});
    state.seen(u"192.0.2.1"_s, u"router"_s);
    state.seen(u"192.0.2.2"_s, u"server"_s);
    state.answered(u"192.0.2.1"_s, 1500, Noon, 1000);
    state.begin(u"192.0.2.2"_s, u"server"_s, Noon, 1000);
    state.silent(u"192.0.2.2"_s);

    PassReport report;
    report.endedAt = Noon.addSecs(90);
    report.endedMonoMs = 91'000;
    auto samples = std::make_shared<std::vector<LatencySample>>();
    samples->push_back({u"192.0.2.1"_s, u"router"_s, 1, 0, 1500, 500});
    samples->push_back({u"192.0.2.2"_s, u"server"_s, 4, 4, std::nullopt, 500});
    report.samples = samples;

    QStringList book;
    const BoardModel::Pass in = BoardFeed::input(report, state, nullptr, {}, &book);
    QCOMPARE(book, QStringList({u"192.0.2.1"_s, u"192.0.2.2"_s}));
    QCOMPARE(int(in.hosts.size()), 2);
    QVERIFY(!in.hosts[0].down);
    QCOMPARE(in.hosts[0].lastRttUs, std::optional<qint64>(1500));
    QVERIFY(in.hosts[1].down);
    QCOMPARE(in.hosts[1].failedPasses, 1);
    QCOMPARE(in.hosts[1].sinceMonoMs, std::optional<qint64>(1000));

    BoardModel model;
    model.applyPass(in);
    QCOMPARE(model.index(model.rowOf(u"192.0.2.2"_s), BoardModel::Duration).data().toString(), QStringLiteral("1 мин"));

    // A pass that probed nothing keeps the last book.
    PassReport idle;
    idle.endedAt = Noon.addSecs(150);
    QStringList again;
    const BoardModel::Pass kept = BoardFeed::input(idle, state, nullptr, book, &again);
    QCOMPARE(again, book);
    QCOMPARE(int(kept.hosts.size()), 2);
    QCOMPARE(kept.hosts[1].desc, QStringLiteral("server"));
}

void tst_BoardModel::pathInTheRowTooltipWhileTheOutageLasts()
{
    BoardModel model;
    const QList<BoardModel::Hop> hops = {{1, u"192.0.2.1"_s, 400}, {2, QString(), std::nullopt}};
    model.setPath(u"198.51.100.2"_s, Noon, hops);  // no row yet: nothing to show it on
    model.applyPass(pass(60'000, {down(u"198.51.100.2"_s, u"server"_s, 0), up(u"192.0.2.1"_s, u"router"_s, 400)}));
    const int r = model.rowOf(u"198.51.100.2"_s);
    QVERIFY(!model.index(r, BoardModel::State).data(Qt::ToolTipRole).toString().contains(u"192.0.2.1"_s));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setPath(u"198.51.100.2"_s, Noon, hops);
    QCOMPARE(changed.count(), 1);
    model.setPath(u"198.51.100.2"_s, Noon, hops);  // told again: nothing changes
    QCOMPARE(changed.count(), 1);
    const QString tip = model.index(r, BoardModel::Address).data(Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(OutagePaths::text(hops)) && tip.startsWith(u"server (198.51.100.2)"_s), qPrintable(tip));
    // Back up: the path was the outage's, and it is over.
    model.applyPass(pass(120'000, {up(u"198.51.100.2"_s, u"server"_s, 900), up(u"192.0.2.1"_s, u"router"_s, 400)}));
    QVERIFY(!model.index(r, BoardModel::State).data(Qt::ToolTipRole).toString().contains(u"192.0.2.1"_s));
}

QTEST_GUILESS_MAIN(tst_BoardModel)
#include "tst_boardmodel.moc"
