// A vantage that writes the log loses its line to the server (its packets
// dropped, the connection left half-open): the server must find its session
// dead and free the writer's lock, and another vantage take the log over
// within 30 s. Runs only inside the network namespace its script makes,
// where the server listens on 127.0.0.1 and nft may drop packets.
#include "Database.h"
#include "MonitorLock.h"
#include "VantageLock.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>

using namespace monitor;

class tst_VantageTakeover : public QObject
{
    Q_OBJECT

private slots:
    void writerTakenOverWhenItsLineIsCut();
    void cleanupTestCase();
};

static bool nft(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("nft"), arguments) == 0;
}

void tst_VantageTakeover::writerTakenOverWhenItsLineIsCut()
{
    const QString socket = qEnvironmentVariable("ORVANT_PG_SOCKET");
    const QString name = qEnvironmentVariable("ORVANT_PG_DB");
    QVERIFY2(!socket.isEmpty() && !name.isEmpty(), "run by tst_vantage_takeover.sh");
    QString error, holder;
    // The writer over TCP, the other vantage over the socket the drop leaves alone.
    QVERIFY2(Database::open(DatabaseConfig::server(QStringLiteral("127.0.0.1"), 5432, name, QStringLiteral("postgres")),
                            Database::Options{}, &error, QStringLiteral("writer"), nullptr),
             qPrintable(error));
    QVERIFY2(Database::open(DatabaseConfig::server(socket, 5432, name, QStringLiteral("postgres")), Database::Options{},
                            &error, QStringLiteral("other"), nullptr),
             qPrintable(error));
    QSqlDatabase writer = QSqlDatabase::database(QStringLiteral("writer"), false);
    QSqlDatabase other = QSqlDatabase::database(QStringLiteral("other"), false);
    const QString w = QStringLiteral("orvant 1.aaaa@site-a"), o = QStringLiteral("orvant 2.bbbb@site-b");
    QVERIFY(MonitorLock::nameSession(writer, w, &error));
    QVERIFY(MonitorLock::nameSession(other, o, &error));
    QCOMPARE(VantageLock::take(writer, QStringLiteral("site-a"), w, &holder, &error), VantageLock::Result::Taken);
    QCOMPARE(VantageLock::take(other, QStringLiteral("site-b"), o, &holder, &error), VantageLock::Result::Taken);
    bool taken = false;
    QVERIFY(VantageLock::tryWriter(writer, &taken, &error) && taken);
    QVERIFY(VantageLock::tryWriter(other, &taken, &error) && !taken);

    QSqlQuery q(writer);
    QVERIFY(q.exec(QStringLiteral("select inet_client_port(),current_setting('tcp_keepalives_idle')")) && q.next());
    const QString port = q.value(0).toString();
    QCOMPARE(q.value(1).toString(), QStringLiteral("5"));
    q.finish();

    // Every packet of that connection vanishes, both ways.
    QVERIFY(nft({QStringLiteral("add"), QStringLiteral("table"), QStringLiteral("inet"), QStringLiteral("vt")}));
    QVERIFY(nft({QStringLiteral("add"), QStringLiteral("chain"), QStringLiteral("inet"), QStringLiteral("vt"),
                 QStringLiteral("inp"), QStringLiteral("{ type filter hook input priority 0; }")}));
    for (const char *side : {"sport", "dport"}) {
        QVERIFY(nft({QStringLiteral("add"), QStringLiteral("rule"), QStringLiteral("inet"), QStringLiteral("vt"),
                     QStringLiteral("inp"), QStringLiteral("tcp"), QLatin1String(side), port, QStringLiteral("drop")}));
    }
    QElapsedTimer cut;
    cut.start();
    taken = false;
    while (!taken && cut.elapsed() < 60'000) {
        QVERIFY2(VantageLock::tryWriter(other, &taken, &error), qPrintable(error));
        if (!taken)
            QTest::qWait(250);
    }
    qInfo("the writer's lock taken over %.1f s after the line was cut", cut.elapsed() / 1000.0);
    QVERIFY(taken);
    QVERIFY2(cut.elapsed() < 30'000, "taken over later than 30 s after the cut");
    // ... because the server ended the silent session, share and all.
    QSqlQuery gone(other);
    QVERIFY(gone.exec(QStringLiteral("select count(*) from pg_stat_activity where application_name='orvant 1.aaaa@site-a'"))
            && gone.next());
    QCOMPARE(gone.value(0).toInt(), 0);
}

void tst_VantageTakeover::cleanupTestCase()
{
    nft({QStringLiteral("delete"), QStringLiteral("table"), QStringLiteral("inet"), QStringLiteral("vt")});
    for (const QString &name : QSqlDatabase::connectionNames())
        Database::close(name);
}

QTEST_GUILESS_MAIN(tst_VantageTakeover)
#include "tst_vantage_takeover.moc"
