// The admin's store: its operations on both engines (the file and the
// tests' server), one row each; its reconnecting after the server ended the
// session; and its end, which a silent server never holds.
#include "AdminStore.h"
#include "TempDatabase.h"
#include "VantageRecords.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

using namespace admin;

namespace {

template <class T> T answer(const StoreReply<T> &reply)
{
    if (!reply.waitFor(20000))
        qFatal("the store did not answer");
    return reply.value();
}

} // namespace

class tst_AdminStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void addressEdits_data() { engines(); }
    void addressEdits();
    void logListingAndFigures_data() { engines(); }
    void logListingAndFigures();
    void settings_data() { engines(); }
    void settings();
    void silenceAndChannels_data() { engines(); }
    void vantagesAndTheirRule_data() { engines(); }
    void vantagesAndTheirRule();
    void silenceAndChannels();
    void lostServerIsOpenedAgainByTheNextAction();
    void endIsNotHeldByAStatement();
    void endIsNotHeldByASilentServer();

private:
    void engines();
    // The engine of the running row, a store opened on it.
    bool open();

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<AdminStore> m_store;
};

void tst_AdminStore::engines()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("file") << false;
    QTest::newRow("server") << true;
}

bool tst_AdminStore::open()
{
    QFETCH(bool, server);
    if (server && TempDatabase::serverMissing()) {
        QTest::qSkip("no test server (run through ctest)", __FILE__, __LINE__);
        return false;
    }
    m_db = std::make_unique<TempDatabase>(server ? TempDatabase::Backend::Server : TempDatabase::Backend::File);
    if (!m_db->isValid()) {
        QTest::qFail(qPrintable(m_db->error()), __FILE__, __LINE__);
        return false;
    }
    m_store = std::make_unique<AdminStore>();
    const ProgramStore::Opened opened = answer(m_store->open(m_db->config()));
    if (!opened.outcome.ok)
        QTest::qFail(qPrintable(opened.outcome.error), __FILE__, __LINE__);
    return opened.outcome.ok;
}

void tst_AdminStore::init() {}

void tst_AdminStore::cleanup()
{
    m_store.reset();
    m_db.reset();
}

void tst_AdminStore::addressEdits()
{
    if (!open())
        return;
    QVERIFY(answer(m_store->addAddress(QStringLiteral("10.0.0.2"), QStringLiteral("Шлюз"), 500, QString())).address.ok);
    const AdminStore::Added behind =
        answer(m_store->addAddress(QStringLiteral("10.0.0.10"), QStringLiteral("O'Brien"), 300, QStringLiteral("10.0.0.2")));
    QVERIFY(behind.address.ok && behind.parent.ok);
    QVERIFY(answer(m_store->addressExists(QStringLiteral("10.0.0.10"))).found);
    QVERIFY(!answer(m_store->addressExists(QStringLiteral("10.0.0.1"))).found);

    // The book in its own order, the address as text: "10.0.0.10" before
    // "10.0.0.2" before "127.0.0.1" (the template's address).
    const AdminStore::Book book = answer(m_store->readBook());
    QVERIFY(book.outcome.ok);
    QStringList order;
    for (const AddressListModel::Row &row : book.rows)
        order << row.ip + QLatin1Char('>') + row.parent;
    QCOMPARE(order, (QStringList{QStringLiteral("10.0.0.10>10.0.0.2"), QStringLiteral("10.0.0.2>"),
                                 QStringLiteral("127.0.0.1>")}));

    const AdminStore::Details details = answer(m_store->readAddress(QStringLiteral("10.0.0.10")));
    QVERIFY(details.found && details.parents.ok);
    QCOMPARE(details.record.descript.toString(), QStringLiteral("O'Brien"));
    QCOMPARE(details.parent, QStringLiteral("10.0.0.2"));

    // 10.0.0.2 behind its own child: refused before anything is written.
    const AdminStore::Updated cycle = answer(
        m_store->updateAddress(QStringLiteral("10.0.0.2"), QStringLiteral("changed"), 1, QStringLiteral("10.0.0.10"), true));
    QVERIFY(cycle.outcome.ok && cycle.cycle);
    QCOMPARE(m_db->scalar(QStringLiteral("select descript from addrs where ip_addr='10.0.0.2'")).toString(),
             QStringLiteral("Шлюз"));
    const AdminStore::Updated updated =
        answer(m_store->updateAddress(QStringLiteral("10.0.0.10"), QStringLiteral("new"), 700, QString(), true));
    QVERIFY(updated.outcome.ok && !updated.cycle && updated.parent.ok);
    QCOMPARE(updated.rows, 1);
    QCOMPARE(answer(m_store->readAddress(QStringLiteral("10.0.0.10"))).parent, QString());

    QVERIFY(answer(m_store->updateAddress(QStringLiteral("10.0.0.10"), QStringLiteral("new"), 700,
                                          QStringLiteral("10.0.0.2"), true))
                .parent.ok);
    const AdminStore::Behind children = answer(m_store->addressesBehind(QStringLiteral("10.0.0.2")));
    QVERIFY(children.outcome.ok);
    QCOMPARE(children.children, 1);
    QVERIFY(answer(m_store->removeAddress(QStringLiteral("10.0.0.2"), AddressParents::Children::LeaveWithoutParent)).ok);
    QCOMPARE(m_db->rows(QStringLiteral("select ip_addr from addrs order by 1")),
             (QStringList{QStringLiteral("10.0.0.10"), QStringLiteral("127.0.0.1")}));
    QCOMPARE(answer(m_store->readAddress(QStringLiteral("10.0.0.10"))).parent, QString());

    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.csv"));
    QVERIFY(answer(m_store->exportAddresses(path)).ok);
    const AdminStore::ImportChecked checked =
        answer(m_store->checkImport(QStringLiteral("10.0.0.10,new,700,\n10.0.0.20,added,100,\n"), false));
    QVERIFY2(checked.ok, qPrintable(checked.error));
    QCOMPARE(checked.plan.count(AddressImport::Kind::New), 1);
    const AdminStore::Imported imported = answer(m_store->applyImport(checked.plan));
    QVERIFY2(imported.ok, qPrintable(imported.error));
    QCOMPARE(imported.written.added, 1);
    QVERIFY(answer(m_store->addressExists(QStringLiteral("10.0.0.20"))).found);
}

void tst_AdminStore::logListingAndFigures()
{
    if (!open())
        return;
    m_db->exec(QStringLiteral("delete from logs"));
    m_db->exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values "
                              "('2026-12-01 08:00:00','2026-12-01 08:10:00',1,'10.0.0.1','Шлюз'),"
                              "('2026-12-02 08:00:00','2026-12-02 09:00:00',1,'10.0.0.2','Сервер'),"
                              "('2026-12-03 08:00:00',null,0,'10.0.0.1','Шлюз')"));
    const AdminStore::LogCount all = answer(m_store->countLog(QString()));
    QVERIFY(all.outcome.ok);
    QCOMPARE(all.summary.rows, 3);
    QCOMPARE(all.summary.open, 1);
    QCOMPARE(all.summary.closedTotalSecs, 70 * 60);
    // The figures of what the filter lists: by address or by description,
    // as the listing filters.
    for (const QString &filter : {QStringLiteral("10.0.0.1"), QStringLiteral("Шлюз")}) {
        const AdminStore::LogCount filtered = answer(m_store->countLog(filter));
        QVERIFY(filtered.outcome.ok);
        QCOMPARE(filtered.summary.rows, 2);
        QCOMPARE(filtered.summary.open, 1);
        QCOMPARE(filtered.summary.closedLongestSecs, 10 * 60);
    }
    // A pattern's own characters are text, not wildcards.
    QCOMPARE(answer(m_store->countLog(QStringLiteral("10_0"))).summary.rows, 0);

    OutageLogModel::Query query;
    query.filter = QStringLiteral("10.0.0.2");
    const auto page = answer(m_store->readLogFirst(query, 10));
    OutageLogModel model;
    QString error;
    QVERIFY2(model.applyFirst(page, &error), qPrintable(error));
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, OutageLogModel::Description).data().toString(), QStringLiteral("Сервер"));

    OutageExport::Filter everything;
    QCOMPARE(answer(m_store->countLogExport(everything)).rows, 3);
    QVERIFY(answer(m_store->clearLogBefore(QDate(2026, 12, 2))).ok);
    QCOMPARE(answer(m_store->countLog(QString())).summary.rows, 2);
}

// The server lists its vantages and keeps the rule; a file has none and
// refuses a rule, naming itself.
void tst_AdminStore::vantagesAndTheirRule()
{
    if (!open())
        return;
    QFETCH(bool, server);
    AdminStore::Vantages read = answer(m_store->readVantages());
    QVERIFY2(read.outcome.ok, qPrintable(read.outcome.error));
    QCOMPARE(read.server, server);
    QVERIFY(read.vantages.isEmpty());
    QCOMPARE(read.rule, VantageRule::all());
    const StoreOutcome saved = answer(m_store->saveVantageRule(VantageRule::atLeast(2)));
    if (!server) {
        QVERIFY(!saved.ok);
        QVERIFY2(saved.error.contains(QStringLiteral("PostgreSQL")), qPrintable(saved.error));
        return;
    }
    QVERIFY2(saved.ok, qPrintable(saved.error));
    QString error;
    QVERIFY2(VantageRecords::heartbeat(m_db->connection(), QStringLiteral("north"), 10, QStringLiteral("s"), &error),
             qPrintable(error));
    read = answer(m_store->readVantages());
    QCOMPARE(read.rule, VantageRule::atLeast(2));
    QCOMPARE(read.vantages.size(), 1);
    QCOMPARE(read.vantages[0].name, QStringLiteral("north"));
    QCOMPARE(read.vantages[0].intervalSeconds, 10);
    QVERIFY(read.vantages[0].isLive());
    QVERIFY(!read.vantages[0].writer);
}

void tst_AdminStore::settings()
{
    if (!open())
        return;
    AdminStore::OptionsRead read = answer(m_store->readOptions());
    QVERIFY(read.outcome.ok);
    OptionsRecord record = read.record;
    record.refreshTime = 7;
    record.sndErr = QStringLiteral("/tmp/o'err.wav");
    QVERIFY(answer(m_store->saveOptions(record)).ok);
    read = answer(m_store->readOptions());
    QCOMPARE(read.record.refreshTime, 7);
    QCOMPARE(read.record.sndErr, QStringLiteral("/tmp/o'err.wav"));

    QVERIFY(answer(m_store->saveRetention(14, 3)).ok);
    const AdminStore::Retention retention = answer(m_store->readRetention());
    QCOMPARE(retention.rawDays, 14);
    QCOMPARE(retention.hourlyYears, 3);

    AlertRecords::Settings alerts;
    alerts.confirmPasses = 4;
    alerts.flapping = true;
    alerts.flapHighPercent = 40;
    alerts.flapLowPercent = 20;
    QVERIFY(answer(m_store->saveAlertSettings(alerts)).ok);
    const AdminStore::AlertSettingsRead back = answer(m_store->readAlertSettings());
    QVERIFY(back.outcome.ok);
    QCOMPARE(back.settings.confirmPasses, 4);
    QVERIFY(back.settings.flapping);
    QCOMPARE(back.settings.flapHighPercent, 40);
}

void tst_AdminStore::silenceAndChannels()
{
    if (!open())
        return;
    const QDateTime later = QDateTime::currentDateTime().addSecs(3600);
    QCOMPARE(answer(m_store->mute({QStringLiteral("127.0.0.1"), later})), QString());
    QCOMPARE(answer(m_store->mute({QStringLiteral("10.0.0.9"), QDateTime()})), QString());
    AlertRecords::MaintenanceWindow window;
    window.ip = QStringLiteral("127.0.0.1");
    window.weekdays = 1 | 4;
    window.from = QTime(22, 0);
    window.to = QTime(2, 0);
    QCOMPARE(answer(m_store->addMaintenance(window)), QString());
    AdminStore::Quiet quiet = answer(m_store->readQuiet());
    QCOMPARE(quiet.error, QString());
    QCOMPARE(quiet.hosts, QStringList{QStringLiteral("127.0.0.1")});
    QCOMPARE(quiet.mutes.size(), 2);
    QCOMPARE(quiet.windows.size(), 1);
    QCOMPARE(quiet.windows.first().weekdays, 5);

    QCOMPARE(answer(m_store->liftMutes({QStringLiteral("127.0.0.1"), QStringLiteral("10.0.0.9")})), QString());
    QCOMPARE(answer(m_store->removeMaintenance({quiet.windows.first().id})), QString());
    quiet = answer(m_store->readQuiet());
    QVERIFY(quiet.mutes.isEmpty() && quiet.windows.isEmpty());

    alerts::AlertChannel channel;
    channel.name = QStringLiteral("ops");
    channel.kind = alerts::ChannelKind::Command;
    channel.settings.insert(QStringLiteral("program"), QStringLiteral("/bin/true"));
    QCOMPARE(answer(m_store->addChannel(channel)), QString());
    // A second channel of the same name is refused, saying why.
    QVERIFY(!answer(m_store->addChannel(channel)).isEmpty());
    AdminStore::Channels channels = answer(m_store->readChannels(10));
    QVERIFY2(channels.ok, qPrintable(channels.error));
    QCOMPARE(channels.channels.size(), 1);
    QCOMPARE(answer(m_store->logDelivery({QDateTime::currentDateTime(), QStringLiteral("ops"), QStringLiteral("down"),
                                          QStringLiteral("test delivered"), QStringLiteral("0")})),
             QString());
    QCOMPARE(answer(m_store->removeChannel(channels.channels.first().id)), QString());
    channels = answer(m_store->readChannels(10));
    QVERIFY(channels.channels.isEmpty());
    QCOMPARE(channels.log.size(), 1);
}

// The server ends the admin's session (a restart, a cut): the action that
// meets it says the connection was lost; the next action opens it again.
void tst_AdminStore::lostServerIsOpenedAgainByTheNextAction()
{
    if (TempDatabase::serverMissing())
        QSKIP("no test server (run through ctest)");
    m_db = std::make_unique<TempDatabase>(TempDatabase::Backend::Server);
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    m_store = std::make_unique<AdminStore>();
    QVERIFY(answer(m_store->open(m_db->config())).outcome.ok);
    const QVariant pid = m_store->databaseThread().call([](QSqlDatabase db) {
        QSqlQuery query(db);
        return query.exec(QStringLiteral("select pg_backend_pid()")) && query.next() ? query.value(0) : QVariant();
    });
    QVERIFY(m_db->scalar(QStringLiteral("select pg_terminate_backend(cast(? as integer))"), {pid}).toBool());
    // Background work does not reconnect: it fails and says why.
    const AdminStore::LogCount lost = answer(m_store->countLog(QString()));
    QVERIFY(!lost.outcome.ok);
    QVERIFY2(lost.outcome.error.contains(QStringLiteral("потеряно")), qPrintable(lost.outcome.error));
    const AdminStore::Book book = answer(m_store->readBook());
    QVERIFY2(book.outcome.ok, qPrintable(book.outcome.error));
    QCOMPARE(book.rows.size(), 1);
}

// A statement that takes long (another program's lock, a slow disk): the
// end waits the grace and no longer; what is asked afterwards is given up.
void tst_AdminStore::endIsNotHeldByAStatement()
{
    m_db = std::make_unique<TempDatabase>(TempDatabase::Backend::File);
    QVERIFY(m_db->isValid());
    m_store = std::make_unique<AdminStore>();
    QVERIFY(answer(m_store->open(m_db->config())).outcome.ok);
    m_store->databaseThread().post([](QSqlDatabase) { std::this_thread::sleep_for(std::chrono::seconds(3)); });
    const StoreReply<AdminStore::Book> behind = m_store->readBook();
    QElapsedTimer took;
    took.start();
    QVERIFY(!m_store->shutdown());
    QVERIFY2(took.elapsed() < ProgramStore::QuitGraceMs + 300, qPrintable(QString::number(took.elapsed())));
    QVERIFY(!behind.isAnswered());
    const StoreReply<AdminStore::Book> after = m_store->readBook();
    QVERIFY(after.isSettled() && !after.isAnswered());
}

// orvant.conf names a server whose socket takes the connection and never
// answers: the open waits, the end does not.
void tst_AdminStore::endIsNotHeldByASilentServer()
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
    QVERIFY(::listen(listener, 4) == 0);
    const DatabaseConfig config = DatabaseConfig::server(dir.path(), 5432, QStringLiteral("x"), QStringLiteral("x"));
    m_store = std::make_unique<AdminStore>();
    const StoreReply<ProgramStore::Opened> opened = m_store->open(config);
    QVERIFY(!opened.waitFor(1000));
    QElapsedTimer took;
    took.start();
    m_store.reset();
    QVERIFY2(took.elapsed() < ProgramStore::QuitGraceMs + 300, qPrintable(QString::number(took.elapsed())));
    ::close(listener);
}

QTEST_GUILESS_MAIN(tst_AdminStore)
#include "tst_adminstore.moc"
