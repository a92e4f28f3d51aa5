// The monitor's main window: start-up, event lines, tray, alerts, menus and
// quitting, driven by the real polling engine on a scripted transport and a
// real database file.
#include "FakeClock.h"
#include "FakeEchoTransport.h"
#include "FakePrompts.h"
#include "FakeNotifier.h"
#include "FakeSoundPlayer.h"
#include "FakeTickSource.h"
#include "FakeTray.h"
#include "Form1.h"
#include "MonitorSession.h"
#include "FormatGrid.h"
#include "Language.h"
#include "WidestValues.h"
#include "PollingEngine.h"
#include "Regional.h"
#include "Twips.h"
#include "Database.h"
#include "SingleInstance.h"
#include "TempDatabase.h"
#include "ctlTranspSliderH.h"
#include "frmOtchet.h"
#include "mouse_scroll.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QWheelEvent>

#include <csignal>
#include <cstdio>
#include <memory>

#include <unistd.h>

using namespace monitor;

namespace {

const QString Down = QStringLiteral("127.0.0.2");

// One monitor with every seam faked except the engine and the database.
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

    explicit Rig(int view = 0)
    {
        db.exec(QStringLiteral("delete from addrs"));
        db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values (?,?,?)"),
                {Down, QStringLiteral("Сервер"), 0});
        db.exec(QStringLiteral("update options set refresh_time=5,snd_err='err-sound',snd_rest='rest-sound',\"view\"=?"),
                {view});
    }

    SessionSetup setup(const QString &databasePath = QString()) const
    {
        SessionSetup s;
        s.databasePath = databasePath.isEmpty() ? db.path() : databasePath;
        s.programDirectory = programDir.path();
        s.lockDirectory = lockDir.path();
        s.databaseLockDirectory = lockDir.path();
        return s;
    }

    Form1Services services() const
    {
        Form1Services s;
        s.clock = &clock;
        s.ticks = &ticks;
        s.tray = const_cast<FakeTray *>(&tray);
        s.sound = const_cast<FakeSoundPlayer *>(&sound);
        s.notifier = const_cast<FakeNotifier *>(&notifier);
        s.programDirectory = programDir.path();
        return s;
    }

    bool load(const QString &databasePath = QString())
    {
        form.reset();
        session = std::make_unique<MonitorSession>(setup(databasePath), &engine, &clock);
        form = std::make_unique<Form1>(boxes, *session, services());
        return form->load();
    }

    ~Rig()
    {
        // The window goes before the session it shows.
        form.reset();
        session.reset();
    }

    // A forced pass, waited for.
    bool pass()
    {
        QSignalSpy finished(&engine, &PollingEngine::passEnded);
        form->cmdT2L()->click();
        return finished.count() > 0 || finished.wait(10000);
    }

    QColor rowColor(int row) const { return form->fg()->textColor(row, 1); }
};

} // namespace

class tst_Form1 : public QObject
{
    Q_OBJECT

private slots:
    void startUpReadsSettingsAndRunsFirstPass();
    void secondInstanceRefusedBeforeDatabase();
    void staleLockOfKilledInstanceIsTakenOver();
    void missingDatabaseIsToldAndMonitorRuns();
    void newOutageRedLineSoundAndWindow_data();
    void newOutageRedLineSoundAndWindow();
    void restorationGreenLineOnTop();
    void manyChangesOfOnePassSoundOnceEach();
    void popupQuitThenNoLeavesWindowShown();
    void everyCloseAsks_data();
    void everyCloseAsks();
    void quitDuringPassEndsTheWatch();
    void trayIconOnceAndPopupMenu();
    void withoutTrayTheWindowIsMinimised();
    void uptimeCaptionWraps_data();
    void uptimeCaptionWraps();
    void aboutHasThreeLines();
    void menusAsDesigned();
    void adminStartedDetachedOrExplained();
    void engineFailuresReachTheOperator();
    void wheelScrollsEventListOneLine();
    void oneNotificationPerPassAndClickOpens();
    void noWindowChangeWhileABoxIsOpen_data();
    void noWindowChangeWhileABoxIsOpen();
    void storedIntervalBeyondTheRange_data();
    void storedIntervalBeyondTheRange();
    void eventListColumnsFitAndErrorLinesWhole();
    void secondMonitorOnTheSameDatabaseRefused();
    void unusableSettingsToldAndDefaultsUsed();
    void eventListKeepsTheNewestLines();
    void databaseThatAppearsAfterStartIsOpened();
};

void tst_Form1::startUpReadsSettingsAndRunsFirstPass()
{
    Rig rig;
    QVERIFY(rig.db.isValid());
    QCOMPARE(rig.form.get(), nullptr);
    rig.transport.setDown(Down);
    QVERIFY(rig.load());
    QCOMPARE(rig.form->refreshSecs(), 300);
    QCOMPARE(rig.engine.refreshSecs(), 300);
    QCOMPARE(rig.form->sndErr(), QStringLiteral("err-sound"));
    QCOMPARE(rig.form->sndRest(), QStringLiteral("rest-sound"));
    QVERIFY(!rig.form->showOnErr());
    // The first pass is over when load returns: its outage is listed,
    // counted, and the report window was loaded and shown with it.
    QVERIFY(!rig.engine.isRunning());
    QCOMPARE(rig.form->fg()->rowCount(), 1);
    QCOMPARE(rig.form->ll()->text(), QStringLiteral("1 : 0"));
    QVERIFY(rig.form->cmdT2L()->isEnabled());
    QVERIFY(rig.form->report());
    QVERIFY(rig.form->report()->isVisible());
    QVERIFY(rig.form->report()->listText().contains(QStringLiteral("Сервер[127.0.0.2]\t")));
    QCOMPARE(rig.form->fg()->columnWidth(0), 0);
    QCOMPARE(rig.form->fg()->formatString(), QString::fromUtf8(Form1::FormatString));
    QCOMPARE(rig.form->cmdT2L()->toolTip(), QStringLiteral("Нажать для принудительной проверки"));
    QCOMPARE(rig.form->label2()->text(), QStringLiteral("Время до след. проверки(сек):"));
    QCOMPARE(rig.form->timer2()->interval(), 1000);
    QVERIFY(rig.form->timer2()->isActive());
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Orvant"));
    QCOMPARE(rig.form->centralWidget()->size(),
             QSize(Twips::toPixelsX(5955, rig.form.get()), Twips::toPixelsY(2850, rig.form.get())));
    QCOMPARE(rig.boxes.boxes.size(), 0);

    // Both transparency sliders load enabled and opaque; the main window's
    // lies along the bottom edge, the report window's along the top.
    auto *mainSlider = qobject_cast<ctlTranspSliderH *>(rig.form->ctlTranspSliderH1());
    auto *reportSlider = qobject_cast<ctlTranspSliderH *>(rig.form->report()->ctlTransp());
    for (ctlTranspSliderH *slider : {mainSlider, reportSlider}) {
        QVERIFY(slider);
        QVERIFY(slider->Enabled());
        QCOMPARE(slider->Value(), 255);
    }
    QWidget *client = rig.form->centralWidget();
    QCOMPARE(mainSlider->geometry().bottom(), client->height() - 1);
    QCOMPARE(mainSlider->width(), client->width());
    QCOMPARE(reportSlider->y(), 0);
}

void tst_Form1::secondInstanceRefusedBeforeDatabase()
{
    Rig rig;
    SingleInstance first(QStringLiteral("orvant"), rig.lockDir.path());
    QVERIFY(first.tryAcquire());
    // A database path that cannot open would bring its own message: only the
    // instance message may appear.
    QVERIFY(!rig.load(rig.lockDir.filePath(QStringLiteral("missing.mdb"))));
    QCOMPARE(rig.boxes.boxes.size(), 1);
    const FakePrompts::Box box = rig.boxes.boxes.first();
    QCOMPARE(box.text, QStringLiteral("Программа уже запущена!"));
    QCOMPARE(box.title, QStringLiteral("Orvant"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(rig.transport.opens, 0);
    QVERIFY(!rig.form->timer2()->isActive());
}

void tst_Form1::staleLockOfKilledInstanceIsTakenOver()
{
    Rig rig;
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), rig.lockDir.path()});
    QVERIFY(holder.waitForStarted(5000));
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

    // While the other instance lives, it is refused.
    QVERIFY(!rig.load());
    QCOMPARE(rig.boxes.boxes.size(), 1);
    rig.form.reset();

    // A crash leaves the lock file behind; the next start takes it over.
    ::kill(pid_t(holder.processId()), SIGKILL);
    QVERIFY(holder.waitForFinished(5000));
    rig.boxes.boxes.clear();
    QVERIFY(rig.load());
    QCOMPARE(rig.boxes.boxes.size(), 0);
}

void tst_Form1::missingDatabaseIsToldAndMonitorRuns()
{
    Rig rig;
    const QString missing = rig.programDir.filePath(QStringLiteral("ping_addr.mdb"));
    QVERIFY(rig.load(missing));
    QVERIFY(!rig.boxes.boxes.isEmpty());
    const FakePrompts::Box box = rig.boxes.boxes.first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY2(box.text.contains(missing), qPrintable(box.text));
    // The window runs on with the template's defaults and shows the failure.
    QCOMPARE(rig.form->refreshSecs(), 60);
    QVERIFY(rig.form->timer2()->isActive());
    QVERIFY(rig.form->fg()->rowCount() >= 1);
    QVERIFY(rig.form->fg()->text(rig.form->fg()->rowCount() - 1, 1).contains(missing));
}

void tst_Form1::newOutageRedLineSoundAndWindow_data()
{
    QTest::addColumn<int>("view");
    QTest::newRow("view 0: into the tray") << 0;
    QTest::newRow("view 1: straight back up") << 1;
}

void tst_Form1::newOutageRedLineSoundAndWindow()
{
    QFETCH(int, view);
    Rig rig(view);
    QVERIFY(rig.load());
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    QCOMPARE(rig.form->fg()->rowCount(), 0);

    rig.transport.setDown(Down);
    QVERIFY(rig.pass());
    FormatGrid *fg = rig.form->fg();
    QCOMPARE(fg->rowCount(), 1);
    QCOMPARE(fg->text(0, 0), QString());
    QCOMPARE(fg->text(0, 1), QStringLiteral("Сервер"));
    QCOMPARE(fg->text(0, 2), Regional::timeWithSeconds(rig.clock.now().time()));
    QCOMPARE(fg->text(0, 3), Down);
    QCOMPARE(fg->text(0, 4), QStringLiteral("10")); // stored timeout 0 is probed with 10
    for (int col = 1; col <= 4; ++col)
        QCOMPARE(fg->textColor(0, col), QColor(255, 0, 0));
    QCOMPARE(fg->cellAlignment(0, 1), Qt::AlignLeft | Qt::AlignVCenter);
    QCOMPARE(fg->cellAlignment(0, 3), Qt::AlignLeft | Qt::AlignTop);
    QCOMPARE(rig.sound.played, QStringList{QStringLiteral("err-sound")});
    QCOMPARE(rig.tray.shows, 1); // the event line put the window into the tray first
    if (view) {
        QVERIFY(rig.form->isVisible());
        QVERIFY(!rig.tray.isIconVisible());
    } else {
        QVERIFY(!rig.form->isVisible());
        QVERIFY(rig.tray.isIconVisible());
    }

    // Still down: nothing new.
    QVERIFY(rig.pass());
    QCOMPARE(fg->rowCount(), 1);
    QCOMPARE(rig.sound.played.size(), 1);
}

void tst_Form1::restorationGreenLineOnTop()
{
    Rig rig(1);
    QVERIFY(rig.load());
    rig.form->show();
    rig.transport.setDown(Down);
    QVERIFY(rig.pass());
    QVERIFY(rig.form->isVisible());
    rig.clock.advanceMs(65000);
    rig.transport.setUp(Down);
    QVERIFY(rig.pass());
    FormatGrid *fg = rig.form->fg();
    QCOMPARE(fg->rowCount(), 2);
    QCOMPARE(rig.rowColor(0), QColor(0, 128, 0));
    QCOMPARE(rig.rowColor(1), QColor(255, 0, 0));
    QCOMPARE(fg->text(0, 2), Regional::timeWithSeconds(rig.clock.now().time()));
    QCOMPARE(rig.sound.played, (QStringList{QStringLiteral("err-sound"), QStringLiteral("rest-sound")}));
    QCOMPARE(rig.form->ll()->text(), QStringLiteral("0 : 1"));
    // A restoration always ends in the tray, whatever view says.
    QVERIFY(!rig.form->isVisible());
    QVERIFY(rig.tray.isIconVisible());
    QVERIFY(rig.form->report()->listText().isEmpty());
}

// A switch takes a hundred hosts down: a hundred red lines, one outage
// sound, not a hundred started one over the other; the same for their return.
void tst_Form1::manyChangesOfOnePassSoundOnceEach()
{
    Rig rig;
    for (int i = 10; i < 110; ++i)
        rig.db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values (?,'behind the switch',0)"),
                    {QStringLiteral("127.0.1.%1").arg(i)});
    QVERIFY(rig.load());
    for (int i = 10; i < 110; ++i)
        rig.transport.setDown(QStringLiteral("127.0.1.%1").arg(i));
    QVERIFY(rig.pass());
    QCOMPARE(rig.form->fg()->rowCount(), 100);
    QCOMPARE(rig.sound.played, QStringList{QStringLiteral("err-sound")});
    for (int i = 10; i < 110; ++i)
        rig.transport.setUp(QStringLiteral("127.0.1.%1").arg(i));
    QVERIFY(rig.pass());
    QCOMPARE(rig.form->fg()->rowCount(), 200);
    QCOMPARE(rig.sound.played, (QStringList{QStringLiteral("err-sound"), QStringLiteral("rest-sound")}));
}

void tst_Form1::popupQuitThenNoLeavesWindowShown()
{
    Rig rig;
    QVERIFY(rig.load());
    rig.form->show();
    rig.form->action(QStringLiteral("mnuTray"))->trigger();
    QVERIFY(!rig.form->isVisible());
    QVERIFY(rig.tray.isIconVisible());

    QSignalSpy unloaded(rig.form.get(), &Form1::unloaded);
    rig.boxes.answers << QMessageBox::No;
    rig.form->action(QStringLiteral("mnuQuit"))->trigger();
    QCOMPARE(rig.boxes.boxes.size(), 1);
    const FakePrompts::Box box = rig.boxes.boxes.first();
    QCOMPARE(box.text, QStringLiteral("Действительно хотите выйти ?"));
    QCOMPARE(box.title, QStringLiteral("Завершение работы"));
    QCOMPARE(box.icon, QMessageBox::Question);
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(rig.form->isVisible());
    QVERIFY(!rig.tray.isIconVisible());
    QCOMPARE(unloaded.count(), 0);
    QVERIFY(!rig.form->isUnloaded());
}

void tst_Form1::everyCloseAsks_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("yes");
    for (const char *how : {"close box", "mnuExit", "mnuQuit"}) {
        QTest::addRow("%s, No", how) << QString::fromLatin1(how) << false;
        QTest::addRow("%s, Yes", how) << QString::fromLatin1(how) << true;
    }
}

void tst_Form1::everyCloseAsks()
{
    QFETCH(QString, how);
    QFETCH(bool, yes);
    Rig rig;
    QVERIFY(rig.load());
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    QSignalSpy unloaded(rig.form.get(), &Form1::unloaded);
    // The wheel hook goes first on quitting, before the report window goes.
    auto *hook = qApp->findChild<WheelWindowProc *>();
    QVERIFY(hook);
    QCOMPARE(hook->hookedWindow(), rig.form.get());
    bool hookedWhenReportWent = false;
    QObject watch;
    connect(rig.form->report(), &QObject::destroyed, &watch,
            [&] { hookedWhenReportWent = hook->hookedWindow() != nullptr; });
    rig.boxes.answers << (yes ? QMessageBox::Yes : QMessageBox::No);
    if (how == QLatin1String("close box"))
        rig.form->close();
    else
        rig.form->action(how)->trigger();
    QCOMPARE(rig.boxes.boxes.size(), 1);
    QCOMPARE(unloaded.count(), yes ? 1 : 0);
    QCOMPARE(rig.form->isVisible(), !yes);
    QCOMPARE(hook->hookedWindow(), yes ? nullptr : rig.form.get());
    if (yes) {
        QVERIFY(!rig.form->timer2()->isActive());
        QVERIFY(!rig.tray.isIconVisible());
        QVERIFY(!rig.form->report());
        QVERIFY(!hookedWhenReportWent);
    }
}

void tst_Form1::quitDuringPassEndsTheWatch()
{
    Rig rig;
    QVERIFY(rig.load());
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    // Four silent attempts of 10 ms: the pass is still probing when the
    // operator confirms quitting.
    rig.transport.setDown(Down);
    rig.form->cmdT2L()->click();
    QVERIFY(rig.engine.isRunning());
    rig.boxes.answers << QMessageBox::Yes;
    rig.form->close();
    QVERIFY(rig.form->isUnloaded());
    // No outage written without its alert, and no alert from a closed window,
    // in well over the time the pass would have taken to end.
    QVERIFY(!QTest::qWaitFor(
        [&] {
            return rig.db.scalar(QStringLiteral("select count(*) from logs")).toInt() > 0 || !rig.sound.played.isEmpty()
                || rig.tray.isIconVisible();
        },
        300));
    QCOMPARE(rig.db.scalar(QStringLiteral("select count(*) from logs")).toInt(), 0);
    QVERIFY(rig.sound.played.isEmpty());
    QVERIFY(!rig.tray.isIconVisible());
    QVERIFY(!rig.engine.isRunning());
    rig.form->checkNowClicked();
    QVERIFY(!rig.engine.isRunning());
}

void tst_Form1::trayIconOnceAndPopupMenu()
{
    Rig rig;
    QVERIFY(rig.load());
    rig.form->show();
    for (int i = 0; i < 3; ++i)
        rig.form->moveToTray();
    QVERIFY(rig.tray.isIconVisible());
    QCOMPARE(rig.tray.toolTip, QStringLiteral("Orvant"));
    QVERIFY(!rig.tray.icon.isNull());
    QVERIFY(!rig.form->isVisible());

    // Right button: the pop-up with "Открыть" as its bold default item.
    QMenu *popup = rig.tray.contextMenu();
    QCOMPARE(popup, rig.form->myPopup());
    QVERIFY(popup->defaultAction());
    QCOMPARE(popup->defaultAction()->objectName(), QStringLiteral("mnuOpen"));
    QCOMPARE(popup->defaultAction()->text(), QStringLiteral("Открыть"));
    QVERIFY(popup->defaultAction()->font().bold());
    rig.tray.activate(QSystemTrayIcon::Context);
    QVERIFY(!rig.form->isVisible());

    // Left button: the window comes back and the icon goes.
    rig.tray.activate(QSystemTrayIcon::Trigger);
    QVERIFY(rig.form->isVisible());
    QVERIFY(!rig.tray.isIconVisible());

    // The report entry of the pop-up shows the report window.
    rig.form->report()->hide();
    rig.form->action(QStringLiteral("mnuOtch_"))->trigger();
    QVERIFY(rig.form->report()->isVisible());
}

void tst_Form1::withoutTrayTheWindowIsMinimised()
{
    Rig rig;
    rig.tray.setAvailable(false);
    QVERIFY(rig.load());
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    rig.transport.setDown(Down);
    QVERIFY(rig.pass());
    // Hidden with no icon to bring it back would lose the window for good.
    QVERIFY(rig.form->isVisible());
    QVERIFY(rig.form->isMinimized());
    QVERIFY(!rig.tray.isIconVisible());
    QCOMPARE(rig.tray.shows, 0);
    rig.form->openWindow();
    QVERIFY(!rig.form->isMinimized());
}

void tst_Form1::uptimeCaptionWraps_data()
{
    QTest::addColumn<quint32>("ticks");
    QTest::addColumn<QString>("minutes");
    QTest::newRow("boot") << quint32(0) << QStringLiteral("0");
    QTest::newRow("just under a minute") << quint32(59999) << QStringLiteral("0");
    QTest::newRow("one minute") << quint32(60000) << QStringLiteral("1");
    QTest::newRow("125 minutes") << quint32(125 * 60000 + 1) << QStringLiteral("125");
    QTest::newRow("last count before the wrap") << quint32(0xFFFFFFFFu) << QStringLiteral("71582");
    QTest::newRow("after the wrap") << quint32(0xFFFFFFFFu + 1u) << QStringLiteral("0");
}

void tst_Form1::uptimeCaptionWraps()
{
    QFETCH(quint32, ticks);
    QFETCH(QString, minutes);
    Rig rig;
    QVERIFY(rig.load());
    rig.ticks.value = ticks;
    rig.form->Timer2_Timer();
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Orvant  ") + Regional::timeWithSeconds(rig.clock.now().time())
                                          + QStringLiteral("  v2.0.1 система работает ") + minutes
                                          + QStringLiteral(" мин"));
}

void tst_Form1::aboutHasThreeLines()
{
    Rig rig;
    QVERIFY(rig.load());
    rig.form->action(QStringLiteral("mnuAbout"))->trigger();
    QCOMPARE(rig.boxes.boxes.size(), 1);
    const FakePrompts::Box box = rig.boxes.boxes.first();
    QCOMPARE(box.text.split(QLatin1Char('\n')),
             (QStringList{QStringLiteral("Программа: ORVANT"), QStringLiteral("Версия: 2.0.1"),
                          QStringLiteral("Дата создания: 14.09.2004г.")}));
    QCOMPARE(box.title, QStringLiteral("Orvant"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void tst_Form1::menusAsDesigned()
{
    Rig rig;
    auto items = [](QMenu *menu) {
        QStringList out;
        for (QAction *a : menu->actions())
            out << (a->isSeparator() ? QStringLiteral("-") + a->objectName() : a->objectName() + QLatin1Char('=') + a->text());
        return out;
    };
    QVERIFY(rig.load());
    const QList<QAction *> bar = rig.form->menuBar()->actions();
    QCOMPARE(bar.size(), 2);
    QCOMPARE(bar.at(0)->text(), QStringLiteral("Действие"));
    QCOMPARE(bar.at(0)->menu()->objectName(), QStringLiteral("mnuDo"));
    QCOMPARE(items(bar.at(0)->menu()),
             (QStringList{QStringLiteral("mnuTray=Свернуть в трей"), QStringLiteral("mnuAdmin=Администрирование"),
                          QStringLiteral("-it1"), QStringLiteral("mnuExit=Выход")}));
    QCOMPARE(bar.at(1)->text(), QStringLiteral("Сведения"));
    QCOMPARE(bar.at(1)->menu()->objectName(), QStringLiteral("itm6"));
    QCOMPARE(items(bar.at(1)->menu()),
             (QStringList{QStringLiteral("mnuOtch=Отсутствие соединения"), QStringLiteral("mnuBoard=Все узлы"),
                          QStringLiteral("-it3"), QStringLiteral("mnuAbout=О программе")}));
    // The tray's pop-up menu is not in the menu bar.
    QCOMPARE(rig.form->myPopup()->objectName(), QStringLiteral("MyPopup"));
    QCOMPARE(items(rig.form->myPopup()),
             (QStringList{QStringLiteral("mnuOpen=Открыть"), QStringLiteral("mnuOtch_=Отсутствие соединения"),
                          QStringLiteral("mnuBoard_=Все узлы"), QStringLiteral("-it2"), QStringLiteral("mnuQuit=Выход")}));
}

void tst_Form1::adminStartedDetachedOrExplained()
{
    Rig rig;
    QVERIFY(rig.load());
    const QString admin = rig.programDir.filePath(QStringLiteral("admin"));

    // Not there: the monitor says where it looked and runs on.
    rig.form->action(QStringLiteral("mnuAdmin"))->trigger();
    QCOMPARE(rig.boxes.boxes.size(), 1);
    QVERIFY2(rig.boxes.boxes.first().text.contains(admin), qPrintable(rig.boxes.boxes.first().text));
    QVERIFY(rig.form->timer2()->isActive());

    // There: started from the program directory without waiting for it.
    const QString marker = rig.programDir.filePath(QStringLiteral("started"));
    QFile script(admin);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\npwd > started\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    rig.form->action(QStringLiteral("mnuAdmin"))->trigger();
    QCOMPARE(rig.boxes.boxes.size(), 1);
    auto written = [&marker] {
        QFile f(marker);
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()).trimmed() : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(written(), rig.programDir.path(), 5000);
}

void tst_Form1::engineFailuresReachTheOperator()
{
    Rig rig;
    QVERIFY(rig.load());
    rig.form->show();
    // A real failure: the outage log refuses new rows.
    rig.db.exec(QStringLiteral("create trigger refuse before insert on logs "
                               "begin select raise(abort, 'logs are read-only'); end"));
    rig.transport.setDown(Down);
    QVERIFY(rig.pass());
    FormatGrid *fg = rig.form->fg();
    bool shown = false;
    for (int r = 0; r < fg->rowCount(); ++r) {
        const QColor c = fg->textColor(r, 1);
        if (c != QColor(255, 0, 0) && c != QColor(0, 128, 0) && fg->text(r, 1).contains(QStringLiteral("read-only")))
            shown = true;
    }
    QVERIFY2(shown, "the database error is listed in its own colour");
    // The operator still hears and sees the outage.
    QCOMPARE(rig.sound.played, QStringList{QStringLiteral("err-sound")});
    QCOMPARE(rig.rowColor(0), QColor(255, 0, 0));

    // No ICMP rights: a non-modal message, once per report of the engine.
    rig.boxes.boxes.clear();
    emit rig.engine.probeUnavailable(QStringLiteral("no ICMP"));
    QCOMPARE(rig.boxes.boxes.size(), 1);
    QVERIFY(!rig.boxes.boxes.first().modal);
    QCOMPARE(rig.boxes.boxes.first().text, QStringLiteral("no ICMP"));
}

void tst_Form1::wheelScrollsEventListOneLine()
{
    Rig rig;
    QVERIFY(rig.load());
    for (int i = 0; i < 60; ++i)
        rig.form->PrintStat(QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("host"), QStringLiteral("10"),
                            Form1::Red);
    rig.form->openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    QWidget *viewport = rig.form->fg()->viewport();
    QScrollBar *bar = rig.form->fg()->verticalScrollBar();
    bar->setValue(10);
    auto turn = [&](int dy, Qt::KeyboardModifiers mods) {
        const QPoint local = viewport->rect().center();
        QWheelEvent ev(local, viewport->mapToGlobal(local), QPoint(), QPoint(0, dy), Qt::NoButton, mods,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &ev);
    };
    turn(-120, Qt::NoModifier);
    QCOMPARE(bar->value(), 11);
    turn(-360, Qt::NoModifier);
    QCOMPARE(bar->value(), 12);
    turn(-480, Qt::ControlModifier);
    QCOMPARE(bar->value(), 13);
    turn(120, Qt::NoModifier);
    QCOMPARE(bar->value(), 12);
}

void tst_Form1::noWindowChangeWhileABoxIsOpen_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<bool>("restoration");
    QTest::addColumn<bool>("shownAfter");
    // The quit question is open while a pass ends: after "Нет" the state the
    // pass asked for is applied, once.
    QTest::newRow("restoration: to the tray after the box") << 0 << true << false;
    QTest::newRow("outage, view 1: shown after the box") << 1 << false << true;
    QTest::newRow("outage, view 0: to the tray after the box") << 0 << false << false;
}

void tst_Form1::noWindowChangeWhileABoxIsOpen()
{
    QFETCH(int, view);
    QFETCH(bool, restoration);
    QFETCH(bool, shownAfter);
    Rig rig(view);
    if (restoration)
        rig.transport.setDown(Down);
    QVERIFY(rig.load());
    rig.form->openWindow();
    QVERIFY(rig.form->isVisible());
    if (restoration) {
        rig.transport.setUp(Down);
        rig.clock.advanceMs(65000);
    } else {
        rig.transport.setDown(Down);
    }
    const int rowsBefore = rig.form->fg()->rowCount();
    bool visibleDuring = false;
    bool trayDuring = true;
    bool passRan = false;
    rig.boxes.answers = {QMessageBox::No};
    rig.boxes.whileOpen = [&] {
        rig.boxes.whileOpen = nullptr;
        QVERIFY(rig.form->boxOpen());
        passRan = rig.pass();
        visibleDuring = rig.form->isVisible();
        trayDuring = rig.tray.isIconVisible();
    };
    rig.form->action(QStringLiteral("mnuExit"))->trigger();
    QVERIFY(passRan);
    // The pass did its work (line, sound) but left the window alone.
    QCOMPARE(rig.form->fg()->rowCount(), rowsBefore + 1);
    QVERIFY(visibleDuring);
    QVERIFY(!trayDuring);
    QVERIFY(!rig.form->boxOpen());
    QCOMPARE(rig.form->isVisible(), shownAfter);
    QCOMPARE(rig.tray.isIconVisible(), !shownAfter);
    QVERIFY(!rig.form->isUnloaded());
}

void tst_Form1::storedIntervalBeyondTheRange_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("secs");
    QTest::newRow("0") << QStringLiteral("0") << 0;
    QTest::newRow("a year") << QStringLiteral("525600") << 31536000;
    QTest::newRow("just beyond a year") << QStringLiteral("525601") << 31536000;
    // minutes * 60 in 32 bits went negative above this one
    QTest::newRow("32-bit overflow of the seconds") << QStringLiteral("35791395") << 31536000;
    QTest::newRow("largest 32-bit") << QStringLiteral("2147483647") << 31536000;
    QTest::newRow("beyond 32 bits") << QStringLiteral("99999999999") << 31536000;
    QTest::newRow("beyond 64 bits") << QStringLiteral("1e30") << 31536000;
    QTest::newRow("negative: unusable, told, the default") << QStringLiteral("-5") << 60;
}

void tst_Form1::storedIntervalBeyondTheRange()
{
    QFETCH(QString, stored);
    QFETCH(int, secs);
    Rig rig;
    rig.db.exec(QStringLiteral("update options set refresh_time=") + stored);
    QVERIFY(rig.load());
    QCOMPARE(rig.form->refreshSecs(), secs);
    QCOMPARE(rig.engine.refreshSecs(), secs);
    // The countdown never shows a negative number.
    rig.form->Timer2_Timer();
    QVERIFY(rig.form->cmdT2L()->text().toLongLong() >= 0);
}

void tst_Form1::eventListColumnsFitAndErrorLinesWhole()
{
    Rig rig;
    QVERIFY(rig.load());
    FormatGrid *fg = rig.form->fg();
    auto allInside = [fg] {
        int total = 0;
        for (int c = 0; c < fg->columnCount(); ++c)
            total += fg->shownColumnWidth(c);
        return total <= fg->availableWidth();
    };
    // Every column inside the list at start, room kept for a vertical bar;
    // the widest values of the sized columns show whole, and the description
    // keeps its heading's word.
    rig.form->PrintStat(QStringLiteral("255.255.255.255"), QStringLiteral("Маршрутизатор"), QStringLiteral("10000"),
                        Form1::Red);
    QVERIFY(allInside());
    QVERIFY(fg->columnWidth(2) >= fg->valueWidth(Regional::timeWithSeconds(QTime(10, 58, 58))));
    QVERIFY(fg->columnWidth(3) >= fg->valueWidth(QStringLiteral("255.255.255.255")));
    QVERIFY(fg->columnWidth(4) >= fg->valueWidth(QStringLiteral("10000")));
    const QString descriptionHeading =
        QCoreApplication::translate("monitor::Form1", Form1::FormatString).section(QLatin1Char('|'), 1, 1).trimmed();
    QVERIFY(fg->columnWidth(1) >= QFontMetrics(fg->font()).horizontalAdvance(descriptionHeading));
    QCOMPARE(fg->columnWidth(0), 0);
    // The longest IPv6 form widens its column when it is first listed; every
    // column still lies inside, the description giving way.
    const int before = fg->columnWidth(3);
    rig.form->PrintStat(QString::fromLatin1(WidestValues::Address), QStringLiteral("Маршрутизатор"),
                        QStringLiteral("10000"), Form1::Red);
    QVERIFY(fg->columnWidth(3) > before);
    QVERIFY(fg->columnWidth(3) >= fg->valueWidth(QString::fromLatin1(WidestValues::Address)));
    QVERIFY(allInside());
    QCOMPARE(fg->columnWidth(0), 0);

    // A book row with thousands of characters for an address widens the
    // column no further; the description keeps its room and the tooltip
    // holds the whole address.
    const int description = fg->columnWidth(1);
    const QString huge = QStringLiteral("10.0.0.1") + QString(4000, QLatin1Char('9'));
    rig.form->PrintStat(huge, QStringLiteral("Маршрутизатор"), QStringLiteral("10000"), Form1::Red);
    QCOMPARE(fg->columnWidth(1), description);
    QVERIFY(fg->columnWidth(3) < fg->valueWidth(huge));
    QVERIFY(allInside());
    QCOMPARE(fg->cellToolTip(0, 3), huge);

    // A description with a tab and a line break stays in its own cell.
    rig.form->PrintStat(Down, QStringLiteral("Этаж 2\tстойка\n3"), QStringLiteral("500"), Form1::Green);
    QCOMPARE(fg->text(0, 0), QString());
    QCOMPARE(fg->text(0, 1), QStringLiteral("Этаж 2 стойка 3"));
    QCOMPARE(fg->text(0, 3), Down);
    QCOMPARE(fg->text(0, 4), QStringLiteral("500"));

    // An error line carries its whole text where the column cuts it.
    rig.db.exec(QStringLiteral("drop table logs"));
    rig.transport.setDown(Down);
    QVERIFY(rig.pass());
    int errorRow = -1;
    for (int r = 0; r < fg->rowCount() && errorRow < 0; ++r) {
        if (fg->text(r, 1).startsWith(
                QCoreApplication::translate("monitor::Form1", "Ошибка базы данных: %1: %2").section(QLatin1Char(':'), 0, 0)))
            errorRow = r;
    }
    QVERIFY(errorRow >= 0);
    QCOMPARE(fg->cellToolTip(errorRow, 1), fg->text(errorRow, 1));
    QVERIFY(fg->cellToolTip(errorRow, 1).contains(QStringLiteral("logs")));
}

// Another monitor (here: this process, through the database's own lock)
// uses the file: refused before anything is probed, naming who holds it.
void tst_Form1::secondMonitorOnTheSameDatabaseRefused()
{
    Rig rig;
    QString error;
    auto other = SingleInstance::forDatabase(rig.db.path(), rig.lockDir.path(), &error);
    QVERIFY(other && other->tryAcquire());
    QVERIFY(!rig.load());
    QCOMPARE(rig.boxes.boxes.size(), 1);
    const QString text = rig.boxes.boxes.first().text;
    QVERIFY2(text.startsWith(QStringLiteral("Программа уже запущена!")), qPrintable(text));
    QVERIFY2(text.contains(QString::number(QCoreApplication::applicationPid())), qPrintable(text));
    QCOMPARE(rig.transport.opens, 0);
    QVERIFY(!rig.form->timer2()->isActive());
}

void tst_Form1::unusableSettingsToldAndDefaultsUsed()
{
    Rig rig;
    rig.db.exec(QStringLiteral("update options set refresh_time='скоро'"));
    rig.db.exec(QStringLiteral("alter table options drop column \"view\""));
    QVERIFY(rig.load());
    QCOMPARE(rig.form->refreshSecs(), 60);
    QVERIFY(rig.form->showOnErr());
    QCOMPARE(rig.form->sndErr(), QStringLiteral("err-sound"));
    QStringList told;
    for (int r = 0; r < rig.form->fg()->rowCount(); ++r)
        told << rig.form->fg()->text(r, 1);
    const QString all = told.join(QLatin1Char('\n'));
    QVERIFY2(all.contains(QStringLiteral("refresh_time")) && all.contains(QStringLiteral("скоро")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("нет столбца view")), qPrintable(all));
}

void tst_Form1::eventListKeepsTheNewestLines()
{
    Rig rig;
    QVERIFY(rig.load());
    for (int i = 0; i < Form1::MaxEventLines + 20; ++i)
        rig.form->PrintStat(QStringLiteral("10.0.0.1"), QStringLiteral("line %1").arg(i), QStringLiteral("10"), Form1::Red);
    QCOMPARE(rig.form->fg()->rowCount(), Form1::MaxEventLines);
    QCOMPARE(rig.form->fg()->text(0, 1), QStringLiteral("line %1").arg(Form1::MaxEventLines + 19));
}

void tst_Form1::databaseThatAppearsAfterStartIsOpened()
{
    Rig rig;
    Database::close();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ping_addr.mdb"));
    QVERIFY(rig.load(path));
    QCOMPARE(rig.boxes.boxes.size(), 1);  // told once at start-up
    QVERIFY(rig.pass());
    QCOMPARE(rig.boxes.boxes.size(), 1);  // not at every pass
    QVERIFY(QFile::copy(rig.db.path(), path));
    QVERIFY(rig.pass());
    bool opened = false;
    for (int r = 0; r < rig.form->fg()->rowCount(); ++r)
        opened = opened || rig.form->fg()->text(r, 1).startsWith(QStringLiteral("База данных открыта"));
    QVERIFY(opened);
    // Probed and logged as usual from then on; the settings read as well.
    QCOMPARE(rig.form->refreshSecs(), 300);
    QTRY_VERIFY_WITH_TIMEOUT(rig.transport.requests.size() > 0, 5000);
}

int main(int argc, char **argv)
{
    // The stand-in for a monitor that holds the lock and then crashes.
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0) {
        QCoreApplication app(argc, argv);
        SingleInstance lock(QStringLiteral("orvant"), QString::fromLocal8Bit(argv[2]));
        if (!lock.tryAcquire())
            return 2;
        std::printf("locked\n");
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    // The event list's fit runs again under English, with the English texts.
    if (!qEnvironmentVariableIsEmpty("ORVANT_TEST_LANG")) {
        qputenv("LC_ALL", qgetenv("ORVANT_TEST_LANG"));
        qputenv("LANG", qgetenv("ORVANT_TEST_LANG"));
    }
    QApplication app(argc, argv);
    Language::installOwnTexts(app, Language::forSystem(),
                              {QString::fromLocal8Bit(qgetenv("ORVANT_BIN_DIR")) + QStringLiteral("/translations")});
    QApplication::setQuitOnLastWindowClosed(false);
    tst_Form1 test;
    return QTest::qExec(&test, argc, argv);
}

// However many hosts a pass takes down or brings back, the desktop hears of
// it once, at the pass's end; a pass that changes nothing says nothing.
void tst_Form1::oneNotificationPerPassAndClickOpens()
{
    Rig rig(0);
    const QString other = QStringLiteral("127.0.0.3");
    rig.db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values (?,?,?)"),
                {other, QStringLiteral("Шлюз, \"main\""), 0});
    QVERIFY(rig.load());
    QVERIFY(rig.notifier.calls.isEmpty()); // all up at start: nothing to say

    rig.transport.setDown(Down);
    rig.transport.setDown(other);
    QVERIFY(rig.pass());
    QCOMPARE(rig.notifier.calls.size(), 1);
    const FakeNotifier::Call down = rig.notifier.calls.at(0);
    QCOMPARE(down.began.size(), 2);
    // Both time out together: either may be decided first.
    const int first = down.began.at(0).ip == Down ? 0 : 1;
    QCOMPARE(down.began.at(first).ip, Down);
    QCOMPARE(down.began.at(first).desc, QStringLiteral("Сервер"));
    QCOMPARE(down.began.at(1 - first).desc, QStringLiteral("Шлюз, \"main\""));
    QVERIFY(down.ended.isEmpty());

    QVERIFY(rig.pass()); // still down
    QCOMPARE(rig.notifier.calls.size(), 1);

    rig.transport.setUp(other);
    QVERIFY(rig.pass());
    QCOMPARE(rig.notifier.calls.size(), 2);
    QVERIFY(rig.notifier.calls.at(1).began.isEmpty());
    QCOMPARE(rig.notifier.calls.at(1).ended.size(), 1);
    QCOMPARE(rig.notifier.calls.at(1).ended.at(0).ip, other);

    // The window is in the tray (view 0); the click brings it back as "Открыть".
    QVERIFY(!rig.form->isVisible());
    QVERIFY(rig.tray.isIconVisible());
    rig.notifier.click();
    QVERIFY(rig.form->isVisible());
    QVERIFY(!rig.tray.isIconVisible());
}

#include "tst_form1.moc"
