// The channels, the outbox and the delivery log on a real database (the
// file; the _server variant runs the same cases on PostgreSQL).
#include "AlertStore.h"
#include "SecretFile.h"
#include "TempDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTest>

using namespace alerts;

class tst_AlertStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void channelRoundTrip_data();
    void channelRoundTrip();
    void secretsOfAnEarlierVersionMoveOut();
    void namesAreUnique();
    void outboxKeepsOrderAndRetries();
    void removingAChannelDropsItsMessages();
    void deliveryLogNewestFirst();

private:
    // Secret files go to this user's configuration folder: a private one.
    QTemporaryDir m_config;
    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<AlertStore> m_store;
};

void tst_AlertStore::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void tst_AlertStore::init()
{
    if (TempDatabase::defaultBackend() == TempDatabase::Backend::Server && TempDatabase::serverMissing())
        QSKIP("no test server");
    m_db = std::make_unique<TempDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    m_store = std::make_unique<AlertStore>(m_db->connection());
}

void tst_AlertStore::cleanup()
{
    m_store.reset();
    m_db.reset();
}

void tst_AlertStore::channelRoundTrip_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QJsonObject>("settings");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("reminder");

    QTest::newRow("command with arguments that a shell would read")
        << QStringLiteral("command")
        << QJsonObject{{QStringLiteral("program"), QStringLiteral("/usr/bin/logger")},
                       {QStringLiteral("arguments"), QJsonArray{QStringLiteral("-t"), QStringLiteral("orvant $(id)"), QStringLiteral("`x` 'y' \"z\""), QStringLiteral("Привет")}}}
        << QStringLiteral("") << QStringLiteral("down,up") << 0;
    QTest::newRow("webhook with a token") << QStringLiteral("webhook")
                                          << QJsonObject{{QStringLiteral("url"), QStringLiteral("https://ntfy.example/t")}, {QStringLiteral("format"), QStringLiteral("ntfy")}}
                                          << QStringLiteral("tk_secret") << QStringLiteral("down") << 0;
    QTest::newRow("mail with reminders") << QStringLiteral("email")
                                         << QJsonObject{{QStringLiteral("to"), QStringLiteral("ops@example.org")}, {QStringLiteral("smtp"), QStringLiteral("smtps://m:465")},
                                                        {QStringLiteral("user"), QStringLiteral("bob")}}
                                         << QStringLiteral("p'a\"ss") << QStringLiteral("down,up,reminder") << 15;
}

void tst_AlertStore::channelRoundTrip()
{
    QFETCH(QString, kind);
    QFETCH(QJsonObject, settings);
    QFETCH(QString, secret);
    QFETCH(QString, events);
    QFETCH(int, reminder);
    AlertChannel c;
    c.name = QStringLiteral("канал \"1\"");
    c.kind = *kindFromName(kind);
    c.settings = settings;
    c.secret = secret;
    c.setEventsText(events);
    c.reminderMinutes = reminder;
    QString error;
    QVERIFY2(m_store->addChannel(&c, &error), qPrintable(error));
    QVERIFY(c.id > 0);

    AlertChannel back;
    QVERIFY2(m_store->channel(c.name, &back, &error), qPrintable(error));
    QCOMPARE(back.id, c.id);
    QCOMPARE(kindName(back.kind), kind);
    // The secret went to a file of its own, the database names only the file.
    QCOMPARE(m_db->scalar(QStringLiteral("select secret from alert_channels")).toString(), QString());
    QCOMPARE(back.secret, QString());
    const QString file = back.setting(SecretFile::SettingKey);
    QCOMPARE(back.hasSecret(), !secret.isEmpty());
    if (!secret.isEmpty()) {
        QVERIFY2(file.startsWith(m_config.path() + QStringLiteral("/orvant/secrets/")), qPrintable(file));
        QCOMPARE(QFileInfo(file).permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                 QFile::Permissions());
        QString read;
        QVERIFY2(SecretFile::read(file, &read, &error), qPrintable(error));
        QCOMPARE(read, secret);
        back.settings.remove(QLatin1String(SecretFile::SettingKey));
    }
    QCOMPARE(back.settings, settings);
    if (!secret.isEmpty())
        back.settings.insert(QLatin1String(SecretFile::SettingKey), file);
    QCOMPARE(back.eventsText(), events);
    QCOMPARE(back.reminderMinutes, reminder);

    back.settings.insert(QStringLiteral("ca_file"), QStringLiteral("/etc/ca.pem"));
    back.wantsUp = false;
    QVERIFY2(m_store->updateChannel(back, &error), qPrintable(error));
    QList<AlertChannel> all;
    QVERIFY(m_store->channels(&all, &error));
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first().setting("ca_file"), QStringLiteral("/etc/ca.pem"));
    QVERIFY(!all.first().wantsUp);
}

void tst_AlertStore::secretsOfAnEarlierVersionMoveOut()
{
    const QString password = QStringLiteral("Old-pa55-in-the-db");
    QVERIFY(m_db->exec(QStringLiteral("insert into alert_channels (name,kind,settings,secret,events) values "
                                      "('mail','email','{\"to\":\"ops@example.org\",\"smtp\":\"smtp://m:587\","
                                      "\"user\":\"bob\"}',?,'down,up'),"
                                      "('cmd','command','{\"program\":\"true\"}','','down')"),
                       {password}));
    // Until moved, the secret still serves its channel.
    AlertChannel before;
    QString error;
    QVERIFY(m_store->channel(QStringLiteral("mail"), &before, &error));
    QCOMPARE(before.secret, password);

    QStringList moved;
    QVERIFY2(m_store->moveSecretsOut(&moved, &error), qPrintable(error));
    QCOMPARE(moved, QStringList{QStringLiteral("mail")});
    QCOMPARE(m_db->rows(QStringLiteral("select name,secret from alert_channels order by name")),
             (QStringList{QStringLiteral("cmd|"), QStringLiteral("mail|")}));
    AlertChannel after;
    QVERIFY(m_store->channel(QStringLiteral("mail"), &after, &error));
    QCOMPARE(after.setting("to"), QStringLiteral("ops@example.org"));
    QVERIFY2(SecretFile::resolve(&after, &error), qPrintable(error));
    QCOMPARE(after.secret, password);

    // Run again (every start of the monitor): nothing left to move.
    moved.clear();
    QVERIFY(m_store->moveSecretsOut(&moved, &error));
    QVERIFY(moved.isEmpty());

    if (!m_db->isServer()) {
        // Not even the file's free space keeps it, once the journal is
        // written back.
        m_db->scalar(QStringLiteral("pragma wal_checkpoint(truncate)"));
        for (const QString &path : {m_db->path(), m_db->path() + QStringLiteral("-wal")}) {
            QFile raw(path);
            if (!raw.open(QIODevice::ReadOnly))
                continue;
            QVERIFY2(!raw.readAll().contains(password.toUtf8()), qPrintable(path));
        }
    }
}

void tst_AlertStore::namesAreUnique()
{
    AlertChannel c;
    c.name = QStringLiteral("one");
    c.settings = {{QStringLiteral("program"), QStringLiteral("true")}};
    QString error;
    QVERIFY(m_store->addChannel(&c, &error));
    AlertChannel again = c;
    QVERIFY(!m_store->addChannel(&again, &error));
    QVERIFY(!error.isEmpty());
    AlertChannel none;
    QVERIFY(!m_store->channel(QStringLiteral("two"), &none, &error));
    QVERIFY(error.isEmpty());  // not there, and no failure
}

void tst_AlertStore::outboxKeepsOrderAndRetries()
{
    AlertChannel c;
    c.name = QStringLiteral("c");
    c.settings = {{QStringLiteral("program"), QStringLiteral("true")}};
    QString error;
    QVERIFY(m_store->addChannel(&c, &error));
    const QDateTime now(QDate(2026, 3, 1), QTime(10, 0, 0));
    for (Event e : {Event::Down, Event::Up, Event::Reminder}) {
        AlertMessage m;
        m.event = e;
        m.at = now;
        QVERIFY2(m_store->enqueue(c.id, m, now, &error), qPrintable(error));
    }
    QList<PendingMessage> pending;
    QVERIFY(m_store->pending(&pending, &error));
    QCOMPARE(pending.size(), 3);
    QCOMPARE(pending.at(0).event, QStringLiteral("down"));
    QCOMPARE(pending.at(2).event, QStringLiteral("reminder"));
    QCOMPARE(pending.at(0).created, now);
    QVERIFY(AlertMessage::fromJson(pending.at(1).payload));

    QVERIFY(m_store->reschedule(pending.at(0).id, 2, now.addSecs(20), &error));
    QVERIFY(m_store->removePending(pending.at(1).id, &error));
    QVERIFY(m_store->pending(&pending, &error));
    QCOMPARE(pending.size(), 2);
    QCOMPARE(pending.at(0).attempts, 2);
    QCOMPARE(pending.at(0).nextTry, now.addSecs(20));
}

void tst_AlertStore::removingAChannelDropsItsMessages()
{
    QString error;
    AlertChannel a, b;
    a.name = QStringLiteral("a");
    b.name = QStringLiteral("b");
    a.settings = b.settings = {{QStringLiteral("program"), QStringLiteral("true")}};
    QVERIFY(m_store->addChannel(&a, &error) && m_store->addChannel(&b, &error));
    const QDateTime now = QDateTime::currentDateTime();
    QVERIFY(m_store->enqueue(a.id, AlertMessage{}, now, &error));
    QVERIFY(m_store->enqueue(b.id, AlertMessage{}, now, &error));
    QVERIFY2(m_store->removeChannel(a.id, &error), qPrintable(error));
    QList<PendingMessage> pending;
    QVERIFY(m_store->pending(&pending, &error));
    QCOMPARE(pending.size(), 1);
    QCOMPARE(pending.first().channelId, b.id);
    QList<AlertChannel> all;
    QVERIFY(m_store->channels(&all, &error));
    QCOMPARE(all.size(), 1);

    // The secret file the store wrote goes with its channel; a file the
    // operator named is theirs and stays.
    AlertChannel typed, named;
    typed.name = QStringLiteral("typed");
    typed.kind = named.kind = ChannelKind::Webhook;
    typed.secret = QStringLiteral("s3cret");
    named.name = QStringLiteral("named");
    const QString own = m_config.filePath(QStringLiteral("operator-token"));
    {
        QFile f(own);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("t0ken\n");
    }
    named.settings = {{QLatin1String(SecretFile::SettingKey), own}};
    QVERIFY2(m_store->addChannel(&typed, &error), qPrintable(error));
    QVERIFY2(m_store->addChannel(&named, &error), qPrintable(error));
    const QString written = typed.setting(SecretFile::SettingKey);
    QVERIFY(QFile::exists(written));
    QVERIFY2(m_store->removeChannel(typed.id, &error), qPrintable(error));
    QVERIFY2(m_store->removeChannel(named.id, &error), qPrintable(error));
    QVERIFY(!QFile::exists(written));
    QVERIFY(QFile::exists(own));
}

void tst_AlertStore::deliveryLogNewestFirst()
{
    QString error;
    const QDateTime t(QDate(2026, 3, 1), QTime(10, 0, 0));
    for (int i = 0; i < 5; ++i)
        QVERIFY(m_store->log({t.addSecs(i), QStringLiteral("c"), QStringLiteral("down"), QStringLiteral("failed"),
                              QStringLiteral("HTTP 50%1").arg(i)},
                             &error));
    QList<DeliveryEntry> entries;
    QVERIFY(m_store->deliveries(3, &entries, &error));
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries.first().detail, QStringLiteral("HTTP 504"));
    QCOMPARE(entries.first().at, t.addSecs(4));
}

QTEST_GUILESS_MAIN(tst_AlertStore)
#include "tst_alertstore.moc"
