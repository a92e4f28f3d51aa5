#include "AdminTestSupport.h"
#include "AddressLatencyColumns.h"
#include "DateTimeText.h"
#include "DatabaseThread.h"
#include "DatabaseWait.h"

#include <QSqlQuery>
#include "FormatGrid.h"
#include "OutageLogModel.h"
#include "Regional.h"
#include "WidestValues.h"
#include "frmAdd.h"
#include "frmClearLog.h"
#include "frmDel.h"
#include "frmEdAdr.h"
#include "frmOpt.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QHeaderView>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <thread>

using namespace admin;

// The main window: menus, the two listings, start-up, starting programs.
class tst_frmMain final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void menus();
    void outageListing();
    void f5RefreshesTheListing();
    void addressListing();
    void addressListingWithRoundTrips();
    void listingFetchesAsTheGridScrolls();
    void startsTheMonitor();
    void reportsAMonitorThatCannotStart();
    void opensTheDatabaseFile_data();
    void opensTheDatabaseFile();
    void startUpStopsAtAFailingStep();
    void exitUnloads();
    void wheelScrollsOneLineWhileLoaded();
    void listingsFitTheGridAtStart();
    void fixedColumnStaysAndListingsStartAtTheOrigin();
    void wheelOverTheHeadingsScrollsTheRows();
    void dialogsBringTheMainWindowForward_data();
    void dialogsBringTheMainWindowForward();
    void logSummaryUnderTheListing();
    void keyColumnFitsTheLargestKey();
    void exportThroughTheSaveDialog();
    void cancelledExportLeavesNoFile();
    void journalNamesTheServer();
    void lostServerIsReportedAndMadeAgain();
    void unreachableServerIsNamedAtStart();
    void followsTheLogWithoutF5();
    void filterBoxListsWhatIsTyped();
    void sortsByTheClickedHeading();
    void windowAnswersWhileTheDatabaseDoesNot();
    void silentServerAtStartUpCanBeGivenUp();
    void reasonsOfQuietOutagesOnRequest();
    void startsTheRoundTripChart();
    void menuBarItemsAreUncovered();
    void logFiguresFollowTheFilterAndTheLog();
    void durationColumnOnRequest();

private:
    QStringList gridRows(int count);
    std::unique_ptr<AdminFixture> f;
};

void tst_frmMain::init()
{
    f = std::make_unique<AdminFixture>();
    QVERIFY(f->db.isValid());
}

void tst_frmMain::cleanup()
{
    f.reset();
}

QStringList tst_frmMain::gridRows(int count)
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

void tst_frmMain::menus()
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
        QStringLiteral("  mnuExport=Экспорт журнала..."),
        QStringLiteral("  mnuAvailability=Доступность"),
        QStringLiteral("  mnuLatency=Задержка и потери..."),
        QStringLiteral("  mnuAddrs=Просмотр адресов"),
        QStringLiteral("  mnuImportAddrs=Импорт адресов..."), QStringLiteral("  mnuExportAddrs=Экспорт адресов..."),
        QStringLiteral("  it2"),
        QStringLiteral("  mnuAdd=Добавить адрес"), QStringLiteral("  mnuEditAddr=Редактир адрес"),
        QStringLiteral("  mnuDel=Удалить  адрес"), QStringLiteral("  itm7"),
        QStringLiteral("  mnuClearLog=Очистить лог"), QStringLiteral("mnuDo=Сервис"),
        QStringLiteral("  mnuStat=Обновить статистику"), QStringLiteral("  itm2"),
        QStringLiteral("  mnuOptions=Настройки"),
    };
    QCOMPARE(seen, expected);
    QCOMPARE(f->action("mnuStat")->shortcut(), QKeySequence(Qt::Key_F5));
}

void tst_frmMain::outageListing()
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

void tst_frmMain::f5RefreshesTheListing()
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

void tst_frmMain::addressListingWithRoundTrips()
{
    // Two samples of 127.0.0.1 in the last hour (1.5 ms, then silent: 5 of 6
    // attempts... one answered at the second attempt, one silent); 10.0.0.2
    // answered at once; 10.0.0.3 measured a week ago only.
    f->db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('10.0.0.2','b',500),"
                              "('10.0.0.3','c',500)"));
    const QString now = DateTimeText::fromDateTime(QDateTime::currentDateTime().addSecs(-600));
    const QString old = DateTimeText::fromDateTime(QDateTime::currentDateTime().addDays(-7));
    f->db.exec(QStringLiteral("insert into latency_hosts (id,ip,descript) values (1,'127.0.0.1','a'),(2,'10.0.0.2','b'),"
                              "(3,'10.0.0.3','c')"));
    f->db.exec(QStringLiteral("insert into latency_days (id,day) values (1,'x')"));
    f->db.exec(QStringLiteral("insert into latency_hours (id,hour,day) values (1,'x',1)"));
    f->db.exec(QStringLiteral("insert into latency_passes (id,at,hour) values (1,?,1),(2,?,1),(3,?,1)"), {old, now, now});
    f->db.exec(QStringLiteral("insert into latency_samples (pass,host,sent,lost,rtt_us) values (1,3,1,0,900),"
                              "(2,1,2,1,1500),(3,1,4,4,null),(2,2,1,0,300)"));
    QVERIFY(f->start());
    f->action("mnuAddrs")->trigger();
    auto *columns = f->main->findChild<AddressLatencyColumns *>();
    QVERIFY(columns);
    columns->waitForRead();
    FormatGrid *grid = f->main->txtLog();
    QCOMPARE(grid->columnCount(), 7);
    QStringList rows;
    for (int r = 0; r < grid->rowCount(); ++r)
        rows << grid->text(r, 2) + QLatin1Char('|') + grid->text(r, 4) + QLatin1Char('|') + grid->text(r, 5)
                    + QLatin1Char('|') + grid->text(r, 6);
    const QLocale l = QLocale::system();
    QCOMPARE(rows, (QStringList{QStringLiteral("10.0.0.2|%1|%1|%2").arg(l.toString(0.3, 'f', 1), l.toString(0.0, 'f', 1)),
                                QStringLiteral("10.0.0.3|||"),
                                QStringLiteral("127.0.0.1||%1|%2").arg(l.toString(1.5, 'f', 1), l.toString(83.3, 'f', 1))}));
    // Sorted by loss (as a click on its heading does), the unmeasured host last.
    grid->horizontalHeader()->setSortIndicator(6, Qt::AscendingOrder);
    QCOMPARE(grid->text(0, 2), QStringLiteral("10.0.0.2"));
    QCOMPARE(grid->text(2, 2), QStringLiteral("10.0.0.3"));
}

void tst_frmMain::addressListing()
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

void tst_frmMain::listingFetchesAsTheGridScrolls()
{
    f->db.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<3000) "
                              "insert into logs (time_begin,time_end,foe,ip,\"desc\") "
                              "select datetime('2021-06-01', '+'||i||' minutes'),datetime('2021-06-01', '+'||i||' minutes'),"
                              "1,'10.0.0.1','h' from n"));
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

void tst_frmMain::startsTheMonitor()
{
    QVERIFY(f->start());
    f->action("mnuOrvant")->trigger();
    QCOMPARE(f->launcher.started, QList<QStringList>{{QDir(f->db.directory()).filePath(QStringLiteral("orvant"))}});
    QCOMPARE(f->prompts.boxes.size(), 0);
}

void tst_frmMain::reportsAMonitorThatCannotStart()
{
    QVERIFY(f->start());
    f->launcher.startError = QStringLiteral("execve: No such file or directory");
    f->action("mnuOrvant")->trigger();
    QCOMPARE(f->prompts.boxes.size(), 1);
    QCOMPARE(f->prompts.boxes.at(0).icon, QMessageBox::Critical);
    QCOMPARE(f->prompts.boxes.at(0).title, QStringLiteral("Orvant Admin"));
    QVERIFY(f->prompts.boxes.at(0).text.contains(QStringLiteral("No such file or directory")));
}

void tst_frmMain::opensTheDatabaseFile_data()
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

void tst_frmMain::opensTheDatabaseFile()
{
    QFETCH(bool, associated);
    QFETCH(QStringList, chosen);
    QFETCH(bool, chooserShown);
    QFETCH(int, started);
    FILE_ONLY("a server's database is no file to open (journalNamesTheServer)");
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

void tst_frmMain::startUpStopsAtAFailingStep()
{
    // No settings row: the settings read fails, so no listing and no hook.
    f->db.exec(QStringLiteral("delete from options"));
    f->db.exec(QStringLiteral("insert into logs (ip) values ('10.0.0.1')"));
    QVERIFY(!f->start());
    QCOMPARE(f->prompts.boxes.size(), 1);
    QCOMPARE(f->prompts.boxes.at(0).icon, QMessageBox::Critical);
    QVERIFY(f->prompts.boxes.at(0).text.contains(QStringLiteral("options")));
    QCOMPARE(f->main->txtLog()->rowCount(), 0);

    // A missing database file names its path.
    FakePrompts prompts;
    AdminFakeLauncher launcher;
    QTemporaryDir empty;
    frmMain other(prompts, launcher, empty.path());
    QVERIFY(!other.Form_Load());
    QCOMPARE(prompts.boxes.size(), 1);
    QVERIFY(prompts.boxes.at(0).text.contains(empty.path()));
}

void tst_frmMain::exitUnloads()
{
    QVERIFY(f->start());
    // The admin's own connection, which lives on its database thread.
    const auto isOpen = [this] { return f->main->store().databaseThread().call([](QSqlDatabase db) { return db.isOpen(); }); };
    QVERIFY(isOpen());
    f->action("mnuExit")->trigger();
    QVERIFY(f->main->windowState() & Qt::WindowMinimized);
    QVERIFY(!f->main->isVisible());
    QVERIFY(!isOpen());
}

void tst_frmMain::wheelScrollsOneLineWhileLoaded()
{
    f->db.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<100) "
                              "insert into logs (time_begin,foe,ip) select datetime('2024-01-01', '+'||i||' hours'),1,'h' from n"));
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

namespace {

// Every column inside the grid, room kept for the vertical bar; the columns
// sized by a widest value show it whole.
void checkFit(FormatGrid *grid, const QMap<int, QString> &widest)
{
    int total = 0;
    for (int c = 0; c < grid->columnCount(); ++c)
        total += grid->shownColumnWidth(c);
    QVERIFY2(total <= grid->availableWidth(),
             qPrintable(QStringLiteral("%1: %2 > %3").arg(grid->formatString()).arg(total).arg(grid->availableWidth())));
    for (auto it = widest.cbegin(); it != widest.cend(); ++it)
        QVERIFY2(grid->shownColumnWidth(it.key()) >= grid->valueWidth(it.value()),
                 qPrintable(QStringLiteral("column %1, %2").arg(it.key()).arg(it.value())));
}

void insertLogs(TempDatabase &db, int count)
{
    db.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                           "insert into logs (time_begin,time_end,foe,ip,\"desc\") "
                           "select datetime('2025-03-10 12:45:07', '-'||i||' hours'), '2025-03-10 12:45:07', 1, "
                           "'2001:db8:ffff:ffff:ffff:ffff:ffff:ffff', 'Маршрутизатор'||%2(9)||'этаж '||i from n")
                .arg(count)
                .arg(db.isServer() ? QStringLiteral("chr") : QStringLiteral("char")));
}

} // namespace

void tst_frmMain::listingsFitTheGridAtStart()
{
    insertLogs(f->db, 3);
    f->db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('2001:db8:ffff:ffff:ffff:ffff:ffff:ffff','x',10000)"));
    QVERIFY(f->start());
    QVERIFY(QTest::qWaitForWindowExposed(f->main.get()));
    FormatGrid *grid = f->main->txtLog();
    const QString restored = grid->text(0, 2);
    if (QLocale::system().language() == QLocale::Russian)
        QCOMPARE(restored, QStringLiteral("10.03.2025 12:45:07"));
    else
        QCOMPARE(restored, Regional::generalDateTime(QDate(2025, 3, 10), QTime(12, 45, 7)));
    checkFit(grid, {{1, grid->text(0, 1)}, {2, restored}, {4, QStringLiteral("2001:db8:ffff:ffff:ffff:ffff:ffff:ffff")},
                    {0, grid->text(0, 0)}});
    // A description's own tab is a blank; the address stays in its column.
    QCOMPARE(grid->text(0, 3), QStringLiteral("Маршрутизатор этаж 1"));
    QCOMPARE(grid->text(0, 4), QStringLiteral("2001:db8:ffff:ffff:ffff:ffff:ffff:ffff"));

    f->action("mnuAddrs")->trigger();
    checkFit(grid, {{2, QStringLiteral("2001:db8:ffff:ffff:ffff:ffff:ffff:ffff")}, {3, QStringLiteral("10000")}});
    const int last = grid->rowCount() - 1; // ordered by address: "2001:..." after "127..."
    QCOMPARE(grid->text(last, 2), QStringLiteral("2001:db8:ffff:ffff:ffff:ffff:ffff:ffff"));
    QCOMPARE(grid->text(last, 3), QStringLiteral("10000"));
}

void tst_frmMain::fixedColumnStaysAndListingsStartAtTheOrigin()
{
    insertLogs(f->db, 80);
    QVERIFY(f->start());
    QVERIFY(QTest::qWaitForWindowExposed(f->main.get()));
    FormatGrid *grid = f->main->txtLog();
    QHeaderView *fixed = grid->verticalHeader();
    QVERIFY(fixed->isVisible());
    QCOMPARE(grid->model()->headerData(0, Qt::Vertical).toString(), grid->text(0, 0));
    QCOMPARE(grid->text(0, 0), QStringLiteral("1"));
    // The key column's width comes with the log's count, taking its room
    // from the free-text columns: the widening below must come after it.
    QTRY_VERIFY(!f->main->logSummary()->text().isEmpty());
    // Make the columns wider than the grid, then scroll sideways and down.
    grid->setColumnWidth(3, 1200);
    QScrollBar *across = grid->horizontalScrollBar();
    QTRY_VERIFY(across->maximum() > 0);
    const QPoint fixedAt = fixed->mapTo(grid, QPoint(0, 0));
    across->setValue(across->maximum());
    grid->verticalScrollBar()->setValue(20);
    QCOMPARE(fixed->mapTo(grid, QPoint(0, 0)), fixedAt);
    QVERIFY(fixed->isVisible());
    QCOMPARE(grid->horizontalHeader()->offset(), across->value());

    // A new listing starts at the top left, its headings over its columns.
    f->action("mnuAddrs")->trigger();
    QCOMPARE(across->value(), 0);
    QCOMPARE(grid->horizontalHeader()->offset(), 0);
    QCOMPARE(grid->verticalScrollBar()->value(), 0);
    grid->setColumnWidth(1, 1200);
    QTRY_VERIFY(across->maximum() > 0);
    across->setValue(across->maximum());
    f->action("mnuStat")->trigger();
    QCOMPARE(across->value(), 0);
    QCOMPARE(grid->horizontalHeader()->offset(), 0);
    QCOMPARE(grid->columnViewportPosition(1), grid->horizontalHeader()->sectionViewportPosition(1));
}

void tst_frmMain::wheelOverTheHeadingsScrollsTheRows()
{
    insertLogs(f->db, 80);
    QVERIFY(f->start());
    QVERIFY(QTest::qWaitForWindowExposed(f->main.get()));
    FormatGrid *grid = f->main->txtLog();
    QScrollBar *bar = grid->verticalScrollBar();
    auto turn = [&](QWidget *over, int dy) {
        const QPoint at = over->rect().center();
        QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, dy), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(over, &wheel);
    };
    QCOMPARE(bar->value(), 0);
    turn(grid->horizontalHeader()->viewport(), -120);
    QCOMPARE(bar->value(), 1);
    turn(grid->verticalHeader()->viewport(), -120);
    QCOMPARE(bar->value(), 2);
    turn(grid->horizontalHeader()->viewport(), 120);
    QCOMPARE(bar->value(), 1);
}

void tst_frmMain::dialogsBringTheMainWindowForward_data()
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

void tst_frmMain::dialogsBringTheMainWindowForward()
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
        // Given the time it would take to come forward, it does not.
        QVERIFY(!QTest::qWaitFor([&] { return QApplication::activeWindow() != &other; }, 200));
    }
}

// The figures under the log come and go with the listing; the grid keeps
// its size and the window grows by the bar.
void tst_frmMain::logSummaryUnderTheListing()
{
    const QString insert = QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)");
    f->db.exec(insert, {QStringLiteral("2025-05-01 08:00:00"), QStringLiteral("2025-05-01 10:05:00"), 1,
                        QStringLiteral("10.0.0.1"), QStringLiteral("a")});
    f->db.exec(insert, {QStringLiteral("2025-05-02 08:00:00"), QStringLiteral("2025-05-02 08:10:00"), 1,
                        QStringLiteral("10.0.0.1"), QStringLiteral("a")});
    f->db.exec(insert, {QStringLiteral("2025-05-03 08:00:00"), QVariant(), 0, QStringLiteral("10.0.0.2"),
                        QStringLiteral("b")});
    QVERIFY(f->start());
    QLabel *summary = f->main->logSummary();
    QTRY_COMPARE(summary->text(),
             QStringLiteral("Обрывов: 3, открыто: 1; закрытые: всего 2 ч 15 мин, дольше всех 2 ч 05 мин"));
    QTRY_VERIFY(summary->isVisible());
    const QSize grid = f->main->txtLog()->size();
    const int withBar = f->main->height();

    f->action("mnuAddrs")->trigger();
    QTRY_VERIFY(!summary->isVisible());
    QCOMPARE(f->main->height(), withBar - f->main->statusBar()->sizeHint().height());
    QTRY_COMPARE(f->main->txtLog()->size(), grid);

    f->db.exec(QStringLiteral("delete from logs where foe=1"));
    f->action("mnuStat")->trigger();
    QTRY_VERIFY(summary->isVisible());
    QCOMPARE(f->main->height(), withBar);
    QTRY_COMPARE(f->main->txtLog()->size(), grid);
    QTRY_COMPARE(summary->text(), QStringLiteral("Обрывов: 1, открыто: 1"));
}

// A log whose keys reached seven digits: the key column shows them whole
// once the figures are read, and the listing is not scrolled back for it.
void tst_frmMain::keyColumnFitsTheLargestKey()
{
    const QString insert =
        QStringLiteral("insert into logs (id,time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?,?)");
    f->db.exec(insert, {1, QStringLiteral("2025-05-01 08:00:00"), QStringLiteral("2025-05-01 10:05:00"), 1,
                        QStringLiteral("10.0.0.1"), QStringLiteral("a")});
    f->db.exec(insert, {8765432, QStringLiteral("2024-05-01 08:00:00"), QStringLiteral("2024-05-01 10:05:00"), 1,
                        QStringLiteral("10.0.0.2"), QStringLiteral("b")});
    QVERIFY(f->start());
    FormatGrid *grid = f->main->txtLog();
    QTRY_VERIFY(f->main->logSummary()->text().startsWith(QStringLiteral("Обрывов: 2")));
    // The key column is the fixed one at the left, drawn by the row headings.
    QTRY_VERIFY2(grid->verticalHeader()->width() >= grid->valueWidth(QStringLiteral("8765432")),
                 qPrintable(QStringLiteral("%1 < %2")
                                .arg(grid->verticalHeader()->width())
                                .arg(grid->valueWidth(QStringLiteral("8765432")))));
}

void tst_frmMain::exportThroughTheSaveDialog()
{
    f->db.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values "
                              "('2025-05-01 08:00:00','2025-05-01 08:00:09',1,'10.0.0.1','a,\"b\"')"));
    QVERIFY(f->start());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    f->prompts.saveAnswers << path;
    QVERIFY(f->main->mnuExport_Click());
    QCOMPARE(f->prompts.saves.size(), 1);
    QCOMPARE(f->prompts.saves.first().title, QStringLiteral("Экспорт журнала"));
    QCOMPARE(f->prompts.saves.first().filter, QStringLiteral("Файлы CSV (*.csv);;Все файлы (*)"));
    QCOMPARE(f->prompts.saves.first().defaultSuffix, QStringLiteral("csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("id,begin,end,duration_s,description,address\r\n"
                                        "1,2025-05-01T08:00:00,2025-05-01T08:00:09,9,\"a,\"\"b\"\"\",10.0.0.1\r\n"));
    QVERIFY(f->prompts.takeTexts().isEmpty());

    // The operator cancels the save dialog: nothing happens.
    QVERIFY(!f->main->mnuExport_Click());
    // A file that cannot be written: told, with the path.
    f->prompts.saveAnswers << dir.filePath(QStringLiteral("no/such/dir/x.csv"));
    QVERIFY(!f->main->mnuExport_Click());
    const QStringList texts = f->prompts.takeTexts();
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts.first().startsWith(QStringLiteral("Не удалось экспортировать журнал.")), qPrintable(texts.first()));
    QVERIFY(texts.first().contains(QStringLiteral("no/such/dir")));
}

void tst_frmMain::cancelledExportLeavesNoFile()
{
    f->db.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<5000) "
                              "insert into logs (time_begin,foe,ip) select '2025-01-01 00:00:00',0,'10.0.'||(i/250)||'.'||(i%250) from n"));
    QVERIFY(f->start());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    f->prompts.saveAnswers << path;
    QList<qint64> seen;
    QString label;
    connect(f->main.get(), &frmMain::exportProgressed, this, [&](qint64 rows) {
        seen << rows;
        QProgressDialog *progress = f->main->exportProgress();
        QVERIFY(progress);
        label = progress->labelText();
        QCOMPARE(progress->maximum(), 5000);
        // The operator presses "Отмена" after the second batch.
        if (seen.size() == 2)
            progress->findChild<QPushButton *>()->click();
    });
    QVERIFY(!f->main->mnuExport_Click());
    QCOMPARE(seen, (QList<qint64>{1000, 2000}));
    QVERIFY(label.startsWith(QStringLiteral("Экспорт журнала в ")));
    QVERIFY(!f->main->exportProgress());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    QVERIFY(f->prompts.takeTexts().isEmpty()); // a cancel is no failure
}

void tst_frmMain::journalNamesTheServer()
{
    if (!f->db.isServer())
        QSKIP("about a server's database (the server run of this test)");
    QVERIFY(f->start());
    f->action("mnuOtchet")->trigger();
    QVERIFY(f->launcher.openedFiles.isEmpty());
    QVERIFY(f->prompts.programFiles.isEmpty());
    QCOMPARE(f->prompts.boxes.size(), 1);
    QVERIFY2(f->prompts.boxes.at(0).text.contains(f->db.config().describe()), qPrintable(f->prompts.boxes.at(0).text));
}

// The server ends admin's session (a restart, a network cut): the next
// action says the connection was lost, the one after works again.
void tst_frmMain::lostServerIsReportedAndMadeAgain()
{
    if (!f->db.isServer())
        QSKIP("about a server's database (the server run of this test)");
    QVERIFY(f->start());
    f->db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values ('2026-01-01 00:00:00','10.0.0.5','x')"));
    // The session of the admin's own connection, on its database thread.
    const QVariant pid = f->main->store().databaseThread().call([](QSqlDatabase db) {
        QSqlQuery query(db);
        return query.exec(QStringLiteral("select pg_backend_pid()")) && query.next() ? query.value(0) : QVariant();
    });
    {
        TempDatabase other(TempDatabase::Backend::Server, QStringLiteral("other"));
        QVERIFY2(other.isValid(), qPrintable(other.error()));
        QVERIFY(other.scalar(QStringLiteral("select pg_terminate_backend(cast(? as integer))"), {pid}).toBool());
    }
    f->action("mnuAddrs")->trigger();
    QCOMPARE(f->prompts.boxes.size(), 1);
    QCOMPARE(f->prompts.boxes.at(0).icon, QMessageBox::Critical);
    QVERIFY2(f->prompts.boxes.at(0).text.contains(QStringLiteral("потеряно"))
                 && f->prompts.boxes.at(0).text.contains(f->db.config().describe()),
             qPrintable(f->prompts.boxes.at(0).text));
    f->action("mnuStat")->trigger();
    QCOMPARE(f->prompts.boxes.size(), 1);
    QCOMPARE(f->main->txtLog()->rowCount(), 1);
    QCOMPARE(f->main->txtLog()->text(0, 4), QStringLiteral("10.0.0.5"));
}

// orvant.conf naming a server that is not there: a Russian message naming
// the server and the file, never the file database beside the program.
void tst_frmMain::unreachableServerIsNamedAtStart()
{
    QTemporaryDir dir;
    QFile conf(dir.filePath(QStringLiteral("orvant.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral("[database]\ndriver=postgresql\nhost=%1\nport=5432\nname=orvant\nuser=orvant\n")
                   .arg(dir.filePath(QStringLiteral("nowhere")))
                   .toUtf8());
    conf.close();
    FakePrompts prompts;
    AdminFakeLauncher launcher;
    frmMain other(prompts, launcher, dir.path());
    QVERIFY(!other.Form_Load());
    QCOMPARE(prompts.boxes.size(), 1);
    const QString text = prompts.boxes.at(0).text;
    QVERIFY2(text.contains(QStringLiteral("orvant на сервере %1:5432").arg(dir.filePath(QStringLiteral("nowhere"))))
                 && text.contains(QDir::toNativeSeparators(conf.fileName())),
             qPrintable(text));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("ping_addr.mdb"))));
}

// A new outage and a closed one show within seconds, without F5; the
// selected outage stays selected.
void tst_frmMain::followsTheLogWithoutF5()
{
    const QString insert = QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)");
    f->db.exec(insert, {QStringLiteral("2025-05-01 08:00:00"), QVariant(), 0, QStringLiteral("10.0.0.1"), QStringLiteral("a")});
    f->db.exec(insert, {QStringLiteral("2025-05-01 09:00:00"), QVariant(), 0, QStringLiteral("10.0.0.2"), QStringLiteral("b")});
    QVERIFY(f->start());
    f->main->setFollowInterval(50);
    FormatGrid *grid = f->main->txtLog();
    grid->selectRow(1);
    QCOMPARE(grid->text(1, 4), QStringLiteral("10.0.0.1"));
    f->db.exec(insert, {QStringLiteral("2025-05-01 10:00:00"), QVariant(), 0, QStringLiteral("10.0.0.3"), QStringLiteral("c")});
    f->db.exec(QStringLiteral("update logs set foe=1, time_end='2025-05-01 10:30:00' where ip='10.0.0.1'"));
    QTRY_COMPARE(grid->rowCount(), 3);
    QCOMPARE(grid->text(0, 4), QStringLiteral("10.0.0.3"));
    QTRY_VERIFY(!grid->text(2, 2).isEmpty());
    QCOMPARE(grid->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(grid->selectionModel()->selectedRows().first().row(), 2);
    QTRY_COMPARE(f->main->logSummary()->text().isEmpty(), false);
    QVERIFY(f->prompts.takeTexts().isEmpty());
}

void tst_frmMain::filterBoxListsWhatIsTyped()
{
    f->db.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<300) "
                              "insert into logs (time_begin,foe,ip,\"desc\") "
                              "select datetime('2021-06-01', '+'||i||' minutes'),1,'10.0.'||(i/100)||'.'||(i%100),'h'||i from n"));
    QVERIFY(f->start());
    QLineEdit *filter = f->main->logFilter();
    QVERIFY(filter->isVisible());
    typeText(filter, QStringLiteral("10.0.2.5"));
    // 10.0.2.5 and 10.0.2.50..59
    QTRY_COMPARE(f->main->txtLog()->rowCount(), 11);
    for (int r = 0; r < 11; ++r)
        QVERIFY(f->main->txtLog()->text(r, 4).startsWith(QStringLiteral("10.0.2.5")));
    // F5 keeps the filter; the address listing hides it.
    f->action("mnuStat")->trigger();
    QCOMPARE(f->main->txtLog()->rowCount(), 11);
    f->action("mnuAddrs")->trigger();
    QVERIFY(!filter->isVisible());
    filter->clear();
    f->action("mnuStat")->trigger();
    QCOMPARE(f->main->txtLog()->rowCount(), OutageLogModel::DefaultPageSize);
}

void tst_frmMain::sortsByTheClickedHeading()
{
    for (const char *ip : {"127.0.0.10", "127.0.0.2", "127.0.0.100"})
        f->db.exec(QStringLiteral("insert into logs (time_begin,foe,ip) values ('2025-01-01 00:00:00',0,?)"),
                   {QString::fromLatin1(ip)});
    QVERIFY(f->start());
    FormatGrid *grid = f->main->txtLog();
    QHeaderView *header = grid->horizontalHeader();
    const auto addresses = [grid] {
        QStringList shown;
        for (int r = 0; r < grid->rowCount(); ++r)
            shown << grid->text(r, 4);
        return shown;
    };
    emit header->sectionClicked(OutageLogModel::Address);
    QTRY_COMPARE(addresses(), (QStringList{QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.10"),
                                           QStringLiteral("127.0.0.100")}));
    QVERIFY(header->isSortIndicatorShown());
    emit header->sectionClicked(OutageLogModel::Address);
    QTRY_COMPARE(addresses(), (QStringList{QStringLiteral("127.0.0.100"), QStringLiteral("127.0.0.10"),
                                           QStringLiteral("127.0.0.2")}));
}

namespace {

// Counts how often the UI thread's event loop came round while something
// ran, and the longest time it did not.
struct LoopWatch
{
    QTimer timer;
    QElapsedTimer since;
    int ticks = 0;
    qint64 longestGapMs = 0;
    LoopWatch()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            ++ticks;
            longestGapMs = qMax(longestGapMs, since.restart());
        });
        since.start();
        timer.start();
    }
};

// Gives up the wait for the database once its box shows.
void cancelTheWaitWhenShown(int *seen)
{
    QTimer::singleShot(DatabaseWait::ProgressAfterMs + 300, [seen] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QProgressDialog *>(w);
                box && box->objectName() == QLatin1String("databaseWait") && box->isVisible()) {
                ++*seen;
                if (auto *button = box->findChild<QPushButton *>())
                    button->click();
            }
    });
}

} // namespace

// The database thread is held (a statement that does not come back): the
// window keeps answering, says it waits, and the operator may give up.
void tst_frmMain::windowAnswersWhileTheDatabaseDoesNot()
{
    QVERIFY(f->start());
    f->main->store().databaseThread().post([](QSqlDatabase) { std::this_thread::sleep_for(std::chrono::milliseconds(2500)); });
    LoopWatch watch;
    int boxes = 0;
    cancelTheWaitWhenShown(&boxes);
    QElapsedTimer took;
    took.start();
    QVERIFY(!f->main->mnuAddrs_Click());
    QCOMPARE(boxes, 1);
    QVERIFY2(took.elapsed() < 2000, "the cancel did not end the wait");
    QVERIFY2(watch.ticks >= 20, qPrintable(QString::number(watch.ticks)));
    QVERIFY(f->prompts.takeTexts().isEmpty()); // giving up is no failure
    // Once the database answers again, so does the admin.
    QTRY_VERIFY_WITH_TIMEOUT(f->main->mnuAddrs_Click(), 5000);
}

// orvant.conf names a server that takes the connection and never answers
// (a listener on the server's socket that accepts nothing).
void tst_frmMain::silentServerAtStartUpCanBeGivenUp()
{
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral(".s.PGSQL.5432"));
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(socketPath);
    QVERIFY(size_t(encoded.size()) < sizeof(address.sun_path));
    memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0);
    QVERIFY(::listen(listener, 8) == 0);
    QFile conf(dir.filePath(QStringLiteral("orvant.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral("[database]\ndriver=postgresql\nhost=%1\nport=5432\nname=orvant\nuser=orvant\n")
                   .arg(dir.path())
                   .toUtf8());
    conf.close();
    FakePrompts prompts;
    AdminFakeLauncher launcher;
    {
        frmMain silent(prompts, launcher, dir.path());
        silent.show();
        LoopWatch watch;
        int boxes = 0;
        cancelTheWaitWhenShown(&boxes);
        QElapsedTimer took;
        took.start();
        QVERIFY(!silent.Form_Load());
        QCOMPARE(boxes, 1);
        QVERIFY2(took.elapsed() < 3000, "the cancel did not end the wait");
        QVERIFY2(watch.ticks >= 20, qPrintable(QString::number(watch.ticks)));
        QVERIFY(prompts.boxes.isEmpty());
        took.restart();
    } // the window goes while its connection attempt still hangs: given up, not waited for
    ::close(listener);
}

// The listing says in a row's tooltip why its outage rang no alarm; the
// log's context menu adds a column that says it in the row, and the export
// then writes it too. Until then listing and export are as they were.
void tst_frmMain::reasonsOfQuietOutagesOnRequest()
{
    const QString insert = QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)");
    f->db.exec(insert, {QStringLiteral("2025-05-01 08:30:00"), QStringLiteral("2025-05-01 09:00:00"), 1,
                        QStringLiteral("10.0.0.1"), QStringLiteral("Шлюз")});
    f->db.exec(insert, {QStringLiteral("2025-05-01 08:31:00"), QStringLiteral("2025-05-01 09:00:00"), 1,
                        QStringLiteral("10.0.0.2"), QStringLiteral("Сервер")});
    f->db.exec(QStringLiteral("insert into outage_marks (ip_addr,time_begin,reason,detail) values (?,?,?,?)"),
               {QStringLiteral("10.0.0.2"), QStringLiteral("2025-05-01 08:31:00"), QStringLiteral("behind"),
                QStringLiteral("Шлюз")});
    QVERIFY(f->start());
    QVERIFY(QTest::qWaitForWindowExposed(f->main.get()));
    FormatGrid *grid = f->main->txtLog();
    QCOMPARE(grid->formatString(), QString::fromUtf8(frmMain::LogHeadings));
    QCOMPARE(grid->cellToolTip(0, 3), QStringLiteral("Сервер\nБез сигнала: за недоступным Шлюз"));
    QCOMPARE(grid->cellToolTip(0, 4), QStringLiteral("10.0.0.2\nБез сигнала: за недоступным Шлюз"));
    QCOMPARE(grid->cellToolTip(1, 3), QStringLiteral("Шлюз"));

    QTemporaryDir dir;
    const auto exported = [&](const QString &name) {
        const QString path = dir.filePath(name);
        f->prompts.saveAnswers << path;
        if (!f->main->mnuExport_Click())
            return QByteArray("<not written>");
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };
    QCOMPARE(exported(QStringLiteral("plain.csv")).split('\r').first(),
             QByteArray("id,begin,end,duration_s,description,address"));

    // The choice is on the listing's context menu.
    QString offered;
    QTimer::singleShot(0, this, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *menu = qobject_cast<QMenu *>(w);
            if (!menu || !menu->isVisible())
                continue;
            for (QAction *a : menu->actions())
                offered += a->text();
            if (!menu->actions().isEmpty())
                menu->actions().first()->trigger();
            menu->close();
        }
    });
    emit grid->customContextMenuRequested(QPoint(5, 5));
    // The reasons first; the duration's choice follows them.
    QCOMPARE(offered, QStringLiteral("Показывать причины тишиныПоказывать длительность"));
    QVERIFY(f->main->showMarksAction()->isChecked());
    QCOMPARE(grid->formatString(), QString::fromUtf8(frmMain::LogHeadingsWithMarks));
    QCOMPARE(grid->columnCount(), 6);
    QCOMPARE(grid->text(0, 5), QStringLiteral("за недоступным Шлюз"));
    QCOMPARE(grid->text(1, 5), QString());
    // A sixth column may take the grid sideways; the times and addresses
    // still show whole.
    for (int c : {1, 2})
        QVERIFY(grid->shownColumnWidth(c) >= grid->valueWidth(grid->text(0, c)));
    QVERIFY(grid->shownColumnWidth(4) >= grid->valueWidth(QString::fromLatin1(WidestValues::Address)));
    // The column does not sort: the order and its heading stay.
    emit grid->horizontalHeader()->sectionClicked(OutageLogModel::Mark);
    QCOMPARE(f->main->logModel()->query().sortColumn, int(OutageLogModel::TimeBegin));
    QCOMPARE(grid->horizontalHeader()->sortIndicatorSection(), int(OutageLogModel::TimeBegin));
    QCOMPARE(grid->text(0, 0), QStringLiteral("2"));
    // F5 and the address listing in between keep it.
    f->action("mnuAddrs")->trigger();
    f->action("mnuStat")->trigger();
    QCOMPARE(grid->columnCount(), 6);
    QCOMPARE(grid->text(0, 5), QStringLiteral("за недоступным Шлюз"));

    const QList<QByteArray> lines = exported(QStringLiteral("marked.csv")).split('\n');
    QCOMPARE(lines.value(0), QByteArray("id,begin,end,duration_s,description,address,quiet_reason,quiet_detail\r"));
    QCOMPARE(lines.value(2), QByteArray("2,2025-05-01T08:31:00,2025-05-01T09:00:00,1740,Сервер,10.0.0.2,behind,Шлюз\r"));

    f->main->showMarksAction()->setChecked(false);
    QCOMPARE(grid->formatString(), QString::fromUtf8(frmMain::LogHeadings));
    QCOMPARE(grid->columnCount(), 5);
    QCOMPARE(exported(QStringLiteral("again.csv")).split('\r').first(),
             QByteArray("id,begin,end,duration_s,description,address"));
    QVERIFY(f->prompts.takeTexts().isEmpty());
}

void tst_frmMain::startsTheRoundTripChart()
{
    QVERIFY(f->start());
    f->action("mnuLatency")->trigger();
    QCOMPARE(f->launcher.started,
             (QList<QStringList>{{QDir(f->db.directory()).filePath(QStringLiteral("grapher")), QStringLiteral("--latency")}}));
    QCOMPARE(f->prompts.boxes.size(), 0);
}

// Nothing added to the menu bar (the filter boxes, the alerts button) may
// lie over a menu's title: both listings, in the language and scale the
// test runs with.
void tst_frmMain::menuBarItemsAreUncovered()
{
    QVERIFY(f->start());
    QVERIFY(QTest::qWaitForWindowExposed(f->main.get()));
    QMenuBar *bar = f->main->menuBar();
    const auto check = [&](const char *listing) {
        QApplication::processEvents();
        int controls = 0;
        for (QWidget *w : bar->findChildren<QWidget *>()) {
            // The controls themselves: the corner's own container is
            // checked through them.
            if (!w->isVisible() || w->isWindow() || !(qobject_cast<QLineEdit *>(w) || qobject_cast<QToolButton *>(w)))
                continue;
            if (qobject_cast<QLineEdit *>(w->parentWidget()))
                continue;  // a line edit's own clear button
            const QRect at(w->mapTo(bar, QPoint(0, 0)), w->size());
            ++controls;
            for (QAction *top : bar->actions())
                QVERIFY2(!at.intersects(bar->actionGeometry(top)),
                         qPrintable(QStringLiteral("%1: %2 at %3,%4 %5x%6 covers the menu \"%7\"")
                                        .arg(QLatin1String(listing), w->objectName())
                                        .arg(at.x())
                                        .arg(at.y())
                                        .arg(at.width())
                                        .arg(at.height())
                                        .arg(top->text())));
            QVERIFY2(bar->rect().contains(at), qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 lies outside the bar %6x%7").arg(w->objectName()).arg(at.x()).arg(at.y()).arg(at.width()).arg(at.height()).arg(bar->width()).arg(bar->height())));
        }
        QVERIFY(controls >= 2);  // a filter box and the alerts button
    };
    QVERIFY(f->main->findChild<QToolButton *>(QStringLiteral("cmdAlerts"))->isVisible());
    check("log");
    f->action("mnuAddrs")->trigger();
    check("addresses");
}

// The figures under the log are those of the rows it lists: the filter's,
// and with the rows the monitor adds or closes meanwhile.
void tst_frmMain::logFiguresFollowTheFilterAndTheLog()
{
    const QString insert = QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)");
    f->db.exec(insert, {QStringLiteral("2025-05-01 08:00:00"), QStringLiteral("2025-05-01 08:10:00"), 1,
                        QStringLiteral("10.0.0.1"), QStringLiteral("a")});
    f->db.exec(insert, {QStringLiteral("2025-05-02 08:00:00"), QVariant(), 0, QStringLiteral("10.0.0.2"),
                        QStringLiteral("b")});
    QVERIFY(f->start());
    f->main->setFollowInterval(50);
    QLabel *summary = f->main->logSummary();
    QTRY_COMPARE(summary->text(), QStringLiteral("Обрывов: 2, открыто: 1; закрытые: всего 10 мин, дольше всех 10 мин"));

    f->main->logFilter()->setText(QStringLiteral("10.0.0.2"));
    QTRY_COMPARE(f->main->txtLog()->rowCount(), 1);
    QTRY_COMPARE(summary->text(), QStringLiteral("Обрывов: 1, открыто: 1"));

    // The monitor closes the open outage and adds one more of the address.
    f->db.exec(QStringLiteral("update logs set foe=1, time_end='2025-05-02 09:00:00' where ip='10.0.0.2'"));
    f->db.exec(insert, {QStringLiteral("2025-05-03 08:00:00"), QVariant(), 0, QStringLiteral("10.0.0.2"),
                        QStringLiteral("b")});
    QTRY_COMPARE(f->main->txtLog()->rowCount(), 2);
    QTRY_COMPARE(summary->text(),
                 QStringLiteral("Обрывов: 2, открыто: 1; закрытые: всего 1 ч 00 мин, дольше всех 1 ч 00 мин"));

    f->main->logFilter()->clear();
    QTRY_COMPARE(f->main->txtLog()->rowCount(), 3);
    QTRY_COMPARE(summary->text(),
                 QStringLiteral("Обрывов: 3, открыто: 1; закрытые: всего 1 ч 10 мин, дольше всех 1 ч 00 мин"));
    QVERIFY(f->prompts.takeTexts().isEmpty());
}

void tst_frmMain::durationColumnOnRequest()
{
    const QString insert = QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)");
    f->db.exec(insert, {QStringLiteral("2025-05-01 08:00:00"), QStringLiteral("2025-05-01 10:05:00"), 1,
                        QStringLiteral("10.0.0.1"), QStringLiteral("a")});
    f->db.exec(insert, {QStringLiteral("2025-05-02 08:00:00"), QVariant(), 0, QStringLiteral("10.0.0.2"),
                        QStringLiteral("b")});
    QVERIFY(f->start());
    FormatGrid *grid = f->main->txtLog();
    QCOMPARE(grid->columnCount(), 5);
    QTimer::singleShot(0, this, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *menu = qobject_cast<QMenu *>(w); menu && menu->isVisible()) {
                for (QAction *a : menu->actions())
                    if (a->objectName() == QLatin1String("mnuShowDuration"))
                        a->trigger();
                menu->close();
            }
    });
    emit grid->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(f->main->showDurationAction()->isChecked());
    QCOMPARE(grid->columnCount(), 6);
    QCOMPARE(grid->model()->headerData(5, Qt::Horizontal).toString().trimmed(), QStringLiteral("Длительность"));
    QCOMPARE(grid->text(0, 5), QString());  // still open
    QCOMPARE(grid->text(1, 5), QStringLiteral("2 ч 05 мин"));
    // With the reasons too: those first, the duration last.
    f->main->showMarksAction()->setChecked(true);
    QCOMPARE(grid->columnCount(), 7);
    QCOMPARE(grid->text(1, 6), QStringLiteral("2 ч 05 мин"));
    // The column does not sort; the listing keeps its order and the column
    // across F5.
    emit grid->horizontalHeader()->sectionClicked(6);
    QCOMPARE(f->main->logModel()->query().sortColumn, int(OutageLogModel::TimeBegin));
    f->action("mnuStat")->trigger();
    QCOMPARE(grid->columnCount(), 7);
    QCOMPARE(grid->text(1, 6), QStringLiteral("2 ч 05 мин"));
    f->main->showDurationAction()->setChecked(false);
    f->main->showMarksAction()->setChecked(false);
    QCOMPARE(grid->columnCount(), 5);
    QCOMPARE(grid->formatString(), QString::fromUtf8(frmMain::LogHeadings));
}

ADMIN_RUSSIAN_TEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
