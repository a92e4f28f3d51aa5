// The longest the monitor's event loop stops while the database does not
// answer: the monitor's session with its statements run at once on the
// event loop's thread (as before the database thread: the baseline) and on
// its database thread, side by side in one run.
//
//  lock     a pass of 1,000 hosts (a tenth of them down) while another
//           program holds the file's write lock, then ticks for 2 s;
//  silent   orvant.conf names a server at 127.0.0.1 where a listener takes
//           the connection and never answers: start-up, then 3 s of ticks.
//  stopped  a real PostgreSQL server (run_session_bench.sh starts one on
//           127.0.0.1 in the namespace) stopped mid-run (immediate mode):
//           4 s of passes and ticks from the stop;
//  dropped  the same server made silent mid-run, every packet to its port
//           dropped by nft: 25 s of passes and ticks from the drop.
//
// The echo transport lives in this process and answers at once for hosts
// that are up: no ICMP. The listener is on 127.0.0.1: run it inside a private
// network namespace, bench/run_session_bench.sh.
// Usage: bench_session_gap
#include "Database.h"
#include "EchoTransport.h"
#include "LocalTransport.h"
#include "MonitorSession.h"
#include "PollingEngine.h"
#include "Schema.h"
#include "SystemClock.h"
#include "WriteQueue.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSet>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <list>
#include <memory>

using namespace monitor;

namespace {


// The longest stretch between two beats of a 2 ms timer.
struct GapMeter
{
    QTimer beat;
    QElapsedTimer since;
    qint64 longestMs = 0;

    GapMeter()
    {
        beat.setInterval(2);
        QObject::connect(&beat, &QTimer::timeout, [this] { longestMs = qMax(longestMs, since.restart()); });
    }
    void start()
    {
        longestMs = 0;
        since.start();
        beat.start();
    }
    qint64 stop()
    {
        beat.stop();
        return qMax(longestMs, since.elapsed());
    }
};

void spin(int ms, MonitorSession *session)
{
    QElapsedTimer t;
    t.start();
    QTimer tick;
    tick.setInterval(1000);
    QObject::connect(&tick, &QTimer::timeout, session, &MonitorSession::tick);
    tick.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// The book of 1,000 hosts on the "setup" connection, a tenth of them down;
// `refreshTime` is the options' period (0: a pass every second).
void fillBook(LocalTransport *transport, int refreshTime)
{
    QSqlDatabase db = QSqlDatabase::database(QStringLiteral("setup"));
    QSqlQuery q(db);
    db.transaction();
    q.exec(QStringLiteral("delete from addrs"));
    q.exec(QStringLiteral("delete from logs"));
    q.prepare(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values (?,?,200)"));
    for (int i = 0; i < 1000; ++i) {
        const QString ip = QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1);
        q.addBindValue(ip);
        q.addBindValue(QStringLiteral("host %1").arg(i));
        q.exec();
        if (i % 10 == 0) {
            HostAddress a;
            HostAddress::parse(ip, &a);
            transport->down.insert(a);
        }
    }
    q.prepare(QStringLiteral("update options set refresh_time=?"));
    q.addBindValue(refreshTime);
    q.exec();
    db.commit();
}

bool makeFile(const QString &path, LocalTransport *transport)
{
    QString error;
    if (!Schema::createDatabaseFile(path, &error) || !Database::open(path, &error, QStringLiteral("setup"))) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    fillBook(transport, 1);
    Database::close(QStringLiteral("setup"));
    return true;
}

qint64 lockCase(bool threaded)
{
    QTemporaryDir dir;
    LocalTransport transport;
    const QString path = dir.filePath(QStringLiteral("ping_addr.mdb"));
    if (!makeFile(path, &transport))
        return -1;
    SystemClock clock;
    PollingEngine engine(&transport, &clock);
    SessionSetup setup;
    setup.databasePath = path;
    setup.programDirectory = dir.path();
    setup.lockDirectory = dir.path();
    setup.databaseLockDirectory = dir.path();
    setup.databaseThread = threaded;
    auto session = std::make_unique<MonitorSession>(setup, &engine, &clock);
    if (session->start() != MonitorSession::StartResult::Started)
        return -1;
    QString error;
    Database::open(path, &error, QStringLiteral("other program"));
    {
        QSqlQuery other(QSqlDatabase::database(QStringLiteral("other program")));
        other.exec(QStringLiteral("begin immediate"));
        GapMeter gap;
        gap.start();
        QEventLoop wait;
        QObject::connect(&engine, &PollingEngine::passEnded, &wait, &QEventLoop::quit);
        session->checkNow();
        if (engine.isRunning())
            wait.exec();
        spin(2000, session.get());
        const qint64 longest = gap.stop();
        other.exec(QStringLiteral("rollback"));
        std::printf("  lock    %-16s kept writes %4d  longest gap %6lld ms\n", threaded ? "database thread" : "inline",
                    engine.writeQueue()->size(), longest);
        session->stop();
        session.reset();
        Database::close(QStringLiteral("other program"));
        Database::close();
        return longest;
    }
}

qint64 silentCase(bool threaded)
{
    QTemporaryDir dir;
    QTcpServer listener;
    std::list<QTcpSocket *> taken;  // accepted, never answered
    if (!listener.listen(QHostAddress(QStringLiteral("127.0.0.1")))) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1: %s\n", qPrintable(listener.errorString()));
        return -1;
    }
    QObject::connect(&listener, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *s = listener.nextPendingConnection())
            taken.push_back(s);
    });
    DatabaseConfig config;
    QString error;
    QFile conf(dir.filePath(QStringLiteral("orvant.conf")));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("[database]\ndriver=postgresql\nhost=127.0.0.1\nport=%1\nname=orvant_silent\nuser=nobody\n")
                   .arg(listener.serverPort())
                   .toUtf8());
    conf.close();
    if (!DatabaseConfig::load(dir.path(), &config, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return -1;
    }
    LocalTransport transport;
    SystemClock clock;
    PollingEngine engine(&transport, &clock);
    SessionSetup setup;
    setup.database = config;
    setup.programDirectory = dir.path();
    setup.lockDirectory = dir.path();
    setup.databaseLockDirectory = dir.path();
    setup.databaseThread = threaded;
    auto session = std::make_unique<MonitorSession>(setup, &engine, &clock);
    GapMeter gap;
    gap.start();
    QElapsedTimer started;
    started.start();
    session->start();
    const qint64 startMs = started.elapsed();
    spin(3000, session.get());
    const qint64 longest = gap.stop();
    std::printf("  silent  %-16s start-up %6lld ms  longest gap %6lld ms\n", threaded ? "database thread" : "inline",
                startMs, longest);
    session->stop();
    session.reset();
    return longest;
}


// The server's cases need the one run_session_bench.sh starts (PGDIR, PGBIN,
// PGPORT in the environment); without it they are left out.
bool haveServer()
{
    return !qEnvironmentVariableIsEmpty("PGDIR") && !qEnvironmentVariableIsEmpty("PGPORT");
}

DatabaseConfig benchServer()
{
    return DatabaseConfig::server(QStringLiteral("127.0.0.1"), qEnvironmentVariableIntValue("PGPORT"),
                                  QStringLiteral("orvant_bench"), QStringLiteral("postgres"));
}

// Started, not waited for: the event loop goes on while it runs.
QProcess *startCommand(const QString &program, const QStringList &arguments, QObject *parent)
{
    auto *p = new QProcess(parent);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(program, arguments);
    return p;
}

bool runCommand(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QStringList pgCtl(const QStringList &arguments)
{
    const QString dir = qEnvironmentVariable("PGDIR");
    return QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"),
                       qEnvironmentVariable("PGBIN") + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
                       dir + QStringLiteral("/data"), QStringLiteral("-l"), dir + QStringLiteral("/server.log"),
                       QStringLiteral("-w")}
           + arguments;
}

bool startServer()
{
    return runCommand(QStringLiteral("runuser"),
                      pgCtl({QStringLiteral("-o"),
                             QStringLiteral("-c listen_addresses=127.0.0.1 -c port=%1 -c unix_socket_directories=%2/sock")
                                 .arg(qEnvironmentVariable("PGPORT"), qEnvironmentVariable("PGDIR")),
                             QStringLiteral("start")}));
}

// The same book in the server's database, a pass every second.
bool fillServer(LocalTransport *transport)
{
    QString error;
    if (!Database::open(benchServer(), Database::Options(), &error, QStringLiteral("setup"), nullptr)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    fillBook(transport, 0);
    Database::close(QStringLiteral("setup"));
    return true;
}

// The monitor runs on the server; after its first passes `trouble` is
// started, the hosts that were down come back, and the event loop's longest
// stop over the next 4 s is taken.
qint64 serverCase(const char *name, bool threaded, int troubleMs, const QString &program, const QStringList &arguments,
                  const std::function<bool()> &mend)
{
    QTemporaryDir dir;
    LocalTransport transport;
    if (!fillServer(&transport))
        return -1;
    SystemClock clock;
    PollingEngine engine(&transport, &clock);
    SessionSetup setup;
    setup.database = benchServer();
    setup.programDirectory = dir.path();
    setup.lockDirectory = dir.path();
    setup.databaseLockDirectory = dir.path();
    setup.databaseThread = threaded;
    auto session = std::make_unique<MonitorSession>(setup, &engine, &clock);
    if (session->start() != MonitorSession::StartResult::Started) {
        std::fprintf(stderr, "%s: the session did not start on the server\n", name);
        return -1;
    }
    spin(2500, session.get());
    GapMeter gap;
    gap.start();
    QObject owner;
    QProcess *trouble = startCommand(program, arguments, &owner);
    // The hosts that were down answer again: each pass now has rows to close,
    // which wait while the server is away.
    transport.down.clear();
    int passes = 0;
    QObject::connect(&engine, &PollingEngine::passEnded, &owner, [&passes] { ++passes; });
    spin(troubleMs, session.get());
    const qint64 longest = gap.stop();
    trouble->waitForFinished(30000);
    std::printf("  %-7s %-16s %2d s: passes %2d, kept writes %4d  longest gap %6lld ms\n", name,
                threaded ? "database thread" : "inline", troubleMs / 1000, passes, engine.writeQueue()->size(), longest);
    // The server back as the next case needs it; the session is ended first
    // (a statement still waiting on a dropped connection is left to its thread).
    session->stop();
    session.reset();
    Database::close();
    if (!mend()) {
        std::fprintf(stderr, "%s: the server could not be brought back\n", name);
        return -1;
    }
    return longest;
}

qint64 stoppedCase(bool threaded)
{
    return serverCase("stopped", threaded, 4000, QStringLiteral("runuser"),
                      pgCtl({QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("stop")}), startServer);
}

qint64 droppedCase(bool threaded)
{
    const QString port = qEnvironmentVariable("PGPORT");
    // Long enough for the session's watchdog to give up the statement that
    // waits on the dropped connection and the passes to go on.
    return serverCase("dropped", threaded, 25000, QStringLiteral("nft"),
                      {QStringLiteral("add rule inet session_bench out tcp dport %1 drop").arg(port)}, [] {
                          return runCommand(QStringLiteral("nft"), {QStringLiteral("flush chain inet session_bench out")});
                      });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::printf("Longest stop of the monitor's event loop (target under 50 ms on the database thread)\n");
    const qint64 lockInline = lockCase(false);
    const qint64 lockThread = lockCase(true);
    const qint64 silentInline = silentCase(false);
    const qint64 silentThread = silentCase(true);
    std::printf("\n%-8s %14s %16s %8s\n", "case", "inline (ms)", "thread (ms)", "target");
    std::printf("%-8s %14lld %16lld %8s\n", "lock", lockInline, lockThread, lockThread >= 0 && lockThread < 50 ? "met" : "MISSED");
    std::printf("%-8s %14lld %16lld %8s\n", "silent", silentInline, silentThread,
                silentThread >= 0 && silentThread < 50 ? "met" : "MISSED");
    if (!haveServer()) {
        std::printf("(no server: run through bench/run_session_bench.sh for the stopped and dropped cases)\n");
        return 0;
    }
    std::printf("\n");
    const qint64 stoppedInline = stoppedCase(false);
    const qint64 stoppedThread = stoppedCase(true);
    // Inline, a statement on a connection whose packets are dropped waits
    // for TCP to give up (many minutes): not run, printed as unbounded.
    const qint64 droppedThread = droppedCase(true);
    std::printf("\n%-8s %14s %16s %8s\n", "case", "inline (ms)", "thread (ms)", "target");
    std::printf("%-8s %14lld %16lld %8s\n", "stopped", stoppedInline, stoppedThread,
                stoppedThread >= 0 && stoppedThread < 50 ? "met" : "MISSED");
    std::printf("%-8s %14s %16lld %8s\n", "dropped", "unbounded", droppedThread,
                droppedThread >= 0 && droppedThread < 50 ? "met" : "MISSED");
    return 0;
}
