// Each program's main window in the language of the locale the test runs
// under (LANG set by CTest; ORVANT_EXPECT says which language that is): a
// few known captions in English under en_US, exactly the Russian under
// ru_RU and C; the monitor's window titles and caption in the same language,
// other programs' titles unchanged.
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
#include "admin/ui/frmMain.h"
#include "grapher/ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
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
    QCOMPARE(report.windowTitle(), expected("Отсутствующие соединения", "Missing connections"));
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
    grapher::frmMain main(prompts);
    QCOMPARE(main.windowTitle(), QStringLiteral("GRAPHER"));
    QCOMPARE(child<QPushButton>(main, "cmdGraph")->text(), expected("Рисовать", "Draw"));
    QCOMPARE(child<QPushButton>(main, "cmdGT")->text(), expected("Расшифровать график", "Graph breakdown"));
    QCOMPARE(child<QWidget>(main, "cmbIP")->toolTip(),
             expected("Адрес, на основе которого будет построен график", "The address the graph is drawn for"));
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
