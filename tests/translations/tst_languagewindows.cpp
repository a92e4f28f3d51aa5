// Each program's main window in the language of the locale the test runs
// under (LANG set by CTest; ORVANT_EXPECT says which language that is): a
// few known captions in English under en_US, exactly the Russian under
// ru_RU and C; every window's title in that language too, the programs'
// names alone staying as they are.
#include "AdminFakeLauncher.h"
#include "FakeClock.h"
#include "FakeEchoTransport.h"
#include "FakePrompts.h"
#include "FakeSoundPlayer.h"
#include "FakeTickSource.h"
#include "FakeTray.h"
#include "Form1.h"
#include "MonitorSession.h"
#include "PollingEngine.h"
#include "RunningCaption.h"
#include "frmOtchet.h"
#include "TempDatabase.h"
#include "Translations.h"
#include "AdminStore.h"
#include "GrapherStore.h"
#include "OpenWithDialog.h"
#include "admin/ui/frmMain.h"
#include "frmAdd.h"
#include "frmAlerts.h"
#include "frmAvailability.h"
#include "frmClearLog.h"
#include "frmDativo.h"
#include "frmDel.h"
#include "frmEdAdr.h"
#include "frmImport.h"
#include "frmLatency.h"
#include "frmOpt.h"
#include "frmQuiet.h"
#include "frmTime.h"
#include "frmWeekHour.h"
#include "grapher/ui/frmMain.h"
#include "ChartLayout.h"
#include "Regional.h"
#include "ScreenPlacement.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace monitor;

namespace {

bool english()
{
    return qgetenv("ORVANT_EXPECT") == "en";
}

QString expected(const char *russian, const char *inEnglish)
{
    return english() ? QString::fromUtf8(inEnglish) : QString::fromUtf8(russian);
}

template <typename T>
T *child(QObject &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

} // namespace

class tst_LanguageWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void monitor();
    void admin();
    void grapher();
    void adminWindowTitles();
    void grapherWindowTitles();
    void grapherDatesAxisAndRoom();
    void qtStandardButtons();
};

void tst_LanguageWindows::initTestCase()
{
    const QByteArray expect = qgetenv("ORVANT_EXPECT");
    QVERIFY2(expect == "en" || expect == "ru", "ORVANT_EXPECT must be en or ru");
}

void tst_LanguageWindows::monitor()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    FakeClock clock;
    FakeEchoTransport transport;
    monitor::PollingEngine engine{&transport, &clock};
    FakeTickSource ticks;
    FakeTray tray;
    FakeSoundPlayer sound;
    FakePrompts prompts;
    monitor::SessionSetup setup;
    setup.databasePath = db.path();
    monitor::MonitorSession session(setup, &engine, &clock);
    monitor::Form1Services services;
    services.clock = &clock;
    services.ticks = &ticks;
    services.tray = &tray;
    services.sound = &sound;
    monitor::Form1 form(prompts, session, services);
    QCOMPARE(form.windowTitle(), QStringLiteral("Orvant"));
    QCOMPARE(form.label2()->text(), expected("Время до след. проверки(сек):", "Next check in (s):"));
    QCOMPARE(child<QAction>(form, "mnuTray")->text(), expected("Свернуть в трей", "Minimise to tray"));
    QCOMPARE(child<QAction>(form, "mnuOtch")->text(), expected("Отсутствие соединения", "Lost connections"));
    QCOMPARE(child<QPushButton>(form, "cmdT2L")->toolTip(),
             expected("Нажать для принудительной проверки", "Click to check now"));
    // Titles and the running caption in the desk's language, the program's
    // name as it is.
    prompts.answers << QMessageBox::No;
    QVERIFY(!form.confirmQuit());
    QCOMPARE(prompts.boxes.last().title, expected("Завершение работы", "Quit"));
    monitor::frmOtchet report(&clock);
    QCOMPARE(report.windowTitle(), expected("Отсутствующие соединения", "Lost Connections"));
    QCOMPARE(monitor::RunningCaption::text(QStringLiteral("13:05:09"), 125 * 60000),
             expected("Orvant  13:05:09  v2.0.1 система работает 125 мин", "Orvant  13:05:09  v2.0.1 system up 125 min"));
}

void tst_LanguageWindows::admin()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    FakePrompts prompts;
    admin::AdminFakeLauncher launcher;
    admin::frmMain main(prompts, launcher, db.directory());
    QCOMPARE(main.windowTitle(), QStringLiteral("Orvant Admin v2.0.1"));
    QCOMPARE(child<QAction>(main, "mnuOrvant")->text(), expected("Начать проверку", "Start monitoring"));
    QCOMPARE(child<QAction>(main, "mnuClearLog")->text(), expected("Очистить лог", "Clear log"));
    QCOMPARE(child<QAction>(main, "mnuOptions")->text(), expected("Настройки", "Settings"));
}

void tst_LanguageWindows::grapher()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    FakePrompts prompts;
    grapher::GrapherStore store;
    QVERIFY(store.open(db.config()).waitFor(10000));
    grapher::frmMain main(prompts, store);
    QCOMPARE(main.windowTitle(), QStringLiteral("GRAPHER"));
    QCOMPARE(child<QPushButton>(main, "cmdGraph")->text(), expected("Рисовать", "Draw"));
    QCOMPARE(child<QPushButton>(main, "cmdGT")->text(), expected("Расшифровать график", "Graph breakdown"));
    QCOMPARE(child<QWidget>(main, "cmbIP")->toolTip(),
             expected("Адрес, на основе которого будет построен график", "The address the graph is drawn for"));
}

// Every window's title: English on an English desktop, the Russian as it
// always was under ru_RU and C; only the programs' names stay in any.
void tst_LanguageWindows::adminWindowTitles()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    FakePrompts prompts;
    admin::AdminFakeLauncher launcher;
    admin::frmMain main(prompts, launcher, db.directory());
    QVERIFY(main.Form_Load());
    const QList<std::pair<QWidget *, QString>> windows = {
        {new admin::frmAdd(prompts, &main), expected("Добавить", "Add")},
        {new admin::frmDel(prompts, &main), expected("Удаление", "Delete")},
        {new admin::frmEdAdr(prompts, &main), expected("Редактирование", "Edit")},
        {new admin::frmOpt(prompts, &main), expected("Настройки", "Settings")},
        {new admin::frmClearLog(prompts, &main), expected("Очистить лог", "Clear Log")},
        {new admin::frmAvailability(prompts, main.store(), &main), expected("Доступность", "Availability")},
        {new admin::frmImport(prompts, main.store(), &main), expected("Импорт адресов", "Import Addresses")},
        {new admin::frmQuiet(main.store(), &main), expected("Тишина и плановые работы", "Silence and Planned Work")},
        {new admin::frmAlerts(prompts, &main, main.store()), expected("Оповещения", "Alerts")},
        {new admin::OpenWithDialog(QStringLiteral("/tmp/ping_addr.mdb"), &main),
         expected("Открыть с помощью", "Open With")},
    };
    for (const auto &[window, title] : windows)
        QCOMPARE(window->windowTitle(), title);
    QCOMPARE(main.windowTitle(), QStringLiteral("Orvant Admin v2.0.1"));
}

void tst_LanguageWindows::grapherWindowTitles()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    FakePrompts prompts;
    grapher::GrapherStore store;
    QVERIFY(store.open(db.config()).waitFor(10000));
    grapher::frmMain main(prompts, store);
    grapher::frmWeekHour week(prompts, store);
    QCOMPARE(week.windowTitle(), expected("Сбои по дням недели и часам", "Outages by Weekday and Hour"));
    grapher::frmTime breakdown(prompts, [] { return QString(); });
    QCOMPARE(breakdown.windowTitle(), expected("Расшифровка графика", "Graph Breakdown"));
    grapher::frmLatency latency(prompts, store);
    QCOMPARE(latency.windowTitle(), expected("Задержка и потери", "Round trip and loss"));
    grapher::frmDativo picker;
    QCOMPARE(picker.windowTitle(), expected("Дата", "Date"));
    QCOMPARE(main.windowTitle(), QStringLiteral("GRAPHER"));
}

// The grapher reads its dates in one form (DD.MM.YYYY under Russian and C,
// the locale's short date on an English desktop), its hour axis in whole
// hours in English, keeps room for the breakdown button, names the weekday
// map's last day, and opens inside the screen.
void tst_LanguageWindows::grapherDatesAxisAndRoom()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    FakePrompts prompts;
    grapher::GrapherStore store;
    QVERIFY(store.open(db.config()).waitFor(10000));
    grapher::frmMain main(prompts, store);
    main.waitForHosts();
    const QDate today = QDate::currentDate();
    const QDate first(today.year(), today.month(), 1);
    auto *from = child<QLineEdit>(main, "txtD1");
    auto *to = child<QLineEdit>(main, "txtD2");
    QCOMPARE(from->text(), english() ? Regional::shortDate(first) : first.toString(QStringLiteral("dd.MM.yyyy")));
    QCOMPARE(to->text(), Regional::shortDate(today));
    QVERIFY(child<QLineEdit>(main, "txtLegenda")->text().contains(from->text() + QStringLiteral(" 08:00:00 - ")
                                                                   + to->text() + QStringLiteral(" 18:00:00")));
    QCOMPARE(grapher::ChartLayout::xLabel(8.0, QLocale::system()),
             english() ? QStringLiteral("8") : QLocale::system().toString(8.0, 'f', 1));
    QCOMPARE(grapher::ChartLayout::xLabel(8.5, QLocale::system()), QLocale::system().toString(8.5, 'f', 1));

    // At its design size, the breakdown button shown by the drawing: no
    // button's label is cut.
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    child<QPushButton>(main, "cmdGraph")->click();
    QVERIFY(prompts.boxes.isEmpty());
    QVERIFY(child<QPushButton>(main, "cmdGT")->isVisible());
    for (const char *name : {"cmdGraph", "cmdSave", "cmdClear", "cmdGT", "cmdWeek", "cmdLatency"}) {
        const QPushButton *button = child<QPushButton>(main, name);
        const int text = button->fontMetrics().horizontalAdvance(button->text());
        QVERIFY2(button->width() >= text + 8,
                 qPrintable(QStringLiteral("%1: %2 < %3").arg(button->text()).arg(button->width()).arg(text + 8)));
    }
    // Placed on the screen (800 × 800 offscreen), the window lies within it.
    placeOnScreen(&main);
    const QRect frame = main.frameGeometry();
    QVERIFY2(main.screen()->availableGeometry().contains(frame),
             qPrintable(QStringLiteral("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));

    from->setText(Regional::shortDate(QDate(2026, 12, 1)));
    to->setText(Regional::shortDate(QDate(2026, 12, 10)));
    main.weekMapCommand();
    QVERIFY(main.weekMapWindow());
    const QString title = child<QLabel>(*main.weekMapWindow(), "lblWeekTitle")->text();
    QVERIFY2(title.endsWith(QStringLiteral(" – ") + Regional::shortDate(QDate(2026, 12, 10))), qPrintable(title));
    main.weekMapWindow()->close();
}

void tst_LanguageWindows::qtStandardButtons()
{
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), expected("Да", "Yes"));
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installTranslations(app, {QString::fromLocal8Bit(qgetenv("ORVANT_BIN_DIR")) + QStringLiteral("/translations")});
    tst_LanguageWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_languagewindows.moc"
