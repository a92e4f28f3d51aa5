#include "AdminTestSupport.h"
#include "FormatGrid.h"
#include "OutageLogModel.h"
#include "frmAdd.h"
#include "frmClearLog.h"
#include "frmDel.h"
#include "frmEdAdr.h"
#include "frmOpt.h"

#include <QMenuBar>
#include <QScrollBar>
#include <QWheelEvent>
#include <QSqlDatabase>

using namespace admin;

// The main window: menus, the two listings, start-up, starting programs.
class TstFrmMain final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void menus();
    void outageListing();
    void f5RefreshesTheListing();
    void addressListing();
    void listingFetchesAsTheGridScrolls();
    void startsTheMonitor();
    void reportsAMonitorThatCannotStart();
    void opensTheDatabaseFile_data();
    void opensTheDatabaseFile();
    void startUpStopsAtAFailingStep();
    void exitUnloads();
    void wheelScrollsOneLineWhileLoaded();
    void dialogsBringTheMainWindowForward_data();
    void dialogsBringTheMainWindowForward();

private:
    QStringList gridRows(int count);
    std::unique_ptr<AdminFixture> f;
};

void TstFrmMain::init()
{
    f = std::make_unique<AdminFixture>();
    QVERIFY(f->db.isValid());
}

void TstFrmMain::cleanup()
{
    f.reset();
}

QStringList TstFrmMain::gridRows(int count)
{
    FormatGrid *grid = f->main->txtLog();
    QStringList rows;
    for (int r = 0; r < qMin(count, grid->rowCount()); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << grid->text(r, c);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

void TstFrmMain::menus()
{
    QVERIFY(f->start());
    QCOMPARE(f->main->windowTitle(), QStringLiteral("Orvant Admin v2.0.1"));
    // Every menu and item in order: name=text, separators by name alone.
    QStringList seen;
    for (QAction *top : f->main->menuBar()->actions()) {
        QMenu *menu = top->menu();
        seen << menu->objectName() + QLatin1Char('=') + menu->title();
        for (QAction *item : menu->actions())
            seen << QStringLiteral("  ") + item->objectName()
                        + (item->isSeparator() ? QString() : QLatin1Char('=') + item->text());
    }
    const QStringList expected = {
        QStringLiteral("Prog=Программа"),      QStringLiteral("  mnuOrvant=Начать проверку"),
        QStringLiteral("  it1"),               QStringLiteral("  mnuExit=Выход"),
        QStringLiteral("itmFile=База"),        QStringLiteral("  mnuOtchet=Журнал"),
        QStringLiteral("  mnuAddrs=Просмотр адресов"), QStringLiteral("  it2"),
        QStringLiteral("  mnuAdd=Добавить адрес"), QStringLiteral("  mnuEditAddr=Редактир адрес"),
        QStringLiteral("  mnuDel=Удалить  адрес"), QStringLiteral("  itm7"),
        QStringLiteral("  mnuClearLog=Очистить лог"), QStringLiteral("mnuDo=Сервис"),
        QStringLiteral("  mnuStat=Обновить статистику"), QStringLiteral("  itm2"),
        QStringLiteral("  mnuOptions=Настройки"),
    };
    QCOMPARE(seen, expected);
    QCOMPARE(f->action("mnuStat")->shortcut(), QKeySequence(Qt::Key_F5));
}

void TstFrmMain::outageListing()
{
    const QString insert = QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)");
    f->db.exec(insert, {QStringLiteral("2025-05-01 08:30:00"), QStringLiteral("2025-05-01 09:00:00"), 1,
                        QStringLiteral("10.0.0.1"), QStringLiteral("Шлюз")});
    f->db.exec(insert, {QStringLiteral("2025-05-02 00:00:00"), QVariant(), 0, QStringLiteral("10.0.0.2"),
                        QStringLiteral("Сервер")});
    QVERIFY(f->start());
    FormatGrid *grid = f->main->txtLog();
    QCOMPARE(grid->formatString(), QString::fromUtf8(frmMain::LogHeadings));
    QCOMPARE(grid->headings().size(), 5);
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Время обрыва         "));
    QVERIFY(grid->hasFixedFirstColumn());
    QCOMPARE(gridRows(10), (QStringList{QStringLiteral("2|02.05.2025||Сервер|10.0.0.2"),
                                        QStringLiteral("1|01.05.2025 08:30:00|01.05.2025 09:00:00|Шлюз|10.0.0.1")}));
}

void TstFrmMain::f5RefreshesTheListing()
{
    QVERIFY(f->start());
    QCOMPARE(f->main->txtLog()->rowCount(), 0);
    f->db.exec(QStringLiteral("insert into logs (ip,\"desc\") values ('10.0.0.5','новый')"));
    QCOMPARE(f->main->txtLog()->rowCount(), 0); // nothing refreshes by itself
    // F5 from the address listing, with the focus in the grid.
    f->action("mnuAddrs")->trigger();
    QCOMPARE(f->main->txtLog()->rowCount(), 1);
    QApplication::setActiveWindow(f->main.get());
    QVERIFY(QTest::qWaitForWindowActive(f->main.get()));
    f->main->txtLog()->setFocus();
    QTest::keyClick(f->main->txtLog(), Qt::Key_F5);
    QCOMPARE(f->main->txtLog()->formatString(), QString::fromUtf8(frmMain::LogHeadings));
    QCOMPARE(f->main->txtLog()->rowCount(), 1);
    QCOMPARE(f->main->txtLog()->text(0, 4), QStringLiteral("10.0.0.5"));
    QCOMPARE(f->main->txtLog()->text(0, 2), QString());
}

void TstFrmMain::addressListing()
{
    f->db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('10.0.0.1',null,0)"));
    QVERIFY(f->start());
    f->action("mnuAddrs")->trigger();
    FormatGrid *grid = f->main->txtLog();
    QCOMPARE(grid->formatString(), QString::fromUtf8(frmMain::AddressHeadings));
    QCOMPARE(grid->columnCount(), 4);
    QCOMPARE(gridRows(10), (QStringList{QStringLiteral("||10.0.0.1|0"),
                                        QStringLiteral("|Этот компьютер|127.0.0.1|500")}));
    // And back to the log.
    f->action("mnuStat")->trigger();
    QCOMPARE(grid->columnCount(), 5);
    QCOMPARE(grid->rowCount(), 0);
}

void TstFrmMain::listingFetchesAsTheGridScrolls()
{
    f->db.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<3000) "
                              "insert into logs (time_begin,time_end,foe,ip,\"desc\") "
                              "select datetime('2021-06-01', '+'||i||' minutes'),datetime('2021-06-01', '+'||i||' minutes'),"
                              "true,'10.0.0.1','h' from n"));
    QVERIFY(f->start());
    QVERIFY(QTest::qWaitForWindowExposed(f->main.get()));
    FormatGrid *grid = f->main->txtLog();
    const int firstRead = grid->rowCount();
    QCOMPARE(firstRead, OutageLogModel::DefaultPageSize);
    grid->scrollToBottom();
    QTRY_VERIFY(grid->rowCount() > firstRead);
    QCOMPARE(grid->text(0, 0), QStringLiteral("3000"));
    QCOMPARE(grid->text(firstRead, 0), QString::number(3000 - firstRead));
}

void TstFrmMain::startsTheMonitor()
{
    QVERIFY(f->start());
    f->action("mnuOrvant")->trigger();
    QCOMPARE(f->launcher.started, QList<QStringList>{{QDir(f->db.directory()).filePath(QStringLiteral("orvant"))}});
    QCOMPARE(f->prompts.messages.size(), 0);
}

void TstFrmMain::reportsAMonitorThatCannotStart()
{
    QVERIFY(f->start());
    f->launcher.startError = QStringLiteral("execve: No such file or directory");
    f->action("mnuOrvant")->trigger();
    QCOMPARE(f->prompts.messages.size(), 1);
    QCOMPARE(f->prompts.messages.at(0).icon, QMessageBox::Critical);
    QCOMPARE(f->prompts.messages.at(0).title, QStringLiteral("Orvant Admin"));
    QVERIFY(f->prompts.messages.at(0).text.contains(QStringLiteral("No such file or directory")));
}

void TstFrmMain::opensTheDatabaseFile_data()
{
    QTest::addColumn<bool>("associated");
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<bool>("chooserShown");
    QTest::addColumn<int>("started");
    QTest::newRow("associated application") << true << QStringList() << false << 0;
    QTest::newRow("nothing associated, program chosen")
        << false << QStringList{QStringLiteral("/usr/bin/sqlitebrowser"), QStringLiteral("FILE")} << true << 1;
    QTest::newRow("nothing associated, choice cancelled") << false << QStringList() << true << 0;
}

void TstFrmMain::opensTheDatabaseFile()
{
    QFETCH(bool, associated);
    QFETCH(QStringList, chosen);
    QFETCH(bool, chooserShown);
    QFETCH(int, started);
    QVERIFY(f->start());
    const QString path = QDir(f->db.directory()).filePath(QStringLiteral("ping_addr.mdb"));
    chosen.replaceInStrings(QStringLiteral("FILE"), path);
    f->launcher.associated = associated;
    if (!chosen.isEmpty())
        f->prompts.programAnswers = {chosen};
    f->action("mnuOtchet")->trigger();
    QCOMPARE(f->launcher.openedFiles, associated ? QStringList{path} : QStringList());
    QCOMPARE(f->prompts.programFiles, chooserShown ? QStringList{path} : QStringList());
    QCOMPARE(f->launcher.started.size(), started);
    if (started)
        QCOMPARE(f->launcher.started.at(0), chosen);
}

void TstFrmMain::startUpStopsAtAFailingStep()
{
    // No settings row: the settings read fails, so no listing and no hook.
    f->db.exec(QStringLiteral("delete from options"));
    f->db.exec(QStringLiteral("insert into logs (ip) values ('10.0.0.1')"));
    QVERIFY(!f->start());
    QCOMPARE(f->prompts.messages.size(), 1);
    QCOMPARE(f->prompts.messages.at(0).icon, QMessageBox::Critical);
    QVERIFY(f->prompts.messages.at(0).text.contains(QStringLiteral("options")));
    QCOMPARE(f->main->txtLog()->rowCount(), 0);

    // A missing database file names its path.
    AdminFakePrompts prompts;
    AdminFakeLauncher launcher;
    QTemporaryDir empty;
    frmMain other(prompts, launcher, empty.path());
    QVERIFY(!other.Form_Load());
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.messages.at(0).text.contains(empty.path()));
}

void TstFrmMain::exitUnloads()
{
    QVERIFY(f->start());
    QVERIFY(QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen());
    f->action("mnuExit")->trigger();
    QVERIFY(f->main->windowState() & Qt::WindowMinimized);
    QVERIFY(!f->main->isVisible());
    QVERIFY(!QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection)));
}

void TstFrmMain::wheelScrollsOneLineWhileLoaded()
{
    f->db.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<100) "
                              "insert into logs (time_begin,foe,ip) select datetime('2024-01-01', '+'||i||' hours'),true,'h' from n"));
    QVERIFY(f->start());
    QVERIFY(QTest::qWaitForWindowExposed(f->main.get()));
    QWidget *viewport = f->main->txtLog()->viewport();
    QScrollBar *bar = f->main->txtLog()->verticalScrollBar();
    auto turn = [&] {
        const QPoint at = viewport->rect().center();
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
    };
    QCOMPARE(bar->value(), 0);
    turn();
    QCOMPARE(bar->value(), 1); // hooked at the end of start-up: one line a notch
    f->main->Form_Unload();
    bar->setValue(0);
    turn();
    QVERIFY(bar->value() > 1); // unhooked: the grid's own wheel handling again
}

void TstFrmMain::dialogsBringTheMainWindowForward_data()
{
    QTest::addColumn<QString>("menuItem");
    QTest::addColumn<QString>("closeButton");
    QTest::addColumn<bool>("broughtForward");
    QTest::newRow("frmAdd") << "mnuAdd" << "cmdBack" << true;
    QTest::newRow("frmEdAdr") << "mnuEditAddr" << "Command2" << true;
    QTest::newRow("frmDel") << "mnuDel" << "cmdBack" << true;
    QTest::newRow("frmOpt") << "mnuOptions" << "cmdBack" << true;
    QTest::newRow("frmClearLog") << "mnuClearLog" << "cmdQuit" << false;
}

void TstFrmMain::dialogsBringTheMainWindowForward()
{
    QFETCH(QString, menuItem);
    QFETCH(QString, closeButton);
    QFETCH(bool, broughtForward);
    QVERIFY(f->start());
    QVERIFY(QTest::qWaitForWindowExposed(f->main.get()));
    // Something else is in front when the dialog goes.
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    bool shown = false;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        shown = dialog != nullptr;
        if (!dialog)
            return;
        other.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &other);
        press(dialog, qPrintable(closeButton));
        if (dialog->isVisible())
            dialog->hide();
    });
    f->action(qPrintable(menuItem))->trigger();
    QVERIFY(shown);
    if (broughtForward) {
        QTRY_COMPARE(QApplication::activeWindow(), f->main.get());
    } else {
        QTest::qWait(100);
        QCOMPARE(QApplication::activeWindow(), &other);
    }
}

ADMIN_RUSSIAN_TEST_MAIN(TstFrmMain)
#include "tst_frmmain.moc"
