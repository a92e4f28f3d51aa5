// admin's "Оповещения": channels added, changed and removed through the
// dialog land in the database; "Проверить" runs a real command channel and
// shows and logs the outcome; a secret is never shown back.
#include "AlertStore.h"
#include "FakePrompts.h"
#include "SecretFile.h"
#include "TempDatabase.h"
#include "AdminStore.h"
#include "frmAlerts.h"

#include <QJsonArray>
#include <QLabel>
#include <QSignalSpy>
#include <QTableWidget>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace alerts;
using admin::frmAlerts;

class tst_frmAlerts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void addChangeRemove();
    void testSendsAndLogs_data();
    void testSendsAndLogs();
    void picture();
    void deliveryLogInTheDesksWords();

private:
    QStringList rows(const char *table) const;
    bool waitReloaded();

    QTemporaryDir m_config;  // this user's configuration folder, for secret files
    std::unique_ptr<TempDatabase> m_db;
    FakePrompts m_prompts;
    QWidget m_main;
    std::unique_ptr<admin::AdminStore> m_store;
    std::unique_ptr<frmAlerts> m_dialog;
};

void tst_frmAlerts::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void tst_frmAlerts::init()
{
    if (TempDatabase::defaultBackend() == TempDatabase::Backend::Server && TempDatabase::serverMissing())
        QSKIP("no test server");
    m_db = std::make_unique<TempDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    m_prompts.answers.clear();
    m_prompts.boxes.clear();
    m_store = std::make_unique<admin::AdminStore>();
    const auto opened = m_store->open(m_db->config());
    QVERIFY(opened.waitFor(10000) && opened.value().outcome.ok);
    m_dialog = std::make_unique<frmAlerts>(m_prompts, &m_main, *m_store);
    QVERIFY(waitReloaded());
}

void tst_frmAlerts::cleanup()
{
    m_dialog.reset();
    m_store.reset();
    m_db.reset();
}

bool tst_frmAlerts::waitReloaded()
{
    QSignalSpy spy(m_dialog.get(), &frmAlerts::reloaded);
    return spy.wait(10000);
}

QStringList tst_frmAlerts::rows(const char *name) const
{
    auto *t = m_dialog->findChild<QTableWidget *>(QLatin1String(name));
    QStringList out;
    for (int r = 0; r < t->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < t->columnCount(); ++c)
            cells << (t->item(r, c) ? t->item(r, c)->text() : QString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

void tst_frmAlerts::addChangeRemove()
{
    AlertChannel mail;
    mail.name = QStringLiteral("дежурный");
    mail.kind = ChannelKind::Email;
    mail.settings = {{QStringLiteral("to"), QStringLiteral("ops@example.org")},
                     {QStringLiteral("smtp"), QStringLiteral("smtp://127.0.0.1:2525")},
                     {QStringLiteral("user"), QStringLiteral("bob")}};
    mail.secret = QStringLiteral("Pa55-w0rd-in-dialog");
    m_dialog->setEditorSeam([&](const AlertChannel &) { return std::optional<AlertChannel>(mail); });
    m_dialog->cmdAdd_Click();
    QVERIFY(waitReloaded());
    QCOMPARE(rows("lstChannels").size(), 1);
    const QString shown = rows("lstChannels").first();
    QVERIFY2(shown.startsWith(QStringLiteral("дежурный|")), qPrintable(shown));
    QVERIFY2(!shown.contains(mail.secret), qPrintable(shown));
    // The secret went to a file of this user's; the database names the file.
    QCOMPARE(m_db->scalar(QStringLiteral("select secret from alert_channels")).toString(), QString());
    AlertChannel stored;
    QString error;
    QVERIFY(AlertStore(m_db->connection()).channel(mail.name, &stored, &error));
    QVERIFY(SecretFile::resolve(&stored, &error));
    QCOMPARE(stored.secret, mail.secret);

    // The editor gets the stored channel (its secret kept) and may change it.
    m_dialog->setEditorSeam([&](const AlertChannel &stored) {
        AlertChannel c = stored;
        c.wantsUp = false;
        return std::optional<AlertChannel>(c);
    });
    m_dialog->cmdEdit_Click();
    QVERIFY(waitReloaded());
    QCOMPARE(m_db->rows(QStringLiteral("select events,secret from alert_channels")),
             QStringList{QStringLiteral("down|")});
    QVERIFY(AlertStore(m_db->connection()).channel(mail.name, &stored, &error));
    QVERIFY(SecretFile::resolve(&stored, &error));
    QCOMPARE(stored.secret, mail.secret);

    m_prompts.answers << QMessageBox::No;
    m_dialog->cmdRemove_Click();
    m_dialog->reload();
    QVERIFY(waitReloaded());
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from alert_channels")).toInt(), 1);
    m_prompts.answers << QMessageBox::Yes;
    m_dialog->cmdRemove_Click();
    QVERIFY(waitReloaded());
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from alert_channels")).toInt(), 0);
    QVERIFY(rows("lstChannels").isEmpty());
}

void tst_frmAlerts::testSendsAndLogs_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("delivered");
    QTest::addColumn<QString>("detail");
    QTest::newRow("exit 0") << "cat > \"$0/in.json\"" << true << "0";
    QTest::newRow("exit 3 with output") << "echo first line; echo second; exit 3" << false << "3\nfirst line\nsecond";
}

void tst_frmAlerts::testSendsAndLogs()
{
    QFETCH(QString, script);
    QFETCH(bool, delivered);
    QFETCH(QString, detail);
    QTemporaryDir dir;
    AlertChannel c;
    c.name = QStringLiteral("script");
    c.kind = ChannelKind::Command;
    c.settings = {{QStringLiteral("program"), QStringLiteral("/bin/sh")},
                  {QStringLiteral("arguments"), QJsonArray{QStringLiteral("-c"), script, dir.path()}}};
    m_dialog->setEditorSeam([&](const AlertChannel &) { return std::optional<AlertChannel>(c); });
    m_dialog->cmdAdd_Click();
    QVERIFY(waitReloaded());

    QSignalSpy tested(m_dialog.get(), &frmAlerts::tested);
    m_dialog->cmdTest_Click();
    QVERIFY(tested.wait(10000));
    QCOMPARE(tested.first().at(0).toBool(), delivered);
    QVERIFY2(tested.first().at(1).toString().endsWith(detail), qPrintable(tested.first().at(1).toString()));
    const QString outcome = m_dialog->findChild<QLabel *>(QStringLiteral("lblOutcome"))->text();
    QVERIFY2(outcome.contains(QStringLiteral("script")), qPrintable(outcome));
    QVERIFY(waitReloaded());
    QCOMPARE(m_db->rows(QStringLiteral("select channel,outcome from alert_deliveries")),
             QStringList{QStringLiteral("script|") + (delivered ? QStringLiteral("test delivered")
                                                                 : QStringLiteral("test failed"))});
    QCOMPARE(rows("lstLog").size(), 1);
    if (delivered) {
        QFile in(dir.filePath(QStringLiteral("in.json")));
        QVERIFY(in.open(QIODevice::ReadOnly));
        const auto message = AlertMessage::fromJson(in.readAll());
        QVERIFY(message);
        QVERIFY(message->test);
    }
}

// The dialog with a channel of each kind and a log, saved for a look (the
// build's artifacts); the password and the webhook's path must not show.
void tst_frmAlerts::picture()
{
    QString error;
    AlertStore store(m_db->connection());
    AlertChannel hook;
    hook.name = QStringLiteral("Дежурный чат");
    hook.kind = ChannelKind::Webhook;
    hook.settings = {{QStringLiteral("url"), QStringLiteral("https://hooks.slack.example/services/T0/B0/XyZsecret")},
                     {QStringLiteral("format"), QStringLiteral("slack")}};
    AlertChannel mail;
    mail.name = QStringLiteral("Почта");
    mail.kind = ChannelKind::Email;
    mail.settings = {{QStringLiteral("to"), QStringLiteral("noc@example.org")},
                     {QStringLiteral("smtp"), QStringLiteral("smtp://mail.example.org:587")},
                     {QStringLiteral("user"), QStringLiteral("noc")}};
    mail.secret = QStringLiteral("Pa55-w0rd");
    mail.wantsReminders = true;
    mail.reminderMinutes = 30;
    QVERIFY(store.addChannel(&hook, &error) && store.addChannel(&mail, &error));
    QVERIFY(store.log({QDateTime::currentDateTime(), hook.name, QStringLiteral("down"), QStringLiteral("failed"),
                       QStringLiteral("HTTP 503 Service Unavailable")},
                      &error));
    QVERIFY(store.log({QDateTime::currentDateTime(), mail.name, QStringLiteral("down"), QStringLiteral("delivered"),
                       QStringLiteral("SMTP 250")},
                      &error));
    m_dialog->reload();
    QVERIFY(waitReloaded());
    for (const QString &row : rows("lstChannels")) {
        QVERIFY2(!row.contains(QStringLiteral("XyZsecret")) && !row.contains(mail.secret), qPrintable(row));
    }
    m_dialog->show();
    const QString dir = qEnvironmentVariable("ORVANT_ARTIFACT_DIR");
    if (!dir.isEmpty() && QDir().mkpath(dir + QStringLiteral("/admin")))
        m_dialog->grab().save(dir + QStringLiteral("/admin/frmAlerts.png"));
}

// The log names each event as the notifications do, never as stored.
void tst_frmAlerts::deliveryLogInTheDesksWords()
{
    const QDateTime at(QDate(2026, 12, 1), QTime(8, 0));
    int second = 0;
    for (const char *event : {"down", "up", "reminder"}) {
        const auto logged = m_store->logDelivery(
            {at.addSecs(++second), QStringLiteral("ops"), QLatin1String(event), QStringLiteral("delivered"), QStringLiteral("0")});
        QVERIFY(logged.waitFor(10000));
        QCOMPARE(logged.value(), QString());
    }
    m_dialog->reload();
    QVERIFY(waitReloaded());
    QStringList events;
    for (const QString &row : rows("lstLog"))
        events << row.section(QLatin1Char('|'), 2, 2);
    events.sort();
    QCOMPARE(events, (QStringList{QStringLiteral("напоминание"), QStringLiteral("нет соединения"),
                                  QStringLiteral("соединение восстановлено")}));
}

QTEST_MAIN(tst_frmAlerts)
#include "tst_frmalerts.moc"
