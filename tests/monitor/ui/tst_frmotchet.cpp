// The outage report window: its list, heading, refresh and resize rules.
#include "DurationText.h"
#include "FakeClock.h"
#include "Regional.h"
#include "Twips.h"
#include "TempDatabase.h"
#include "MonitorStore.h"
#include "HostState.h"
#include "frmOtchet.h"

#include <QLabel>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QSignalSpy>
#include <QTest>

using namespace monitor;

namespace {

// The window lists the monitor's own picture of the open outages; here it
// is read from the test's database as the monitor reads it when it opens.
struct Picture
{
    HostState outages;
    QString error;

    bool read()
    {
        auto store = MonitorStore::inlineOn(QLatin1String(QSqlDatabase::defaultConnection));
        bool ok = false;
        store->readOpenOutages(nullptr, [&](const MonitorStore::OpenRead &r) {
            ok = r.ok;
            error = r.error;
            if (ok)
                outages.reset(r.rows, {});
        });
        return ok;
    }
};

} // namespace

class tst_frmOtchet : public QObject
{
    Q_OBJECT

private slots:
    void listsOpenOutagesOnly_data();
    void listsOpenOutagesOnly();
    void emptyListKeepsHeading();
    void clickOnHeadingRefreshes();
    void resizeFollowsWidthAndKeepsHeightAboveFloor_data();
    void resizeFollowsWidthAndKeepsHeightAboveFloor();
    void unreadableLogIsReported();
    void openForCountsToTheHeadingsTime();
    void timeAlwaysStandsApartFromTheAddress();
    void columnsLineUp();
};

void tst_frmOtchet::listsOpenOutagesOnly_data()
{
    QTest::addColumn<QString>("desc");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("expectedStart");
    QTest::newRow("described") << QStringLiteral("Сервер") << QStringLiteral("127.0.0.2")
                               << QStringLiteral("Сервер[127.0.0.2]\t");
    QTest::newRow("no description begins with the bracket") << QString() << QStringLiteral("127.0.0.3")
                                                            << QStringLiteral("[127.0.0.3]\t");
    QTest::newRow("quotes as stored") << QStringLiteral("O'Brien's \"core\"") << QStringLiteral("10.0.0.1")
                                      << QStringLiteral("O'Brien's \"core\"[10.0.0.1]\t");
}

void tst_frmOtchet::listsOpenOutagesOnly()
{
    QFETCH(QString, desc);
    QFETCH(QString, ip);
    QFETCH(QString, expectedStart);
    TempDatabase db;
    db.exec(QStringLiteral("insert into logs (ip,\"desc\",time_begin) values (?,?,?)"),
            {ip, desc, QStringLiteral("2024-09-14 13:05:09")});
    db.exec(QStringLiteral("insert into logs (ip,\"desc\",time_begin,time_end,foe) values (?,?,?,?,1)"),
            {QStringLiteral("192.168.0.9"), QStringLiteral("closed"), QStringLiteral("2024-09-13 10:00:00"),
             QStringLiteral("2024-09-13 11:00:00")});
    FakeClock clock;
    frmOtchet w(&clock);
    Picture open;
    w.follow(&open.outages);
    QVERIFY(open.read());
    w.Label1_Click();
    const QDateTime began(QDate(2024, 9, 14), QTime(13, 5, 9));
    const QString when = Regional::generalDateTime(began) + QLatin1Char('\t')
        + DurationText::format(began.secsTo(clock.now()));
    QCOMPARE(w.listText(), expectedStart + when + QStringLiteral("\r\n"));
    QCOMPARE(w.txtOtch()->toPlainText(), expectedStart + when);
}

void tst_frmOtchet::emptyListKeepsHeading()
{
    TempDatabase db;
    FakeClock clock;
    frmOtchet w(&clock);
    Picture open;
    w.follow(&open.outages);
    QVERIFY(open.read());
    w.Label1_Click();
    QCOMPARE(w.listText(), QString());
    QCOMPARE(w.txtOtch()->toPlainText(), QString());
    QCOMPARE(w.headingCaption(),
             Regional::generalDateTime(clock.now()) + QStringLiteral(": нет соед. со след. адресами:"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Отсутствующие соединения"));
}

void tst_frmOtchet::clickOnHeadingRefreshes()
{
    TempDatabase db;
    FakeClock clock;
    frmOtchet w(&clock);
    Picture open;
    w.follow(&open.outages);
    QVERIFY(open.read());
    w.Label1_Click();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    db.exec(QStringLiteral("insert into logs (ip,\"desc\") values (?,?)"),
            {QStringLiteral("127.0.0.5"), QStringLiteral("a")});
    QVERIFY(open.read());
    clock.advanceMs(61000);
    QTest::mouseClick(w.label1(), Qt::LeftButton);
    QVERIFY(w.listText().startsWith(QStringLiteral("a[127.0.0.5]\t")));
    QVERIFY(w.headingCaption().startsWith(Regional::generalDateTime(clock.now())));
    // Every refresh replaces the list; nothing stays from an earlier one.
    w.Label1_Click();
    QCOMPARE(w.listText().count(QStringLiteral("\r\n")), 1);
}

void tst_frmOtchet::resizeFollowsWidthAndKeepsHeightAboveFloor_data()
{
    QTest::addColumn<int>("heightTwips");
    QTest::addColumn<bool>("heightFollows");
    QTest::newRow("taller") << 4000 << true;
    QTest::newRow("just above the list's top") << 330 << true;
    QTest::newRow("at the list's top") << 300 << false;
    QTest::newRow("very low") << 150 << false;
}

void tst_frmOtchet::resizeFollowsWidthAndKeepsHeightAboveFloor()
{
    QFETCH(int, heightTwips);
    QFETCH(bool, heightFollows);
    TempDatabase db;
    frmOtchet w;
    Picture open;
    w.follow(&open.outages);
    QVERIFY(open.read());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const int top = Twips::toPixelsY(300, &w);
    const int sliderHeight = Twips::toPixelsY(75, &w);
    QCOMPARE(w.txtOtch()->y(), top);
    w.resize(Twips::toPixelsX(3000, &w), Twips::toPixelsY(4000, &w));
    QTRY_COMPARE(w.txtOtch()->height(), w.height() - top);
    const int before = w.txtOtch()->height();

    const QSize size(Twips::toPixelsX(9000, &w), Twips::toPixelsY(heightTwips, &w));
    w.setMinimumSize(1, 1);
    w.resize(size);
    QTRY_COMPARE(w.size(), size);
    QCOMPARE(w.txtOtch()->width(), w.width());
    QCOMPARE(w.txtOtch()->height(), heightFollows ? w.height() - top : before);
    QCOMPARE(w.ctlTransp()->geometry(), QRect(0, 0, w.width(), sliderHeight));
    QCOMPARE(w.label1()->pos(), QPoint(0, Twips::toPixelsY(60, &w)));
}

void tst_frmOtchet::timeAlwaysStandsApartFromTheAddress()
{
    TempDatabase db;
    // Text before the tab of 23, 24 (the reported "Маршрутизатор[127.0.0.4]")
    // and 25 characters: just short of, on, and past a tab stop. A tab of the
    // description's own stays a blank.
    const QStringList descs = {QStringLiteral("Маршрутизато"), QStringLiteral("Маршрутизатор"),
                               QStringLiteral("Маршрутизатор2"), QStringLiteral("Этаж\t2")};
    // One open row per address: addresses of one length keep the line lengths.
    for (int i = 0; i < descs.size(); ++i)
        db.exec(QStringLiteral("insert into logs (ip,\"desc\",time_begin) values (?,?,?)"),
                {QStringLiteral("127.0.0.%1").arg(4 + i), descs.at(i), QStringLiteral("2026-12-07 15:02:23")});
    FakeClock clock;
    frmOtchet w(&clock);
    Picture open;
    w.follow(&open.outages);
    QVERIFY(open.read());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Label1_Click();
    QVERIFY(QFontInfo(w.txtOtch()->font()).fixedPitch());
    const qreal blank = QFontMetricsF(w.txtOtch()->font()).horizontalAdvance(QLatin1Char(' '));
    QTextDocument *doc = w.txtOtch()->document();
    QCOMPARE(doc->blockCount(), 4);
    QVERIFY(w.listText().contains(QStringLiteral("Этаж 2[127.0.0.7]\t")));
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const int tab = int(block.text().indexOf(QLatin1Char('\t')));
        QVERIFY(tab > 0);
        QCOMPARE(block.text().count(QLatin1Char('\t')), 2); // before the time and before how long it has been open
        QTRY_VERIFY(block.layout()->lineCount() > 0);
        const QTextLine line = block.layout()->lineAt(0);
        const qreal gap = line.cursorToX(tab + 1) - line.cursorToX(tab);
        QVERIFY2(gap >= blank - 0.5, qPrintable(QStringLiteral("%1: %2 < %3").arg(block.text()).arg(gap).arg(blank)));
    }
}

void tst_frmOtchet::unreadableLogIsReported()
{
    TempDatabase db;
    db.exec(QStringLiteral("drop table logs"));
    frmOtchet w;
    Picture open;
    w.follow(&open.outages);
    QVERIFY(!open.read());
    QVERIFY2(open.error.contains(QStringLiteral("logs")), qPrintable(open.error));
    w.Label1_Click();
    QVERIFY(w.listText().isEmpty());
    // The pointer is back to normal after the refresh.
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
}

// Each refresh counts every open outage's time afresh, to the heading's moment.
void tst_frmOtchet::openForCountsToTheHeadingsTime()
{
    TempDatabase db;
    FakeClock clock;
    const QDateTime now = clock.now();
    db.exec(QStringLiteral("insert into logs (ip,\"desc\",time_begin) values (?,?,?)"),
            {QStringLiteral("127.0.0.7"), QStringLiteral("x"),
             now.addSecs(-(2 * 3600 + 5 * 60)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
    db.exec(QStringLiteral("insert into logs (ip,\"desc\",time_begin) values (?,?,?)"),
            {QStringLiteral("127.0.0.8"), QStringLiteral("bad"), QStringLiteral("not a time")});
    frmOtchet w(&clock);
    Picture open;
    w.follow(&open.outages);
    QVERIFY(open.read());
    w.Label1_Click();
    QVERIFY(w.listText().contains(QStringLiteral("x[127.0.0.7]\t")));
    QVERIFY(w.listText().contains(QStringLiteral("\t2 ч 05 мин\r\n")));
    QVERIFY(w.listText().contains(QStringLiteral("bad[127.0.0.8]\tnot a time\r\n")));
    clock.advanceMs(3600 * 1000);
    w.Label1_Click();
    QVERIFY(w.listText().contains(QStringLiteral("\t3 ч 05 мин\r\n")));
}

// Descriptions of every length: each line's time, and how long it has been
// open, start where the other lines' do.
void tst_frmOtchet::columnsLineUp()
{
    TempDatabase db;
    const QStringList descs = {QString(), QStringLiteral("a"), QStringLiteral("Маршрутизатор"),
                               QStringLiteral("Коммутатор второго этажа, стойка 3")};
    for (int i = 0; i < descs.size(); ++i)
        db.exec(QStringLiteral("insert into logs (ip,\"desc\",time_begin) values (?,?,?)"),
                {QStringLiteral("10.0.%1.1").arg(i * 40), descs.at(i),
                 QStringLiteral("2026-12-07 15:0%1:23").arg(i)});
    FakeClock clock;
    frmOtchet w(&clock);
    Picture open;
    w.follow(&open.outages);
    QVERIFY(open.read());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Label1_Click();
    QList<qreal> timeAt;
    QList<qreal> openForAt;
    for (QTextBlock block = w.txtOtch()->document()->begin(); block.isValid(); block = block.next()) {
        QTRY_VERIFY(block.layout()->lineCount() > 0);
        const QTextLine line = block.layout()->lineAt(0);
        const int first = int(block.text().indexOf(QLatin1Char('\t')));
        const int second = int(block.text().indexOf(QLatin1Char('\t'), first + 1));
        QVERIFY(first > 0 && second > first);
        timeAt << line.cursorToX(first + 1);
        openForAt << line.cursorToX(second + 1);
    }
    QCOMPARE(timeAt.size(), descs.size());
    for (int i = 1; i < timeAt.size(); ++i) {
        QCOMPARE(timeAt.at(i), timeAt.first());
        QCOMPARE(openForAt.at(i), openForAt.first());
    }
}

QTEST_MAIN(tst_frmOtchet)
#include "tst_frmotchet.moc"