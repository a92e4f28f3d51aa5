// The board of all hosts as the operator meets it: opened from the main
// window's menu and the tray's, a down host on top, the filter box and
// u"only problems"_s, its size and columns kept for the next opening. The
// real window over the real engine on a scripted transport and a real
// database file.
#include "BoardModel.h"
#include "FakeClock.h"
#include "FakeEchoTransport.h"
#include "FakeNotifier.h"
#include "FakePrompts.h"
#include "FakeSoundPlayer.h"
#include "FakeTickSource.h"
#include "FakeTray.h"
#include "Form1.h"
#include "MonitorSession.h"
#include "PollingEngine.h"
#include "TempDatabase.h"
#include "frmBoard.h"
#include "frmOtchet.h"
#include "HostState.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace monitor;
using namespace Qt::Literals::StringLiterals;

namespace {

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
        for (const auto &[ip, desc] : {std::pair{u"127.0.0.2"_s, u"Склад"_s}, std::pair{u"127.0.0.3"_s, u"Бухгалтерия"_s},
                                       std::pair{u"127.0.0.4"_s, u"Касса"_s}})
            db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values (?,?,?)"),
                    {ip, desc, 200});
        db.exec(QStringLiteral("update options set refresh_time=5,snd_err='',snd_rest='',\"view\"=0"));
        transport.setUp(QStringLiteral("127.0.0.3"));
        transport.setUp(QStringLiteral("127.0.0.4"));
        transport.setDown(QStringLiteral("127.0.0.2"));
    }

    bool load()
    {
        SessionSetup s;
        s.databasePath = db.path();
        s.programDirectory = programDir.path();
        s.lockDirectory = lockDir.path();
        s.databaseLockDirectory = lockDir.path();
        session = std::make_unique<MonitorSession>(s, &engine, &clock);
        Form1Services services;
        services.clock = &clock;
        services.ticks = &ticks;
        services.tray = &tray;
        services.sound = &sound;
        services.notifier = &notifier;
        services.programDirectory = programDir.path();
        form = std::make_unique<Form1>(boxes, *session, services);
        return form->load();
    }

    ~Rig()
    {
        form.reset();
        session.reset();
    }

    frmBoard *board() const { return form->findChild<frmBoard *>(); }

    QStringList addresses() const
    {
        QStringList ips;
        QAbstractItemModel *m = board()->table()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            ips << m->index(r, BoardModel::Address).data().toString();
        return ips;
    }
};

} // namespace

class tst_frmBoard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void openedFromTheMenuDownHostOnTop();
    void filterAndOnlyProblems();
    void rememberedSizeAndColumns();
    void reportWindowLineTooltipIsItsPath();
};

void tst_frmBoard::initTestCase()
{
    // The remembered layout goes to a place of the test's own.
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
}

void tst_frmBoard::openedFromTheMenuDownHostOnTop()
{
    Rig rig;
    QVERIFY(rig.load());
    QVERIFY(!rig.board());
    QAction *menu = rig.form->findChild<QAction *>(QStringLiteral("mnuBoard"));
    QVERIFY(menu);
    QCOMPARE(menu->text(), QStringLiteral("Все узлы"));
    menu->trigger();
    frmBoard *board = rig.board();
    QVERIFY(board);
    QVERIFY(board->isVisible());
    QCOMPARE(board->windowTitle(), QStringLiteral("Все узлы"));
    // The first pass ran before the window opened: its rows are there.
    QCOMPARE(rig.addresses(), QStringList({u"127.0.0.2"_s, u"127.0.0.3"_s, u"127.0.0.4"_s}));
    QCOMPARE(board->table()->model()->index(0, BoardModel::State).data().toString(), QStringLiteral("нет соединения"));
    QCOMPARE(board->countsLabel()->text(), QStringLiteral("Узлов: 3 — нет соединения: 1"));

    // The tray's entry raises the same window; a host that goes down later
    // climbs to the top with the next pass.
    QAction *tray = rig.form->findChild<QAction *>(QStringLiteral("mnuBoard_"));
    QVERIFY(tray);
    tray->trigger();
    QCOMPARE(rig.form->findChildren<frmBoard *>().size(), 1);
    rig.transport.setDown(QStringLiteral("127.0.0.4"));
    QSignalSpy ended(&rig.engine, &PollingEngine::passEnded);
    rig.engine.startPass();
    QVERIFY(ended.wait(10000));
    QCOMPARE(rig.addresses(), QStringList({u"127.0.0.4"_s, u"127.0.0.2"_s, u"127.0.0.3"_s}));
    QCOMPARE(board->countsLabel()->text(), QStringLiteral("Узлов: 3 — нет соединения: 2"));
}

void tst_frmBoard::filterAndOnlyProblems()
{
    Rig rig;
    QVERIFY(rig.load());
    rig.form->showBoard();
    frmBoard *board = rig.board();
    QVERIFY(board);
    QTest::keyClicks(board->filterBox(), QStringLiteral("0.4"));
    QCOMPARE(rig.addresses(), QStringList({u"127.0.0.4"_s}));
    board->filterBox()->setText(QStringLiteral("касс"));
    QCOMPARE(rig.addresses(), QStringList({u"127.0.0.4"_s}));
    board->filterBox()->clear();
    QCOMPARE(rig.addresses().size(), 3);
    board->onlyProblemsBox()->click();
    QCOMPARE(rig.addresses(), QStringList({u"127.0.0.2"_s}));
    // The tooltip of a row names the host and its state.
    const QString tip = board->table()->model()->index(0, BoardModel::Description).data(Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(QStringLiteral("Склад (127.0.0.2)")) && tip.contains(QStringLiteral("нет соединения")),
             qPrintable(tip));
}

void tst_frmBoard::rememberedSizeAndColumns()
{
    Rig rig;
    QVERIFY(rig.load());
    rig.form->showBoard();
    frmBoard *board = rig.board();
    board->resize(900, 500);
    board->table()->setColumnWidth(BoardModel::Description, 333);
    board->close();  // the window goes (it is deleted on close)
    QTRY_VERIFY(!rig.board());
    rig.form->showBoard();
    board = rig.board();
    QVERIFY(board);
    QCOMPARE(board->table()->columnWidth(BoardModel::Description), 333);
    QCOMPARE(board->size(), QSize(900, 500));
}

// The report window's line of an outage carries the path traced at its
// begin in its tooltip; a line without one, and the space below the
// lines, have none.
void tst_frmBoard::reportWindowLineTooltipIsItsPath()
{
    FakeClock clock;
    HostState state;
    state.reset({}, {});
    state.begin(u"198.51.100.2"_s, u"server"_s, clock.now().addSecs(-60), std::nullopt);
    state.begin(u"198.51.100.3"_s, u"printer"_s, clock.now().addSecs(-30), std::nullopt);
    frmOtchet w(&clock);
    w.follow(&state);
    w.setPathLookup([](const QString &ip) { return ip == u"198.51.100.2"_s ? u"1  192.0.2.1"_s : QString(); });
    w.refresh();
    w.show();
    QPlainTextEdit *text = w.txtOtch();
    auto lineAt = [text](int n) {
        QTextCursor c(text->document()->findBlockByNumber(n));
        return text->cursorRect(c).center();
    };
    const QStringList lines = text->toPlainText().split(u'\n');
    int server = -1;
    int printer = -1;
    for (int n = 0; n < lines.size(); ++n) {
        if (lines.at(n).startsWith(u"server[198.51.100.2]"_s))
            server = n;
        if (lines.at(n).startsWith(u"printer[198.51.100.3]"_s))
            printer = n;
    }
    QVERIFY2(server >= 0 && printer >= 0, qPrintable(lines.join(u'|')));
    QCOMPARE(w.toolTipAt(lineAt(server)), u"1  192.0.2.1"_s);
    QCOMPARE(w.toolTipAt(lineAt(printer)), QString());
}

QTEST_MAIN(tst_frmBoard)
#include "tst_frmboard.moc"
