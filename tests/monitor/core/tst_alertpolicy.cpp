// Which outages ring: hosts behind a down parent, flapping hosts, outages not
// yet confirmed, mutes and maintenance. Each row plays a run of passes: the
// hosts down after each pass, and what the policy says in each.
//
// A pass's result reads "ip!" (rings), "ip!3" (rings, three hosts behind
// it), "ip^" (a held alarm given late), "ip~reason" (held; "~behind:R"
// names the parent), "ip+" (restoration rings), "ip+~reason", "flap:ip",
// "settled:ip"; "-" for a pass that decides nothing.
#include "AlertPolicy.h"

#include <QRegularExpression>
#include <QTest>

using namespace monitor;
using namespace monitor::AlertPolicy;

namespace {

// Pass k (from 1) is at 10:0k on Sunday 6 December 2026.
QDateTime passTime(int k)
{
    return QDateTime(QDate(2026, 12, 6), QTime(10, 0)).addSecs(60 * k);
}

QStringList seq(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list << QString::fromUtf8(item);
    return list;
}

QSet<QString> hostSet(const QString &text)
{
    const QStringList list = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return {list.cbegin(), list.cend()};
}

// "a>R b>a": a's parent is R, b's is a.
QHash<QString, QString> parentMap(const QString &text)
{
    QHash<QString, QString> map;
    for (const QString &pair : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        map.insert(pair.section(QLatin1Char('>'), 0, 0), pair.section(QLatin1Char('>'), 1, 1));
    return map;
}

// "h@3": h muted until pass 3's time; "*@": everything, until lifted;
// "h#2-4": a maintenance window over passes 2 to 4.
Quiet quietFrom(const QString &text)
{
    Quiet quiet;
    for (const QString &item : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const bool window = item.contains(QLatin1Char('#'));
        const QString ip = item.section(QRegularExpression(QStringLiteral("[@#]")), 0, 0);
        const QString when = item.section(QRegularExpression(QStringLiteral("[@#]")), 1);
        const QString host = ip == QLatin1String("*") ? QString() : ip;
        if (window) {
            const int from = when.section(QLatin1Char('-'), 0, 0).toInt();
            const int to = when.section(QLatin1Char('-'), 1, 1).toInt();
            quiet.windows << MaintenanceWindow{0, host, AlertRecords::AllWeekdays, passTime(from).time(), passTime(to + 1).time()};
        } else {
            quiet.mutes << Mute{host, when.isEmpty() ? QDateTime() : passTime(when.toInt())};
        }
    }
    return quiet;
}

QString describe(const Outcome &out)
{
    QStringList items;
    for (const Decision &d : out.decisions) {
        QString s = d.ip + (d.down ? QString() : QStringLiteral("+"));
        if (d.rings)
            s += d.down ? (d.late ? QStringLiteral("^") : QStringLiteral("!")) : QString();
        else
            s += QLatin1Char('~') + reasonName(d.reason) + (d.parentIp.isEmpty() ? QString() : QLatin1Char(':') + d.parentIp);
        if (d.behind > 0)
            s += QString::number(d.behind);
        items << s;
    }
    for (const QString &ip : out.startedFlapping)
        items << QStringLiteral("flap:") + ip;
    for (const QString &ip : out.settled)
        items << QStringLiteral("settled:") + ip;
    return items.isEmpty() ? QStringLiteral("-") : items.join(QLatin1Char(' '));
}

// Plays the passes; `downs` is each pass's down set, every host of `hosts` observed.
QStringList play(const Config &config, const QString &hosts, const QString &parents, const QString &quiet,
                 const QStringList &downs)
{
    State state;
    QSet<QString> before;
    QStringList results;
    const QStringList all = hosts.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int k = 0; k < downs.size(); ++k) {
        const QSet<QString> now = hostSet(downs.at(k));
        Pass pass;
        pass.now = passTime(k + 1);
        pass.parents = parentMap(parents);
        pass.quiet = quietFrom(quiet);
        for (const QString &ip : all) {
            pass.observed.insert(ip, now.contains(ip));
            if (now.contains(ip) && !before.contains(ip))
                pass.began << ip;
            if (!now.contains(ip) && before.contains(ip))
                pass.ended << ip;
        }
        const Outcome out = decide(config, state, pass);
        state = out.state;
        before = now;
        results << describe(out);
    }
    return results;
}

} // namespace

class tst_AlertPolicy : public QObject
{
    Q_OBJECT

private slots:
    void passes_data();
    void passes();
    void flappingEdges_data();
    void flappingEdges();
    void maintenanceWindow_data();
    void maintenanceWindow();
    void ringsEverythingOnlyWithDefaults();
    void parentCycleEnds();
};

void tst_AlertPolicy::passes_data()
{
    QTest::addColumn<int>("confirm");
    QTest::addColumn<QString>("parents");
    QTest::addColumn<QString>("quiet");
    QTest::addColumn<QStringList>("downs");
    QTest::addColumn<QStringList>("expected");

    const QString tree = QStringLiteral("a>R b>R c>a");  // c behind a behind R

    QTest::newRow("defaults: every change rings")
        << 1 << QString() << QString() << seq({"a b", "a", ""}) << seq({"a! b!", "b+", "a+"});
    QTest::newRow("parent and children in one pass: one alarm, two behind")
        << 1 << tree << QString() << seq({"R a b", "", ""})
        << seq({"R!2 a~behind:R b~behind:R", "R+ a+~behind:R b+~behind:R", "-"});
    QTest::newRow("grandparent, parent and child in one pass: all behind the top")
        << 1 << tree << QString() << seq({"R a c"})
        << seq({"R!2 a~behind:R c~behind:R"});
    QTest::newRow("child after its grandparent, in a later pass")
        << 1 << tree << QString() << seq({"R", "R c", "R a c"})
        << seq({"R!", "c~behind:R", "a~behind:R"});
    QTest::newRow("child down first rings; its parent later rings alone")
        << 1 << tree << QString() << seq({"a", "R a"}) << seq({"a!", "R!"});
    QTest::newRow("parent back first: the child still down rings then")
        << 1 << tree << QString() << seq({"R a", "a", ""})
        << seq({"R!1 a~behind:R", "R+ a^", "a+"});
    QTest::newRow("grandparent back first: the parent rings and counts the child")
        << 1 << tree << QString() << seq({"R a c", "a c", ""})
        << seq({"R!2 a~behind:R c~behind:R", "R+ a^1", "a+ c+~behind:a"});
    QTest::newRow("child back first: neither its outage nor its return rings")
        << 1 << tree << QString() << seq({"R a", "R", ""})
        << seq({"R!1 a~behind:R", "a+~behind:R", "R+"});

    QTest::newRow("confirmation 3: rings at the third pass down")
        << 3 << QString() << QString() << seq({"h", "h", "h", "h", ""})
        << seq({"h~unconfirmed", "-", "h^", "-", "h+"});
    QTest::newRow("confirmation 3: an outage of two passes never rings")
        << 3 << QString() << QString() << seq({"h", "h", "", ""})
        << seq({"h~unconfirmed", "-", "h+~unconfirmed", "-"});
    QTest::newRow("confirmation 2 behind a parent: the child waits for both")
        << 2 << tree << QString() << seq({"R a", "R a", "a", "a"})
        << seq({"R~unconfirmed a~behind:R", "R^1", "R+ a^", "-"});

    QTest::newRow("muted host: recorded quiet, rings when the mute expires while down")
        << 1 << QString() << QStringLiteral("h@3") << seq({"h", "h", "h", ""})
        << seq({"h~muted", "-", "h^", "h+"});
    QTest::newRow("mute expired before the outage: rings at once")
        << 1 << QString() << QStringLiteral("h@2") << seq({"", "", "h"}) << seq({"-", "-", "h!"});
    QTest::newRow("muted all, until lifted; others than the muted one are quiet too")
        << 1 << QString() << QStringLiteral("*@") << seq({"h g", ""})
        << seq({"h~muted g~muted", "h+~muted g+~muted"});
    QTest::newRow("back during the mute: quiet both ways")
        << 1 << QString() << QStringLiteral("h@5") << seq({"h", ""}) << seq({"h~muted", "h+~muted"});
    QTest::newRow("maintenance ends mid-outage: one late alarm")
        << 1 << QString() << QStringLiteral("h#1-2") << seq({"h", "h", "h", "h", ""})
        << seq({"h~maintenance", "-", "h^", "-", "h+"});
    QTest::newRow("maintenance starts mid-outage: no second alarm when it ends")
        << 1 << QString() << QStringLiteral("h#2-3") << seq({"h", "h", "h", "h", ""})
        << seq({"h!", "-", "-", "-", "h+"});
    QTest::newRow("maintenance starts mid-outage: the return inside it is quiet")
        << 1 << QString() << QStringLiteral("h#2-3") << seq({"h", "h", ""}) << seq({"h!", "-", "h+~maintenance"});
    QTest::newRow("maintenance of the parent: its children are behind it, quietly")
        << 1 << tree << QStringLiteral("R#1-1") << seq({"R a", "R a", ""})
        << seq({"R~maintenance a~behind:R", "R^1", "R+ a+~behind:R"});
}

void tst_AlertPolicy::passes()
{
    QFETCH(int, confirm);
    QFETCH(QString, parents);
    QFETCH(QString, quiet);
    QFETCH(QStringList, downs);
    QFETCH(QStringList, expected);
    Config config;
    config.confirmPasses = confirm;
    QCOMPARE(play(config, QStringLiteral("R a b c h g"), parents, quiet, downs), expected);
}

void tst_AlertPolicy::flappingEdges_data()
{
    QTest::addColumn<int>("changes");     // alternations of h from the first pass
    QTest::addColumn<int>("flapsAtPass"); // 0: never
    QTest::addColumn<int>("settlesAtPass");

    // 30 % of 21 passes is 6.3: the seventh change makes it flap. It settles
    // once fewer than 20 % (4.2, so four) changes are left in the window.
    QTest::newRow("six changes: under the high share") << 6 << 0 << 0;
    QTest::newRow("seven changes: flapping, settles when four are left") << 7 << 7 << 24;
    QTest::newRow("nine changes: flapping from the seventh") << 9 << 7 << 26;
}

void tst_AlertPolicy::flappingEdges()
{
    QFETCH(int, changes);
    QFETCH(int, flapsAtPass);
    QFETCH(int, settlesAtPass);
    Config config;
    config.flapping = true;
    QStringList downs;
    for (int k = 1; k <= 40; ++k)
        downs << ((k <= changes ? k % 2 == 1 : changes % 2 == 1) ? QStringLiteral("h") : QString());
    const QStringList results = play(config, QStringLiteral("h"), QString(), QString(), downs);
    int flaps = 0, settles = 0;
    for (int k = 0; k < results.size(); ++k) {
        if (results.at(k).contains(QLatin1String("flap:h")))
            flaps = k + 1;
        if (results.at(k).contains(QLatin1String("settled:h")))
            settles = k + 1;
    }
    QCOMPARE(flaps, flapsAtPass);
    QCOMPARE(settles, settlesAtPass);
    // Before the flapping is seen every change rings; while it lasts none does.
    for (int k = 0; k < results.size(); ++k) {
        const int pass = k + 1;
        const bool quietNow = flapsAtPass > 0 && pass >= flapsAtPass && pass < settlesAtPass;
        if (pass <= changes)
            QVERIFY2(results.at(k).contains(QLatin1String("~flapping")) == quietNow, qPrintable(results.at(k)));
    }
}

void tst_AlertPolicy::maintenanceWindow_data()
{
    QTest::addColumn<int>("weekdays");
    QTest::addColumn<QTime>("from");
    QTest::addColumn<QTime>("to");
    QTest::addColumn<QDateTime>("at");
    QTest::addColumn<bool>("inside");

    const int sunday = 1 << 6, monday = 1;
    const QDate sun(2026, 12, 6), mon(2026, 12, 7);
    QTest::newRow("inside on its day") << sunday << QTime(9, 0) << QTime(11, 0) << QDateTime(sun, QTime(10, 0)) << true;
    QTest::newRow("start is inside") << sunday << QTime(9, 0) << QTime(11, 0) << QDateTime(sun, QTime(9, 0)) << true;
    QTest::newRow("end is outside") << sunday << QTime(9, 0) << QTime(11, 0) << QDateTime(sun, QTime(11, 0)) << false;
    QTest::newRow("another day") << monday << QTime(9, 0) << QTime(11, 0) << QDateTime(sun, QTime(10, 0)) << false;
    QTest::newRow("overnight: evening of its day") << sunday << QTime(22, 0) << QTime(2, 0)
                                                   << QDateTime(sun, QTime(23, 30)) << true;
    QTest::newRow("overnight: the morning after") << sunday << QTime(22, 0) << QTime(2, 0)
                                                  << QDateTime(mon, QTime(1, 59)) << true;
    QTest::newRow("overnight: not the morning before") << sunday << QTime(22, 0) << QTime(2, 0)
                                                       << QDateTime(sun, QTime(1, 0)) << false;
    QTest::newRow("no days: never") << 0 << QTime(0, 0) << QTime(0, 0) << QDateTime(sun, QTime(10, 0)) << false;
    QTest::newRow("whole day (equal ends)") << sunday << QTime(0, 0) << QTime(0, 0) << QDateTime(sun, QTime(13, 0)) << true;
}

void tst_AlertPolicy::maintenanceWindow()
{
    QFETCH(int, weekdays);
    QFETCH(QTime, from);
    QFETCH(QTime, to);
    QFETCH(QDateTime, at);
    QFETCH(bool, inside);
    QCOMPARE(inWindow({0, QString(), weekdays, from, to}, at), inside);
}

void tst_AlertPolicy::ringsEverythingOnlyWithDefaults()
{
    const QDateTime now = passTime(1);
    QVERIFY(ringsEverything(Config(), false, Quiet(), now));
    Config flapping;
    flapping.flapping = true;
    QVERIFY(!ringsEverything(flapping, false, Quiet(), now));
    Config confirm;
    confirm.confirmPasses = 2;
    QVERIFY(!ringsEverything(confirm, false, Quiet(), now));
    QVERIFY(!ringsEverything(Config(), true, Quiet(), now));
    QVERIFY(!ringsEverything(Config(), false, quietFrom(QStringLiteral("h@5")), now));
    // An expired mute and a window elsewhere in the week change nothing.
    QVERIFY(ringsEverything(Config(), false, quietFrom(QStringLiteral("h@1 g#5-6")), now));
}

void tst_AlertPolicy::parentCycleEnds()
{
    // A cycle typed into the book must neither hang nor hide both hosts for ever.
    const QHash<QString, QString> parents = parentMap(QStringLiteral("a>b b>a"));
    QCOMPARE(downAncestor(QStringLiteral("a"), parents, {QStringLiteral("a"), QStringLiteral("b")}), QString());
    QCOMPARE(downAncestor(QStringLiteral("b"), parents, {QStringLiteral("a"), QStringLiteral("b")}), QString());
    // Above a loop the walk still ends, and finds a down host on it.
    const QHash<QString, QString> above = parentMap(QStringLiteral("c>a a>b b>a"));
    QCOMPARE(downAncestor(QStringLiteral("c"), above, {QStringLiteral("b")}), QStringLiteral("b"));
}

QTEST_GUILESS_MAIN(tst_AlertPolicy)
#include "tst_alertpolicy.moc"
