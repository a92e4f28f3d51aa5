// The echo probe's address rules and attempt logic, over a scripted transport.
#include "EchoProbe.h"
#include "FakeEchoTransport.h"
#include "FakeMonotonicClock.h"
#include "PreciseTimer.h"

#include <QSignalSpy>
#include <QTest>

using namespace monitor;

using B = FakeEchoTransport::Behaviour;

class tst_Echo : public QObject
{
    Q_OBJECT

private slots:
    void parseAddress_data();
    void parseAddress();
    void parseIpv6_data();
    void parseIpv6();
    void replyFromAnotherAddressOrZoneIgnored();
    void payloadIsFortyFiveBytes();
    void attemptResults_data();
    void attemptResults();
    void notProbedWithoutFacility();
    void retriesWaitForTheirOwnTimeout();
    void replyTimedFromItsArrival_data();
    void replyTimedFromItsArrival();
    void deadlineTimerSetAnewOrStopped();
};

void tst_Echo::parseAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint32>("address");

    QTest::newRow("loop-back") << QStringLiteral("127.0.0.1") << true << 0x7f000001u;
    QTest::newRow("private") << QStringLiteral("192.168.0.1") << true << 0xc0a80001u;
    // inet_addr's older spellings probed another host than most readers see.
    QTest::newRow("short form") << QStringLiteral("127.1") << false << 0u;
    QTest::newRow("octal part") << QStringLiteral("010.0.0.1") << false << 0u;
    QTest::newRow("hexadecimal") << QStringLiteral("0x7f000001") << false << 0u;
    QTest::newRow("comment after a blank, as inet_addr reads it") << QStringLiteral("127.0.0.1 router") << true
                                                                  << 0x7f000001u;
    QTest::newRow("older spelling before a comment") << QStringLiteral("127.1 router") << false << 0u;
    QTest::newRow("host name") << QStringLiteral("localhost") << false << 0u;
    QTest::newRow("all ones") << QStringLiteral("255.255.255.255") << false << 0u;
    QTest::newRow("empty") << QString() << false << 0u;
    QTest::newRow("five parts") << QStringLiteral("1.2.3.4.5") << false << 0u;
    QTest::newRow("part too large") << QStringLiteral("1.2.3.256") << false << 0u;
    QTest::newRow("embedded NUL") << QStringLiteral("127.0.0.1").append(QChar(0)).append(QStringLiteral("x")) << false << 0u;
    QTest::newRow("Cyrillic") << QStringLiteral("сервер") << false << 0u;
}

void tst_Echo::parseAddress()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(quint32, address);
    quint32 parsed = 0;
    QCOMPARE(EchoProbe::parseAddress(text, &parsed), valid);
    if (valid)
        QCOMPARE(parsed, address);
}

void tst_Echo::parseIpv6_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("probedAs");  // family and canonical form, with the zone's index

    QTest::newRow("loop-back") << QStringLiteral("::1") << true << QStringLiteral("6 ::1");
    QTest::newRow("documentation") << QStringLiteral("2001:db8::10") << true << QStringLiteral("6 2001:db8::10");
    QTest::newRow("longest form") << QStringLiteral("2001:db8:ffff:ffff:ffff:ffff:ffff:ffff") << true
                                  << QStringLiteral("6 2001:db8:ffff:ffff:ffff:ffff:ffff:ffff");
    QTest::newRow("upper case") << QStringLiteral("FD00::2") << true << QStringLiteral("6 fd00::2");
    QTest::newRow("link-local, zone by name") << QStringLiteral("fe80::1%lo") << true << QStringLiteral("6 fe80::1%1");
    QTest::newRow("link-local, zone by number") << QStringLiteral("fe80::1%1") << true << QStringLiteral("6 fe80::1%1");
    // The kernel ignores a zone where the address has none of its own.
    QTest::newRow("zone on a global address") << QStringLiteral("fd00::2%lo") << true << QStringLiteral("6 fd00::2");
    QTest::newRow("mapped IPv4") << QStringLiteral("::ffff:127.0.0.1") << true << QStringLiteral("4 127.0.0.1");
    QTest::newRow("mapped all ones") << QStringLiteral("::ffff:255.255.255.255") << false << QString();
    QTest::newRow("unknown zone") << QStringLiteral("fe80::1%nosuchif0") << false << QString();
    QTest::newRow("zone 0") << QStringLiteral("fe80::1%0") << false << QString();
    QTest::newRow("empty zone") << QStringLiteral("fe80::1%") << false << QString();
    QTest::newRow("brackets") << QStringLiteral("[::1]") << false << QString();
    QTest::newRow("nine groups") << QStringLiteral("1:2:3:4:5:6:7:8:9") << false << QString();
    QTest::newRow("two gaps") << QStringLiteral("1::2::3") << false << QString();
    QTest::newRow("trailing blank") << QStringLiteral("::1 ") << false << QString();
    // inet_addr takes an address followed by a blank and anything: still so.
    QTest::newRow("IPv4, blank, colon") << QStringLiteral("127.0.0.1 :x") << true << QStringLiteral("4 127.0.0.1");
    QTest::newRow("embedded NUL") << QStringLiteral("::1").append(QChar(0)).append(QStringLiteral("x")) << false << QString();
    QTest::newRow("Cyrillic in a group") << QStringLiteral("fd00::д") << false << QString();
}

void tst_Echo::parseIpv6()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, probedAs);
    HostAddress parsed;
    QCOMPARE(HostAddress::parse(text, &parsed), valid);
    if (!valid)
        return;
    const QString family = parsed.family() == HostAddress::Family::IPv6 ? QStringLiteral("6") : QStringLiteral("4");
    QCOMPARE(family + QLatin1Char(' ') + parsed.toString(), probedAs);
    // The IPv4 reading refuses IPv6 addresses, so nothing of IPv4 changes.
    QCOMPARE(EchoProbe::parseAddress(text, nullptr), parsed.family() == HostAddress::Family::IPv4);
}

void tst_Echo::replyFromAnotherAddressOrZoneIgnored()
{
    // The right cookie from the wrong source: another address of the same
    // family, the same address in another zone, or the host's IPv4 twin.
    FakeEchoTransport transport;
    transport.setDown(QStringLiteral("fd00::2"));
    transport.setDown(QStringLiteral("fe80::1%lo"));
    QString why;
    QVERIFY(transport.open(8, &why));
    EchoProbe probe(&transport);
    QSignalSpy finished(&probe, &EchoProbe::finished);
    probe.start({{QStringLiteral("fd00::2"), 200}, {QStringLiteral("fe80::1%lo"), 200}});
    QTRY_COMPARE_WITH_TIMEOUT(transport.requests.size(), 2, 2000);
    const quint32 first = transport.requests.at(0).cookie;
    const quint32 second = transport.requests.at(1).cookie;
    const quint8 zoneless[16] = {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    transport.deliver(first, FakeEchoTransport::address(QStringLiteral("fd00::99")));
    transport.deliver(first, FakeEchoTransport::address(QStringLiteral("::ffff:0.0.0.2")));
    transport.deliver(second, HostAddress::ipv6(zoneless, 0));
    transport.deliver(second, HostAddress::ipv6(zoneless, 2));
    QVERIFY(finished.wait(5000));
    QCOMPARE(probe.results().at(0).status, EchoProbe::TimedOut);
    QCOMPARE(probe.results().at(1).status, EchoProbe::TimedOut);
    // The same cookie from the right source would have counted.
    probe.start({{QStringLiteral("fe80::1%lo"), 200}});
    QTRY_COMPARE_WITH_TIMEOUT(transport.requests.size(), 9, 2000);
    transport.deliver(transport.requests.last().cookie, HostAddress::ipv6(zoneless, 1));
    QVERIFY(finished.wait(5000));
    QCOMPARE(probe.results().at(0).status, EchoProbe::Answered);
}

void tst_Echo::payloadIsFortyFiveBytes()
{
    QCOMPARE(EchoProbe::payload(), QByteArray("echo_test").repeated(5));
    QCOMPARE(EchoProbe::payload().size(), 45);
}

void tst_Echo::attemptResults_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QList<B>>("script");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("attempts");

    QTest::newRow("answers") << QStringLiteral("127.0.0.1") << QList<B>{B::reply()} << 0 << 1;
    QTest::newRow("answers at the third attempt")
        << QStringLiteral("127.0.0.1") << QList<B>{B::silent(), B::silent(), B::reply(2)} << 0 << 3;
    QTest::newRow("silent") << QStringLiteral("127.0.0.1") << QList<B>{B::silent()} << EchoProbe::TimedOut << 4;
    QTest::newRow("reply after the timeout")
        << QStringLiteral("127.0.0.1") << QList<B>{B::reply(35)} << EchoProbe::TimedOut << 4;
    QTest::newRow("send fails") << QStringLiteral("127.0.0.1")
                                << QList<B>{B::sendFails(EchoTransport::DestHostUnreachable)}
                                << int(EchoTransport::DestHostUnreachable) << 4;
    QTest::newRow("send fails, then answers")
        << QStringLiteral("127.0.0.1") << QList<B>{B::sendFails(), B::reply()} << 0 << 2;
    // A socket that never takes the request must not hold the pass for ever.
    QTest::newRow("socket full for good") << QStringLiteral("127.0.0.1")
                                          << QList<B>{B::sendFails(EchoTransport::TryAgain)}
                                          << int(EchoTransport::NoResources) << 4;
    QTest::newRow("not an address") << QStringLiteral("localhost") << QList<B>{} << EchoProbe::NotAnAddress << 4;
}

void tst_Echo::attemptResults()
{
    QFETCH(QString, address);
    QFETCH(QList<B>, script);
    QFETCH(int, status);
    QFETCH(int, attempts);

    FakeEchoTransport transport;
    if (!script.isEmpty())
        transport.script(address, script);
    QString why;
    QVERIFY(transport.open(4, &why));
    EchoProbe probe(&transport);
    QSignalSpy finished(&probe, &EchoProbe::finished);
    probe.start({{address, 20}});
    QVERIFY(finished.wait(5000));
    QCOMPARE(probe.results().at(0).status, status);
    QCOMPARE(probe.results().at(0).attempts, attempts);
    QCOMPARE(finished.size(), 1);
    if (status == EchoProbe::NotAnAddress)
        QCOMPARE(transport.requests.size(), 0);
}

void tst_Echo::notProbedWithoutFacility()
{
    FakeEchoTransport transport;
    EchoProbe probe(&transport);
    QSignalSpy finished(&probe, &EchoProbe::finished);
    probe.start({{QStringLiteral("127.0.0.1"), 20}, {QStringLiteral("no.such"), 20}}, false);
    QCOMPARE(finished.size(), 0);
    QVERIFY(finished.wait(5000));
    QCOMPARE(probe.results().at(0).status, EchoProbe::NotProbed);
    QCOMPARE(probe.results().at(1).status, EchoProbe::NotAnAddress);
    QCOMPARE(transport.requests.size(), 0);
}

void tst_Echo::retriesWaitForTheirOwnTimeout()
{
    // Two silent hosts with timeouts of 10 and 150 ms: each sends its next
    // attempt when its own previous one timed out, not in step with the
    // slower one. Time is the probe's own clock, moved a millisecond at a
    // time, so when each request left is known exactly.
    FakeEchoTransport transport;
    transport.setDown(QStringLiteral("127.0.0.2"));
    transport.setDown(QStringLiteral("127.0.0.3"));
    QString why;
    QVERIFY(transport.open(8, &why));
    FakeMonotonicClock clock;
    EchoProbe probe(&transport);
    probe.setMonotonicClock(&clock);
    QSignalSpy finished(&probe, &EchoProbe::finished);
    probe.start({{QStringLiteral("127.0.0.2"), 10}, {QStringLiteral("127.0.0.3"), 150}});

    const HostAddress fast = FakeEchoTransport::address(QStringLiteral("127.0.0.2"));
    const HostAddress slow = FakeEchoTransport::address(QStringLiteral("127.0.0.3"));
    struct Send
    {
        HostAddress address;
        qint64 ms;
    };
    QList<Send> sends;
    auto note = [&] {
        while (sends.size() < transport.requests.size())
            sends.append({transport.requests.at(sends.size()).address, clock.ms()});
    };
    QTRY_COMPARE_WITH_TIMEOUT(transport.requests.size(), 2, 2000);
    note();
    // The probe's timers still run on the real clock; each step gives them
    // at least the millisecond the probe's clock moved.
    for (int step = 0; step < 800 && finished.isEmpty(); ++step) {
        clock.advanceMs(1);
        QTest::qWait(1);
        note();
    }
    QCOMPARE(finished.size(), 1);

    const QList<HostAddress> order = {fast, slow, fast, fast, fast, slow, slow, slow};
    const QList<qint64> due = {0, 0, 10, 20, 30, 150, 300, 450};
    QCOMPARE(sends.size(), order.size());
    for (int i = 0; i < sends.size(); ++i) {
        QVERIFY(sends.at(i).address == order.at(i));
        // A timer may fire a step or two after its moment, never before it.
        QVERIFY2(sends.at(i).ms >= due.at(i) && sends.at(i).ms <= due.at(i) + 3,
                 qPrintable(QStringLiteral("send %1 at %2 ms, due at %3").arg(i).arg(sends.at(i).ms).arg(due.at(i))));
    }
    QCOMPARE(probe.results().at(0).status, EchoProbe::TimedOut);
    QCOMPARE(probe.results().at(1).status, EchoProbe::TimedOut);
    QCOMPARE(probe.results().at(0).attempts, EchoProbe::Attempts);
    QCOMPARE(probe.results().at(1).attempts, EchoProbe::Attempts);
}

void tst_Echo::replyTimedFromItsArrival_data()
{
    QTest::addColumn<qint64>("readAtMs");   // when the reply is handed over, by the probe's clock
    QTest::addColumn<qint64>("ageMs");      // how long it had waited by then
    QTest::addColumn<bool>("answered");
    QTest::addColumn<qint64>("rttMs");

    // The timeout is 20 ms.
    QTest::newRow("read at once") << qint64(5) << qint64(0) << true << qint64(5);
    QTest::newRow("read late, arrived early") << qint64(25) << qint64(22) << true << qint64(3);
    QTest::newRow("read late, arrived just in time") << qint64(25) << qint64(6) << true << qint64(19);
    QTest::newRow("read in time, arrived after the timeout") << qint64(25) << qint64(3) << false << qint64(-1);
    // A stamp from before the request left (clocks that disagree): timed
    // from the send, never negative.
    QTest::newRow("stamp older than the request") << qint64(4) << qint64(9) << true << qint64(0);
}

void tst_Echo::replyTimedFromItsArrival()
{
    QFETCH(qint64, readAtMs);
    QFETCH(qint64, ageMs);
    QFETCH(bool, answered);
    QFETCH(qint64, rttMs);

    FakeEchoTransport transport;
    transport.setDown(QStringLiteral("127.0.0.2"));
    QString why;
    QVERIFY(transport.open(4, &why));
    FakeMonotonicClock clock;
    EchoProbe probe(&transport);
    probe.setMonotonicClock(&clock);
    QSignalSpy finished(&probe, &EchoProbe::finished);
    probe.start({{QStringLiteral("127.0.0.2"), 20}});
    QTRY_COMPARE_WITH_TIMEOUT(transport.requests.size(), 1, 2000);
    // Handed over before the probe's deadline had its turn, as from a loop
    // that was busy elsewhere.
    clock.advanceMs(readAtMs);
    transport.deliver(transport.requests.first().cookie, transport.requests.first().address, ageMs * 1'000'000);
    if (!answered) {
        // The deadline then judges the attempt timed out and sends the next.
        QTRY_COMPARE_WITH_TIMEOUT(transport.requests.size(), 2, 2000);
        probe.abort();
        return;
    }
    QVERIFY(finished.wait(2000));
    QCOMPARE(probe.results().at(0).status, EchoProbe::Answered);
    QCOMPARE(probe.results().at(0).attempts, 1);
    // The fake clock moves a tenth of a microsecond at every reading.
    QVERIFY2(qAbs(probe.results().at(0).rttNs - rttMs * 1'000'000) < 10'000,
             qPrintable(QString::number(probe.results().at(0).rttNs)));
}

void tst_Echo::deadlineTimerSetAnewOrStopped()
{
    PreciseTimer timer;
    QSignalSpy fired(&timer, &PreciseTimer::timeout);
    timer.start(5'000'000);
    timer.stop();
    QVERIFY(!timer.isActive());
    QTest::qWait(30);
    QCOMPARE(fired.size(), 0);
    // Set anew for a later moment: fires once, for that one.
    timer.start(1'000'000);
    timer.start(40'000'000);
    QTest::qWait(20);
    QCOMPARE(fired.size(), 0);
    QVERIFY(fired.wait(2000));
    QVERIFY(!timer.isActive());
    QTest::qWait(20);
    QCOMPARE(fired.size(), 1);
    // A moment already past fires at once, from the loop.
    timer.start(-5);
    QCOMPARE(fired.size(), 1);
    QVERIFY(fired.wait(2000));
}

QTEST_GUILESS_MAIN(tst_Echo)
#include "tst_echo.moc"
