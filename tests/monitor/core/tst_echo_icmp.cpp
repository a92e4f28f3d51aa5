// Real ICMP over the loop-back of a private network namespace. Run only by
// tst_echo_icmp.sh, which makes the namespace, drops echo requests to
// 127.0.0.2 and to a set of 127.1.x.y addresses, and says which socket kind
// to use; outside it every case skips, so nothing reaches a real network.
#include "EchoProbe.h"
#include "FakeClock.h"
#include "IcmpTransport.h"
#include "ChangeLog.h"
#include "LatencyRecorder.h"
#include "PassReport.h"
#include "PollingEngine.h"
#include "TempDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace monitor;

namespace {

IcmpTransport::Kind wantedKind()
{
    const QByteArray kind = qgetenv("ORVANT_ICMP_KIND");
    return kind == "raw" ? IcmpTransport::Kind::Raw : IcmpTransport::Kind::Datagram;
}

QStringList linesOf(const char *variable)
{
    QFile f(QString::fromLocal8Bit(qgetenv(variable)));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Probes the targets over a fresh transport of the wanted kind.
std::vector<EchoProbe::Result> probe(const QList<EchoProbe::Target> &targets, qint64 *elapsedMs = nullptr)
{
    IcmpTransport transport(wantedKind());
    QString why;
    if (!transport.open(int(targets.size()) * EchoProbe::Attempts, &why)) {
        qWarning("open: %s", qPrintable(why));
        return {};
    }
    EchoProbe probe(&transport);
    QSignalSpy finished(&probe, &EchoProbe::finished);
    QElapsedTimer t;
    t.start();
    probe.start(targets);
    if (!finished.wait(20000))
        return {};
    if (elapsedMs)
        *elapsedMs = t.elapsed();
    return probe.results();
}

// Runs nft inside the test's namespace, to flip a host while a test runs.
bool nft(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("nft"), args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

class tst_EchoIcmp : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void socketKindAsAsked();
    void loopbackAnswers();
    void droppedHostTimesOut();
    void notAnAddressSendsNothing();
    void sendRefusedIsAFailureOfItsOwn();
    void manyHostsEachResultRight();
    void anotherProbersRepliesNotTaken();
    void repliesOfAClosedPassNeverReported();
    void burstPastOneChannelAllAnswered();
    void passLogsTheDroppedHost();
    void ipv6AddressesAnswerOrFailAsIPv4Does();
    void manyIpv6HostsEachResultRight();
    void forgedIpv6ReplyFromAnotherAddressIgnored();
    void mixedBookFlipOpensAndClosesRows();
    void burstRoundTripsFlat_data();
    void burstRoundTripsFlat();
    void withoutRightsNothingChangesAndOperatorIsTold();
};

void tst_EchoIcmp::init()
{
    if (qgetenv("ORVANT_ICMP_NETNS") != "1")
        QSKIP("runs only inside the network namespace made by tst_echo_icmp.sh");
    // Without ICMP rights only the case about that runs.
    const bool withoutRights = qgetenv("ORVANT_ICMP_KIND") == "none";
    if (withoutRights != (QTest::currentTestFunction() == QByteArray("withoutRightsNothingChangesAndOperatorIsTold")))
        QSKIP(withoutRights ? "needs ICMP rights" : "runs only without ICMP rights");
}

void tst_EchoIcmp::socketKindAsAsked()
{
    IcmpTransport transport(wantedKind());
    QString why;
    QVERIFY2(transport.open(4, &why), qPrintable(why));
    QCOMPARE(transport.kind(), wantedKind());
    // IPv6 opens with its first request, under the same choice of socket.
    quint32 cookie = 0;
    HostAddress loopback6;
    QVERIFY(HostAddress::parse(QStringLiteral("::1"), &loopback6));
    QCOMPARE(transport.send(loopback6, EchoProbe::payload(), &cookie), 0);
    QCOMPARE(transport.ipv6Kind(), wantedKind());
    // Sized for bursts of replies (the kernel reports twice what it grants).
    QVERIFY2(transport.receiveBufferBytes() >= 256 * 1024, qPrintable(QString::number(transport.receiveBufferBytes())));
}

void tst_EchoIcmp::loopbackAnswers()
{
    const auto r = probe({{QStringLiteral("127.0.0.1"), 500}});
    QCOMPARE(r.size(), size_t(1));
    QCOMPARE(r[0].status, 0);
    QCOMPARE(r[0].attempts, 1);
}

void tst_EchoIcmp::droppedHostTimesOut()
{
    qint64 ms = 0;
    const auto r = probe({{QStringLiteral("127.0.0.2"), 200}}, &ms);
    QCOMPARE(r.size(), size_t(1));
    QCOMPARE(r[0].status, 11010);
    QCOMPARE(r[0].attempts, 4);
    QVERIFY2(ms >= 790 && ms < 3000, qPrintable(QString::number(ms)));
}

void tst_EchoIcmp::notAnAddressSendsNothing()
{
    qint64 ms = 0;
    const auto r = probe({{QStringLiteral("localhost"), 500}, {QStringLiteral("255.255.255.255"), 500}}, &ms);
    QCOMPARE(r.size(), size_t(2));
    QCOMPARE(r[0].status, -1);
    QCOMPARE(r[1].status, -1);
    QVERIFY(ms < 400);
}

void tst_EchoIcmp::sendRefusedIsAFailureOfItsOwn()
{
    // The script drops requests to 127.0.0.3 on the output hook: sendto fails
    // (EPERM), so each attempt fails at once instead of timing out.
    qint64 ms = 0;
    const auto r = probe({{QStringLiteral("127.0.0.3"), 500}}, &ms);
    QCOMPARE(r.size(), size_t(1));
    QCOMPARE(r[0].status, int(EchoTransport::GeneralFailure));
    QCOMPARE(r[0].attempts, 4);
    QVERIFY2(ms < 450, qPrintable(QString::number(ms)));
}

void tst_EchoIcmp::manyHostsEachResultRight()
{
    const QStringList hosts = linesOf("ORVANT_HOSTS_FILE");
    const QStringList dropped = linesOf("ORVANT_DROPPED_FILE");
    QVERIFY(hosts.size() >= 100);
    QVERIFY(!dropped.isEmpty());
    const QSet<QString> down(dropped.cbegin(), dropped.cend());
    QList<EchoProbe::Target> targets;
    for (const QString &h : hosts)
        targets.append({h, 200});
    qint64 ms = 0;
    const auto r = probe(targets, &ms);
    QCOMPARE(r.size(), size_t(hosts.size()));
    for (int i = 0; i < hosts.size(); ++i) {
        const int expected = down.contains(hosts[i]) ? 11010 : 0;
        QVERIFY2(r[size_t(i)].status == expected,
                 qPrintable(QStringLiteral("%1: %2").arg(hosts[i]).arg(r[size_t(i)].status)));
    }
    // All at once: about four timeouts in all, not four per dropped host.
    QVERIFY2(ms < 3000, qPrintable(QString::number(ms)));
}

void tst_EchoIcmp::anotherProbersRepliesNotTaken()
{
    // Ours waits on a host that never answers while another prober on the
    // same machine gets answers with the same sequence numbers.
    IcmpTransport ours(wantedKind());
    IcmpTransport other(wantedKind());
    QString why;
    QVERIFY2(ours.open(4, &why) && other.open(40, &why), qPrintable(why));
    QSignalSpy oursReplies(&ours, &EchoTransport::replyReceived);
    QSignalSpy otherReplies(&other, &EchoTransport::replyReceived);
    quint32 cookie = 0;
    QCOMPARE(ours.send(HostAddress::ipv4(0x7f000002), EchoProbe::payload(), &cookie), 0);
    for (int i = 0; i < 20; ++i)
        QCOMPARE(other.send(HostAddress::ipv4(0x7f000001), EchoProbe::payload(), &cookie), 0);
    QTRY_COMPARE_WITH_TIMEOUT(otherReplies.size(), 20, 3000);
    QTest::qWait(50);
    QCOMPARE(oursReplies.size(), 0);
}

void tst_EchoIcmp::repliesOfAClosedPassNeverReported()
{
    IcmpTransport transport(wantedKind());
    QSignalSpy replies(&transport, &EchoTransport::replyReceived);
    QString why;
    QVERIFY2(transport.open(4, &why), qPrintable(why));
    quint32 first = 0;
    QCOMPARE(transport.send(HostAddress::ipv4(0x7f000001), EchoProbe::payload(), &first), 0);
    transport.close();  // the reply is already queued or on its way
    QVERIFY(transport.open(4, &why));
    QTest::qWait(100);
    QCOMPARE(replies.size(), 0);
    quint32 second = 0;
    QCOMPARE(transport.send(HostAddress::ipv4(0x7f000001), EchoProbe::payload(), &second), 0);
    QVERIFY(second != first);
    QTRY_COMPARE_WITH_TIMEOUT(replies.size(), 1, 3000);
    QCOMPARE(replies.first().at(0).toUInt(), second);
    QCOMPARE(replies.first().at(1).value<HostAddress>(), HostAddress::ipv4(0x7f000001));
}

void tst_EchoIcmp::burstPastOneChannelAllAnswered()
{
    // More requests than one identifier has sequence numbers, sent as fast as
    // the socket takes them: every one is answered once, under its own cookie.
    constexpr int Requests = 65536 + 64;
    IcmpTransport transport(wantedKind());
    QString why;
    QVERIFY2(transport.open(Requests, &why), qPrintable(why));
    QSet<quint32> sent;
    QSet<quint32> answered;
    int duplicates = 0;
    connect(&transport, &EchoTransport::replyReceived, this, [&](quint32 cookie, const HostAddress &) {
        if (answered.contains(cookie))
            ++duplicates;
        answered.insert(cookie);
    });
    QElapsedTimer t;
    t.start();
    while (sent.size() < Requests && t.elapsed() < 60000) {
        quint32 cookie = 0;
        const int status = transport.send(HostAddress::ipv4(0x7f000001), EchoProbe::payload(), &cookie);
        if (status == 0)
            sent.insert(cookie);
        else
            QCOMPARE(status, EchoTransport::TryAgain);
        if (status != 0 || sent.size() % 4096 == 0)
            QCoreApplication::processEvents();
    }
    QCOMPARE(sent.size(), Requests);
    QTRY_COMPARE_WITH_TIMEOUT(answered.size(), Requests, 20000);
    QCOMPARE(duplicates, 0);
    QCOMPARE(answered, sent);
}

void tst_EchoIcmp::passLogsTheDroppedHost()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("delete from addrs"));
    db.exec(QStringLiteral("insert into addrs values ('127.0.0.1','up',200),('127.0.0.2','dropped',100)"));
    IcmpTransport transport(wantedKind());
    FakeClock clock;
    PollingEngine engine(&transport, &clock);
    ChangeLog changes(&engine);
    QSignalSpy finished(&engine, &PollingEngine::passEnded);
    for (int pass = 1; pass <= 2; ++pass) {
        engine.CheckAll();
        QVERIFY(finished.wait(10000));
    }
    QCOMPARE(changes.began.size(), 1);
    QCOMPARE(changes.began.first().ip, QStringLiteral("127.0.0.2"));
    QCOMPARE(db.rows(QStringLiteral("select ip,foe from logs")), QStringList(QStringLiteral("127.0.0.2|0")));
}

void tst_EchoIcmp::ipv6AddressesAnswerOrFailAsIPv4Does()
{
    qint64 ms = 0;
    const auto r = probe({{QStringLiteral("::1"), 500},
                          {QStringLiteral("fd00::1"), 500},
                          {QStringLiteral("fd00::abcd"), 500},
                          {QStringLiteral("::ffff:127.0.0.1"), 500},  // probed as IPv4
                          {QStringLiteral("fe80::1%lo"), 500},
                          {QStringLiteral("fd00::2"), 200},           // dropped on input
                          {QStringLiteral("fd00::3"), 200},           // refused on output
                          {QStringLiteral("fe80::1%nosuchif"), 500},
                          {QStringLiteral("::ffff:127.0.0.2"), 200}}, // dropped, as IPv4
                         &ms);
    QCOMPARE(r.size(), size_t(9));
    for (int i = 0; i < 5; ++i) {
        QVERIFY2(r[size_t(i)].status == 0, qPrintable(QString::number(i)));
        QCOMPARE(r[size_t(i)].attempts, 1);
    }
    QCOMPARE(r[5].status, 11010);
    QCOMPARE(r[5].attempts, 4);
    // An output drop fails sendto on raw ICMPv6; the datagram socket's send
    // goes through and the request is lost, a timeout. Down either way.
    QVERIFY2(r[6].status == int(EchoTransport::GeneralFailure) || r[6].status == 11010,
             qPrintable(QString::number(r[6].status)));
    QCOMPARE(r[6].attempts, 4);
    QCOMPARE(r[7].status, -1);
    QCOMPARE(r[8].status, 11010);
    QVERIFY2(ms >= 790 && ms < 3000, qPrintable(QString::number(ms)));
}

void tst_EchoIcmp::manyIpv6HostsEachResultRight()
{
    const QStringList hosts = linesOf("ORVANT_HOSTS6_FILE");
    const QStringList dropped = linesOf("ORVANT_DROPPED6_FILE");
    QVERIFY(hosts.size() >= 100);
    QVERIFY(!dropped.isEmpty());
    const QSet<QString> down(dropped.cbegin(), dropped.cend());
    QList<EchoProbe::Target> targets;
    // Interleaved with IPv4 hosts: one pass, both families at once.
    const QStringList hosts4 = linesOf("ORVANT_HOSTS_FILE");
    const QStringList dropped4 = linesOf("ORVANT_DROPPED_FILE");
    const QSet<QString> down4(dropped4.cbegin(), dropped4.cend());
    QStringList all;
    for (int i = 0; i < hosts.size(); ++i) {
        all << hosts[i];
        if (i < hosts4.size())
            all << hosts4[i];
    }
    for (const QString &h : all)
        targets.append({h, 200});
    qint64 ms = 0;
    const auto r = probe(targets, &ms);
    QCOMPARE(r.size(), size_t(all.size()));
    for (int i = 0; i < all.size(); ++i) {
        const int expected = down.contains(all[i]) || down4.contains(all[i]) ? 11010 : 0;
        QVERIFY2(r[size_t(i)].status == expected,
                 qPrintable(QStringLiteral("%1: %2").arg(all[i]).arg(r[size_t(i)].status)));
    }
    QVERIFY2(ms < 3000, qPrintable(QString::number(ms)));
}

void tst_EchoIcmp::forgedIpv6ReplyFromAnotherAddressIgnored()
{
    // The kernel stops answering, so our request to ::1 is seen only by a raw
    // socket of the test, which answers it itself: first from fd00::99 (a
    // local address that was not asked), then from ::1. Same identifier,
    // sequence and payload both times; only the second may count.
    QFile ignore(QStringLiteral("/proc/sys/net/ipv6/icmp/echo_ignore_all"));
    QVERIFY(ignore.open(QIODevice::WriteOnly));
    QVERIFY(ignore.write("1\n") == 2);
    ignore.close();
    const auto restore = qScopeGuard([] {
        QFile f(QStringLiteral("/proc/sys/net/ipv6/icmp/echo_ignore_all"));
        if (f.open(QIODevice::WriteOnly))
            f.write("0\n");
    });

    const int snoop = ::socket(AF_INET6, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMPV6);
    QVERIFY2(snoop >= 0, std::strerror(errno));
    const auto closeSnoop = qScopeGuard([snoop] { ::close(snoop); });
    icmp6_filter filter{};
    ICMP6_FILTER_SETBLOCKALL(&filter);
    ICMP6_FILTER_SETPASS(ICMP6_ECHO_REQUEST, &filter);
    QCOMPARE(setsockopt(snoop, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter), 0);

    IcmpTransport transport(wantedKind());
    QString why;
    QVERIFY2(transport.open(4, &why), qPrintable(why));
    EchoProbe probe(&transport);
    QSignalSpy finished(&probe, &EchoProbe::finished);
    probe.start({{QStringLiteral("::1"), 3000}});

    unsigned char request[256];
    ssize_t got = -1;
    for (int i = 0; i < 200 && got < 0; ++i) {
        got = ::recv(snoop, request, sizeof request, 0);
        if (got < 0)
            QTest::qWait(10);
    }
    QVERIFY2(got == 8 + EchoProbe::payload().size(), qPrintable(QString::number(got)));
    QCOMPARE(int(request[0]), int(ICMP6_ECHO_REQUEST));
    request[0] = ICMP6_ECHO_REPLY;
    request[2] = request[3] = 0;  // the kernel sums raw ICMPv6

    const auto answerFrom = [&](const char *source) {
        const int fd = ::socket(AF_INET6, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMPV6);
        if (fd < 0)
            return false;
        sockaddr_in6 from{};
        from.sin6_family = AF_INET6;
        inet_pton(AF_INET6, source, &from.sin6_addr);
        sockaddr_in6 to{};
        to.sin6_family = AF_INET6;
        to.sin6_addr = in6addr_loopback;
        const bool ok = ::bind(fd, reinterpret_cast<sockaddr *>(&from), sizeof from) == 0
            && ::sendto(fd, request, size_t(got), 0, reinterpret_cast<sockaddr *>(&to), sizeof to) == got;
        ::close(fd);
        return ok;
    };
    QVERIFY(answerFrom("fd00::99"));
    QTest::qWait(300);
    QCOMPARE(finished.size(), 0);
    QVERIFY(answerFrom("::1"));
    QVERIFY(finished.wait(2000));
    QCOMPARE(probe.results().at(0).status, 0);
    QCOMPARE(probe.results().at(0).attempts, 1);
}

void tst_EchoIcmp::mixedBookFlipOpensAndClosesRows()
{
    // Both families in one book; fd00::5 and 127.0.0.2 stay down, fd00::6
    // goes down in the second pass and comes back in the third.
    QVERIFY(nft({QStringLiteral("flush"), QStringLiteral("set"), QStringLiteral("inet"), QStringLiteral("echo_test"),
                 QStringLiteral("flip6")}));
    QVERIFY(nft({QStringLiteral("add"), QStringLiteral("element"), QStringLiteral("inet"), QStringLiteral("echo_test"),
                 QStringLiteral("flip6"), QStringLiteral("{ fd00::5 }")}));
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("delete from addrs"));
    db.exec(QStringLiteral("insert into addrs values ('127.0.0.1','v4 up',200),('fd00::5','v6 down',100),"
                           "('::1','v6 up',200),('fd00::6','v6 flips',100),('127.0.0.2','v4 down',100),"
                           "('::ffff:127.0.0.1','mapped up',200)"));
    IcmpTransport transport(wantedKind());
    FakeClock clock;
    PollingEngine engine(&transport, &clock);
    ChangeLog changes(&engine);
    QSignalSpy finished(&engine, &PollingEngine::passEnded);
    const auto pass = [&] {
        engine.CheckAll();
        return finished.wait(10000);
    };
    QVERIFY(pass());
    // Both time out together: the order of decision between them is open.
    QCOMPARE(db.rows(QStringLiteral("select ip,foe from logs order by ip")),
             QStringList({QStringLiteral("127.0.0.2|0"), QStringLiteral("fd00::5|0")}));
    QVERIFY(nft({QStringLiteral("add"), QStringLiteral("element"), QStringLiteral("inet"), QStringLiteral("echo_test"),
                 QStringLiteral("flip6"), QStringLiteral("{ fd00::6 }")}));
    QVERIFY(pass());
    QCOMPARE(changes.began.size(), 3);
    QCOMPARE(changes.began.last().ip, QStringLiteral("fd00::6"));
    QVERIFY(nft({QStringLiteral("delete"), QStringLiteral("element"), QStringLiteral("inet"), QStringLiteral("echo_test"),
                 QStringLiteral("flip6"), QStringLiteral("{ fd00::6 }")}));
    QVERIFY(pass());
    QCOMPARE(changes.ended.size(), 1);
    QCOMPARE(changes.ended.first().ip, QStringLiteral("fd00::6"));
    QCOMPARE(db.rows(QStringLiteral("select ip,foe from logs order by ip")),
             QStringList({QStringLiteral("127.0.0.2|0"), QStringLiteral("fd00::5|0"), QStringLiteral("fd00::6|1")}));
    QVERIFY(nft({QStringLiteral("flush"), QStringLiteral("set"), QStringLiteral("inet"), QStringLiteral("echo_test"),
                 QStringLiteral("flip6")}));
}

void tst_EchoIcmp::burstRoundTripsFlat_data()
{
    QTest::addColumn<QString>("addressExpression");  // of i, 0..1999, in SQLite
    QTest::newRow("IPv4") << QStringLiteral("'127.2.' || (i / 250) || '.' || (i % 250 + 1)");
    QTest::newRow("IPv6") << QStringLiteral("printf('fd00::2:%x', i + 1)");
}

void tst_EchoIcmp::burstRoundTripsFlat()
{
    // 2,000 hosts on loop-back, all answering within microseconds. The
    // replies of the first ones wait in the socket while the rest are
    // sent; timed from their arrival, their round trips are as short as
    // those of the last ones, as the engine hands them to the recording.
    QFETCH(QString, addressExpression);
    constexpr int Hosts = 2000;
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("delete from addrs"));
    db.exec(QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < %1) "
                           "insert into addrs (ip_addr, descript, ping_timeout) select %2, 'h' || i, 1000 from n")
                .arg(Hosts - 1)
                .arg(addressExpression));
    IcmpTransport transport(wantedKind());
    FakeClock clock;
    PollingEngine engine(&transport, &clock);
    std::vector<LatencySample> samples;
    connect(&engine, &PollingEngine::passEnded, this, [&](const PassReport &report) {
        if (report.samples)
            samples = *report.samples;
    });
    QSignalSpy finished(&engine, &PollingEngine::passEnded);
    engine.CheckAll();
    QVERIFY(finished.wait(20000));
    QCOMPARE(int(samples.size()), Hosts);
    std::vector<qint64> rtts;
    for (const LatencySample &s : samples) {
        QVERIFY2(s.lost == 0 && s.rttUs, qPrintable(s.ip));
        rtts.push_back(*s.rttUs);
    }
    const auto medianOf = [](std::vector<qint64> v) {
        std::nth_element(v.begin(), v.begin() + qsizetype(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    const qint64 first = medianOf({rtts.begin(), rtts.begin() + Hosts / 10});
    const qint64 last = medianOf({rtts.end() - Hosts / 10, rtts.end()});
    qInfo("median round trip, first and last tenth of the burst: %lld us, %lld us", first, last);
    QVERIFY2(first < 500 && last < 500, qPrintable(QStringLiteral("%1 / %2 us").arg(first).arg(last)));
    QVERIFY2(qAbs(first - last) < 250, qPrintable(QStringLiteral("%1 / %2 us").arg(first).arg(last)));
}

void tst_EchoIcmp::withoutRightsNothingChangesAndOperatorIsTold()
{
    // Run with ping_group_range closed and CAP_NET_RAW dropped.
    IcmpTransport probeOnly;
    QString why;
    QVERIFY(!probeOnly.open(4, &why));
    QVERIFY2(why.contains(QStringLiteral("datagram")) && why.contains(QStringLiteral("raw")), qPrintable(why));

    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("delete from addrs"));
    db.exec(QStringLiteral("insert into addrs values ('127.0.0.1','up',100),('127.0.0.2','dropped',100),"
                           "('::1','up6',100),('fd00::2','dropped6',100)"));
    db.exec(QStringLiteral("insert into logs (ip,\"desc\") values ('127.0.0.1','up'),('::1','up6')"));
    IcmpTransport transport;
    FakeClock clock;
    PollingEngine engine(&transport, &clock);
    QSignalSpy told(&engine, &PollingEngine::probeUnavailable);
    ChangeLog changes(&engine);
    QSignalSpy finished(&engine, &PollingEngine::passEnded);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("ICMP")));
    for (int pass = 1; pass <= 3; ++pass) {
        engine.CheckAll();
        QVERIFY(finished.wait(10000));
    }
    QCOMPARE(told.size(), 1);
    QVERIFY(told.first().at(0).toString().contains(QStringLiteral("setcap cap_net_raw+ep")));
    QCOMPARE(changes.all.size(), 0);
    QCOMPARE(db.rows(QStringLiteral("select ip,foe from logs")),
             QStringList({QStringLiteral("127.0.0.1|0"), QStringLiteral("::1|0")}));
}

QTEST_GUILESS_MAIN(tst_EchoIcmp)
#include "tst_echo_icmp.moc"
