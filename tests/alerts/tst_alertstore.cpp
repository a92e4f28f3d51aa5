// The channels, the outbox and the delivery log on a real database (the
// file; the _server variant runs the same cases on PostgreSQL).
#include "AlertStore.h"
#include "TempDatabase.h"

#include <QJsonArray>
#include <QTest>

using namespace alerts;

class tst_AlertStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void channelRoundTrip_data();
    void channelRoundTrip();
    void namesAreUnique();
    void outboxKeepsOrderAndRetries();
    void removingAChannelDropsItsMessages();
    void deliveryLogNewestFirst();

private:
    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<AlertStore> m_store;
};

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
    QCOMPARE(back.settings, settings);
    QCOMPARE(back.secret, secret);
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
