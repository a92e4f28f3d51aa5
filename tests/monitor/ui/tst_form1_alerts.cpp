// The main window's alarms with the alert policy at work: one alarm for a
// router and what is behind it, the reason on the quiet line and in the
// marks table, the child's alarm once the router is back, a mute, and the
// tray that shows an open outage. (The defaults are tst_form1's.)
#include "FakeClock.h"
#include "FakeEchoTransport.h"
#include "FakeNotifier.h"
#include "FakePrompts.h"
#include "FakeSoundPlayer.h"
#include "FakeTickSource.h"
#include "FakeTray.h"
#include "Form1.h"
#include "FormatGrid.h"
#include "MonitorSession.h"
#include "PollingEngine.h"
#include "TempDatabase.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace monitor;

namespace {

const QString Router = QStringLiteral("127.0.0.1");
const QString Child = QStringLiteral("127.0.0.2");

struct Rig
{
    TempDatabase db;
    QTemporaryDir lockDir;
    QTemporaryDir programDir;
    FakeClock clock;
    FakeEchoTransport transport;
    PollingEngine engine{&transport, &clock};
    FakeTickSource ticks;
    FakeTray tray;
    FakeSoundPlayer sound;
    FakePrompts boxes;
    FakeNotifier notifier;
    std::unique_ptr<MonitorSession> session;
    std::unique_ptr<Form1> form;

    Rig()
    {
        db.exec(QStringLiteral("delete from addrs"));
        db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values (?,?,0),(?,?,0)"),
                {Router, QStringLiteral("Маршрутизатор"), Child, QStringLiteral("Сервер")});
        db.exec(QStringLiteral("update options set refresh_time=5,snd_err='err-sound',snd_rest='rest-sound',\"view\"=0"));
    }

    bool load()
    {
        SessionSetup setup;
        setup.databasePath = db.path();
        setup.programDirectory = programDir.path();
        setup.lockDirectory = lockDir.path();
        setup.databaseLockDirectory = lockDir.path();
        Form1Services s;
        s.clock = &clock;
        s.ticks = &ticks;
        s.tray = &tray;
        s.sound = &sound;
        s.notifier = &notifier;
        s.programDirectory = programDir.path();
        session = std::make_unique<MonitorSession>(setup, &engine, &clock);
        form = std::make_unique<Form1>(boxes, *session, s);
        return form->load();
    }

    ~Rig()
    {
        // The window goes before the session it shows.
        form.reset();
        session.reset();
    }

    bool pass()
    {
        QSignalSpy finished(&engine, &PollingEngine::passEnded);
        form->cmdT2L()->click();
        return finished.count() > 0 || finished.wait(10000);
    }

    // The event line of ip, newest first, and its colour.
    int lineOf(const QString &ip, const QColor &color) const
    {
        for (int row = 0; row < form->fg()->rowCount(); ++row) {
            if (form->fg()->text(row, 3) == ip && form->fg()->textColor(row, 3) == color)
                return row;
        }
        return -1;
    }
};

} // namespace

class tst_Form1Alerts : public QObject
{
    Q_OBJECT

private slots:
    void routerAndChildOneAlarm();
    void mutedHostStaysQuiet();
    void mutedWhileDownItsReturnStillEndsTheBubble();
};

void tst_Form1Alerts::routerAndChildOneAlarm()
{
    Rig rig;
    QVERIFY(rig.db.exec(QStringLiteral("insert into addr_parents (ip_addr,parent_ip) values (?,?)"), {Child, Router}));
    QVERIFY(rig.load());
    QTRY_VERIFY(!rig.session->alerts().loaded().parents.isEmpty());
    QCOMPARE(rig.form->trayToolTip(), QStringLiteral("Orvant"));
    // What the alert channels are handed at each pass's end.
    QList<QList<alerts::HostChange>> sent;
    QObject::connect(&rig.engine, &PollingEngine::passEnded,
                     [&](const PassReport &report) { sent << report.alertChanges(); });
    auto loud = [&](int pass) {
        QStringList hosts;
        for (const alerts::HostChange &c : sent.value(pass)) {
            if (!c.suppressed)
                hosts << QStringLiteral("%1 %2 %3")
                             .arg(c.event == alerts::Event::Down ? QLatin1Char('D') : QLatin1Char('U'))
                             .arg(c.address)
                             .arg(c.behind);
        }
        return hosts;
    };

    rig.transport.setDown(Router);
    rig.transport.setDown(Child);
    QVERIFY(rig.pass());
    // Both lines drawn; one sound, one notification naming the host behind.
    QCOMPARE(rig.form->fg()->rowCount(), 2);
    QCOMPARE(rig.sound.played, QStringList{QStringLiteral("err-sound")});
    QCOMPARE(rig.notifier.calls.size(), 1);
    QCOMPARE(rig.notifier.calls.at(0).began.size(), 1);
    QCOMPARE(rig.notifier.calls.at(0).began.at(0).ip, Router);
    QCOMPARE(rig.notifier.calls.at(0).began.at(0).behind, 1);
    const int childLine = rig.lineOf(Child, QColor(255, 0, 0));
    QVERIFY(childLine >= 0);
    QVERIFY(rig.form->fg()->cellToolTip(childLine, 3).endsWith(QStringLiteral("Без сигнала: за недоступным Маршрутизатор")));
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.at(0).size(), 2);  // the child's too, marked suppressed
    QCOMPARE(loud(0), QStringList{QStringLiteral("D 127.0.0.1 1")});
    QVERIFY(!rig.form->fg()->cellToolTip(rig.lineOf(Router, QColor(255, 0, 0)), 3).contains(QStringLiteral("Без сигнала")));
    QTRY_COMPARE(rig.db.scalar(QStringLiteral("select reason||'/'||detail from outage_marks where ip_addr=?"), {Child})
                     .toString(),
                 QStringLiteral("behind/Маршрутизатор"));
    // The mark names the outage row as the log keeps it.
    QCOMPARE(rig.db.scalar(QStringLiteral("select count(*) from logs l join outage_marks m "
                                          "on m.ip_addr=l.ip and m.time_begin=l.time_begin"))
                 .toInt(),
             1);
    // The window is in the tray, which shows the open outages.
    QVERIFY(rig.tray.isIconVisible());
    QCOMPARE(rig.tray.toolTip, QStringLiteral("Orvant\nНет соединения: 2 адр."));

    // The router back, the child not: now the child rings.
    rig.transport.setUp(Router);
    QVERIFY(rig.pass());
    QCOMPARE(rig.notifier.calls.size(), 2);
    QCOMPARE(rig.notifier.calls.at(1).began.size(), 1);
    QCOMPARE(rig.notifier.calls.at(1).began.at(0).ip, Child);
    QCOMPARE(rig.notifier.calls.at(1).ended.size(), 1);
    QCOMPARE(rig.notifier.calls.at(1).ended.at(0).ip, Router);
    QCOMPARE(rig.sound.played.count(QStringLiteral("err-sound")), 2);
    QCOMPARE(rig.tray.toolTip, QStringLiteral("Orvant\nНет соединения: 1 адр."));
    // The channels hear the child's late alarm too, with its outage's begin.
    QCOMPARE(loud(1), (QStringList{QStringLiteral("U 127.0.0.1 0"), QStringLiteral("D 127.0.0.2 0")}));
    QCOMPARE(sent.at(1).last().begin, sent.at(0).at(sent.at(0).at(0).address == Child ? 0 : 1).begin);
    QVERIFY(sent.at(1).last().begin.isValid());

    rig.transport.setUp(Child);
    QVERIFY(rig.pass());
    QCOMPARE(rig.tray.toolTip, QStringLiteral("Orvant"));
}

void tst_Form1Alerts::mutedHostStaysQuiet()
{
    Rig rig;
    QVERIFY(rig.load());
    rig.session->muteHost(Child, rig.clock.now().addSecs(3600));
    QTRY_COMPARE(rig.session->alerts().loaded().quiet.mutes.size(), 1);

    rig.transport.setDown(Child);
    QVERIFY(rig.pass());
    QCOMPARE(rig.form->fg()->rowCount(), 1);
    QVERIFY(rig.sound.played.isEmpty());
    QVERIFY(rig.notifier.calls.isEmpty());
    QVERIFY(rig.form->fg()->cellToolTip(0, 3).endsWith(QStringLiteral("Без сигнала: сигналы отключены")));

    // Lifted while still down: the alarm it did not give comes now, once.
    rig.session->unmuteHost(Child);
    QTRY_VERIFY(rig.session->alerts().loaded().quiet.mutes.isEmpty());
    QVERIFY(rig.pass());
    QCOMPARE(rig.sound.played, QStringList{QStringLiteral("err-sound")});
    QCOMPARE(rig.notifier.calls.size(), 1);
    QVERIFY(rig.pass());
    QCOMPARE(rig.notifier.calls.size(), 1);
}

// Muted from the event line's menu while its outage notification is up:
// the return rings nothing, but the notifier hears it is back, so the
// bubble naming it can go.
void tst_Form1Alerts::mutedWhileDownItsReturnStillEndsTheBubble()
{
    Rig rig;
    QVERIFY(rig.load());
    rig.transport.setDown(Child);
    QVERIFY(rig.pass());
    QCOMPARE(rig.notifier.calls.size(), 1);
    rig.session->muteHost(Child, QDateTime());
    QTRY_COMPARE(rig.session->alerts().loaded().quiet.mutes.size(), 1);
    rig.transport.setUp(Child);
    QVERIFY(rig.pass());
    QCOMPARE(rig.notifier.calls.size(), 1);
    QCOMPARE(rig.notifier.back, QStringList{Child});
}

QTEST_MAIN(tst_Form1Alerts)
#include "tst_form1_alerts.moc"
