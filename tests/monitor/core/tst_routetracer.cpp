// The route tracer over a real routed path: desk, router and server in three
// network namespaces that tst_routetracer.sh makes (the test runs in the
// desk). Outside them every case skips, so nothing reaches a real network.
#include "RouteTracer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

using namespace monitor;

namespace {

RouteTracer::Kind wantedKind()
{
    return qgetenv("ORVANT_ICMP_KIND") == "datagram" ? RouteTracer::Kind::Datagram : RouteTracer::Kind::Raw;
}

HostAddress address(const char *text)
{
    HostAddress a;
    HostAddress::parse(QString::fromLatin1(text), &a);
    return a;
}

// Runs nft in the router's namespace.
bool routerNft(const QString &command)
{
    QProcess p;
    p.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"),
                                   QString::fromLocal8Bit(qgetenv("ORVANT_ROUTER_NETNS")), QStringLiteral("nft"), command});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// One trace to its end.
RouteTracer::Result trace(const HostAddress &to, int budgetMs, qint64 *elapsedMs = nullptr)
{
    RouteTracer tracer(wantedKind());
    QSignalSpy finished(&tracer, &RouteTracer::finished);
    QElapsedTimer t;
    t.start();
    QString why;
    const int id = tracer.start(to, budgetMs, &why);
    if (id == 0) {
        qWarning("start: %s", qPrintable(why));
        return {};
    }
    if (!finished.wait(budgetMs + 5000))
        return {};
    if (elapsedMs)
        *elapsedMs = t.elapsed();
    return finished.first().at(1).value<RouteTracer::Result>();
}

QString describe(const RouteTracer::Result &r)
{
    QStringList hops;
    for (const RouteTracer::Hop &h : r.hops)
        hops << QStringLiteral("%1:%2").arg(h.number).arg(h.address.isNull() ? QStringLiteral("*") : h.address.toString());
    return QStringLiteral("ending %1, %2 hops: %3").arg(int(r.ending)).arg(r.hops.size()).arg(hops.join(QLatin1Char(' ')));
}

bool names(const RouteTracer::Result &r, const HostAddress &a)
{
    for (const RouteTracer::Hop &h : r.hops)
        if (h.address == a)
            return true;
    return false;
}

} // namespace

class tst_RouteTracer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void routerThenServer_data();
    void routerThenServer();
    void forwardingStopped_data();
    void forwardingStopped();
    void severalTracesAtOnce();
    void cancelledTraceSaysNothing();
};

void tst_RouteTracer::init()
{
    if (qgetenv("ORVANT_ROUTE_NETNS") != "1")
        QSKIP("runs only inside the namespaces made by tst_routetracer.sh");
}

void tst_RouteTracer::routerThenServer_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("router");  // its address towards the desk
    QTest::newRow("IPv4") << QStringLiteral("198.51.100.2") << QStringLiteral("192.0.2.1");
    QTest::newRow("IPv6") << QStringLiteral("2001:db8:2::2") << QStringLiteral("2001:db8:1::1");
}

void tst_RouteTracer::routerThenServer()
{
    QFETCH(QString, server);
    QFETCH(QString, router);
    qint64 ms = 0;
    const RouteTracer::Result r = trace(address(qPrintable(server)), 3000, &ms);
    QVERIFY2(r.ending == RouteTracer::Ending::Reached && r.hops.size() == 2, qPrintable(describe(r)));
    QCOMPARE(r.destination, address(qPrintable(server)));
    QCOMPARE(r.hops[0].number, 1);
    QCOMPARE(r.hops[0].address, address(qPrintable(router)));
    QCOMPARE(r.hops[1].number, 2);
    QCOMPARE(r.hops[1].address, address(qPrintable(server)));
    for (const RouteTracer::Hop &h : r.hops)
        QVERIFY2(h.rttNs >= 0 && h.rttNs < 1'000'000'000, qPrintable(QString::number(h.rttNs)));
    // Every hop answered the first round: no waiting out the others.
    QVERIFY2(ms < 900, qPrintable(QString::number(ms)));
}

void tst_RouteTracer::forwardingStopped_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("router");
    QTest::addColumn<QString>("verdict");  // of the router's forward hook
    QTest::addColumn<int>("ending");
    QTest::addColumn<int>("hops");

    const int notReached = int(RouteTracer::Ending::NotReached);
    const int unreachable = int(RouteTracer::Ending::Unreachable);
    QTest::newRow("IPv4, dropped") << QStringLiteral("198.51.100.2") << QStringLiteral("192.0.2.1")
                                   << QStringLiteral("drop") << notReached << RouteTracer::MaxHops;
    QTest::newRow("IPv6, dropped") << QStringLiteral("2001:db8:2::2") << QStringLiteral("2001:db8:1::1")
                                   << QStringLiteral("drop") << notReached << RouteTracer::MaxHops;
    // Refused aloud: the router itself is the last hop.
    QTest::newRow("IPv4, refused") << QStringLiteral("198.51.100.2") << QStringLiteral("192.0.2.1")
                                   << QStringLiteral("reject with icmpx type admin-prohibited") << unreachable << 2;
    QTest::newRow("IPv6, refused") << QStringLiteral("2001:db8:2::2") << QStringLiteral("2001:db8:1::1")
                                   << QStringLiteral("reject with icmpx type admin-prohibited") << unreachable << 2;
}

void tst_RouteTracer::forwardingStopped()
{
    QFETCH(QString, server);
    QFETCH(QString, router);
    QFETCH(QString, verdict);
    QFETCH(int, ending);
    QFETCH(int, hops);
    const QString family = server.contains(QLatin1Char(':')) ? QStringLiteral("ip6") : QStringLiteral("ip");
    QVERIFY(routerNft(QStringLiteral("add rule inet trace_test pass %1 daddr %2 %3").arg(family, server, verdict)));
    const auto restore = qScopeGuard([] { routerNft(QStringLiteral("flush chain inet trace_test pass")); });

    constexpr int Budget = 900;
    qint64 ms = 0;
    const RouteTracer::Result r = trace(address(qPrintable(server)), Budget, &ms);
    QVERIFY2(int(r.ending) == ending && r.hops.size() == hops, qPrintable(describe(r)));
    QCOMPARE(r.hops[0].address, address(qPrintable(router)));
    QVERIFY2(!names(r, address(qPrintable(server))), qPrintable(describe(r)));
    for (int i = 1; i < r.hops.size(); ++i) {
        QCOMPARE(r.hops[i].number, i + 1);
        if (r.ending == RouteTracer::Ending::NotReached)
            QVERIFY2(r.hops[i].address.isNull() && r.hops[i].rttNs < 0, qPrintable(describe(r)));
    }
    if (r.ending == RouteTracer::Ending::Unreachable)
        QCOMPARE(r.hops[1].address, address(qPrintable(router)));
    // The silent hops are tried three times, within the budget.
    QVERIFY2(ms < Budget + 500, qPrintable(QString::number(ms)));
}

void tst_RouteTracer::severalTracesAtOnce()
{
    // One tracer, both families, five traces in flight together: each comes
    // back with its own hops.
    RouteTracer tracer(wantedKind());
    QSignalSpy finished(&tracer, &RouteTracer::finished);
    struct Case
    {
        const char *to;
        RouteTracer::Ending ending;
        QStringList hops;
    };
    const QList<Case> cases = {
        {"198.51.100.2", RouteTracer::Ending::Reached, {QStringLiteral("192.0.2.1"), QStringLiteral("198.51.100.2")}},
        {"2001:db8:2::2", RouteTracer::Ending::Reached, {QStringLiteral("2001:db8:1::1"), QStringLiteral("2001:db8:2::2")}},
        {"192.0.2.1", RouteTracer::Ending::Reached, {QStringLiteral("192.0.2.1")}},
        // The router has no route there and says so.
        {"203.0.113.9", RouteTracer::Ending::Unreachable, {QStringLiteral("192.0.2.1")}},
        // The desk itself refuses to send there.
        {"203.0.113.200", RouteTracer::Ending::Unreachable, {}},
    };
    QHash<int, int> caseOfId;
    for (int i = 0; i < cases.size(); ++i) {
        QString why;
        const int id = tracer.start(address(cases[i].to), 3000, &why);
        QVERIFY2(id > 0, qPrintable(why));
        QVERIFY(!caseOfId.contains(id));
        caseOfId.insert(id, i);
    }
    // Never from inside start().
    QCOMPARE(finished.size(), 0);
    QCOMPARE(tracer.runningCount(), int(cases.size()));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), int(cases.size()), 8000);
    QCOMPARE(tracer.runningCount(), 0);
    for (const QList<QVariant> &signal : std::as_const(finished)) {
        const Case &c = cases[caseOfId.value(signal.at(0).toInt())];
        const RouteTracer::Result r = signal.at(1).value<RouteTracer::Result>();
        QCOMPARE(r.destination, address(c.to));
        QStringList hops;
        for (const RouteTracer::Hop &h : r.hops)
            hops << h.address.toString();
        QVERIFY2(r.ending == c.ending && hops == c.hops, qPrintable(QLatin1String(c.to) + QLatin1String(": ") + describe(r)));
    }
}

void tst_RouteTracer::cancelledTraceSaysNothing()
{
    QVERIFY(routerNft(QStringLiteral("add rule inet trace_test pass ip daddr 198.51.100.2 drop")));
    const auto restore = qScopeGuard([] { routerNft(QStringLiteral("flush chain inet trace_test pass")); });
    RouteTracer tracer(wantedKind());
    QSignalSpy finished(&tracer, &RouteTracer::finished);
    QString why;
    const int cancelled = tracer.start(address("198.51.100.2"), 600, &why);
    const int kept = tracer.start(address("198.51.100.2"), 600, &why);
    QVERIFY2(cancelled > 0 && kept > 0, qPrintable(why));
    QTest::qWait(50);
    tracer.cancel(cancelled);
    QCOMPARE(tracer.runningCount(), 1);
    QVERIFY(finished.wait(3000));
    QTest::qWait(700);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().at(0).toInt(), kept);
}

QTEST_GUILESS_MAIN(tst_RouteTracer)
#include "tst_routetracer.moc"
