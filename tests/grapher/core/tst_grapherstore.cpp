// The grapher's store: its computations on both engines (the file and the
// tests' server), one row each; its host lists' order; and a database that
// never opened.
#include "GrapherStore.h"
#include "GrapherRecordingChart.h"
#include "LatencyRecorder.h"
#include "TempDatabase.h"

#include <QTest>

#include <memory>

using namespace grapher;

namespace {

template <class T> T answer(const StoreReply<T> &reply)
{
    if (!reply.waitFor(20000))
        qFatal("the store did not answer");
    return reply.value();
}

} // namespace

class tst_GrapherStore : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void descriptionsAndHistogram_data() { engines(); }
    void descriptionsAndHistogram();
    void weekMap_data() { engines(); }
    void weekMap();
    void latencyHostsRankedByValue_data() { engines(); }
    void latencyHostsRankedByValue();
    void neverOpened();

private:
    void engines();
    bool open();

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<GrapherStore> m_store;
};

void tst_GrapherStore::engines()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("file") << false;
    QTest::newRow("server") << true;
}

bool tst_GrapherStore::open()
{
    QFETCH(bool, server);
    if (server && TempDatabase::serverMissing()) {
        QTest::qSkip("no test server (run through ctest)", __FILE__, __LINE__);
        return false;
    }
    m_db = std::make_unique<TempDatabase>(server ? TempDatabase::Backend::Server : TempDatabase::Backend::File);
    if (!m_db->isValid()) {
        QTest::qFail(qPrintable(m_db->error()), __FILE__, __LINE__);
        return false;
    }
    m_db->exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values "
                              "('2026-12-02 08:10:00','2026-12-02 08:40:00',1,'10.0.0.1','Альфа'),"
                              "('2026-12-03 09:30:00','2026-12-03 09:31:00',1,'10.0.0.1','Альфа'),"
                              "('2026-12-07 09:00:00','2026-12-07 10:00:00',1,'10.0.0.2','Бета')"));
    m_db->exec(QStringLiteral("insert into addrs (ip_addr,descript) values ('10.0.0.1','Альфа'),('10.0.0.2','Бета')"));
    m_store = std::make_unique<GrapherStore>();
    const ProgramStore::Opened opened = answer(m_store->open(m_db->config()));
    if (!opened.outcome.ok)
        QTest::qFail(qPrintable(opened.outcome.error), __FILE__, __LINE__);
    return opened.outcome.ok;
}

void tst_GrapherStore::cleanup()
{
    m_store.reset();
    m_db.reset();
}

void tst_GrapherStore::descriptionsAndHistogram()
{
    if (!open())
        return;
    const GrapherStore::Descriptions hosts = answer(m_store->readDescriptions());
    QVERIFY(hosts.opened && hosts.whole);
    // "order by 1": the descriptions as the book sorts them.
    QCOMPARE(hosts.descriptions, (QStringList{QStringLiteral("Альфа"), QStringLiteral("Бета"),
                                              QStringLiteral("Этот компьютер")}));

    GraphRequest request;
    request.description = QStringLiteral("Альфа");
    request.startDate = QStringLiteral("01.12.2026");
    request.startTime = QStringLiteral("08:00:00");
    request.endDate = QStringLiteral("10.12.2026");
    request.endTime = QStringLiteral("10:00:00");
    request.interval = QStringLiteral("30");
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const GrapherStore::Histogram histogram = answer(m_store->computeHistogram(request, russian, CancelToken()));
    QVERIFY2(histogram.computation.errors.isEmpty(), qPrintable(histogram.computation.errors.join(u'\n')));
    QCOMPARE(histogram.computation.counts, (QList<int>{1, 1, 0, 1, 0}));
    QCOMPARE(histogram.lossNote, QString());

    // Cancelled before it ran: it stops reading and says so.
    CancelToken cancelled;
    cancelled.cancel();
    QVERIFY(!answer(m_store->computeHistogram(request, russian, cancelled)).computation.errors.isEmpty());
}

void tst_GrapherStore::weekMap()
{
    if (!open())
        return;
    const auto at = [](int day, int hour) {
        return DateTimeText::toSeconds(QDate(2026, 12, day), QTime(hour, 0));
    };
    const GrapherStore::WeekRows one = answer(m_store->readWeekMap(false, QStringLiteral("Альфа"), at(1, 0), at(8, 0)));
    QCOMPARE(one.error, QString());
    QCOMPARE(int(one.spans.size()), 2);
    QCOMPARE(one.descriptions, (QStringList{QStringLiteral("Альфа"), QStringLiteral("Альфа")}));
    // The end is exclusive: the outage of the 7th at 09:00 is left to a
    // period that goes on past it.
    const GrapherStore::WeekRows all = answer(m_store->readWeekMap(true, QString(), at(1, 0), at(7, 9)));
    QCOMPARE(int(all.spans.size()), 2);
    QCOMPARE(int(answer(m_store->readWeekMap(true, QString(), at(1, 0), at(7, 10))).spans.size()), 3);
}

void tst_GrapherStore::latencyHostsRankedByValue()
{
    if (!open())
        return;
    {
        monitor::LatencyRecorder recorder(m_db->connection());
        std::vector<monitor::LatencySample> samples;
        for (const char *ip : {"fd00::11", "10.10.0.10", "fd00::a", "10.10.0.2", "192.168.0.1", "10.10.0.9"}) {
            monitor::LatencySample s;
            s.ip = QLatin1String(ip);
            s.desc = QStringLiteral("host %1").arg(QLatin1String(ip));
            s.sent = 1;
            s.rttUs = 1500;
            samples.push_back(s);
        }
        QString error;
        QVERIFY2(recorder.recordPass(QDateTime::currentDateTime().addSecs(-60), samples, &error), qPrintable(error));
    }
    const GrapherStore::LatencyHosts read = answer(m_store->readLatencyHosts());
    QCOMPARE(read.error, QString());
    QStringList order;
    for (const LatencyReader::Host &h : read.hosts)
        order << h.ip;
    // IPv4 before IPv6, each by value.
    QCOMPARE(order, (QStringList{QStringLiteral("10.10.0.2"), QStringLiteral("10.10.0.9"), QStringLiteral("10.10.0.10"),
                                 QStringLiteral("192.168.0.1"), QStringLiteral("fd00::a"), QStringLiteral("fd00::11")}));

    const QDateTime now = QDateTime::currentDateTime();
    const GrapherStore::LatencySeries series =
        answer(m_store->readLatency({read.hosts.at(0).id, read.hosts.at(5).id}, now.addSecs(-3600), now));
    QCOMPARE(series.error, QString());
    QCOMPARE(int(series.series.size()), 2);
    QCOMPARE(int(series.series.at(0).points.size()), 1);
    QCOMPARE(series.series.at(0).points.front().medianMs.value_or(-1), 1.5);
}

// The database never opened (its failure is told by the program): the host
// list says so instead of failing.
void tst_GrapherStore::neverOpened()
{
    GrapherStore store;
    const GrapherStore::Descriptions hosts = answer(store.readDescriptions());
    QVERIFY(!hosts.opened);
    QVERIFY(hosts.descriptions.isEmpty());
    QVERIFY(answer(store.readLatencyHosts()).hosts.isEmpty());
}

QTEST_GUILESS_MAIN(tst_GrapherStore)
#include "tst_grapherstore.moc"
