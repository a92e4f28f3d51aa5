// Real loss measured through the whole chain (probe, engine, recorder on its
// database thread), inside the namespace tst_latency_icmp.sh makes: half of
// the echo requests to 127.0.0.9 are dropped at random, all of those to
// 127.0.0.2, none of those to 127.0.0.1.
#undef QT_NO_CAST_FROM_ASCII  // the cases spell statements as plain literals
#include "IcmpTransport.h"
#include "LatencyReader.h"
#include "LatencyService.h"
#include "PollingEngine.h"
#include "SystemClock.h"
#include "TempDatabase.h"

#include <QSignalSpy>
#include <QTest>

using namespace monitor;

class tst_LatencyIcmp : public QObject
{
    Q_OBJECT

private slots:
    void lossAsSharesOfAttempts();
};

void tst_LatencyIcmp::lossAsSharesOfAttempts()
{
    if (qgetenv("ORVANT_ICMP_NETNS") != "1")
        QSKIP("runs only inside the network namespace made by tst_latency_icmp.sh");
    TempDatabase db;
    QVERIFY(db.isValid());
    QVERIFY(db.exec("delete from addrs"));
    for (const char *ip : {"127.0.0.1", "127.0.0.9", "127.0.0.2"})
        QVERIFY(db.exec("insert into addrs (ip_addr,descript,ping_timeout) values (?,?,100)",
                        {QString::fromLatin1(ip), QStringLiteral("узел ") + QLatin1String(ip)}));

    IcmpTransport transport(IcmpTransport::Kind::Raw);
    SystemClock clock;
    PollingEngine engine(&transport, &clock);
    LatencyService service(engine.store(), &clock);
    connect(&engine, &PollingEngine::passEnded, &service, &LatencyService::passEnded);
    QSignalSpy failures(&service, &LatencyService::failed);
    QSignalSpy passes(&engine, &PollingEngine::passEnded);

    // 60 passes send about 112 attempts to the lossy host (1.875 a pass).
    constexpr int Passes = 60;
    for (int i = 0; i < Passes; ++i) {
        engine.CheckAll();
        QVERIFY(passes.wait(5000));
    }
    QCOMPARE(service.waitingPasses(), 0);
    if (!failures.isEmpty())
        qWarning() << failures;
    QCOMPARE(failures.count(), 0);

    QHash<QString, LatencyReader::Recent> recent;
    QString error;
    QVERIFY2(LatencyReader::recent(db.connection(), QDateTime::currentDateTime().addSecs(-3600), &recent, &error),
             qPrintable(error));
    const LatencySummary up = recent.value("127.0.0.1").summary;
    const LatencySummary lossy = recent.value("127.0.0.9").summary;
    const LatencySummary down = recent.value("127.0.0.2").summary;
    QCOMPARE(up.passes, Passes);
    QCOMPARE(up.sent, Passes);
    QCOMPARE(up.lost, 0);
    QVERIFY(up.medianUs && *up.medianUs >= 0 && *up.medianUs < 100'000);
    QCOMPARE(down.sent, 4 * Passes);
    QCOMPARE(down.lost, 4 * Passes);
    QVERIFY(!down.medianUs);
    // Each attempt is dropped with probability 1/2, so lost/sent estimates
    // 1/2 from about 112 attempts: standard deviation about 0.047. The bounds
    // 0.30..0.70 are more than four of them away (a false failure about once
    // in 40,000 runs). The silent passes, all four attempts lost, come about
    // one pass in 16.
    qInfo("127.0.0.9: %lld of %lld attempts unanswered over %lld passes", lossy.lost, lossy.sent, lossy.passes);
    QCOMPARE(lossy.passes, Passes);
    QVERIFY(lossy.sent > Passes && lossy.sent <= 4 * Passes);
    const double share = *lossy.lossShare();
    QVERIFY2(share > 0.30 && share < 0.70, qPrintable(QString::number(share)));
    QVERIFY(lossy.medianUs.has_value());
}

QTEST_GUILESS_MAIN(tst_LatencyIcmp)
#include "tst_latency_icmp.moc"
